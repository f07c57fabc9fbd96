#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "model/block_read_plan.h"
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
// Every operation that can fail returns false, leaves the state exactly as
// it was, and leaves the reason in lastFailure(): only a shortage of tiles or
// memory is worth freeing older states for and trying again.
//
// Coordinates are image pixels (origin top left). A plane covers
// (originX, originY)-(originX + 128 x tilesAcross, originY + 128 x tilesDown);
// origins may be negative and need not be multiples of 128. Reads outside a
// plane are clamped or filled as each read says; writes outside are dropped.
// The store must outlive every state that holds its tiles.
//
// Threads: an ImageData, like the store it draws on, is used by the thread
// that owns the pages only; so are PageData and Page. An effect that spreads
// its work over a WorkerPool reads samples into buffers on the owner,
// lets the workers compute from those buffers into result buffers, and
// writes the results on the owner (OrderedJobs); or the owner opens the
// whole tiles a job writes (openTile()) and closes them after it, and locks
// the tiles a job reads (planBlockReadWithin()) until the job is done.
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

    // Why the last operation that returned false failed.
    enum class Failure : std::uint8_t {
        kNone,
        kTilesShort,  // the store had fewer free tiles than the operation needs
        kMemory,      // a table or buffer could not be allocated
        kStore,       // a swap file could not be read or written
        kLimits,      // an argument out of range, or a plane or table past 32 bits
    };

    explicit ImageData(VMTile& store);
    ~ImageData();  // destroy()
    ImageData(const ImageData&) = delete;
    ImageData& operator=(const ImageData&) = delete;

    VMTile& store() const { return m_store; }
    // Set by every operation that returns false; kept until the next failure.
    Failure lastFailure() const { return m_failure; }

    // Builds the table: every entry of plane p is the constant fills[p], each
    // plane at origin (0, 0) with ceil(width/128) x ceil(height/128) tiles.
    // Replaces whatever the state held (tiles released, state record
    // dropped) only once the new table exists. False for a plane count
    // outside 1-64 or a negative size.
    bool create(int planeCount, std::int32_t width, std::int32_t height, const std::uint8_t* fills);
    // Copies size, plane records, entries (tile entries lose the private bit
    // and gain a reference) and the state record of `source`, which must use
    // the same store. The source's entries are left as they are.
    bool duplicate(const ImageData& source);
    // Releases every tile, frees the table and the state record; the state is
    // then empty (no planes, size 0 x 0). The undo links are kept.
    void destroy();

    // A new plane at index (0 ... planeCount()) with origin (0, 0) and the
    // full grid for the current size, all constant `fill`; later planes move
    // up by one. False when 64 planes exist already.
    bool insertPlane(int index, std::uint8_t fill);
    // Releases the plane's tiles and removes it; later planes move down.
    bool removePlane(int index);
    // Plane `index` takes the record of `sourcePlane` of `source` (which may
    // be this state) and a copy of its entries without the private bit, one
    // reference added per tile; the tiles it held before are released.
    bool sharePlane(int index, const ImageData& source, int sourcePlane);
    // Grows the plane by whole tiles until it covers `area`; the origin moves
    // back by the tiles added on the left and on top. New entries are
    // constant `fill`. An empty area changes nothing.
    bool extendPlane(int index, const Rect& area, std::uint8_t fill);
    // Moves the plane's origin by (dx, dy) and adds constant `fill` tiles so
    // that it still covers (0, 0)-(width, height). Tiles added on the left or
    // on top move the origin back by 128 each.
    bool offsetPlane(int index, std::int32_t dx, std::int32_t dy, std::uint8_t fill);
    // Cuts each plane to the tiles of its grid that touch
    // (0, 0)-(width, height), pads with constant fills[p] tiles where that
    // area is not covered, releases the cut tiles and takes the new size.
    bool resize(std::int32_t width, std::int32_t height, const std::uint8_t* fills);

    std::int32_t width() const { return m_width; }
    std::int32_t height() const { return m_height; }
    int planeCount() const { return m_planeCount; }
    bool allocated() const { return m_allocated; }
    const PlaneRecord& plane(int index) const { return m_planes[index]; }
    // Entry of tile (column, row) of a plane, for tests and tools that look
    // at sharing.
    TileEntry entry(int plane, int column, int row) const;
    // Bytes in the tile table (4 x total entries).
    std::uint64_t tileTableBytes() const {
        return std::uint64_t{m_table.size()} * sizeof(TileEntry);
    }

    // Reads count samples rightward from (x, y), clamped to the plane's area:
    // rows above or below read the nearest row, samples left or right of it
    // repeat the nearest column. A plane without tiles reads as zeros. The
    // reads return false only when a tile could not be read back from the
    // swap files; its samples then read as zero.
    bool readRow(int plane, std::int32_t x, std::int32_t y, std::int32_t count,
                 std::uint8_t* dest) const;
    // The same, clamped to `clamp` (intersected with the plane's area)
    // instead of the plane's area; an empty `clamp` clamps to the plane.
    bool readRowWithin(int plane, std::int32_t x, std::int32_t y, std::int32_t count,
                       std::uint8_t* dest, const Rect& clamp) const;
    // readRowWithin() of every row of `rect`, into `dest` with `stride`
    // bytes from row to row, each tile looked up once for all its rows.
    bool readBlockWithin(int plane, const Rect& rect, std::uint8_t* dest, std::ptrdiff_t stride,
                         const Rect& clamp) const;
    // readBlockWithin() in two halves, for a copy on another thread: looks
    // up the tiles under `rect` and locks them through `locks`, noting in
    // `plan` what each gives (BlockReadPlan::copy() then reads them; the
    // owner lets them go with BlockReadPlan::release()). False, with `plan`
    // empty, when the clamped rectangle meets no tile; readBlockWithin()
    // then reads it. A tile that cannot be paged in reads as zeros.
    bool planBlockReadWithin(int plane, const Rect& rect, const Rect& clamp, SharedTileLocks& locks,
                             BlockReadPlan& plan) const;
    // Samples outside the plane's area read as `fill`.
    bool readRowOrFill(int plane, std::int32_t x, std::int32_t y, std::int32_t count,
                       std::uint8_t* dest, std::uint8_t fill) const;
    // All or nothing: counts the tiles that need storage first and fails
    // without writing when the store has fewer free tiles; a tile that cannot
    // be allocated, copied or paged in later also fails the whole run with
    // the state unchanged. The part of the run outside the plane is dropped.
    // Writing a constant tile's own value allocates nothing. A tile is
    // written in place only when its entry is private and the store confirms
    // it has no other reference (the source of a duplicate or of a shared
    // plane keeps its private bits); otherwise it is copied first.
    bool writeRow(int plane, std::int32_t x, std::int32_t y, std::int32_t count,
                  const std::uint8_t* source);
    // Writes count samples downward, one source byte per row; clipped and
    // all or nothing like writeRow.
    bool writeColumn(int plane, std::int32_t x, std::int32_t y, std::int32_t count,
                     const std::uint8_t* source);
    // One value per plane; all zero when any plane does not cover (x, y).
    // False only when a tile could not be read.
    bool readPixel(std::int32_t x, std::int32_t y, std::uint32_t* dest) const;
    // Smallest rectangle holding every sample above `threshold` (constant
    // tiles count when equal), not clipped to the image. False and
    // (0, 0, width, height) when none. A tile that cannot be read counts as
    // wholly included.
    bool boundsAbove(int plane, std::uint8_t threshold, Rect& out) const;

    // A map of samples for mapTiles(): writes `count` results to `out` from
    // `count` samples at `in`. Each result must depend on the value of its
    // own sample alone (a lookup table, say), so that a constant tile maps
    // to a constant tile.
    using SampleMap =
        std::function<void(const std::uint8_t* in, std::uint8_t* out, std::size_t count)>;
    // The part of `rect` that mapTiles() can do for `plane` with `source`:
    // the tiles of the plane lying wholly inside `rect` and inside the same
    // plane of `source`, as one rectangle of whole tiles. Empty when there
    // are none, or when the two planes do not share their origin (and so
    // their grid of tiles).
    Rect wholeTilesWithin(int plane, const Rect& rect, const ImageData& source) const;
    // Every tile of `plane` inside `tiles` (a rectangle wholeTilesWithin()
    // returned) becomes the image under `map` of the tile at the same place
    // in the same plane of `source`: a store tile gives a fresh private
    // tile, mapped in one pass from the source's samples (no copy of a
    // shared tile first), and a constant tile gives a constant entry with no
    // storage. The samples come out as if each row had been read from
    // `source`, mapped and written here. `source` may be this state.
    //
    // All or nothing: counts the new tiles first and fails without change
    // when the store has fewer free ones; a tile that cannot be allocated or
    // paged in later also leaves the state as it was.
    bool mapTiles(int plane, const Rect& tiles, const ImageData& source, const SampleMap& map);

    // Lets go of every tile of `plane` lying wholly inside `area` (clipped
    // to the plane's tiles): each becomes a constant entry of 0, and the
    // store tile is released (freed when no other state holds it). For a
    // state whose owner will never read that part again; cannot fail.
    void releaseTiles(int plane, const Rect& area);

    // True when `tile` is exactly one tile of `plane`: 128 x 128 samples on
    // the plane's grid, among its tiles (which may reach past the image).
    bool isWholeTile(int plane, const Rect& tile) const;
    // The largest rectangle of whole tiles of `plane` (isWholeTile()) inside
    // `rect`; empty when there is none.
    Rect wholeTilesInside(int plane, const Rect& rect) const;
    // Writes the samples of the whole tile `tile` (isWholeTile()) from
    // `source`, sample (x, y) of the tile at source + y x stride + x x step,
    // as 128 writeRow() calls would, but without copying a shared tile or
    // filling a new one first: the tile is written in place when this state
    // alone holds it, else replaced by a fresh private tile. A constant
    // entry that every sample equals stays constant. False, with the state
    // unchanged, when no tile can be allocated or paged in.
    bool writeTile(int plane, const Rect& tile, const std::uint8_t* source, std::ptrdiff_t stride,
                   int step = 1);
    // A whole tile opened for writing by openTile(), until closeTile() or
    // discardTile().
    struct OpenTile {
        std::uint8_t* samples = nullptr;
        std::size_t entryIndex = 0;
        VMTile::TileNumber tile = 0;
    };
    // writeTile() for a writer on another thread (WorkerPool): a fresh tile,
    // locked, whose 128 rows of 128 samples (contents undefined) any one
    // thread may write until the owner closes it. Until then the state
    // still holds the tile it had, so readers (a view painting while an
    // effect runs) never see a half-written tile. The entry must not change
    // meanwhile. Null, with the state unchanged, when no tile can be
    // allocated or paged in.
    std::uint8_t* openTile(int plane, const Rect& tile, OpenTile& open);
    // Puts an opened tile in place of the one the state held, as writeTile()
    // would: a constant entry that every sample equals stays constant and
    // the fresh tile is freed.
    void closeTile(const OpenTile& open);
    // Frees an opened tile without putting it in place.
    void discardTile(const OpenTile& open);
    // Reads the samples of `rect`, which lies within the plane's tiles, into
    // `dest`: sample (x, y) at dest + (y - top) x stride + (x - left) x step.
    // The same samples as readRow() row by row, but each tile is looked up
    // once for all its rows. False when a tile could not be read back from
    // the swap files (its samples then read as zero).
    bool readBlock(int plane, const Rect& rect, std::uint8_t* dest, std::ptrdiff_t stride,
                   int step = 1) const;

    // Copies up to 1024 bytes of the state record; zeros when the block was
    // never written.
    void readStateRecord(void* dest, std::size_t bytes) const;
    // Copies up to 1024 bytes in, allocating the zeroed 1024-byte block on
    // first use; false when it cannot be allocated.
    bool writeStateRecord(const void* source, std::size_t bytes);

    ImageData* newer() const { return m_newer; }
    ImageData* older() const { return m_older; }
    void setNewer(ImageData* state) { m_newer = state; }
    void setOlder(ImageData* state) { m_older = state; }

