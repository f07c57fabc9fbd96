#pragma once

#include <cstdint>

namespace tessary {

// trunc(a * b / c), rounding toward zero, with the product held exactly in
// 128 bits: the view's linear maps multiply a 33-bit coordinate difference by
// an extent that reaches 2^36 at 32:1, which overflows 64 bits. `c` must not
// be 0. A quotient beyond the 64-bit range saturates at its limit.
std::int64_t mulDivTrunc(std::int64_t a, std::int64_t b, std::int64_t c);

// The same computed without a native 128-bit type (schoolbook multiply and
// shift-subtract division). mulDivTrunc uses it on compilers that have no
// 128-bit integer; it is public so that it can be checked everywhere.
std::int64_t mulDivTruncPortable(std::int64_t a, std::int64_t b, std::int64_t c);

// floor(a / b) for b > 0 (C++ division truncates toward zero).
constexpr std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

// ceil(a / b) for b > 0.
constexpr std::int64_t ceilDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && a > 0) ? q + 1 : q;
}

// Converts a double to a 64-bit integer, truncating toward zero, with values
// beyond +-2^62 (and NaN, as 0) held at a representable limit instead of the
// undefined behaviour of a plain conversion.
std::int64_t truncToWide(double value);

}  // namespace tessary
