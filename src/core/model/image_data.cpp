#include "model/image_data.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include "platform/assert.h"

// The tables of an image state: creating, duplicating and destroying it, and
// the plane operations that rebuild the tile table. Pixel access lives in
// image_data_pixels.cpp.

namespace tessary {

namespace {

constexpr std::int64_t kTile = 128;

// Division rounding toward minus and plus infinity, for b > 0. Plane origins
// may be negative, so plain truncating division would be wrong for them.
std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}
std::int64_t ceilDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && a > 0) ? q + 1 : q;
}

bool fitsInt32(std::int64_t v) {
    return v >= std::numeric_limits<std::int32_t>::min() &&
           v <= std::numeric_limits<std::int32_t>::max();
}

}  // namespace

// A table under construction: plane records (block offsets assigned by
// prepare()) and the entries.
struct ImageData::Layout {
    std::array<PlaneRecord, kMaxPlanes> planes{};
    int count = 0;
    std::vector<TileEntry> table;

    TileEntry* block(int plane) {
        return table.data() + planes[plane].blockOffset / sizeof(TileEntry);
    }
};

ImageData::ImageData(VMTile& store) : m_store(store) {}

ImageData::~ImageData() {
    destroy();
}

ImageData::Failure ImageData::prepare(Layout& next) {
    std::uint64_t entries = 0;
    for (int p = 0; p < next.count; ++p) {
        PlaneRecord& r = next.planes[p];
        if (r.tilesAcross < 0 || r.tilesDown < 0) return Failure::kLimits;
        // Block offsets are 32-bit byte offsets: a table that would need more
        // cannot be had, however much is freed.
        if (entries * sizeof(TileEntry) > std::numeric_limits<std::uint32_t>::max())
            return Failure::kLimits;
        r.blockOffset = static_cast<std::uint32_t>(entries * sizeof(TileEntry));
        entries += std::uint64_t(r.tilesAcross) * std::uint64_t(r.tilesDown);
    }
    if (entries * sizeof(TileEntry) > std::numeric_limits<std::uint32_t>::max())
        return Failure::kLimits;
    for (int p = next.count; p < kMaxPlanes; ++p) next.planes[p] = PlaneRecord{};
    try {
        next.table.assign(static_cast<std::size_t>(entries), 0);
    } catch (const std::bad_alloc&) {
        return Failure::kMemory;
    } catch (const std::length_error&) {
        return Failure::kLimits;
    }
    return Failure::kNone;
}

void ImageData::install(Layout& next) {
    m_planes = next.planes;
    m_planeCount = next.count;
    m_table.swap(next.table);
    m_allocated = true;
}

void ImageData::copyBlock(Layout& next, int to, int from) const {
    const PlaneRecord& r = m_planes[from];
    const std::size_t n = std::size_t(r.tilesAcross) * std::size_t(r.tilesDown);
    if (n) std::memcpy(next.block(to), entries(from), n * sizeof(TileEntry));
}

void ImageData::releaseBlock(int plane) {
    const PlaneRecord& r = m_planes[plane];
    const TileEntry* e = entries(plane);
    const std::size_t n = std::size_t(r.tilesAcross) * std::size_t(r.tilesDown);
    for (std::size_t i = 0; i < n; ++i) {
        if (!isConstant(e[i])) m_store.release(tileOf(e[i]));
    }
}

void ImageData::releaseAll() {
    for (TileEntry e : m_table) {
        if (!isConstant(e)) m_store.release(tileOf(e));
    }
}

namespace {

// Fills the block `dst` of grid `to` from the block `src` of grid `from`:
// entry (c, r) of the new grid is old entry (c + columnBase, r + rowBase)
// when that lies inside the old grid, else the constant `fill`.
void remapBlock(ImageData::TileEntry* dst, const ImageData::PlaneRecord& to,
                const ImageData::TileEntry* src, const ImageData::PlaneRecord& from,
                std::int64_t columnBase, std::int64_t rowBase, std::uint8_t fill) {
    const ImageData::TileEntry constant = ImageData::constantEntry(fill);
    for (std::int64_t r = 0; r < to.tilesDown; ++r) {
        const std::int64_t oldRow = r + rowBase;
        ImageData::TileEntry* out = dst + r * to.tilesAcross;
        for (std::int64_t c = 0; c < to.tilesAcross; ++c) {
            const std::int64_t oldColumn = c + columnBase;
            const bool inside = oldRow >= 0 && oldRow < from.tilesDown && oldColumn >= 0 &&
                                oldColumn < from.tilesAcross;
            out[c] = inside ? src[oldRow * from.tilesAcross + oldColumn] : constant;
        }
    }
}

}  // namespace

