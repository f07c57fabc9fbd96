#pragma once

#include <cstdint>

namespace tessary {

struct StrokeParams;
struct ToolBoxPrefs;

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

// The five words of one brush set in the tool-box preferences: the brush
// tool keeps the first set, the clone tool the second.
struct BrushPrefsSet {
    std::int32_t ToolBoxPrefs::*size;
    std::int32_t ToolBoxPrefs::*shapeClass;
    std::int32_t ToolBoxPrefs::*profile;
    std::int32_t ToolBoxPrefs::*spacing;
    bool ToolBoxPrefs::*flag;
};
extern const BrushPrefsSet kFirstBrushSet;
extern const BrushPrefsSet kSecondBrushSet;

// Options from `set` of `record`: width and height both the set's size, the
// thickness `thickness` (the record keeps none).
BrushOptions loadBrushOptions(const ToolBoxPrefs& record, const BrushPrefsSet& set,
                              std::int32_t thickness);
// Writes `options` into `set` of `record` (the width as the size).
void storeBrushOptions(const BrushOptions& options, ToolBoxPrefs& record, const BrushPrefsSet& set);

}  // namespace tessary
