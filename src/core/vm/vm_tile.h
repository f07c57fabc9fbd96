#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>

#include "platform/assert.h"
#include "platform/file_layer.h"
#include "platform/system_info.h"
#include "vm/free_tile_map.h"
#include "vm/slot_prefetcher.h"
#include "vm/vm_file_open_list.h"
#include "vm/zeroed_table.h"

namespace tessary {

class VolumeList;

// The process-wide store of reference-counted 128 x 128 one-byte tiles.
//
// A fixed number of memory slots hold the most recently used tiles; every
// other tile lives in the swap files created at initialisation. Paging is
// least-recently-used with one spare "exchange" slot (the read and write
// stages, each one swap-file slot), so a page-in costs one read and at most
// one write, and a tile has no fixed home on disk: the
// evicted tile takes over the file location of the tile paged in. Free tiles
// (reference count 0) are never read or written, and neither is a tile whose
// contents are still undefined (allocated but never locked).
//
// Tile numbers run from 1 to tileCount(); 0 means "no tile". Tile numbers fit
// in 29 bits (kMaxTileNumber), as image tile tables store them.
//
// Single-threaded: every call comes from the thread that owns the pages
// (the user-interface thread, or the batch program's main thread). Worker
// threads (WorkerPool) never call the store. They touch tile memory only
// through a tile the owner has locked and handed to one job (ImageData::
// openTile()): that job alone reads and writes its samples until the owner,
// after the job, unlocks it; meanwhile the owner leaves that tile alone. Or
// they read tiles the owner has locked for reading (ImageData::
// planBlockReadWithin(), SharedTileLocks), which nobody writes until the
// owner lets them go after the last job that reads them. So a
// tile's lock, reference count and paging all stay on one thread, and a
// locked tile's memory cannot move while a worker uses it.
class VMTile {
public:
    using TileNumber = std::uint32_t;

    static constexpr int kTileSize = 128;
    static constexpr std::size_t kTileBytes = 128 * 128;
    // 128 x 128 x 3 / 2 rounded up to a multiple of 512: the distance between
    // tiles in the swap files, and the size of every swap-file read and
    // write (the samples, then zeros). The capacity formula counts it per
    // memory slot.
    static constexpr std::size_t kSlotBytes = 24576;
    // Distance between slot blocks in memory. A block holds the samples
    // alone, so memory is not spent on the swap files' padding. 16,384 is a
    // multiple of 4,096, so the same row of every tile would fall into the
    // same set of the first-level cache and a row crossing many tiles would
    // evict itself; 128 bytes more spreads 32 consecutive blocks' rows over
    // different sets.
    static constexpr std::size_t kSlotStride = kTileBytes + 128;
    // Bookkeeping per memory slot counted by the capacity formula.
    static constexpr std::size_t kSlotOverhead = 48;
    static constexpr std::size_t kDescriptorBytes = 16;
    static constexpr TileNumber kMaxTileNumber = 0x1FFFFFFF;
    // Largest swap file, and the share (KB) from which a volume gets it.
    static constexpr std::uint64_t kMaxSwapFileBytes = 0x7E000000;
    static constexpr std::uint32_t kMaxSwapFileShareKB = 0x1F8000;
    // A volume whose share is below this many KB gets no swap file.
    static constexpr std::uint32_t kMinimumShareKB = 1501;
    // Swap file names are "VMemF_00" ... "VMemF_14".
    static constexpr int kSwapFileNames = 15;

    // The sizes fixed at initialisation by the memory the process may use.
    struct Capacity {
        std::uint32_t memorySlots = 0;   // S, the exchange slot included
        std::uint64_t swapCapTiles = 0;  // most tiles the swap files may hold
    };
    // S = (physical / 2 x 50 / 100) / (kSlotBytes + kSlotOverhead); swap cap =
    // physical / 2 x 10 / 100 / 16 tiles. All in 64 bits. Both are cut so
    // that S - 1 + swap cap <= kMaxTileNumber (S first, then the cap).
    static Capacity capacityFor(std::uint64_t physicalBytes);
    // The swap file name for `index` in 0 ... kSwapFileNames - 1.
    static std::filesystem::path swapFileName(int index);

