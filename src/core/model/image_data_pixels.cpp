#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "model/image_data.h"
#include "platform/assert.h"

// Pixel access of an image state: clamped and filled row reads, the
// all-or-nothing copy-on-write row and column writes, single pixels and the
// bounds of samples above a threshold.

namespace tessary {

namespace {

constexpr std::int64_t kTile = 128;
constexpr int kTileShift = 7;
constexpr std::int64_t kTileLowBits = kTile - 1;

std::int32_t clampToInt32(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// Copies `length` samples between a run (contiguous) and a tile, where
// consecutive samples of the tile are `stride` bytes apart (1 along a row,
// 128 down a column).
void copyIntoTile(std::uint8_t* tile, const std::uint8_t* run, std::uint32_t length,
                  std::uint32_t stride) {
    if (stride == 1) {
        // Whole tile rows are the common case: a fixed-size copy is inlined.
        if (length == 128)
            std::memcpy(tile, run, 128);
        else
            std::memcpy(tile, run, length);
        return;
    }
    for (std::uint32_t i = 0; i < length; ++i) tile[std::size_t{i} * stride] = run[i];
}
void copyFromTile(std::uint8_t* run, const std::uint8_t* tile, std::uint32_t length,
                  std::uint32_t stride) {
    if (stride == 1) {
        std::memcpy(run, tile, length);
        return;
    }
    for (std::uint32_t i = 0; i < length; ++i) run[i] = tile[std::size_t{i} * stride];
}

}  // namespace

// The part of a run that falls into one tile.
struct ImageData::Segment {
    std::size_t entryIndex = 0;     // within the plane's block
    std::uint32_t tileOffset = 0;   // byte offset of the segment's first sample in the tile
    std::uint32_t length = 0;       // samples
    std::int64_t sourceOffset = 0;  // index of the segment's first sample in the run
};

// A run of samples inside a plane, rightward along a row or downward along a
// column, cut into per-tile segments. Offsets are relative to the plane's
// origin and non-negative.
class ImageData::RunSegments {
public:
    RunSegments(const PlaneRecord& plane, std::int64_t dx, std::int64_t dy, std::int64_t count,
                bool down)
        : m_across(plane.tilesAcross), m_down(down), m_count(count) {
        m_start = down ? dy : dx;
        m_fixed = down ? dx : dy;
        m_firstTile = m_start >> kTileShift;
        m_lastTile = (m_start + count - 1) >> kTileShift;
    }

    std::int64_t segments() const { return m_lastTile - m_firstTile + 1; }
    std::int64_t samples() const { return m_count; }
    std::uint32_t stride() const { return m_down ? static_cast<std::uint32_t>(kTile) : 1u; }

