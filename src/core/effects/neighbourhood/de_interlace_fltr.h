#pragma once

#include <cstdint>

#include "effects/framework/filter.h"

namespace tessary {

// Rebuilds every other row of the target from the rows that are kept.
// Rows are numbered from 0 at the top of the target rectangle.
class DeInterlaceFltr : public Filter {
public:
    // Which rows are replaced.
    static constexpr std::uint8_t kReplaceEvenRows = 0;  // "Odd Fields": rows 0, 2, 4, ...
    static constexpr std::uint8_t kReplaceOddRows = 1;   // "Even Fields": rows 1, 3, 5, ...
    // How a replaced row is rebuilt.
    static constexpr std::uint8_t kDuplication = 0;
    static constexpr std::uint8_t kInterpolation = 1;

    DeInterlaceFltr() : Filter(kFilterKindDeInterlace) {}

    std::uint8_t field = kReplaceEvenRows;
    std::uint8_t method = kDuplication;
};

}  // namespace tessary
