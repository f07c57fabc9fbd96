#include "effects/neighbourhood/noise_generator.h"

#include <algorithm>
#include <utility>

namespace tessary {

NoiseGenerator& processNoiseGenerator() {
    static NoiseGenerator generator;
    return generator;
}

void buildNoiseTable(std::int32_t amount, NoiseGenerator& generator, NoiseTable& table) {
    // 5x - 1 in 64 bits; beyond 499 the table is full before k gets there.
    const std::int64_t largest = std::max<std::int64_t>(5 * std::int64_t{amount} - 1, 0);
    std::size_t filled = 0;
    while (filled < table.size()) {
        for (std::int64_t k = 0; k <= largest && filled < table.size(); ++k) {
            table[filled++] = static_cast<std::int16_t>(k);
            if (filled < table.size()) table[filled++] = static_cast<std::int16_t>(-k);
        }
    }
    for (std::size_t i = 0; i < table.size(); ++i) {
        const auto partner = static_cast<std::size_t>(generator.draw() / 40);
        std::swap(table[i], table[partner]);
    }
}

}  // namespace tessary
