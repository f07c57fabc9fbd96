#pragma once

#include <cstdint>

namespace tessary {

// A point in image pixels or window pixels (the name of the variable says
// which), 32-bit signed.
struct ToolPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const ToolPoint&, const ToolPoint&) = default;
};

}  // namespace tessary