private:
    struct Layout;
    struct Segment;
    class RunSegments;

    // Assigns block offsets to next.planes, allocates next.table; kLimits
    // when the table would not fit 32-bit byte offsets, kMemory when memory
    // ran out, else kNone.
    static Failure prepare(Layout& next);
    // Records `failure` as lastFailure() and returns false.
    bool fail(Failure failure) {
        m_failure = failure;
        return false;
    }
    // fail() with the reason a new tile could not be had: none was free, or
    // making it resident failed.
    bool failNewTile() {
        return fail(m_store.freeTiles() == 0 ? Failure::kTilesShort : Failure::kStore);
    }
    // Swaps the prepared layout in; the old table goes back in `next`.
    void install(Layout& next);
    // Copies plane `from` of this state into block `to` of `next`.
    void copyBlock(Layout& next, int to, int from) const;
    void releaseBlock(int plane);
    void releaseAll();

    // Reads samples [x0, x1) of row y, all inside the plane.
    bool readInside(int plane, std::int64_t x0, std::int64_t x1, std::int64_t y,
                    std::uint8_t* dest) const;
    // Calls visit(entry, left, right, top, bottom) for each tile under the
    // plane-relative rectangle [x0, x1) x [y0, y1) (not empty, within the
    // plane's tiles), with the columns and rows of it that the tile covers.
    template <typename Visit>
    void forEachTilePart(int plane, std::int64_t x0, std::int64_t x1, std::int64_t y0,
                         std::int64_t y1, Visit&& visit) const {
        constexpr std::int64_t kSize = VMTile::kTileSize;
        const std::int64_t across = m_planes[plane].tilesAcross;
        const TileEntry* table = entries(plane);
        for (std::int64_t ty = y0 / kSize; ty <= (y1 - 1) / kSize; ++ty) {
            const std::int64_t top = std::max(y0, ty * kSize);
            const std::int64_t bottom = std::min(y1, (ty + 1) * kSize);
            for (std::int64_t tx = x0 / kSize; tx <= (x1 - 1) / kSize; ++tx) {
                visit(table[ty * across + tx], std::max(x0, tx * kSize),
                      std::min(x1, (tx + 1) * kSize), top, bottom);
            }
        }
    }
    // The part of `rect` inside the plane's tiles clamped to `clamp` (empty:
    // the plane): false when the plane has no tiles or nothing is left.
    bool blockInside(int plane, const Rect& rect, const Rect& clamp, Rect& inside) const;
    // Reads with every coordinate clamped into [xMin, xMax] x [yMin, yMax],
    // a non-empty part of the plane's area (bounds inclusive).
    bool readClamped(int plane, std::int32_t x, std::int32_t y, std::int32_t count,
                     std::uint8_t* dest, std::int64_t xMin, std::int64_t xMax, std::int64_t yMin,
                     std::int64_t yMax) const;
    // The write shared by writeRow and writeColumn, on a run already clipped
    // to the plane.
    bool writeRun(int plane, const RunSegments& run, const std::uint8_t* source);
    bool needsStorage(TileEntry e, const std::uint8_t* source, std::uint32_t length) const;
    bool writable(TileEntry e) const;

    // Entries of plane p start at m_table[m_planes[p].blockOffset / 4].
    TileEntry* entries(int plane) { return m_table.data() + m_planes[plane].blockOffset / 4; }
    const TileEntry* entries(int plane) const {
        return m_table.data() + m_planes[plane].blockOffset / 4;
    }

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
    Failure m_failure = Failure::kNone;
};

}  // namespace tessary
