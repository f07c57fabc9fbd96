#pragma once

#include <cstdint>

namespace tessary {

// The shapes of the rectangle and ellipse selections (and of the painting
// engine's rectangle and ellipse dabs), as spans per row of a box.
enum class ShapeClass { Rectangle = 0, Ellipse = 1 };

struct ShapeSpan {
    std::int64_t begin = 0;  // first covered column
    std::int64_t end = 0;    // one past the last; end <= begin: nothing covered
};

// The covered columns of row `y` (0 at the top) of the shape inscribed in a
// box of `width` x `height`: the whole row for a rectangle; for the ellipse,
// with a = height / 2, b = width / 2 and dy = |y - floor(height / 2)|,
// x0 = floor(width / 2) - trunc(b * sqrt(1 - dy^2 / a^2)) and the span
// x0 ... width - x0.
ShapeSpan shapeSpan(ShapeClass shape, std::int64_t width, std::int64_t height, std::int64_t y);

// Coverage of columns `firstColumn` ... `firstColumn + count - 1` of row `y`
// of the shape, 0 or 255 each. With `subsamples` N > 0 the shape is
// computed at N-fold resolution in both directions and a pixel gets
// (covered subsamples) x 255 / N^2, so its edge falls in steps of 255 / N^2.
void shapeCoverageRow(ShapeClass shape, std::int64_t width, std::int64_t height, int subsamples,
                      std::int64_t y, std::int64_t firstColumn, std::int64_t count,
                      std::uint8_t* out);

}  // namespace tessary
