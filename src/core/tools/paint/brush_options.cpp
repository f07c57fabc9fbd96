#include "tools/paint/brush_options.h"

#include <algorithm>

#include "tools/paint/stroke_params.h"

namespace tessary {

void strokeFromBrushOptions(const BrushOptions& options, std::int32_t opacity,
                            StrokeParams& params) {
    params.width = std::clamp(options.width, 1, 255);
    params.height = std::clamp(options.height, 1, 255);
    params.thickness = std::clamp(options.thickness, 1, 255);
    params.shapeClass = std::clamp(options.shapeClass, 0, 4);
    params.profile = std::clamp(options.profile, 0, 15);
    params.opacity = std::clamp(opacity, 0, 255);
    std::int32_t base = std::min(params.width, params.height);
    if (params.shapeClass >= 3) base = std::min(base, params.thickness);
    const std::int64_t spacing = std::int64_t{options.spacingPercent} * base / 100;
    params.spacing = static_cast<std::int32_t>(std::clamp<std::int64_t>(spacing, 1, 1000));
}

}  // namespace tessary
