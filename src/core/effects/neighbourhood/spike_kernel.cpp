#include "effects/neighbourhood/spike_kernel.h"

#include <algorithm>
#include <new>

namespace tessary {

std::int32_t SpikeKernel::thresholdForAmount(std::int32_t amount) {
    const std::int64_t k = std::min<std::int64_t>(-std::int64_t{amount}, 16);
    return static_cast<std::int32_t>((16 - k) * 5);
}

void SpikeKernel::computeTile(const std::uint8_t* source, std::ptrdiff_t sourceStride, int width,
                              int height, std::uint8_t* output, std::ptrdiff_t outputStride) {
    const int t = m_threshold;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* __restrict a = source + y * sourceStride;
        const std::uint8_t* __restrict b = a + sourceStride;
        const std::uint8_t* __restrict c = b + sourceStride;
        std::uint8_t* __restrict out = output + y * outputStride;
        for (int x = 0; x < width; ++x) {
            const std::uint8_t n0 = a[x], n1 = a[x + 1], n2 = a[x + 2];
            const std::uint8_t n3 = b[x], n5 = b[x + 2];
            const std::uint8_t n6 = c[x], n7 = c[x + 1], n8 = c[x + 2];
            const int lo = std::min({n0, n1, n2, n3, n5, n6, n7, n8});
            const int hi = std::max({n0, n1, n2, n3, n5, n6, n7, n8});
            const int sum = n0 + n1 + n2 + n3 + n5 + n6 + n7 + n8;
            const int centre = b[x + 1];
            const bool spike = centre > hi + t || centre < lo - t;
            out[x] = static_cast<std::uint8_t>(spike ? sum / 8 : centre);
        }
    }
}

}  // namespace tessary

namespace tessary {

std::unique_ptr<TileKernel> SpikeKernel::clone() const {
    return std::unique_ptr<TileKernel>(new (std::nothrow) SpikeKernel(m_threshold));
}

}  // namespace tessary
