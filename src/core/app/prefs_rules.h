#pragma once

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>

// The reading and writing rules the preference objects apply to record words.
namespace tessary::prefs_rule {

// Clamp lo..hi: below lo gives lo, above hi gives hi.
constexpr std::int32_t clamp(std::int32_t value, std::int32_t lo, std::int32_t hi) {
    return value < lo ? lo : (value > hi ? hi : value);
}

// A value of the kept set stays, any other gives the fallback.
constexpr std::int32_t keptOr(std::int32_t value, std::initializer_list<std::int32_t> kept,
                              std::int32_t fallback) {
    for (std::int32_t k : kept) {
        if (k == value) return value;
    }
    return fallback;
}

// A value in lo..hi stays, any other gives the fallback.
constexpr std::int32_t inRangeOr(std::int32_t value, std::int32_t lo, std::int32_t hi,
                                 std::int32_t fallback) {
    return value >= lo && value <= hi ? value : fallback;
}

constexpr std::int32_t flagWord(bool flag) {
    return flag ? 1 : 0;
}

// A size or resolution held as a double and stored truncated, at least 1.
// Values beyond the 32-bit range (and NaN, which only a caller's bug yields)
// are stored as the nearest representable bound rather than overflowing.
inline std::int32_t truncatedAtLeastOne(double value) {
    if (!(value >= 1.0)) return 1;
    if (value >= static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(std::trunc(value));
}

}  // namespace tessary::prefs_rule
