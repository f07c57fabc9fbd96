#include "render/wide_arithmetic.h"

#include <cmath>
#include <limits>

#include "platform/assert.h"

namespace tessary {
namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

std::uint64_t magnitude(std::int64_t v) {
    // Well defined for kMin too: the negation is done in unsigned arithmetic.
    return v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
}

std::int64_t signedResult(std::uint64_t quotient, bool negative) {
    if (negative) {
        if (quotient > magnitude(kMin)) return kMin;
        return quotient == magnitude(kMin) ? kMin : -static_cast<std::int64_t>(quotient);
    }
    return quotient > static_cast<std::uint64_t>(kMax) ? kMax : static_cast<std::int64_t>(quotient);
}

}  // namespace

std::int64_t mulDivTruncPortable(std::int64_t a, std::int64_t b, std::int64_t c) {
    TS_ASSERT(c != 0);
    // A zero product gives 0 whatever the sign, so the sign rule may ignore it.
    const bool negative = ((a < 0) != (b < 0)) != (c < 0);
    const std::uint64_t x = magnitude(a);
    const std::uint64_t y = magnitude(b);
    const std::uint64_t d = magnitude(c);

    // 64 x 64 -> 128-bit product from 32-bit halves.
    const std::uint64_t xl = x & 0xFFFFFFFFu, xh = x >> 32;
    const std::uint64_t yl = y & 0xFFFFFFFFu, yh = y >> 32;
    const std::uint64_t ll = xl * yl, lh = xl * yh, hl = xh * yl, hh = xh * yh;
    const std::uint64_t middle = (ll >> 32) + (lh & 0xFFFFFFFFu) + (hl & 0xFFFFFFFFu);
    std::uint64_t high = hh + (lh >> 32) + (hl >> 32) + (middle >> 32);
    std::uint64_t low = (middle << 32) | (ll & 0xFFFFFFFFu);

    // A quotient of 64 bits or more needs high >= d: saturate.
    if (high >= d) return signedResult(std::numeric_limits<std::uint64_t>::max(), negative);

    // Shift-subtract division of high:low by d; the remainder stays below d,
    // so it fits 64 bits and the bit shifted out of it is tracked separately.
    std::uint64_t quotient = 0;
    std::uint64_t remainder = high;
    for (int bit = 0; bit < 64; ++bit) {
        const bool carry = (remainder >> 63) != 0;
        remainder = (remainder << 1) | (low >> 63);
        low <<= 1;
        quotient <<= 1;
        if (carry || remainder >= d) {
            remainder -= d;
            quotient |= 1;
        }
    }
    return signedResult(quotient, negative);
}

std::int64_t mulDivTrunc(std::int64_t a, std::int64_t b, std::int64_t c) {
#if defined(__SIZEOF_INT128__)
    TS_ASSERT(c != 0);
    const __int128 q = static_cast<__int128>(a) * b / c;
    if (q > kMax) return kMax;
    if (q < kMin) return kMin;
    return static_cast<std::int64_t>(q);
#else
    return mulDivTruncPortable(a, b, c);
#endif
}

std::int64_t truncToWide(double value) {
    constexpr double kLimit = 4611686018427387904.0;  // 2^62
    if (std::isnan(value)) return 0;
    if (value >= kLimit) return std::int64_t{1} << 62;
    if (value <= -kLimit) return -(std::int64_t{1} << 62);
    return static_cast<std::int64_t>(value);
}

}  // namespace tessary
