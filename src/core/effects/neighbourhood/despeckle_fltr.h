#pragma once

#include <cstdint>

#include "effects/framework/filter.h"

namespace tessary {

// A (2r + 1) x (2r + 1) median run by the tiled median worker. With a
// threshold of 255 every pixel becomes the median of its window; with a
// smaller threshold a pixel becomes the median only when the median differs
// from it by more than the threshold.
class DespeckleFltr : public Filter {
public:
    static constexpr int kMaxRadius = 16;
    static constexpr std::int32_t kPlainMedian = 255;

    DespeckleFltr() : Filter(kFilterKindDespeckle) {}

    std::int32_t radius = 1;
    std::int32_t threshold = kPlainMedian;
};

}  // namespace tessary