bool ImageData::create(int planeCount, std::int32_t width, std::int32_t height,
                       const std::uint8_t* fills) {
    if (planeCount < 1 || planeCount > kMaxPlanes || width < 0 || height < 0)
        return fail(Failure::kLimits);
    TS_ASSERT(fills != nullptr);
    Layout next;
    next.count = planeCount;
    for (int p = 0; p < planeCount; ++p) {
        next.planes[p].tilesAcross = static_cast<std::int32_t>(ceilDiv(width, kTile));
        next.planes[p].tilesDown = static_cast<std::int32_t>(ceilDiv(height, kTile));
    }
    if (const Failure f = prepare(next); f != Failure::kNone) return fail(f);
    for (int p = 0; p < planeCount; ++p) {
        const PlaneRecord& r = next.planes[p];
        std::fill_n(next.block(p), std::size_t(r.tilesAcross) * std::size_t(r.tilesDown),
                    constantEntry(fills[p]));
    }
    releaseAll();
    install(next);
    m_width = width;
    m_height = height;
    m_stateRecord.reset();
    return true;
}

bool ImageData::duplicate(const ImageData& source) {
    if (&source == this) return true;
    TS_ASSERT(&source.m_store == &m_store);
    std::vector<TileEntry> table;
    std::unique_ptr<std::uint8_t[]> record;
    try {
        table = source.m_table;
    } catch (const std::bad_alloc&) {
        return fail(Failure::kMemory);
    }
    if (source.m_stateRecord) {
        record.reset(new (std::nothrow) std::uint8_t[kStateRecordBytes]);
        if (!record) return fail(Failure::kMemory);
        std::memcpy(record.get(), source.m_stateRecord.get(), kStateRecordBytes);
    }
    // Nothing can fail from here on.
    for (TileEntry& e : table) {
        if (isConstant(e)) continue;
        e &= ~kPrivateBit;
        m_store.addReference(tileOf(e));
    }
    releaseAll();
    m_table.swap(table);
    m_planes = source.m_planes;
    m_planeCount = source.m_planeCount;
    m_width = source.m_width;
    m_height = source.m_height;
    m_allocated = source.m_allocated;
    m_stateRecord = std::move(record);
    return true;
}

void ImageData::destroy() {
    releaseAll();
    std::vector<TileEntry>().swap(m_table);
    m_planes = {};
    m_planeCount = 0;
    m_width = 0;
    m_height = 0;
    m_allocated = false;
    m_stateRecord.reset();
}

bool ImageData::insertPlane(int index, std::uint8_t fill) {
    TS_ASSERT(index >= 0 && index <= m_planeCount);
    if (m_planeCount >= kMaxPlanes) return fail(Failure::kLimits);
    Layout next;
    next.count = m_planeCount + 1;
    for (int q = 0; q < next.count; ++q) {
        if (q == index) {
            next.planes[q] = PlaneRecord{};
            next.planes[q].tilesAcross = static_cast<std::int32_t>(ceilDiv(m_width, kTile));
            next.planes[q].tilesDown = static_cast<std::int32_t>(ceilDiv(m_height, kTile));
        } else {
            next.planes[q] = m_planes[q < index ? q : q - 1];
        }
    }
    if (const Failure f = prepare(next); f != Failure::kNone) return fail(f);
    for (int q = 0; q < next.count; ++q) {
        if (q == index) {
            const PlaneRecord& r = next.planes[q];
            std::fill_n(next.block(q), std::size_t(r.tilesAcross) * std::size_t(r.tilesDown),
                        constantEntry(fill));
        } else {
            copyBlock(next, q, q < index ? q : q - 1);
        }
    }
    install(next);
    return true;
}

bool ImageData::removePlane(int index) {
    TS_ASSERT(index >= 0 && index < m_planeCount);
    Layout next;
    next.count = m_planeCount - 1;
    for (int q = 0; q < next.count; ++q) next.planes[q] = m_planes[q < index ? q : q + 1];
    if (const Failure f = prepare(next); f != Failure::kNone) return fail(f);
    for (int q = 0; q < next.count; ++q) copyBlock(next, q, q < index ? q : q + 1);
    releaseBlock(index);
    install(next);
    return true;
}

