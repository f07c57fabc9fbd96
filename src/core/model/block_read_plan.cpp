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

void repeatBlockEdges(std::uint8_t* dest, std::ptrdiff_t stride, std::int32_t width,
                      std::int32_t height, std::int32_t insideLeft, std::int32_t insideTop,
                      std::int32_t insideRight, std::int32_t insideBottom) {
    const auto before = static_cast<std::size_t>(insideLeft);
    const auto after = static_cast<std::size_t>(width - insideRight);
    const auto bytes = static_cast<std::size_t>(width);
    for (std::int32_t y = insideTop; y < insideBottom; ++y) {
        std::uint8_t* row = dest + y * stride;
        if (before != 0) std::memset(row, row[before], before);
        if (after != 0) std::memset(row + bytes - after, row[bytes - after - 1], after);
    }
    const std::uint8_t* first = dest + insideTop * stride;
    for (std::int32_t y = 0; y < insideTop; ++y) std::memcpy(dest + y * stride, first, bytes);
    const std::uint8_t* last = dest + (insideBottom - 1) * stride;
    for (std::int32_t y = insideBottom; y < height; ++y)
        std::memcpy(dest + y * stride, last, bytes);
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
    repeatBlockEdges(dest, stride, m_width, m_height, m_insideLeft, m_insideTop, m_insideRight,
                     m_insideBottom);
}

void BlockReadPlan::release(SharedTileLocks& locks) {
    for (const VMTile::TileNumber tile : m_tiles) locks.unlock(tile);
    m_tiles.clear();
    m_parts.clear();
}

}  // namespace tessary
