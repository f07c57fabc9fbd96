#pragma once

#include <array>
#include <cstdint>

#include "effects/framework/filter.h"

namespace tessary {

// A (2r + 1) x (2r + 1) weighted-sum filter run by the tiled convolution
// worker. For every output pixel the weighted sum of its window (weights row
// by row, packed: a kernel of side 2r + 1 uses the first (2r + 1)^2 entries)
// is combined with the centre sample by `mode`:
//   0  sum / divisor
//   1  sum / divisor + offset
//   2  |sum / divisor - centre|
//   3  2 x centre - sum / divisor
// with the division truncating toward zero and the result clamped to
// low ... high; any other mode stores the low byte of the sum. A divisor of
// 0 divides by 1.
class ConvolutionFltr : public Filter {
public:
    // Room for a 33 x 33 kernel (radius 16).
    static constexpr int kMaxRadius = 16;
    static constexpr int kMaxWeights = (2 * kMaxRadius + 1) * (2 * kMaxRadius + 1);

    ConvolutionFltr() : Filter(kFilterKindConvolution) { weights.fill(1); }

    std::int32_t radius = 1;
    std::int32_t divisor = 0;
    std::int32_t offset = 0;
    std::int32_t low = 0;
    std::int32_t high = 255;
    std::int32_t mode = 0;
    std::array<std::int32_t, kMaxWeights> weights{};
};

}  // namespace tessary