    Segment at(std::int64_t k) const {
        const std::int64_t t = m_firstTile + k;
        const std::int64_t start = std::max(m_start, t * kTile);
        const std::int64_t end = std::min(m_start + m_count, (t + 1) * kTile);
        const std::int64_t fixedTile = m_fixed >> kTileShift;
        const std::int64_t fixedIn = m_fixed & kTileLowBits;
        Segment s;
        if (m_down) {
            s.entryIndex = static_cast<std::size_t>(t * m_across + fixedTile);
            s.tileOffset = static_cast<std::uint32_t>((start & kTileLowBits) * kTile + fixedIn);
        } else {
            s.entryIndex = static_cast<std::size_t>(fixedTile * m_across + t);
            s.tileOffset = static_cast<std::uint32_t>(fixedIn * kTile + (start & kTileLowBits));
        }
        s.length = static_cast<std::uint32_t>(end - start);
        s.sourceOffset = start - m_start;
        return s;
    }

private:
    std::int64_t m_across;
    bool m_down;
    std::int64_t m_count;
    std::int64_t m_start = 0;  // offset of the first sample along the run
    std::int64_t m_fixed = 0;  // offset across the run
    std::int64_t m_firstTile = 0;
    std::int64_t m_lastTile = 0;
};

bool ImageData::readInside(int plane, std::int64_t x0, std::int64_t x1, std::int64_t y,
                           std::uint8_t* dest) const {
    const PlaneRecord& r = m_planes[plane];
    const std::int64_t dy = y - r.originY;
    const TileEntry* rowEntries = entries(plane) + (dy >> kTileShift) * r.tilesAcross;
    const std::size_t rowInTile = static_cast<std::size_t>(dy & kTileLowBits) * kTile;
    VMTile::ResidentTiles tiles(m_store);
    bool ok = true;
    // Samples [inTile, inTile + n) of this row of the tile in `column`.
    auto segment = [&](std::int64_t column, std::size_t inTile, std::size_t n) {
        const TileEntry e = rowEntries[column];
        if (isConstant(e)) {
            std::memset(dest, static_cast<int>(e & 0xFF), n);
        } else if (const std::uint8_t* samples = tiles.samples(tileOf(e))) {
            std::memcpy(dest, samples + rowInTile + inTile, n);
        } else {
            const VMTile::TileNumber tile = tileOf(e);
            if (const std::uint8_t* paged = m_store.lock(tile)) {
                std::memcpy(dest, paged + rowInTile + inTile, n);
                m_store.unlock(tile);
            } else {
                std::memset(dest, 0, n);
                ok = false;
            }
            tiles.resync();
        }
        dest += n;
    };
    // A segment that starts inside a tile, whole tile rows (fixed-size
    // copies the compiler inlines), a segment that ends inside a tile.
    std::int64_t dx = x0 - r.originX;
    const std::int64_t end = x1 - r.originX;
    if ((dx & kTileLowBits) != 0) {
        const std::int64_t stop = std::min(end, (dx | kTileLowBits) + 1);
        segment(dx >> kTileShift, static_cast<std::size_t>(dx & kTileLowBits),
                static_cast<std::size_t>(stop - dx));
        dx = stop;
    }
    for (; dx + kTile <= end; dx += kTile) segment(dx >> kTileShift, 0, kTile);
    if (dx < end) segment(dx >> kTileShift, 0, static_cast<std::size_t>(end - dx));
    return ok;
}

bool ImageData::readClamped(int plane, std::int32_t x, std::int32_t y, std::int32_t count,
                            std::uint8_t* dest, std::int64_t xMin, std::int64_t xMax,
                            std::int64_t yMin, std::int64_t yMax) const {
    const std::int64_t row = std::clamp<std::int64_t>(y, yMin, yMax);
    const std::int64_t lo = std::max<std::int64_t>(x, xMin);
    const std::int64_t hi = std::min<std::int64_t>(std::int64_t{x} + count, xMax + 1);
    if (lo >= hi) {
        // The run lies wholly left or right of the clamping span.
        const std::int64_t edge = hi <= xMin ? xMin : xMax;
        std::uint8_t sample = 0;
        const bool ok = readInside(plane, edge, edge + 1, row, &sample);
        std::memset(dest, sample, static_cast<std::size_t>(count));
        return ok;
    }
    const std::size_t before = static_cast<std::size_t>(lo - x);
    const std::size_t inside = static_cast<std::size_t>(hi - lo);
    const bool ok = readInside(plane, lo, hi, row, dest + before);
    // Most reads lie inside: no calls for empty edges.
    const std::size_t after = static_cast<std::size_t>(count) - before - inside;
    if (before != 0) std::memset(dest, dest[before], before);
    if (after != 0) std::memset(dest + before + inside, dest[before + inside - 1], after);
    return ok;
}

bool ImageData::readRow(int plane, std::int32_t x, std::int32_t y, std::int32_t count,
                        std::uint8_t* dest) const {
    TS_ASSERT(plane >= 0 && plane < m_planeCount);
    if (count <= 0) return true;
    const PlaneRecord& r = m_planes[plane];
    if (r.tilesAcross == 0 || r.tilesDown == 0) {
        std::memset(dest, 0, static_cast<std::size_t>(count));
        return true;
    }
    return readClamped(plane, x, y, count, dest, r.originX, r.right() - 1, r.originY,
                       r.bottom() - 1);
}

bool ImageData::readRowWithin(int plane, std::int32_t x, std::int32_t y, std::int32_t count,
                              std::uint8_t* dest, const Rect& clamp) const {
    TS_ASSERT(plane >= 0 && plane < m_planeCount);
    if (count <= 0) return true;
    const PlaneRecord& r = m_planes[plane];
    if (r.tilesAcross == 0 || r.tilesDown == 0) {
        std::memset(dest, 0, static_cast<std::size_t>(count));
        return true;
    }
    if (clamp.empty()) return readRow(plane, x, y, count, dest);
    // Clamping into `clamp` and then into the plane is clamping into their
    // intersection; when they do not meet, every coordinate ends on the
    // plane's edge nearest to `clamp`.
    auto limits = [](std::int64_t lo, std::int64_t hi, std::int64_t planeLo, std::int64_t planeHi) {
        const std::int64_t a = std::max(lo, planeLo);
        const std::int64_t b = std::min(hi, planeHi);
        if (a <= b) return std::pair{a, b};
        const std::int64_t edge = std::clamp(lo, planeLo, planeHi);
        return std::pair{edge, edge};
    };
    const auto [xMin, xMax] =
        limits(clamp.left, std::int64_t{clamp.right} - 1, r.originX, r.right() - 1);
    const auto [yMin, yMax] =
        limits(clamp.top, std::int64_t{clamp.bottom} - 1, r.originY, r.bottom() - 1);
    return readClamped(plane, x, y, count, dest, xMin, xMax, yMin, yMax);
}

bool ImageData::blockInside(int plane, const Rect& rect, const Rect& clamp, Rect& inside) const {
    const PlaneRecord& r = m_planes[plane];
    auto meet = [](const Rect& a, const Rect& b) {
        return Rect{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                    std::min(a.bottom, b.bottom)};
    };
    Rect area{static_cast<std::int32_t>(r.originX), static_cast<std::int32_t>(r.originY),
              static_cast<std::int32_t>(r.right()), static_cast<std::int32_t>(r.bottom())};
    if (!clamp.empty()) area = meet(area, clamp);
    inside = meet(area, rect);
    return r.tilesAcross != 0 && r.tilesDown != 0 && !area.empty() && !inside.empty();
}

bool ImageData::readBlockWithin(int plane, const Rect& rect, std::uint8_t* dest,
                                std::ptrdiff_t stride, const Rect& clamp) const {
    TS_ASSERT(plane >= 0 && plane < m_planeCount);
    if (rect.empty()) return true;
    // The part of `rect` inside the clamping area is read tile by tile; the
    // rest repeats its edges, as readRowWithin() does row by row. A `rect`
    // wholly outside that area goes row by row.
    Rect inside;
    if (!blockInside(plane, rect, clamp, inside)) {
        bool ok = true;
        for (std::int32_t y = rect.top; y < rect.bottom; ++y) {
            ok = readRowWithin(plane, rect.left, y, rect.width(),
                               dest + static_cast<std::ptrdiff_t>(y - rect.top) * stride, clamp) &&
                 ok;
        }
        return ok;
    }
    std::uint8_t* first = dest + static_cast<std::ptrdiff_t>(inside.top - rect.top) * stride;
    const bool ok = readBlock(plane, inside, first + (inside.left - rect.left), stride);
    repeatBlockEdges(dest, stride, rect.width(), rect.height(), inside.left - rect.left,
                     inside.top - rect.top, inside.right - rect.left, inside.bottom - rect.top);
    return ok;
}

bool ImageData::planBlockReadWithin(int plane, const Rect& rect, const Rect& clamp,
                                    SharedTileLocks& locks, BlockReadPlan& plan) const {
    TS_ASSERT(plane >= 0 && plane < m_planeCount);
    TS_ASSERT(plan.empty());
    const PlaneRecord& r = m_planes[plane];
    Rect inside;
    if (rect.empty() || !blockInside(plane, rect, clamp, inside)) return false;
    plan.m_width = rect.width();
    plan.m_height = rect.height();
    plan.m_insideLeft = inside.left - rect.left;
    plan.m_insideTop = inside.top - rect.top;
    plan.m_insideRight = inside.right - rect.left;
    plan.m_insideBottom = inside.bottom - rect.top;
    const std::int64_t x0 = std::int64_t{inside.left} - r.originX;
    const std::int64_t x1 = std::int64_t{inside.right} - r.originX;
    const std::int64_t y0 = std::int64_t{inside.top} - r.originY;
    const std::int64_t y1 = std::int64_t{inside.bottom} - r.originY;
    forEachTilePart(plane, x0, x1, y0, y1,
                    [&](TileEntry e, std::int64_t left, std::int64_t right, std::int64_t top,
                        std::int64_t bottom) {
                        BlockReadPlan::Part part;
                        part.x = static_cast<std::int32_t>(left - x0) + plan.m_insideLeft;
                        part.y = static_cast<std::int32_t>(top - y0) + plan.m_insideTop;
                        part.width = static_cast<std::int32_t>(right - left);
                        part.height = static_cast<std::int32_t>(bottom - top);
                        if (isConstant(e)) {
                            part.fill = static_cast<std::uint8_t>(e & 0xFF);
                        } else if (const std::uint8_t* samples = locks.lock(tileOf(e))) {
                            plan.m_tiles.push_back(tileOf(e));
                            part.samples =
                                samples + (top & kTileLowBits) * kTile + (left & kTileLowBits);
                        }
                        plan.m_parts.push_back(part);
                    });
    return true;
}

bool ImageData::readRowOrFill(int plane, std::int32_t x, std::int32_t y, std::int32_t count,
                              std::uint8_t* dest, std::uint8_t fill) const {
    TS_ASSERT(plane >= 0 && plane < m_planeCount);
    if (count <= 0) return true;
    const PlaneRecord& r = m_planes[plane];
    const std::int64_t lo = std::max<std::int64_t>(x, r.originX);
    const std::int64_t hi = std::min<std::int64_t>(std::int64_t{x} + count, r.right());
    if (y < r.originY || y >= r.bottom() || lo >= hi) {
        std::memset(dest, fill, static_cast<std::size_t>(count));
        return true;
    }
    const std::size_t before = static_cast<std::size_t>(lo - x);
    const std::size_t inside = static_cast<std::size_t>(hi - lo);
    std::memset(dest, fill, before);
    std::memset(dest + before + inside, fill, static_cast<std::size_t>(count) - before - inside);
    return readInside(plane, lo, hi, y, dest + before);
}

bool ImageData::readPixel(std::int32_t x, std::int32_t y, std::uint32_t* dest) const {
    for (int p = 0; p < m_planeCount; ++p) {
        const PlaneRecord& r = m_planes[p];
        if (x < r.originX || x >= r.right() || y < r.originY || y >= r.bottom()) {
            std::fill_n(dest, m_planeCount, 0u);
            return true;
        }
    }
    bool ok = true;
    for (int p = 0; p < m_planeCount; ++p) {
        std::uint8_t sample = 0;
        ok = readInside(p, x, std::int64_t{x} + 1, y, &sample) && ok;
        dest[p] = sample;
    }
    return ok;
}

bool ImageData::boundsAbove(int plane, std::uint8_t threshold, Rect& out) const {
    TS_ASSERT(plane >= 0 && plane < m_planeCount);
    const PlaneRecord& r = m_planes[plane];
    const TileEntry* e = entries(plane);
    bool found = false;
    std::int64_t left = 0, top = 0, right = 0, bottom = 0;
    auto include = [&](std::int64_t l, std::int64_t t, std::int64_t rr, std::int64_t b) {
        if (!found) {
            left = l, top = t, right = rr, bottom = b;
            found = true;
            return;
        }
        left = std::min(left, l), top = std::min(top, t);
        right = std::max(right, rr), bottom = std::max(bottom, b);
    };
    for (std::int64_t row = 0; row < r.tilesDown; ++row) {
        const std::int64_t py = r.originY + kTile * row;
        for (std::int64_t column = 0; column < r.tilesAcross; ++column) {
            const std::int64_t px = r.originX + kTile * column;
            const TileEntry entry = e[row * r.tilesAcross + column];
            if (isConstant(entry)) {
                if ((entry & 0xFF) >= threshold) include(px, py, px + kTile, py + kTile);
                continue;
            }
            // A tile lying inside what was found already cannot widen it.
            if (found && px >= left && py >= top && px + kTile <= right && py + kTile <= bottom)
                continue;
            const VMTile::TileNumber tile = tileOf(entry);
            const std::uint8_t* samples = m_store.lock(tile);
            if (!samples) {
                include(px, py, px + kTile, py + kTile);
                continue;
            }
            for (std::int64_t y = 0; y < kTile; ++y) {
                const std::uint8_t* s = samples + y * kTile;
                std::int64_t first = 0;
                while (first < kTile && s[first] <= threshold) ++first;
                if (first == kTile) continue;
                std::int64_t last = kTile - 1;
                while (s[last] <= threshold) --last;
                include(px + first, py + y, px + last + 1, py + y + 1);
            }
            m_store.unlock(tile);
        }
    }
    if (!found) {
        out = Rect{0, 0, m_width, m_height};
        return false;
    }
    out = Rect{clampToInt32(left), clampToInt32(top), clampToInt32(right), clampToInt32(bottom)};
    return true;
}

bool ImageData::writable(TileEntry e) const {
    // The private bit says the entry holds the only reference. The reference
    // count confirms it: the source of a duplicate or of a shared plane keeps
    // its private bits while its tiles are shared, and must not be written in
    // place then.
    return isPrivate(e) && m_store.referenceCount(tileOf(e)) <= 1;
}

bool ImageData::needsStorage(TileEntry e, const std::uint8_t* source, std::uint32_t length) const {
    if (isConstant(e)) {
        const std::uint8_t value = static_cast<std::uint8_t>(e & 0xFF);
        for (std::uint32_t i = 0; i < length; ++i) {
            if (source[i] != value) return true;
        }
        return false;
    }
    return !writable(e);
}

bool ImageData::writeRow(int plane, std::int32_t x, std::int32_t y, std::int32_t count,
                         const std::uint8_t* source) {
    TS_ASSERT(plane >= 0 && plane < m_planeCount);
    if (count <= 0) return true;
    const PlaneRecord& r = m_planes[plane];
    if (y < r.originY || y >= r.bottom()) return true;
    const std::int64_t x0 = std::max<std::int64_t>(x, r.originX);
    const std::int64_t x1 = std::min<std::int64_t>(std::int64_t{x} + count, r.right());
    if (x0 >= x1) return true;
    source += x0 - x;

    // Fast path: when every tile the run crosses is private, unshared and
    // resident, nothing can fail, so the row is copied in place without the
    // planning that the all-or-nothing rule needs otherwise. The tiles are
    // looked up once, before any byte is written.
    const std::int64_t dy = std::int64_t{y} - r.originY;
    const TileEntry* rowEntries = entries(plane) + (dy >> kTileShift) * r.tilesAcross;
    const std::int64_t begin = x0 - r.originX;
    const std::int64_t end = x1 - r.originX;
    const std::int64_t firstColumn = begin >> kTileShift;
    const auto columns = static_cast<std::size_t>(((end - 1) >> kTileShift) - firstColumn + 1);
    // Kept from call to call, so that a warm write allocates nothing.
    static thread_local std::vector<std::uint8_t*> blocks;
    bool inPlace = true;
    try {
        if (blocks.size() < columns) blocks.resize(columns);
    } catch (const std::bad_alloc&) {
        inPlace = false;
    }
    VMTile::ResidentTiles tiles(m_store);
    std::uint8_t** block = blocks.data();
    for (std::size_t k = 0; inPlace && k < columns; ++k) {
        const TileEntry e = rowEntries[firstColumn + static_cast<std::int64_t>(k)];
        block[k] = isPrivate(e) ? tiles.unsharedToWrite(tileOf(e)) : nullptr;
        inPlace = block[k] != nullptr;
    }
    if (inPlace) {
        const std::size_t rowInTile = static_cast<std::size_t>(dy & kTileLowBits) * kTile;
        std::int64_t dx = begin;
        if ((dx & kTileLowBits) != 0) {
            const std::int64_t stop = std::min(end, (dx | kTileLowBits) + 1);
            std::memcpy(*block++ + rowInTile + static_cast<std::size_t>(dx & kTileLowBits), source,
                        static_cast<std::size_t>(stop - dx));
            source += stop - dx;
            dx = stop;
        }
        for (; dx + kTile <= end; dx += kTile, source += kTile)
            std::memcpy(*block++ + rowInTile, source, kTile);
        if (dx < end) std::memcpy(*block + rowInTile, source, static_cast<std::size_t>(end - dx));
        return true;
    }
    const RunSegments run(r, begin, dy, x1 - x0, false);
    return writeRun(plane, run, source);
}

bool ImageData::writeColumn(int plane, std::int32_t x, std::int32_t y, std::int32_t count,
                            const std::uint8_t* source) {
    TS_ASSERT(plane >= 0 && plane < m_planeCount);
    if (count <= 0) return true;
    const PlaneRecord& r = m_planes[plane];
    if (x < r.originX || x >= r.right()) return true;
    const std::int64_t y0 = std::max<std::int64_t>(y, r.originY);
    const std::int64_t y1 = std::min<std::int64_t>(std::int64_t{y} + count, r.bottom());
    if (y0 >= y1) return true;
    const RunSegments run(r, std::int64_t{x} - r.originX, y0 - r.originY, y1 - y0, true);
    return writeRun(plane, run, source + (y0 - y));
}

bool ImageData::writeRun(int plane, const RunSegments& run, const std::uint8_t* source) {
    enum class Action : std::uint8_t { kLeave, kFresh, kInPlace };
    struct Planned {
        Segment segment;
        Action action = Action::kLeave;
        VMTile::TileNumber fresh = 0;  // the new tile of a kFresh segment, once allocated
    };
    // Kept from call to call, so that a warm write allocates nothing.
    static thread_local std::vector<Planned> plan;
    // Old bytes of the tiles written in place, to put back after a failure.
    static thread_local std::vector<std::uint8_t> saved;

    TileEntry* table = entries(plane);
    const std::uint32_t stride = run.stride();
    const auto segments = static_cast<std::size_t>(run.segments());
    try {
        plan.resize(segments);
    } catch (const std::bad_alloc&) {
        return fail(Failure::kMemory);
    }

    // Pass 1: what each tile needs, and how many new tiles that makes.
    std::uint64_t needed = 0;
    for (std::size_t k = 0; k < segments; ++k) {
        Planned& p = plan[k];
        p.segment = run.at(static_cast<std::int64_t>(k));
        p.fresh = 0;
        const TileEntry e = table[p.segment.entryIndex];
        if (needsStorage(e, source + p.segment.sourceOffset, p.segment.length)) {
            p.action = Action::kFresh;
            ++needed;
        } else {
            p.action = isConstant(e) ? Action::kLeave : Action::kInPlace;
        }
    }
    if (needed > m_store.freeTiles()) return fail(Failure::kTilesShort);

    auto dropFresh = [&] {
        for (std::size_t k = 0; k < segments; ++k) {
            if (plan[k].fresh != 0) m_store.release(plan[k].fresh);
        }
    };

    // Pass 2: new tiles (a filled tile for a constant entry, a copy for a
    // shared one), written while they are not yet in the table.
    for (std::size_t k = 0; k < segments; ++k) {
        Planned& p = plan[k];
        if (p.action != Action::kFresh) continue;
        const TileEntry e = table[p.segment.entryIndex];
        p.fresh = isConstant(e) ? m_store.allocateFilled(static_cast<std::uint8_t>(e & 0xFF))
                                : m_store.allocateCopy(tileOf(e));
        if (p.fresh == 0) {
            dropFresh();
            return failNewTile();
        }
        TS_ASSERT(p.fresh <= kTileMask);
        std::uint8_t* samples = m_store.lock(p.fresh);
        if (!samples) {
            dropFresh();
            return fail(Failure::kStore);
        }
        copyIntoTile(samples + p.segment.tileOffset, source + p.segment.sourceOffset,
                     p.segment.length, stride);
        m_store.unlock(p.fresh);
    }

    // Pass 3: private tiles in place. While every one of them is resident,
    // locking them pages nothing and cannot fail. Once one is paged out, its
    // page-in can fail, and can evict any other of them, a later one
    // included, whose page-in can fail in turn: then, with more than one
    // in-place tile, the old bytes are kept so that a failure puts back what
    // was written before it. (Only if putting back needs a page-in that
    // fails as well does the run stay part written.)
    std::size_t inPlaceTiles = 0;
    bool pagedOut = false;
    for (std::size_t k = 0; k < segments; ++k) {
        if (plan[k].action != Action::kInPlace) continue;
        ++inPlaceTiles;
        pagedOut = pagedOut || !m_store.isResident(tileOf(table[plan[k].segment.entryIndex]));
    }
    const bool keepOldBytes = pagedOut && inPlaceTiles > 1;
    try {
        if (keepOldBytes && saved.size() < static_cast<std::size_t>(run.samples()))
            saved.resize(static_cast<std::size_t>(run.samples()));
    } catch (const std::bad_alloc&) {
        dropFresh();
        return fail(Failure::kMemory);
    }
    bool writtenInPlace = false;
    for (std::size_t k = 0; k < segments; ++k) {
        const Planned& p = plan[k];
        if (p.action != Action::kInPlace) continue;
        const Segment& s = p.segment;
        const VMTile::TileNumber tile = tileOf(table[s.entryIndex]);
        std::uint8_t* samples = m_store.lock(tile);
        if (!samples) {
            TS_ASSERT(keepOldBytes || !writtenInPlace);
            for (std::size_t j = 0; j < k && keepOldBytes; ++j) {
                if (plan[j].action != Action::kInPlace) continue;
                const Segment& w = plan[j].segment;
                const VMTile::TileNumber written = tileOf(table[w.entryIndex]);
                if (std::uint8_t* back = m_store.lock(written)) {
                    copyIntoTile(back + w.tileOffset, saved.data() + w.sourceOffset, w.length,
                                 stride);
                    m_store.unlock(written);
                }
            }
            dropFresh();
            return fail(Failure::kStore);
        }
        if (keepOldBytes)
            copyFromTile(saved.data() + s.sourceOffset, samples + s.tileOffset, s.length, stride);
        copyIntoTile(samples + s.tileOffset, source + s.sourceOffset, s.length, stride);
        m_store.unlock(tile);
        writtenInPlace = true;
    }

    // Commit: the new tiles enter the table as private entries; the shared
    // tiles they replace lose this state's reference.
    for (std::size_t k = 0; k < segments; ++k) {
        const Planned& p = plan[k];
        if (p.action != Action::kFresh) continue;
        const TileEntry old = table[p.segment.entryIndex];
        table[p.segment.entryIndex] = p.fresh | kPrivateBit;
        if (!isConstant(old)) m_store.release(tileOf(old));
    }
    return true;
}

}  // namespace tessary
