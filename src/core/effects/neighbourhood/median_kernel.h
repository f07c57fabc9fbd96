#pragma once

#include <cstdint>
#include <memory>

#include "effects/framework/tile_kernel.h"

namespace tessary {

class DespeckleFltr;

// The row kernel of DespeckleFltr: the median of the (2r + 1) x (2r + 1)
// window, that is the first level at which the running count from level 0
// exceeds trunc(n^2 / 2) (for n = 3 the fifth smallest of nine). With a
// threshold below 255 a sample becomes the median only when the median
// differs from it by more than the threshold.
//
// Radius 1 uses a sorting network over the columns of the window (sort each
// column of three, then the median of the three column lows' maximum, the
// column middles' median and the column highs' minimum), which gives the
// same fifth smallest value without any table; larger windows keep a
// running 256-bin histogram along each tile row with a moving median
// level, so each step costs two window columns.
class MedianKernel final : public TileKernel {
public:
    // The radius is clamped to 0 ... 16 (0 keeps every sample).
    explicit MedianKernel(const DespeckleFltr& filter);
    ~MedianKernel() override;

    bool valid() const { return m_valid; }
    int radius() const override { return m_radius; }
    void computeTile(const std::uint8_t* source, std::ptrdiff_t sourceStride, int width, int height,
                     std::uint8_t* output, std::ptrdiff_t outputStride) override;
    std::unique_ptr<TileKernel> clone() const override;

private:
    void networkTile(const std::uint8_t* source, std::ptrdiff_t sourceStride, int width, int height,
                     std::uint8_t* output, std::ptrdiff_t outputStride);
    void histogramTile(const std::uint8_t* source, std::ptrdiff_t sourceStride, int width,
                       int height, std::uint8_t* output, std::ptrdiff_t outputStride);
    // Applies the threshold rule to one output row in place.
    void applyThreshold(const std::uint8_t* centre, std::uint8_t* out, int width) const;

    int m_radius = 1;
    std::int32_t m_threshold = 255;
    bool m_valid = false;
    // Sorted column triples for the network (lows, middles, highs).
    std::unique_ptr<std::uint8_t[]> m_columns;
};

}  // namespace tessary
