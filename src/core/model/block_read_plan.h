#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "vm/vm_tile.h"

namespace tessary {

// Tile locks counted per tile, for readers on other threads: the store's
// lock is one flag per tile, so two reads that share a tile must not let it
// go when the first of them ends. Owner thread only.
class SharedTileLocks {
public:
    explicit SharedTileLocks(VMTile& store) : m_store(store) {}
    // Lets every lock still held go.
    ~SharedTileLocks();
    SharedTileLocks(const SharedTileLocks&) = delete;
    SharedTileLocks& operator=(const SharedTileLocks&) = delete;

    // The tile's samples, locked until as many unlock() calls; null when the
    // tile could not be paged in (nothing is then held).
    const std::uint8_t* lock(VMTile::TileNumber tile);
    void unlock(VMTile::TileNumber tile);

private:
    struct Held {
        int count = 0;
        const std::uint8_t* samples = nullptr;
    };
    VMTile& m_store;
    std::unordered_map<VMTile::TileNumber, Held> m_held;
};

// Fills the block `dest` (`width` x `height`, `stride` bytes from row to row)
// around its part `inside` (relative to the block, not empty, already
// filled): columns left and right of it repeat its edge samples, rows above
// and below its first and last rows.
void repeatBlockEdges(std::uint8_t* dest, std::ptrdiff_t stride, std::int32_t width,
                      std::int32_t height, std::int32_t insideLeft, std::int32_t insideTop,
                      std::int32_t insideRight, std::int32_t insideBottom);

// A block read prepared on the owner thread (ImageData::planBlockReadWithin)
// and copied on any thread: what each tile under the block gives, with the
// tiles locked through a SharedTileLocks until release().
class BlockReadPlan {
public:
    // Copies the block into `dest` (`stride` bytes from row to row), with
    // the samples readBlockWithin() would give. Touches locked tile memory
    // and `dest` only.
    void copy(std::uint8_t* dest, std::ptrdiff_t stride) const;
    // Lets the plan's tiles go (owner thread) and empties the plan.
    void release(SharedTileLocks& locks);
    bool empty() const { return m_parts.empty(); }

private:
    friend class ImageData;
    // A rectangle of the block that one tile gives: from `samples` (its first
    // sample, rows 128 bytes apart), or every sample `fill` when null.
    struct Part {
        const std::uint8_t* samples = nullptr;
        std::uint8_t fill = 0;
        std::int32_t x = 0, y = 0, width = 0, height = 0;  // within the block
    };
    std::vector<Part> m_parts;
    std::vector<VMTile::TileNumber> m_tiles;
    // The block's size, and the part of it the parts cover; the rest repeats
    // that part's edges.
    std::int32_t m_width = 0, m_height = 0;
    std::int32_t m_insideLeft = 0, m_insideTop = 0, m_insideRight = 0, m_insideBottom = 0;
};

}  // namespace tessary