bool ImageData::sharePlane(int index, const ImageData& source, int sourcePlane) {
    TS_ASSERT(index >= 0 && index < m_planeCount);
    TS_ASSERT(sourcePlane >= 0 && sourcePlane < source.m_planeCount);
    TS_ASSERT(&source.m_store == &m_store);
    if (&source == this && index == sourcePlane) return true;
    Layout next;
    next.count = m_planeCount;
    next.planes = m_planes;
    next.planes[index] = source.m_planes[sourcePlane];
    if (const Failure f = prepare(next); f != Failure::kNone) return fail(f);
    for (int q = 0; q < next.count; ++q) {
        if (q != index) copyBlock(next, q, q);
    }
    // The shared entries: references first, then the old tiles go, so that a
    // tile held by both the old and the new block never reaches zero.
    const PlaneRecord& r = next.planes[index];
    const std::size_t n = std::size_t(r.tilesAcross) * std::size_t(r.tilesDown);
    const TileEntry* from = source.entries(sourcePlane);
    TileEntry* to = next.block(index);
    for (std::size_t i = 0; i < n; ++i) {
        TileEntry e = from[i];
        if (!isConstant(e)) {
            e &= ~kPrivateBit;
            m_store.addReference(tileOf(e));
        }
        to[i] = e;
    }
    releaseBlock(index);
    install(next);
    return true;
}

bool ImageData::extendPlane(int index, const Rect& area, std::uint8_t fill) {
    TS_ASSERT(index >= 0 && index < m_planeCount);
    if (area.empty()) return true;
    const PlaneRecord& old = m_planes[index];
    const std::int64_t left =
        area.left < old.originX ? ceilDiv(std::int64_t{old.originX} - area.left, kTile) : 0;
    const std::int64_t right =
        area.right > old.right() ? ceilDiv(area.right - old.right(), kTile) : 0;
    const std::int64_t top =
        area.top < old.originY ? ceilDiv(std::int64_t{old.originY} - area.top, kTile) : 0;
    const std::int64_t bottom =
        area.bottom > old.bottom() ? ceilDiv(area.bottom - old.bottom(), kTile) : 0;
    if (left == 0 && right == 0 && top == 0 && bottom == 0) return true;

    PlaneRecord grown = old;
    const std::int64_t originX = old.originX - kTile * left;
    const std::int64_t originY = old.originY - kTile * top;
    const std::int64_t across = old.tilesAcross + left + right;
    const std::int64_t down = old.tilesDown + top + bottom;
    if (!fitsInt32(originX) || !fitsInt32(originY) || !fitsInt32(across) || !fitsInt32(down))
        return fail(Failure::kLimits);
    grown.originX = static_cast<std::int32_t>(originX);
    grown.originY = static_cast<std::int32_t>(originY);
    grown.tilesAcross = static_cast<std::int32_t>(across);
    grown.tilesDown = static_cast<std::int32_t>(down);

    Layout next;
    next.count = m_planeCount;
    next.planes = m_planes;
    next.planes[index] = grown;
    if (const Failure f = prepare(next); f != Failure::kNone) return fail(f);
    for (int q = 0; q < next.count; ++q) {
        if (q == index) {
            remapBlock(next.block(q), next.planes[q], entries(q), old, -left, -top, fill);
        } else {
            copyBlock(next, q, q);
        }
    }
    install(next);
    return true;
}

bool ImageData::offsetPlane(int index, std::int32_t dx, std::int32_t dy, std::uint8_t fill) {
    TS_ASSERT(index >= 0 && index < m_planeCount);
    const PlaneRecord& old = m_planes[index];

    // One axis: the new origin, the tiles added before the old first one,
    // and the new tile count, so that [0, extent) stays covered.
    struct Axis {
        std::int64_t origin, added, tiles;
    };
    auto grow = [](std::int64_t origin, std::int64_t tiles, std::int64_t extent) {
        Axis a{origin, 0, tiles};
        if (a.origin > 0) {
            a.added = ceilDiv(a.origin, kTile);
            a.origin -= kTile * a.added;
            a.tiles += a.added;
        }
        if (extent > 0 && a.origin + kTile * a.tiles < extent)
            a.tiles = ceilDiv(extent - a.origin, kTile);
        return a;
    };
    const Axis x = grow(std::int64_t{old.originX} + dx, old.tilesAcross, m_width);
    const Axis y = grow(std::int64_t{old.originY} + dy, old.tilesDown, m_height);
    if (!fitsInt32(x.origin) || !fitsInt32(y.origin) || !fitsInt32(x.tiles) || !fitsInt32(y.tiles))
        return fail(Failure::kLimits);

    PlaneRecord moved = old;
    moved.originX = static_cast<std::int32_t>(x.origin);
    moved.originY = static_cast<std::int32_t>(y.origin);
    moved.tilesAcross = static_cast<std::int32_t>(x.tiles);
    moved.tilesDown = static_cast<std::int32_t>(y.tiles);
    if (moved.tilesAcross == old.tilesAcross && moved.tilesDown == old.tilesDown) {
        m_planes[index] = moved;  // no tile added: only the origin changes
        return true;
    }

    Layout next;
    next.count = m_planeCount;
    next.planes = m_planes;
    next.planes[index] = moved;
    if (const Failure f = prepare(next); f != Failure::kNone) return fail(f);
    for (int q = 0; q < next.count; ++q) {
        if (q == index) {
            remapBlock(next.block(q), next.planes[q], entries(q), old, -x.added, -y.added, fill);
        } else {
            copyBlock(next, q, q);
        }
    }
    install(next);
    return true;
}

