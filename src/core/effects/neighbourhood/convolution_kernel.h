#pragma once

#include <cstdint>
#include <memory>

#include "effects/framework/tile_kernel.h"

namespace tessary {

class ConvolutionFltr;

// The row kernel of ConvolutionFltr: the weighted window sum of every
// sample, combined with the centre sample by the filter's mode (see
// ConvolutionFltr). Results are bit-identical to the formula.
//
// When every weight of the window is 1 (box blur and sharpen) the sums are
// kept as running column sums down the tile, so each output costs a few
// vector operations whatever the radius, and the division by the divisor is
// done by an exact multiply-and-shift when one exists for the possible
// sums; any other kernel takes the plain weighted sum.
class ConvolutionKernel final : public TileKernel {
public:
    // Copies the parameters; the radius is clamped to 0 ... 16 and a
    // divisor of 0 divides by 1.
    explicit ConvolutionKernel(const ConvolutionFltr& filter);
    ~ConvolutionKernel() override;

    // False when the scratch buffers could not be allocated.
    bool valid() const { return m_valid; }
    bool usesRunningSums() const { return m_box; }

    int radius() const override { return m_radius; }
    void computeTile(const std::uint8_t* source, std::ptrdiff_t sourceStride, int width, int height,
                     std::uint8_t* output, std::ptrdiff_t outputStride) override;
    std::unique_ptr<TileKernel> clone() const override;

private:
    template <class Sum>
    void boxTile(const std::uint8_t* source, std::ptrdiff_t sourceStride, int width, int height,
                 std::uint8_t* output, std::ptrdiff_t outputStride);
    template <class Sum>
    Sum* columnSums();
    template <class Sum>
    Sum* windowBuffer();
    template <class Sum>
    void combineRow(const Sum* sums, const std::uint8_t* centre, int width, std::uint8_t* out);
    // The same when every quotient is known to be at most 255: all in
    // 16-bit lanes.
    void combineSmallRow(const std::uint16_t* sums, const std::uint8_t* centre, int width,
                         std::uint8_t* out);
    void generalTile(const std::uint8_t* source, std::ptrdiff_t sourceStride, int width, int height,
                     std::uint8_t* output, std::ptrdiff_t outputStride);
    std::uint8_t combine(std::int64_t sum, int centre) const;

    int m_radius = 1;
    int m_side = 3;
    std::int64_t m_divisor = 1;
    std::int64_t m_offset = 0;
    std::int64_t m_low = 0;
    std::int64_t m_high = 255;
    int m_mode = 0;
    bool m_box = false;
    bool m_valid = false;
    // q = ((sum x m_magic) >> 16) >> m_extraShift equals sum / divisor for
    // every possible box sum when m_exactMagic is set.
    bool m_exactMagic = false;
    std::uint32_t m_magic = 0;
    int m_extraShift = 0;
    std::unique_ptr<std::int32_t[]> m_weights;
    // Box sums: 16-bit while the largest possible sum fits, else 32-bit.
    bool m_narrowSums = false;
    std::unique_ptr<std::uint16_t[]> m_narrowColumns;
    std::unique_ptr<std::uint16_t[]> m_narrowWindows;
    std::unique_ptr<std::uint32_t[]> m_wideColumns;
    std::unique_ptr<std::uint32_t[]> m_wideWindows;
    std::unique_ptr<std::int32_t[]> m_quotients;
    // Every box quotient is at most 255 (the divisor is at least the
    // window's size) and the division is exact by multiply-and-shift.
    bool m_smallQuotients = false;
};

}  // namespace tessary
