#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "vm/vm_tile.h"

namespace tessary {

struct Rect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
    std::int32_t width() const { return right - left; }
    std::int32_t height() const { return bottom - top; }
    bool empty() const { return right <= left || bottom <= top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// One state of one image: up to 64 planes of one-byte samples, each plane a
// grid of 128 x 128 tiles. A tile entry either holds a constant value inline
// (no storage) or names a reference-counted tile of the store, shared
// copy-on-write with other states: duplicating a state copies the entry
// table only, and the first write into a shared tile copies that tile.
//
// Every operation that can run out of tiles or memory returns false and
// leaves the state exactly as it was.
class ImageData {
public:
    using TileEntry = std::uint32_t;
    static constexpr TileEntry kConstantBit = 0x20000000;
    static constexpr TileEntry kPrivateBit = 0x40000000;
    static constexpr TileEntry kTileMask = 0x1FFFFFFF;
    static constexpr int kMaxPlanes = 64;
    static constexpr std::size_t kStateRecordBytes = 1024;

    static constexpr TileEntry constantEntry(std::uint8_t value) { return kConstantBit | value; }
    static constexpr bool isConstant(TileEntry e) { return (e & kConstantBit) != 0; }
    static constexpr bool isPrivate(TileEntry e) { return (e & kPrivateBit) != 0; }
    static constexpr VMTile::TileNumber tileOf(TileEntry e) { return e & kTileMask; }

    struct PlaneRecord {
        std::int32_t originX = 0;
        std::int32_t originY = 0;
        std::int32_t tilesAcross = 0;
        std::int32_t tilesDown = 0;
        std::uint32_t blockOffset = 0;  // byte offset of the plane's entries in the tile table
        std::int64_t right() const { return originX + std::int64_t{128} * tilesAcross; }
        std::int64_t bottom() const { return originY + std::int64_t{128} * tilesDown; }
    };

    explicit ImageData(VMTile& store);
    ~ImageData();  // destroy()
    ImageData(const ImageData&) = delete;
    ImageData& operator=(const ImageData&) = delete;

    VMTile& store() const { return m_store; }

    // Builds the table: every entry of plane p is the constant fills[p].
    bool create(int planeCount, std::int32_t width, std::int32_t height, const std::uint8_t* fills);
    // Copies size, plane records, entries (tile entries lose the private bit
    // and gain a reference) and the state record of `source`.
    bool duplicate(const ImageData& source);
    // Releases every tile, frees the table and the state record.
    void destroy();

    bool insertPlane(int index, std::uint8_t fill);
    bool removePlane(int index);
    bool sharePlane(int index, const ImageData& source, int sourcePlane);
    bool extendPlane(int index, const Rect& area, std::uint8_t fill);
    bool offsetPlane(int index, std::int32_t dx, std::int32_t dy, std::uint8_t fill);
    bool resize(std::int32_t width, std::int32_t height, const std::uint8_t* fills);

    std::int32_t width() const { return m_width; }
    std::int32_t height() const { return m_height; }
    int planeCount() const { return m_planeCount; }
    bool allocated() const { return m_allocated; }
    const PlaneRecord& plane(int index) const { return m_planes[index]; }
    // Entry of tile (column, row) of a plane, for tests and tools that look
    // at sharing.
    TileEntry entry(int plane, int column, int row) const;

    // Row reads clamped to the plane's area: rows above or below read the
    // nearest row, samples left or right repeat the nearest column.
    void readRow(int plane, std::int32_t x, std::int32_t y, std::int32_t count, std::uint8_t* dest) const;
    // The same, clamped to `clamp` instead of the plane's area.
    void readRowWithin(int plane, std::int32_t x, std::int32_t y, std::int32_t count,
                       std::uint8_t* dest, const Rect& clamp) const;
    // Samples outside the plane's area read as `fill`.
    void readRowOrFill(int plane, std::int32_t x, std::int32_t y, std::int32_t count,
                       std::uint8_t* dest, std::uint8_t fill) const;
    // All or nothing: counts the tiles that need storage first and fails
    // without writing when the store has fewer free tiles. The part of the
    // run outside the plane is dropped.
    bool writeRow(int plane, std::int32_t x, std::int32_t y, std::int32_t count, const std::uint8_t* source);
    // Writes count samples downward, one source byte per row.
    bool writeColumn(int plane, std::int32_t x, std::int32_t y, std::int32_t count, const std::uint8_t* source);
    // One value per plane; all zero when any plane does not cover (x, y).
    // False only when a tile could not be read.
    bool readPixel(std::int32_t x, std::int32_t y, std::uint32_t* dest) const;
    // Smallest rectangle holding every sample above `threshold` (constant
    // tiles count when equal). False and (0, 0, width, height) when none.
    bool boundsAbove(int plane, std::uint8_t threshold, Rect& out) const;

    // Up to 1024 bytes; zeros when the block was never written.
    void readStateRecord(void* dest, std::size_t bytes) const;
    bool writeStateRecord(const void* source, std::size_t bytes);

    ImageData* newer() const { return m_newer; }
    ImageData* older() const { return m_older; }
    void setNewer(ImageData* state) { m_newer = state; }
    void setOlder(ImageData* state) { m_older = state; }

private:
    // Entries of plane p start at m_table[m_planes[p].blockOffset / 4].
    TileEntry* entries(int plane) { return m_table.data() + m_planes[plane].blockOffset / 4; }
    const TileEntry* entries(int plane) const { return m_table.data() + m_planes[plane].blockOffset / 4; }

    VMTile& m_store;
    std::int32_t m_height = 0;
    std::int32_t m_width = 0;
    int m_planeCount = 0;
    std::array<PlaneRecord, kMaxPlanes> m_planes{};
    std::vector<TileEntry> m_table;
    bool m_allocated = false;
    ImageData* m_newer = nullptr;
    ImageData* m_older = nullptr;
    std::unique_ptr<std::uint8_t[]> m_stateRecord;
};

}  // namespace tessary
