#pragma once

#include <cstddef>
#include <cstdint>

namespace tessary::modules {

// A rectangle of rows and columns, right and bottom exclusive.
struct PixelArea {
    std::int32_t top = 0;
    std::int32_t left = 0;
    std::int32_t bottom = 0;
    std::int32_t right = 0;

    std::int32_t width() const { return right - left; }
    std::int32_t height() const { return bottom - top; }
};

// The 3 × 3 unsharp mask: each sample c becomes c + (c − m), m the mean of
// the 3 × 3 neighbourhood of that sample's plane (itself included), rounded
// half up and clamped to 0..255; neighbours outside the image repeat the
// edge samples.
class UnsharpKernel {
public:
    // Scratch samples sharpenBand() needs for an input `inputWidth` pixels
    // wide with `planes` interleaved planes.
    static std::size_t scratchSamples(std::int32_t inputWidth, int planes) {
        return static_cast<std::size_t>(inputWidth) * static_cast<std::size_t>(planes);
    }

    // Computes `output` (an area of the image) from `input`, which must be
    // `output` grown by one pixel on every side and cut to the image. Both
    // hold `planes` interleaved samples per pixel, rows `inputRowBytes` and
    // `outputRowBytes` apart, the area's top-left sample first. `scratch`
    // holds scratchSamples(input width, planes) values.
    static void sharpenBand(const std::uint8_t* inputData, std::ptrdiff_t inputRowBytes,
                            const PixelArea& input, std::uint8_t* outputData,
                            std::ptrdiff_t outputRowBytes, const PixelArea& output, int planes,
                            std::uint16_t* scratch);

    // The new value of sample `centre` whose 3 × 3 neighbourhood sums to
    // `sum` (centre included).
    static std::uint8_t sharpen(int centre, int sum);
};

}  // namespace tessary::modules
