#pragma once

#include <cstdint>
#include <memory>

namespace tessary {

// The rows of a rectangle or ellipse selection as coverage bytes.
//
// The shape is inscribed in a box of width x height pixels; rows and columns
// are counted from the box's top-left corner (box pixels). Row y of the
// ellipse covers the columns x0 ... width - x0 - 1 with a = height / 2,
// b = width / 2, dy = |y - floor(height / 2)| and
// x0 = floor(width / 2) - trunc(b * sqrt(1 - dy^2 / a^2)), the ellipse dab of
// the painting engine for a box of any size; the rectangle covers every
// column.
//
// Without subsamples a covered pixel is 255 and any other 0. With N
// subsamples the shape is computed in a box N times as wide and high: each
// pixel counts its covered subsamples c (0 ... N^2) and gets c x 255 / N^2
// (integer division), so its edge falls in steps of 255 / N^2.
class ShapeCoverage {
public:
    enum class Shape : std::int32_t { Rectangle = 0, Ellipse = 1 };

    // A subsample count above this acts as this: 16 x 16 subsamples already
    // give 256 steps, more than 8 bits can show.
    static constexpr int kMaxSubsamples = 16;

    struct Span {
        std::int64_t begin = 0;  // first covered column
        std::int64_t end = 0;    // one past the last; end <= begin covers nothing
    };

    // `width` and `height` at least 1 (box pixels, up to 2^31); `subsamples`
    // 0 for none, else clamped to 1 ... kMaxSubsamples.
    ShapeCoverage(Shape shape, std::int64_t width, std::int64_t height, int subsamples);

    // The covered columns of row y of the shape inscribed in width x height.
    static Span span(Shape shape, std::int64_t width, std::int64_t height, std::int64_t y);

    // Makes room for rows of up to `count` columns. False when the work
    // buffer cannot be had (the caller reports not enough memory).
    bool reserve(std::int64_t count);
    // Coverage of columns first ... first + count - 1 of row y (box pixels,
    // inside the box, count within the reserved room) into out[0 ... count).
    void row(std::int64_t y, std::int64_t first, std::int64_t count, std::uint8_t* out);

    int subsamples() const { return m_subsamples; }

private:
    Shape m_shape;
    std::int64_t m_width;
    std::int64_t m_height;
    int m_subsamples;
    // Subsamples covered per pixel and the level each count gives.
    std::unique_ptr<std::int32_t[]> m_counts;
    std::unique_ptr<std::int32_t[]> m_steps;
    std::int64_t m_room = 0;
    std::uint8_t m_levels[kMaxSubsamples * kMaxSubsamples + 1] = {};
};

}  // namespace tessary
