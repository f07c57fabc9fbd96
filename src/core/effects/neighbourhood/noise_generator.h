#pragma once

#include <array>
#include <cstdint>

namespace tessary {

// The random numbers of the noise adder: a linear congruential generator
// whose state starts at 1; each draw sets s = s x 214013 + 2531011 (modulo
// 2^32) and returns (s >> 16) & 0x7FFF. The application keeps one for the
// whole run of the program and never reseeds it, so the noise differs from
// one run of the filter to the next.
class NoiseGenerator {
public:
    static constexpr std::uint32_t kFirstState = 1;

    std::uint32_t state() const { return m_state; }
    void setState(std::uint32_t state) { m_state = state; }

    // 0 ... 32767.
    std::int32_t draw() {
        m_state = m_state * 214013u + 2531011u;
        return static_cast<std::int32_t>((m_state >> 16) & 0x7FFF);
    }

private:
    std::uint32_t m_state = kFirstState;
};

// The generator the application hands to the effect commands.
NoiseGenerator& processNoiseGenerator();

// The noise table of amount x > 0: for k = 0, 1, ..., 5x - 1, +k then -k,
// repeated until 1,000 entries are filled; then shuffled by swapping entry
// i (0 ... 999) with entry trunc(r / 40) of a fresh draw r.
using NoiseTable = std::array<std::int16_t, 1000>;
void buildNoiseTable(std::int32_t amount, NoiseGenerator& generator, NoiseTable& table);

}  // namespace tessary
