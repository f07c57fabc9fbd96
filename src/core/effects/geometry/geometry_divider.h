#pragma once

#include <cstdint>

namespace tessary {

// floor(n / d) for a divisor fixed in advance, by one multiplication and a
// shift, exact for every numerator 0 <= n < 256 x d. That covers a weighted
// sum of samples whose weights add up to d, which is what the resamplers and
// the feather divide.
//
// With l = ceil(log2 d) and k = 8 + 2l, the multiplier M = ceil(2^k / d)
// exceeds 2^k / d by less than 1, so n x M / 2^k exceeds n / d by less than
// n / 2^k < 256 d / 2^k <= 1 / d: never enough to reach the next integer.
// n x M stays below 2^(k + 9), which fits 64 bits while d <= 2^23; larger
// divisors fall back to a plain division.
class ExactDivider {
public:
    explicit ExactDivider(std::uint64_t divisor) : m_divisor(divisor == 0 ? 1 : divisor) {
        if (m_divisor > (std::uint64_t{1} << 23)) {
            m_plain = true;
            return;
        }
        unsigned l = 0;
        while ((std::uint64_t{1} << l) < m_divisor) ++l;
        m_shift = 8 + 2 * l;
        m_multiplier = ((std::uint64_t{1} << m_shift) - 1) / m_divisor + 1;
    }

    std::uint64_t divisor() const { return m_divisor; }

    // floor(n / divisor()); n must be below 256 x divisor().
    std::uint32_t divide(std::uint64_t n) const {
        if (m_plain) return static_cast<std::uint32_t>(n / m_divisor);
        return static_cast<std::uint32_t>((n * m_multiplier) >> m_shift);
    }

private:
    std::uint64_t m_divisor = 1;
    std::uint64_t m_multiplier = 1;
    unsigned m_shift = 0;
    bool m_plain = false;
};

}  // namespace tessary
