#include "model/blend_table.h"

namespace tessary {

void BlendTable::build() {
    // The lower half from the product; the upper half as the complement of the
    // mirrored row, which makes each pair of rows a and 255 - a sum to b.
    for (unsigned a = 0; a < 128; ++a) {
        for (unsigned b = 0; b < 256; ++b)
            m_table[index(a, b)] = static_cast<std::uint8_t>(a * b / 255);
    }
    for (unsigned a = 128; a < 256; ++a) {
        for (unsigned b = 0; b < 256; ++b) {
            m_table[index(a, b)] = static_cast<std::uint8_t>(b - m_table[index(255 - a, b)]);
        }
    }
}

}  // namespace tessary