    VMTile(platform::FileLayer& files = platform::systemFileLayer(),
           platform::SystemInfo& system = platform::systemInfo());
    ~VMTile();
    VMTile(const VMTile&) = delete;
    VMTile& operator=(const VMTile&) = delete;

    // Sizes the store from the memory the process may use (physical memory,
    // or a control group's smaller limit), creates the swap files from the
    // volumes' shares with their space reserved (reading as zeros; written
    // only where the file system cannot reserve space), and reserves the
    // slot memory (address space only: pages are touched as tiles are
    // used). Swap files that
    // cannot be created are not a failure: the store then runs from its
    // memory slots alone. False, with everything released, when the tile size
    // is not 128 x 128, memory is too small for three slots, or memory or
    // tables cannot be had. Initialising an initialised store shuts it down
    // first.
    bool initialise(const VolumeList& volumes, int tileWidth, int tileHeight);
    // Frees memory and tables, closes and deletes every swap file. Also run
    // by the destructor; harmless when not initialised.
    void shutDown();

    // Deletes "VMemF_00" ... "VMemF_14" in the folder of every usable volume,
    // except the files a store holds open (its own or another process's):
    // the file layer holds them exclusively, and a file that cannot be
    // opened for that reason is in use.
    static void deleteStaleSwapFiles(const VolumeList& volumes, platform::FileLayer& files);
    // The same for one folder.
    static void deleteStaleSwapFilesIn(const std::filesystem::path& folder,
                                       platform::FileLayer& files);

    int tileWidth() const { return kTileSize; }
    int tileHeight() const { return kTileSize; }
    bool initialised() const { return m_initialised; }

    // Capacity, fixed at initialisation.
    std::uint32_t memorySlots() const { return m_slotCount; }    // S
    std::uint32_t swapTiles() const { return m_swapTileCount; }  // D
    std::uint32_t tileCount() const { return m_tileCount; }      // N = D + S - 1
    std::uint64_t swapCapTiles() const { return m_swapCap; }
    // The memory limit the capacity was computed from, and its source.
    const platform::MemoryLimit& memoryLimit() const { return m_memoryLimit; }
    const VMFileOpenList& swapFiles() const { return m_files; }
    // Bytes of address space reserved for the slots (S x kSlotStride).
    std::size_t reservedBytes() const { return m_slotMemoryBytes; }

    std::uint32_t freeTiles() const { return m_freeTiles; }
    std::uint32_t usedTiles() const { return m_tileCount - m_freeTiles; }
    std::uint32_t lockedSlots() const { return m_lockedSlots; }

    // The lowest free tile with reference count 1, or 0 when none is free.
    // Its contents are undefined until written.
    TileNumber allocate();
    // allocate() with its 16,384 samples set to `value`; 0 when no tile is
    // free or it cannot be made resident (lastError() then tells why).
    TileNumber allocateFilled(std::uint8_t value);
    // allocate() with a copy of the whole slot of `source`; 0 on failure.
    // Source and copy are locked together while copying; a lock the caller
    // already holds on `source` is kept.
    TileNumber allocateCopy(TileNumber source);

    // Preconditions for the calls below: 1 <= tile <= tileCount().
    // Count + 1; a free tile counts as used again. What it holds then is
    // whatever it held when freed, unless it was paged out while free (free
    // tiles are not written out), so callers should not rely on it.
    void addReference(TileNumber tile);
    // Count - 1 (not below 0). A tile reaching 0 becomes free and, when
    // resident, its slot is the next to be reused.
    void release(TileNumber tile);
    inline std::uint32_t referenceCount(TileNumber tile) const;

