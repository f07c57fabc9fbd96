#include "posterize/posterize_table.h"

#include <algorithm>

namespace tessary::modules {

PosterizeTable::PosterizeTable(int levels) : m_levels(std::clamp(levels, kMinLevels, kMaxLevels)) {
    const int steps = m_levels - 1;
    for (int v = 0; v < 256; ++v) {
        const int bin = v * m_levels / 256;
        m_table[v] = static_cast<std::uint8_t>((2 * bin * 255 + steps) / (2 * steps));
    }
}

void PosterizeTable::apply(std::uint8_t* data, std::ptrdiff_t rowBytes, std::int32_t rows,
                           std::size_t samples) const {
    for (std::int32_t r = 0; r < rows; ++r) {
        std::uint8_t* row = data + r * rowBytes;
        for (std::size_t i = 0; i < samples; ++i) row[i] = m_table[row[i]];
    }
}

}  // namespace tessary::modules
