#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace tessary {

// The coverage mask of one dab: width x height bytes, row by row, 0 outside
// the shape. Built once per stroke.
//
// Shape classes: 0 rectangle, 1 inscribed ellipse, 2 inscribed diamond,
// 3 slanted band of `thickness` falling to the right, 4 the same rising to
// the right. Profile 0 is hard (255 inside the shape); profiles 1..15 replace
// every covered byte by the softness table at a value v of the pixel's
// position (clamped to 0..255 first), so a soft dab never reaches 255. Where
// a profile would divide by half a side of 0 (a dab one pixel wide or high)
// the pixel gets full coverage, 255.
struct DabGeometry {
    std::int32_t width = 1;       // 1..255
    std::int32_t height = 1;      // 1..255
    std::int32_t thickness = 1;   // 1..255, classes 3 and 4
    std::int32_t shapeClass = 0;  // 0..4
    std::int32_t profile = 0;     // 0..15
};

using SoftnessTable = std::array<std::uint8_t, 256>;

// L: rises from 0 to 254 along i^(5/3), symmetric about 127.5.
SoftnessTable buildSoftnessTable();

// The mask of `dab` into `out` (resized to width x height).
void buildDabShape(const DabGeometry& dab, const SoftnessTable& softness,
                   std::vector<std::uint8_t>& out);

}  // namespace tessary
