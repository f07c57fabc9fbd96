#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "model/image_data.h"
#include "platform/assert.h"

// Tile-wise maps of an image state: whole tiles are mapped from another
// state's tiles in one pass each, instead of row by row through a
// copy-on-write copy.

namespace tessary {

namespace {

constexpr std::int64_t kTile = 128;
constexpr int kTileShift = 7;
constexpr std::int64_t kTileLowBits = kTile - 1;

}  // namespace

Rect ImageData::wholeTilesWithin(int plane, const Rect& rect, const ImageData& source) const {
    TS_ASSERT(plane >= 0 && plane < m_planeCount);
    if (plane >= source.m_planeCount || rect.empty()) return Rect{};
    const PlaneRecord& r = m_planes[plane];
    const PlaneRecord& s = source.m_planes[plane];
    if (r.originX != s.originX || r.originY != s.originY) return Rect{};

    // The area both planes cover, within `rect`, shrunk to whole tiles.
    const std::int64_t left = std::max<std::int64_t>(rect.left, r.originX);
    const std::int64_t top = std::max<std::int64_t>(rect.top, r.originY);
    const std::int64_t right = std::min({std::int64_t{rect.right}, r.right(), s.right()});
    const std::int64_t bottom = std::min({std::int64_t{rect.bottom}, r.bottom(), s.bottom()});
    if (left >= right || top >= bottom) return Rect{};
    auto up = [](std::int64_t v, std::int64_t origin) {
        return origin + (((v - origin) + kTile - 1) >> kTileShift) * kTile;
    };
    auto down = [](std::int64_t v, std::int64_t origin) {
        return origin + ((v - origin) >> kTileShift) * kTile;
    };
    const std::int64_t l = up(left, r.originX), rr = down(right, r.originX);
    const std::int64_t t = up(top, r.originY), b = down(bottom, r.originY);
    if (l >= rr || t >= b) return Rect{};
    // Inside `rect`, so every bound fits 32 bits.
    return Rect{static_cast<std::int32_t>(l), static_cast<std::int32_t>(t),
                static_cast<std::int32_t>(rr), static_cast<std::int32_t>(b)};
}

void ImageData::releaseTiles(int plane, const Rect& area) {
    TS_ASSERT(plane >= 0 && plane < m_planeCount);
    if (area.empty()) return;
    const PlaneRecord& r = m_planes[plane];
    // Columns and rows of the tiles lying wholly inside `area`.
    auto firstInside = [](std::int64_t edge, std::int64_t origin) {
        return std::max<std::int64_t>(0, (edge - origin + kTile - 1) >> kTileShift);
    };
    auto endInside = [](std::int64_t edge, std::int64_t origin, std::int64_t count) {
        return std::min<std::int64_t>(count, (edge - origin) >> kTileShift);
    };
    const std::int64_t c0 = firstInside(area.left, r.originX);
    const std::int64_t c1 = endInside(area.right, r.originX, r.tilesAcross);
    const std::int64_t r0 = firstInside(area.top, r.originY);
    const std::int64_t r1 = endInside(area.bottom, r.originY, r.tilesDown);
    TileEntry* e = entries(plane);
    for (std::int64_t row = r0; row < r1; ++row) {
        for (std::int64_t column = c0; column < c1; ++column) {
            TileEntry& entry = e[row * r.tilesAcross + column];
            if (!isConstant(entry)) m_store.release(tileOf(entry));
            entry = constantEntry(0);
        }
    }
}

bool ImageData::mapTiles(int plane, const Rect& tiles, const ImageData& source,
                         const SampleMap& map) {
    TS_ASSERT(plane >= 0 && plane < m_planeCount && plane < source.m_planeCount);
    TS_ASSERT(&source.m_store == &m_store);
    if (tiles.empty()) return true;
    const PlaneRecord& r = m_planes[plane];
    const PlaneRecord& s = source.m_planes[plane];
    TS_ASSERT(r.originX == s.originX && r.originY == s.originY);
    const std::int64_t dx = std::int64_t{tiles.left} - r.originX;
    const std::int64_t dy = std::int64_t{tiles.top} - r.originY;
    const std::int64_t firstColumn = dx >> kTileShift, firstRow = dy >> kTileShift;
    const std::int64_t columns = tiles.width() >> kTileShift, rows = tiles.height() >> kTileShift;
    TS_ASSERT(dx >= 0 && dy >= 0 && (dx | dy | tiles.width() | tiles.height()) % kTile == 0);
    TS_ASSERT(firstColumn + columns <= std::min(r.tilesAcross, s.tilesAcross));
    TS_ASSERT(firstRow + rows <= std::min(r.tilesDown, s.tilesDown));

    const TileEntry* from = source.entries(plane);
    auto sourceEntry = [&](std::int64_t row, std::int64_t column) {
        return from[(firstRow + row) * s.tilesAcross + firstColumn + column];
    };

    // Pass 1: one new tile per store tile of the source.
    std::uint64_t needed = 0;
    for (std::int64_t row = 0; row < rows; ++row) {
        for (std::int64_t column = 0; column < columns; ++column)
            needed += isConstant(sourceEntry(row, column)) ? 0 : 1;
    }
    if (needed > m_store.freeTiles()) return fail(Failure::kTilesShort);

    // Pass 2: the new entries, row-major, made while they are not yet in
    // the table. Kept from call to call, so that a warm map allocates
    // nothing.
    static thread_local std::vector<TileEntry> made;
    try {
        made.resize(static_cast<std::size_t>(rows * columns));
    } catch (const std::bad_alloc&) {
        return fail(Failure::kMemory);
    }
    std::size_t count = 0;
    auto dropMade = [&] {
        for (std::size_t k = 0; k < count; ++k) {
            if (!isConstant(made[k])) m_store.release(tileOf(made[k]));
        }
    };
    for (std::int64_t row = 0; row < rows; ++row) {
        for (std::int64_t column = 0; column < columns; ++column) {
            const TileEntry e = sourceEntry(row, column);
            if (isConstant(e)) {
                const auto value = static_cast<std::uint8_t>(e & 0xFF);
                std::uint8_t mapped = 0;
                map(&value, &mapped, 1);
                made[count++] = constantEntry(mapped);
                continue;
            }
            const VMTile::TileNumber fresh = m_store.allocate();
            if (fresh == 0) {
                dropMade();
                return fail(Failure::kTilesShort);
            }
            TS_ASSERT(fresh <= kTileMask);
            made[count++] = fresh | kPrivateBit;
            // The source stays locked while the new tile is paged in, so
            // the one cannot evict the other.
            const std::uint8_t* in = m_store.lock(tileOf(e));
            std::uint8_t* out = in ? m_store.lock(fresh) : nullptr;
            if (!out) {
                if (in) m_store.unlock(tileOf(e));
                // The new tile is still counted in `made` and goes with it.
                dropMade();
                return fail(Failure::kStore);
            }
            map(in, out, VMTile::kTileBytes);
            m_store.unlock(fresh);
            m_store.unlock(tileOf(e));
        }
    }

    // Commit: the new entries replace the old ones, whose tiles lose this
    // state's reference.
    TileEntry* to = entries(plane);
    count = 0;
    for (std::int64_t row = 0; row < rows; ++row) {
        TileEntry* line = to + (firstRow + row) * r.tilesAcross + firstColumn;
        for (std::int64_t column = 0; column < columns; ++column) {
            const TileEntry old = line[column];
            line[column] = made[count++];
            if (!isConstant(old)) m_store.release(tileOf(old));
        }
    }
    return true;
}

bool ImageData::isWholeTile(int plane, const Rect& tile) const {
    TS_ASSERT(plane >= 0 && plane < m_planeCount);
    const PlaneRecord& r = m_planes[plane];
    const std::int64_t dx = std::int64_t{tile.left} - r.originX;
    const std::int64_t dy = std::int64_t{tile.top} - r.originY;
    return tile.width() == kTile && tile.height() == kTile && dx >= 0 && dy >= 0 &&
           dx % kTile == 0 && dy % kTile == 0 && tile.right <= r.right() &&
           tile.bottom <= r.bottom();
}

Rect ImageData::wholeTilesInside(int plane, const Rect& rect) const {
    TS_ASSERT(plane >= 0 && plane < m_planeCount);
    const PlaneRecord& r = m_planes[plane];
    // Tile-grid coordinates of the first and past-the-last whole tile.
    const std::int64_t left = std::max<std::int64_t>(rect.left, r.originX) - r.originX;
    const std::int64_t top = std::max<std::int64_t>(rect.top, r.originY) - r.originY;
    const std::int64_t right = std::min<std::int64_t>(rect.right, r.right()) - r.originX;
    const std::int64_t bottom = std::min<std::int64_t>(rect.bottom, r.bottom()) - r.originY;
    const std::int64_t x0 = (left + kTile - 1) / kTile, x1 = right / kTile;
    const std::int64_t y0 = (top + kTile - 1) / kTile, y1 = bottom / kTile;
    if (left < 0 || top < 0 || x0 >= x1 || y0 >= y1) return Rect{};
    return Rect{static_cast<std::int32_t>(r.originX + x0 * kTile),
                static_cast<std::int32_t>(r.originY + y0 * kTile),
                static_cast<std::int32_t>(r.originX + x1 * kTile),
                static_cast<std::int32_t>(r.originY + y1 * kTile)};
}

bool ImageData::writeTile(int plane, const Rect& tile, const std::uint8_t* source,
                          std::ptrdiff_t stride, int step) {
    TS_ASSERT(isWholeTile(plane, tile));
    TS_ASSERT(step >= 1);
    const PlaneRecord& r = m_planes[plane];
    const std::int64_t column = (std::int64_t{tile.left} - r.originX) >> kTileShift;
    const std::int64_t row = (std::int64_t{tile.top} - r.originY) >> kTileShift;
    TileEntry& entry = entries(plane)[row * r.tilesAcross + column];
    auto copyRows = [&](std::uint8_t* to) {
        if (step == 1) {
            for (std::int64_t y = 0; y < kTile; ++y)
                std::memcpy(to + y * kTile, source + y * stride, kTile);
            return;
        }
        for (std::int64_t y = 0; y < kTile; ++y) {
            const std::uint8_t* in = source + y * stride;
            std::uint8_t* out = to + y * kTile;
            for (std::int64_t x = 0; x < kTile; ++x) out[x] = in[x * step];
        }
    };

    if (isConstant(entry)) {
        const auto value = static_cast<std::uint8_t>(entry & 0xFF);
        bool same = true;
        for (std::int64_t y = 0; y < kTile && same; ++y) {
            const std::uint8_t* line = source + y * stride;
            for (std::int64_t x = 0; x < kTile && same; ++x) same = line[x * step] == value;
        }
        if (same) return true;
    } else if (writable(entry)) {
        // This state alone holds the tile: in place, paged in if need be.
        std::uint8_t* block = m_store.lock(tileOf(entry));
        if (!block) return fail(Failure::kStore);
        copyRows(block);
        m_store.unlock(tileOf(entry));
        return true;
    }

    // A fresh tile, whose undefined contents are overwritten whole.
    OpenTile open;
    std::uint8_t* block = openTile(plane, tile, open);
    if (!block) return false;
    copyRows(block);
    closeTile(open);
    return true;
}

std::uint8_t* ImageData::openTile(int plane, const Rect& tile, OpenTile& open) {
    TS_ASSERT(isWholeTile(plane, tile));
    const PlaneRecord& r = m_planes[plane];
    const std::int64_t column = (std::int64_t{tile.left} - r.originX) >> kTileShift;
    const std::int64_t row = (std::int64_t{tile.top} - r.originY) >> kTileShift;
    open = OpenTile{};
    const VMTile::TileNumber fresh = m_store.allocate();
    if (fresh == 0) {
        fail(Failure::kTilesShort);
        return nullptr;
    }
    TS_ASSERT(fresh <= kTileMask);
    std::uint8_t* block = m_store.lock(fresh);
    if (!block) {
        m_store.release(fresh);
        fail(Failure::kStore);
        return nullptr;
    }
    open.entryIndex =
        static_cast<std::size_t>(&entries(plane)[row * r.tilesAcross + column] - m_table.data());
    open.tile = fresh;
    open.samples = block;
    return block;
}

void ImageData::closeTile(const OpenTile& open) {
    TS_ASSERT(open.tile != 0);
    TileEntry& entry = m_table[open.entryIndex];
    m_store.unlock(open.tile);
    if (isConstant(entry)) {
        const auto value = static_cast<std::uint8_t>(entry & 0xFF);
        bool same = true;
        for (std::int64_t i = 0; i < kTile * kTile && same; ++i) same = open.samples[i] == value;
        if (same) {
            m_store.release(open.tile);
            return;
        }
    }
    const TileEntry old = entry;
    entry = open.tile | kPrivateBit;
    if (!isConstant(old)) m_store.release(tileOf(old));
}

void ImageData::discardTile(const OpenTile& open) {
    TS_ASSERT(open.tile != 0);
    m_store.unlock(open.tile);
    m_store.release(open.tile);
}

bool ImageData::readBlock(int plane, const Rect& rect, std::uint8_t* dest, std::ptrdiff_t stride,
                          int step) const {
    TS_ASSERT(plane >= 0 && plane < m_planeCount);
    TS_ASSERT(step >= 1);
    if (rect.empty()) return true;
    const PlaneRecord& r = m_planes[plane];
    TS_ASSERT(rect.left >= r.originX && rect.top >= r.originY && rect.right <= r.right() &&
              rect.bottom <= r.bottom());
    const std::int64_t x0 = std::int64_t{rect.left} - r.originX;
    const std::int64_t x1 = std::int64_t{rect.right} - r.originX;
    const std::int64_t y0 = std::int64_t{rect.top} - r.originY;
    const std::int64_t y1 = std::int64_t{rect.bottom} - r.originY;
    VMTile::ResidentTiles tiles(m_store);
    bool ok = true;
    // Rows [top, bottom) x columns [left, right) of one tile, from `samples`
    // (null: every sample `fill`).
    auto copyPart = [&](const std::uint8_t* samples, std::uint8_t fill, std::int64_t left,
                        std::int64_t right, std::int64_t top, std::int64_t bottom) {
        const auto width = static_cast<std::size_t>(right - left);
        if (samples && step == 1 && width == static_cast<std::size_t>(kTile)) {
            // Whole tile rows: a fixed-size copy the compiler inlines.
            for (std::int64_t y = top; y < bottom; ++y)
                std::memcpy(dest + (y - y0) * stride + (left - x0),
                            samples + (y & kTileLowBits) * kTile, kTile);
            return;
        }
        for (std::int64_t y = top; y < bottom; ++y) {
            std::uint8_t* out = dest + (y - y0) * stride + (left - x0) * step;
            const std::uint8_t* in =
                samples ? samples + (y & kTileLowBits) * kTile + (left & kTileLowBits) : nullptr;
            if (step == 1) {
                if (in)
                    std::memcpy(out, in, width);
                else
                    std::memset(out, fill, width);
            } else if (in) {
                for (std::size_t x = 0; x < width; ++x) out[x * step] = in[x];
            } else {
                for (std::size_t x = 0; x < width; ++x) out[x * step] = fill;
            }
        }
    };
    forEachTilePart(plane, x0, x1, y0, y1,
                    [&](TileEntry e, std::int64_t left, std::int64_t right, std::int64_t top,
                        std::int64_t bottom) {
                        if (isConstant(e)) {
                            copyPart(nullptr, static_cast<std::uint8_t>(e & 0xFF), left, right, top,
                                     bottom);
                            return;
                        }
                        const VMTile::TileNumber tile = tileOf(e);
                        if (const std::uint8_t* samples = tiles.samples(tile)) {
                            copyPart(samples, 0, left, right, top, bottom);
                            return;
                        }
                        const std::uint8_t* paged = m_store.lock(tile);
                        tiles.resync();
                        if (!paged) {
                            ok = false;
                            copyPart(nullptr, 0, left, right, top, bottom);
                            return;
                        }
                        copyPart(paged, 0, left, right, top, bottom);
                        m_store.unlock(tile);
                    });
    return ok;
}

}  // namespace tessary
