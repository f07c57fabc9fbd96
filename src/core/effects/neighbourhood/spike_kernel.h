#pragma once

#include <cstdint>
#include <memory>

#include "effects/framework/tile_kernel.h"

namespace tessary {

// The noise-removal kernel (radius 1): over the eight neighbours of a
// sample take their minimum, maximum and sum; when the sample is above
// maximum + t or below minimum - t it becomes trunc(sum / 8), otherwise it
// stays. t = 0 replaces every sample that is strictly above or strictly
// below all eight neighbours.
class SpikeKernel final : public TileKernel {
public:
    explicit SpikeKernel(std::int32_t threshold) : m_threshold(threshold) {}

    // The threshold for a noise amount x < 0: k = min(-x, 16), t = (16 - k) x 5.
    static std::int32_t thresholdForAmount(std::int32_t amount);

    std::int32_t threshold() const { return m_threshold; }
    int radius() const override { return 1; }
    void computeTile(const std::uint8_t* source, std::ptrdiff_t sourceStride, int width, int height,
                     std::uint8_t* output, std::ptrdiff_t outputStride) override;
    std::unique_ptr<TileKernel> clone() const override;

private:
    std::int32_t m_threshold;
};

}  // namespace tessary