    // Makes the tile resident, marks its slot locked and most recently used,
    // and returns its samples (128 rows of 128 bytes). The pointer stays valid until the tile is
    // unlocked. Null when the swap file could not be read or written (lastError() tells why): the
    // tile then keeps its place on disk and no other tile is harmed. (A write
    // that fails part-way is undone from the copy in memory; only if that
    // repair fails as well is the tile's stored copy damaged.) At most
    // two tiles are locked at once; locking a non-resident tile while every
    // tile slot is locked is a programming error.
    // Inline: the resident case runs once per tile of many pixel operations,
    // so it must cost a few instructions, not a call.
    inline std::uint8_t* lock(TileNumber tile);
    inline void unlock(TileNumber tile);
    inline bool isResident(TileNumber tile) const;
    bool isLocked(TileNumber tile) const;
    // Resident tiles without the lock, for row reads and writes (below).
    class ResidentTiles;

    // A hint that about `tiles` new tiles are about to be written whole,
    // such as an image being read from a file: the memory of the slots they
    // will take is committed in the background meanwhile, so that their
    // first writes need not wait for it. Changes nothing the store reports.
    void prepareForTiles(std::uint64_t tiles);

    // The file layer code of the last failed page-in or page-out.
    platform::FileError lastError() const { return m_lastError; }

private:
    friend class ResidentTiles;

    // Fits the 16 bytes per tile that the swap cap budgets for: swap files
    // are at most kMaxSwapFileBytes long, so 32-bit offsets suffice, and the
    // file is an index into m_files rather than a handle.
    //
    // All zero bytes is the state every tile starts in, so the table needs
    // no filling at start-up: a descriptor without kPlaced stands for the
    // tile's initial place (tiles 1 ... S - 1 in slots 0 ... S - 2, the rest
    // consecutively in the swap files), free and never written, and place()
    // writes that place out the first time the tile's location is needed.
    struct Descriptor {
        std::int32_t slot;        // memory slot, -1 when paged out (once placed)
        std::uint32_t fileOffset; // location in the swap file when paged out
        std::uint32_t references;
        std::uint16_t file;       // index into m_files, kNoFileIndex when resident
        std::uint16_t flags;
    };
    static_assert(sizeof(Descriptor) == kDescriptorBytes);
    static constexpr std::uint16_t kNoFileIndex = 0xFFFF;
    // slot, fileOffset and file hold the tile's location.
    static constexpr std::uint16_t kPlaced = 1;
    // Allocated and not yet locked: the contents mean nothing, so paging
    // neither reads nor writes them.
    static constexpr std::uint16_t kContentsUndefined = 2;

    // The recency list is a ring of S nodes: node i (i < S - 1) belongs to
    // slot i, node S - 1 is the sentinel whose older neighbour is the most
    // recently used slot and whose newer neighbour the least recently used.
    // Links and tiles are stored relative to the starting ring (node i
    // between i - 1 and i + 1, holding tile i + 1), so that zero bytes are
    // the starting order and the table needs no filling either.
    struct RecencyNode {
        std::int32_t newer;  // index of the newer neighbour, less (i - 1)
        std::int32_t older;  // index of the older neighbour, less (i + 1)
        std::int32_t tile;   // tile resident in the slot, less (i + 1)
    };
    // What a resident access needs beside the descriptor; zero bytes are
    // the starting state. The slot's block is at a fixed place in the slot
    // memory (blockOf()).
    struct Slot {
        std::uint64_t movedAt;  // m_moveClock when last moved to the head
        bool locked;
    };