bool ImageData::resize(std::int32_t width, std::int32_t height, const std::uint8_t* fills) {
    if (width < 0 || height < 0) return fail(Failure::kLimits);
    TS_ASSERT(m_planeCount == 0 || fills != nullptr);

    // For each plane the span of its own tile grid (in old tile indices, which
    // may run past the old grid on either side) that touches [0, extent).
    struct Span {
        std::int64_t first = 0, count = 0;
    };
    auto span = [](std::int64_t origin, std::int64_t extent) {
        Span s;
        if (extent <= 0) return s;
        s.first = floorDiv(-origin, kTile);
        s.count = ceilDiv(extent - origin, kTile) - s.first;
        return s;
    };
    std::array<Span, kMaxPlanes> columns{}, rows{};
    Layout next;
    next.count = m_planeCount;
    for (int p = 0; p < m_planeCount; ++p) {
        const PlaneRecord& old = m_planes[p];
        columns[p] = span(old.originX, width);
        rows[p] = span(old.originY, height);
        PlaneRecord& r = next.planes[p];
        // The new origin lies in (-128, 0], so it always fits.
        r.originX = width > 0 ? static_cast<std::int32_t>(old.originX + kTile * columns[p].first)
                              : old.originX;
        r.originY = height > 0 ? static_cast<std::int32_t>(old.originY + kTile * rows[p].first)
                               : old.originY;
        r.tilesAcross = static_cast<std::int32_t>(columns[p].count);
        r.tilesDown = static_cast<std::int32_t>(rows[p].count);
    }
    if (const Failure f = prepare(next); f != Failure::kNone) return fail(f);

    for (int p = 0; p < m_planeCount; ++p) {
        const PlaneRecord& old = m_planes[p];
        remapBlock(next.block(p), next.planes[p], entries(p), old, columns[p].first, rows[p].first,
                   fills[p]);
        // Release the old tiles that fall outside the kept span.
        const TileEntry* e = entries(p);
        for (std::int64_t r = 0; r < old.tilesDown; ++r) {
            const bool rowKept = r >= rows[p].first && r < rows[p].first + rows[p].count;
            for (std::int64_t c = 0; c < old.tilesAcross; ++c) {
                const bool kept =
                    rowKept && c >= columns[p].first && c < columns[p].first + columns[p].count;
                const TileEntry entry = e[r * old.tilesAcross + c];
                if (!kept && !isConstant(entry)) m_store.release(tileOf(entry));
            }
        }
    }
    install(next);
    m_width = width;
    m_height = height;
    return true;
}

ImageData::TileEntry ImageData::entry(int plane, int column, int row) const {
    TS_ASSERT(plane >= 0 && plane < m_planeCount);
    const PlaneRecord& r = m_planes[plane];
    TS_ASSERT(column >= 0 && column < r.tilesAcross && row >= 0 && row < r.tilesDown);
    return entries(plane)[std::size_t(row) * std::size_t(r.tilesAcross) + std::size_t(column)];
}

// State record

void ImageData::readStateRecord(void* dest, std::size_t bytes) const {
    const std::size_t n = std::min(bytes, kStateRecordBytes);
    if (m_stateRecord) {
        std::memcpy(dest, m_stateRecord.get(), n);
    } else {
        std::memset(dest, 0, n);
    }
}

bool ImageData::writeStateRecord(const void* source, std::size_t bytes) {
    if (!m_stateRecord) {
        m_stateRecord.reset(new (std::nothrow) std::uint8_t[kStateRecordBytes]());
        if (!m_stateRecord) return fail(Failure::kMemory);
    }
    std::memcpy(m_stateRecord.get(), source, std::min(bytes, kStateRecordBytes));
    return true;
}

}  // namespace tessary
