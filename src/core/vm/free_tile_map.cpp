#include "vm/free_tile_map.h"

#include <bit>

#include "platform/assert.h"

namespace tessary {

void FreeTileMap::reset(std::uint32_t tileCount) {
    clear();
    const std::size_t wordCount = (static_cast<std::size_t>(tileCount) + 1 + 63) / 64;
    const std::size_t summaryCount = (wordCount + 63) / 64;
    std::vector<std::uint64_t> words(wordCount, ~std::uint64_t{0});
    std::vector<std::uint64_t> summary(summaryCount, ~std::uint64_t{0});

    // Tile 0 is never a tile; bits past tileCount are not tiles either.
    words[0] &= ~std::uint64_t{1};
    const std::size_t bitsInLast = (static_cast<std::size_t>(tileCount) + 1) % 64;
    if (bitsInLast != 0) words.back() &= (std::uint64_t{1} << bitsInLast) - 1;
    const std::size_t wordsInLast = wordCount % 64;
    if (wordsInLast != 0) summary.back() &= (std::uint64_t{1} << wordsInLast) - 1;
    for (std::size_t w = 0; w < wordCount; ++w)
        if (words[w] == 0) summary[w / 64] &= ~(std::uint64_t{1} << (w % 64));

    m_words = std::move(words);
    m_summary = std::move(summary);
    m_tileCount = tileCount;
    m_firstSummary = 0;
}

void FreeTileMap::clear() {
    m_words.clear();
    m_words.shrink_to_fit();
    m_summary.clear();
    m_summary.shrink_to_fit();
    m_tileCount = 0;
    m_firstSummary = 0;
}

bool FreeTileMap::isFree(std::uint32_t tile) const {
    TS_ASSERT(tile >= 1 && tile <= m_tileCount);
    return (m_words[tile / 64] >> (tile % 64)) & 1;
}

void FreeTileMap::markUsed(std::uint32_t tile) {
    TS_ASSERT(tile >= 1 && tile <= m_tileCount);
    const std::size_t w = tile / 64;
    m_words[w] &= ~(std::uint64_t{1} << (tile % 64));
    if (m_words[w] == 0) m_summary[w / 64] &= ~(std::uint64_t{1} << (w % 64));
}

void FreeTileMap::markFree(std::uint32_t tile) {
    TS_ASSERT(tile >= 1 && tile <= m_tileCount);
    const std::size_t w = tile / 64;
    m_words[w] |= std::uint64_t{1} << (tile % 64);
    m_summary[w / 64] |= std::uint64_t{1} << (w % 64);
    if (w / 64 < m_firstSummary) m_firstSummary = w / 64;
}

std::uint32_t FreeTileMap::lowestFree() const {
    while (m_firstSummary < m_summary.size() && m_summary[m_firstSummary] == 0) ++m_firstSummary;
    if (m_firstSummary == m_summary.size()) return 0;
    const std::size_t w =
        m_firstSummary * 64 + static_cast<std::size_t>(std::countr_zero(m_summary[m_firstSummary]));
    const std::size_t tile = w * 64 + static_cast<std::size_t>(std::countr_zero(m_words[w]));
    return static_cast<std::uint32_t>(tile);
}

}  // namespace tessary
