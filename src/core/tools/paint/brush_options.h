#pragma once

#include <cstdint>

namespace tessary {

struct StrokeParams;

// The brush and clone tools' options, as the tool-box preferences keep them
// and the brush options dialog sets them. Values are as stored; a stroke
// clamps them when it is prepared.
struct BrushOptions {
    std::int32_t width = 32;
    std::int32_t height = 32;
    std::int32_t thickness = 5;
    std::int32_t shapeClass = 0;
    std::int32_t profile = 0;
    // Dab spacing in percent of the dab's base size.
    std::int32_t spacingPercent = 25;
    // Stored and loaded with the options; painting does not read it.
    bool flag = false;
    friend bool operator==(const BrushOptions&, const BrushOptions&) = default;
};

// The dab of `options` into `params`: sizes and thickness clamped to 1..255,
// class to 0..4, profile to 0..15, the spacing percent of the base size (the
// smaller side, for classes 3 and 4 at most the thickness) clamped to
// 1..1000 pixels, and `opacity` clamped to 0..255.
void strokeFromBrushOptions(const BrushOptions& options, std::int32_t opacity,
                            StrokeParams& params);

}  // namespace tessary
