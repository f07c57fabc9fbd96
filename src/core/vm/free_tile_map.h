#pragma once

#include <cstdint>
#include <vector>

namespace tessary {

// Which tile numbers 1 ... N are free, answering "the lowest free number" in
// close to constant time.
//
// One bit per tile (set = free) in 64-bit words, and one summary bit per word
// (set = the word has a free tile), so a search skips 4,096 used tiles per
// summary bit. A hint remembers the first summary word that may be non-zero;
// freeing a tile lowers it. Memory: about N / 8 bytes.
class FreeTileMap {
public:
    // Marks tiles 1 ... tileCount free. May throw std::bad_alloc, leaving the
    // map empty.
    void reset(std::uint32_t tileCount);
    // Forgets every tile.
    void clear();

    std::uint32_t tileCount() const { return m_tileCount; }
    // Preconditions for the three below: 1 <= tile <= tileCount().
    bool isFree(std::uint32_t tile) const;
    void markUsed(std::uint32_t tile);
    void markFree(std::uint32_t tile);

    // The lowest free tile number, 0 when none is free.
    std::uint32_t lowestFree() const;

private:
    std::uint32_t m_tileCount = 0;
    std::vector<std::uint64_t> m_words;    // bit (t % 64) of word t / 64 is tile t
    std::vector<std::uint64_t> m_summary;  // bit (w % 64) of word w / 64 is word w
    // No summary word below this index has a bit set.
    mutable std::size_t m_firstSummary = 0;
};

}  // namespace tessary
