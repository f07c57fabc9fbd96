#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tessary::modules {

// The tone map of Posterize: 0 to 255 split into `levels` bins of equal
// width, bin k mapped to k × 255 / (levels − 1) rounded, so the darkest bin
// becomes 0 and the brightest 255.
class PosterizeTable {
public:
    static constexpr int kMinLevels = 2;
    static constexpr int kMaxLevels = 255;
    static constexpr int kDefaultLevels = 4;

    // `levels` outside [kMinLevels, kMaxLevels] is clamped into it.
    explicit PosterizeTable(int levels);

    int levels() const { return m_levels; }
    std::uint8_t operator[](std::uint8_t value) const { return m_table[value]; }

    // Maps `rows` rows of `samples` bytes each, `rowBytes` apart, in place.
    void apply(std::uint8_t* data, std::ptrdiff_t rowBytes, std::int32_t rows,
               std::size_t samples) const;

private:
    int m_levels;
    std::array<std::uint8_t, 256> m_table{};
};

}  // namespace tessary::modules
