#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tessary {

// The 256 x 256 product table behind every opacity and mask blend.
//
// T[a][b] = floor(a * b / 255) for a < 128 and b - T[255 - a][b] for a >= 128,
// so T[a][b] + T[255 - a][b] == b for every a and b. A blend of two samples
// A and B with weight m, T[m][A] + T[255 - m][B], therefore gives A exactly at
// m = 255, B exactly at m = 0, and never exceeds 255. The table is built by
// the constructor (65,536 bytes); lookups are inline because effects call them
// in their inner loops. One table is built at start-up and shared read-only.
class BlendTable {
public:
    static constexpr std::size_t kBytes = 256 * 256;

    BlendTable() { build(); }

    // Fills the table from the formula. Idempotent.
    void build();

    // T[a][b].
    std::uint8_t product(std::uint8_t a, std::uint8_t b) const { return m_table[index(a, b)]; }
    // The 256 entries T[a][0..255].
    const std::uint8_t* row(std::uint8_t a) const { return m_table.data() + index(a, 0); }
    // The whole table, indexed a * 256 + b.
    const std::uint8_t* data() const { return m_table.data(); }

    // T[m][a] + T[255 - m][b]: `a` weighted by m, `b` by 255 - m.
    std::uint8_t blend(std::uint8_t m, std::uint8_t a, std::uint8_t b) const {
        return static_cast<std::uint8_t>(m_table[index(m, a)] + m_table[index(255 - m, b)]);
    }
    // T[255 - m][a] + T[m][b]: the roles of m and 255 - m swapped, so `a` is
    // weighted by 255 - m and `b` by m.
    std::uint8_t blendSwapped(std::uint8_t m, std::uint8_t a, std::uint8_t b) const {
        return static_cast<std::uint8_t>(m_table[index(255 - m, a)] + m_table[index(m, b)]);
    }

private:
    static constexpr std::size_t index(unsigned a, unsigned b) { return a * 256u + b; }

    std::array<std::uint8_t, kBytes> m_table{};
};

}  // namespace tessary
