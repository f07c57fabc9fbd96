#include "model/block_read_plan.h"

#include <cstring>

#include "platform/assert.h"

namespace tessary {

SharedTileLocks::~SharedTileLocks() {
    for (const auto& [tile, held] : m_held) m_store.unlock(tile);
}

const std::uint8_t* SharedTileLocks::lock(VMTile::TileNumber tile) {
    Held& held = m_held[tile];
    if (held.count == 0) {
        held.samples = m_store.lock(tile);
        if (held.samples == nullptr) {
            m_held.erase(tile);
            return nullptr;
        }
    }
    ++held.count;
    return held.samples;
}

void SharedTileLocks::unlock(VMTile::TileNumber tile) {
    const auto found = m_held.find(tile);
    TS_ASSERT(found != m_held.end());
    if (--found->second.count > 0) return;
    m_store.unlock(tile);
    m_held.erase(found);
}

void BlockReadPlan::copy(std::uint8_t* dest, std::ptrdiff_t stride) const {
    constexpr std::ptrdiff_t kTile = VMTile::kTileSize;
    for (const Part& part : m_parts) {
        std::uint8_t* out = dest + part.y * stride + part.x;
        const auto width = static_cast<std::size_t>(part.width);
        for (std::int32_t row = 0; row < part.height; ++row, out += stride) {
            if (part.samples != nullptr)
                std::memcpy(out, part.samples + row * kTile, width);
            else
                std::memset(out, part.fill, width);
        }
    }
    // Columns left and right of the inside repeat its edge samples, rows
    // above and below its first and last rows.
    const auto before = static_cast<std::size_t>(m_insideLeft);
    const auto after = static_cast<std::size_t>(m_width - m_insideRight);
    const auto width = static_cast<std::size_t>(m_width);
    for (std::int32_t y = m_insideTop; y < m_insideBottom; ++y) {
        std::uint8_t* row = dest + y * stride;
        if (before != 0) std::memset(row, row[before], before);
        if (after != 0) std::memset(row + width - after, row[width - after - 1], after);
    }
    const std::uint8_t* first = dest + m_insideTop * stride;
    for (std::int32_t y = 0; y < m_insideTop; ++y) std::memcpy(dest + y * stride, first, width);
    const std::uint8_t* last = dest + (m_insideBottom - 1) * stride;
    for (std::int32_t y = m_insideBottom; y < m_height; ++y)
        std::memcpy(dest + y * stride, last, width);
}

void BlockReadPlan::release(SharedTileLocks& locks) {
    for (const VMTile::TileNumber tile : m_tiles) locks.unlock(tile);
    m_tiles.clear();
    m_parts.clear();
}

}  // namespace tessary