    void createSwapFiles(const VolumeList& volumes);
    bool reserveSlotMemory();
    void placeInitialTiles();
    // Writes the initial location of a descriptor that lacks kPlaced.
    void place(TileNumber tile);
    bool placed(TileNumber tile) const { return (m_descriptors[tile].flags & kPlaced) != 0; }
    // The slot a tile occupies, -1 when paged out; placed or not.
    std::int32_t slotOf(TileNumber tile) const {
        if (!placed(tile)) return tile < m_slotCount ? static_cast<std::int32_t>(tile - 1) : -1;
        return m_descriptors[tile].slot;
    }
    std::uint8_t* blockOf(std::size_t slot) const { return m_slotMemory + slot * kSlotStride; }
    bool pageIn(TileNumber tile);
    // The least recently used unlocked slot; the sentinel when every slot
    // is locked.
    std::uint32_t leastRecentUnlocked() const;
    // Ring navigation (see RecencyNode).
    std::uint32_t sentinel() const { return m_slotCount - 1; }
    std::uint32_t ringIndex(std::int64_t index) const {
        const std::int64_t size = m_slotCount;
        return static_cast<std::uint32_t>(index < 0 ? index + size
                                                    : index >= size ? index - size : index);
    }
    std::uint32_t newerOf(std::uint32_t node) const {
        return ringIndex(std::int64_t{node} - 1 + m_nodes[node].newer);
    }
    std::uint32_t olderOf(std::uint32_t node) const {
        return ringIndex(std::int64_t{node} + 1 + m_nodes[node].older);
    }
    void setNewer(std::uint32_t node, std::uint32_t newer) {
        m_nodes[node].newer = static_cast<std::int32_t>(std::int64_t{newer} - node + 1);
    }
    void setOlder(std::uint32_t node, std::uint32_t older) {
        m_nodes[node].older = static_cast<std::int32_t>(std::int64_t{older} - node - 1);
    }
    TileNumber tileInSlot(std::uint32_t node) const {
        return static_cast<TileNumber>(std::int64_t{node} + 1 + m_nodes[node].tile);
    }
    void setTileInSlot(std::uint32_t node, TileNumber tile) {
        m_nodes[node].tile = static_cast<std::int32_t>(std::int64_t{tile} - node - 1);
    }
    void unlink(std::uint32_t node);
    // lock() of a tile that is not resident: pages it in first.
    std::uint8_t* lockPagedOut(TileNumber tile);
    void moveToHead(std::size_t slot);
    void moveToTail(std::size_t slot);
    bool validTile(TileNumber tile) const { return tile >= 1 && tile <= m_tileCount; }
    bool needsIo(const Descriptor& d) const {
        return d.references > 0 && (d.flags & kContentsUndefined) == 0;
    }
    void closeAndDeleteSwapFiles();

    platform::FileLayer& m_fileLayer;
    platform::SystemInfo& m_system;
    bool m_initialised = false;

    platform::MemoryLimit m_memoryLimit;
    std::uint32_t m_slotCount = 0;
    std::uint64_t m_swapCap = 0;
    std::uint32_t m_swapTileCount = 0;
    std::uint32_t m_tileCount = 0;
    std::uint32_t m_freeTiles = 0;
    std::uint32_t m_lockedSlots = 0;
    // Counts moves to the head of the recency list. A tile locked again
    // within m_recentWindow moves of its last move is still among the newest
    // quarter of the list and stays where it is: row reads lock every tile
    // of a row once per row, and relinking each of them costs as much as
    // copying its samples. Eviction takes the tail, which such a tile cannot
    // reach; stores of fewer than 5 slots keep exact order.
    std::uint64_t m_moveClock = 0;
    std::uint64_t m_recentWindow = 0;
    // m_moveClock - m_recentWindow: a slot moved at or after this is recent.
    std::uint64_t m_recentFrom = 0;

    std::uint8_t* m_slotMemory = nullptr;  // reserved S x kSlotStride
    std::size_t m_slotMemoryBytes = 0;
    // Whole swap-file slots on their way in and out: the wanted tile as
    // read (kept until the victim's write has succeeded, to repair a write
    // that fails part-way), and the victim's samples followed by zeros.
    std::unique_ptr<std::uint8_t[]> m_readStage;
    std::unique_ptr<std::uint8_t[]> m_writeStage;
    ZeroedTable<Descriptor> m_descriptors;  // index = tile number
    ZeroedTable<Slot> m_slots;              // the S - 1 slots that hold tiles
    ZeroedTable<RecencyNode> m_nodes;       // node i belongs to slot i; S - 1 is the sentinel
    FreeTileMap m_freeMap;

    VMFileOpenList m_files;
    SlotPrefetcher m_prefetcher;  // stopped before the slot memory goes
    platform::FileError m_lastError = platform::kNoErr;
};

// Access to resident tiles without taking their locks, for a loop over many
// tiles that copies a little from each, such as a row crossing every tile of
// a band. Each access marks the tile most recently used as lock() does. The
// pointers it gives are good until the next call into the store, which may
// page tiles out; the loop makes no such call while it copies, and after
// one (a lock() of a paged-out tile, say) it must resync() before the next
// access.
//
// It holds the store's tables in locals, so that the copies the loop makes
// through byte pointers do not force the compiler to reload them for every
// tile.
class VMTile::ResidentTiles {
public:
    explicit ResidentTiles(VMTile& store) : m_store(store) { resync(); }

