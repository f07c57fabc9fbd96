#include "tools/paint/brush_options.h"

#include <algorithm>

#include "app/tool_box_prefs.h"
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

const BrushPrefsSet kFirstBrushSet{&ToolBoxPrefs::firstSetSize, &ToolBoxPrefs::firstSetShapeClass,
                                   &ToolBoxPrefs::firstSetProfile, &ToolBoxPrefs::firstSetSpacing,
                                   &ToolBoxPrefs::firstSetFlag};
const BrushPrefsSet kSecondBrushSet{
    &ToolBoxPrefs::secondSetSize, &ToolBoxPrefs::secondSetShapeClass,
    &ToolBoxPrefs::secondSetProfile, &ToolBoxPrefs::secondSetSpacing, &ToolBoxPrefs::secondSetFlag};

BrushOptions loadBrushOptions(const ToolBoxPrefs& record, const BrushPrefsSet& set,
                              std::int32_t thickness) {
    BrushOptions options;
    options.width = options.height = record.*set.size;
    options.thickness = thickness;
    options.shapeClass = record.*set.shapeClass;
    options.profile = record.*set.profile;
    options.spacingPercent = record.*set.spacing;
    options.flag = record.*set.flag;
    return options;
}

void storeBrushOptions(const BrushOptions& options, ToolBoxPrefs& record,
                       const BrushPrefsSet& set) {
    record.*set.size = options.width;
    record.*set.shapeClass = options.shapeClass;
    record.*set.profile = options.profile;
    record.*set.spacing = options.spacingPercent;
    record.*set.flag = options.flag;
}

}  // namespace tessary