    void resync() {
        m_descriptors = m_store.m_descriptors.data();
        m_slots = m_store.m_slots.data();
        m_slotMemory = m_store.m_slotMemory;
        m_tileCount = m_store.m_tileCount;
        m_recentFrom = m_store.m_recentFrom;
    }

    // The samples of a resident tile to read, marked most recently used as
    // lock() would; null when the tile is paged out.
    const std::uint8_t* samples(TileNumber tile) { return touch(tile); }
    // The same to write into: from now on the contents count.
    std::uint8_t* samplesToWrite(TileNumber tile) {
        std::uint8_t* block = touch(tile);
        if (block) m_descriptors[tile].flags &= static_cast<std::uint16_t>(~kContentsUndefined);
        return block;
    }
    // samplesToWrite() of a tile with no reference but the caller's, which
    // may therefore be written in place; null when the tile is shared or
    // paged out.
    std::uint8_t* unsharedToWrite(TileNumber tile) {
        TS_ASSERT(tile >= 1 && tile <= m_tileCount);
        if (m_descriptors[tile].references > 1) return nullptr;
        return samplesToWrite(tile);
    }

private:
    std::uint8_t* touch(TileNumber tile) {
        TS_ASSERT(tile >= 1 && tile <= m_tileCount);
        const Descriptor& d = m_descriptors[tile];
        // Placing writes into the tables only, which stay where they are.
        if ((d.flags & kPlaced) == 0) [[unlikely]]
            m_store.place(tile);
        const std::int32_t index = d.slot;
        if (index < 0) return nullptr;
        const Slot& slot = m_slots[static_cast<std::size_t>(index)];
        if (slot.movedAt < m_recentFrom) {
            m_store.moveToHead(static_cast<std::size_t>(index));
            m_recentFrom = m_store.m_recentFrom;
        }
        return m_slotMemory + static_cast<std::size_t>(index) * kSlotStride;
    }

    VMTile& m_store;
    Descriptor* m_descriptors = nullptr;
    Slot* m_slots = nullptr;
    std::uint8_t* m_slotMemory = nullptr;
    TileNumber m_tileCount = 0;
    std::uint64_t m_recentFrom = 0;
};

inline std::uint8_t* VMTile::lock(TileNumber tile) {
    TS_ASSERT(validTile(tile));
    Descriptor& d = m_descriptors[tile];
    if ((d.flags & kPlaced) == 0) [[unlikely]]
        place(tile);
    if (d.slot < 0) return lockPagedOut(tile);
    const auto index = static_cast<std::size_t>(d.slot);
    Slot& slot = m_slots[index];
    if (!slot.locked) {
        slot.locked = true;
        ++m_lockedSlots;
    }
    // Whoever holds the lock may write: from now on the contents count.
    d.flags &= static_cast<std::uint16_t>(~kContentsUndefined);
    if (slot.movedAt < m_recentFrom) moveToHead(index);
    return blockOf(index);
}

inline void VMTile::unlock(TileNumber tile) {
    TS_ASSERT(validTile(tile));
    // A tile never placed was never locked.
    if (!placed(tile)) return;
    const std::int32_t index = m_descriptors[tile].slot;
    if (index < 0) return;
    Slot& slot = m_slots[static_cast<std::size_t>(index)];
    if (slot.locked) {
        slot.locked = false;
        --m_lockedSlots;
    }
}

inline std::uint32_t VMTile::referenceCount(TileNumber tile) const {
    TS_ASSERT(validTile(tile));
    return m_descriptors[tile].references;
}

inline bool VMTile::isResident(TileNumber tile) const {
    TS_ASSERT(validTile(tile));
    return slotOf(tile) >= 0;
}

}  // namespace tessary
