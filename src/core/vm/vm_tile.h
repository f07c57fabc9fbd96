#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/file_layer.h"
#include "platform/system_info.h"
#include "vm/vm_file_open_list.h"

namespace tessary {

class VolumeList;

// The process-wide store of reference-counted 128 x 128 one-byte tiles.
//
// A fixed number of memory slots hold the most recently used tiles; every
// other tile lives in the swap files created at initialisation. Paging is
// least-recently-used with one spare "exchange" slot, so a page-in costs one
// read and at most one write, and a tile has no fixed home on disk: the
// evicted tile takes over the file location of the tile paged in. Free tiles
// (reference count 0) are never read or written.
//
// Tile numbers run from 1 to tileCount(); 0 means "no tile".
class VMTile {
public:
    using TileNumber = std::uint32_t;

    static constexpr int kTileSize = 128;
    static constexpr std::size_t kTileBytes = 128 * 128;
    // 128 x 128 x 3 / 2 rounded up to a multiple of 512: the distance between
    // tiles in memory and in the swap files.
    static constexpr std::size_t kSlotBytes = 24576;
    // Bookkeeping per memory slot counted by the capacity formula.
    static constexpr std::size_t kSlotOverhead = 48;
    static constexpr std::size_t kDescriptorBytes = 16;

    VMTile(platform::FileLayer& files = platform::systemFileLayer(),
           platform::SystemInfo& system = platform::systemInfo());
    ~VMTile();
    VMTile(const VMTile&) = delete;
    VMTile& operator=(const VMTile&) = delete;

    // Sizes the store from physical memory, creates and zero-fills the swap
    // files from the volumes' shares, and reserves the slot memory (address
    // space only: pages are touched as tiles are used). False, with
    // everything released, when memory or tables cannot be had.
    bool initialise(const VolumeList& volumes, int tileWidth, int tileHeight);
    // Frees memory and tables, closes and deletes every swap file. Also run
    // by the destructor.
    void shutDown();

    // Deletes "VMemF_00" ... "VMemF_14" in the folder of every usable volume.
    static void deleteStaleSwapFiles(const VolumeList& volumes, platform::FileLayer& files);

    int tileWidth() const { return kTileSize; }
    int tileHeight() const { return kTileSize; }
    bool initialised() const { return m_initialised; }

    // Capacity, fixed at initialisation.
    std::uint32_t memorySlots() const { return m_slotCount; }        // S
    std::uint32_t swapTiles() const { return m_swapTileCount; }      // D
    std::uint32_t tileCount() const { return m_tileCount; }          // N = D + S - 1
    std::uint64_t swapCapTiles() const { return m_swapCap; }
    const VMFileOpenList& swapFiles() const { return m_files; }

    std::uint32_t freeTiles() const { return m_freeTiles; }
    std::uint32_t usedTiles() const { return m_tileCount - m_freeTiles; }

    // The lowest free tile with reference count 1, or 0 when none is free.
    TileNumber allocate();
    // allocate() with its 16,384 samples set to `value`; 0 when no tile is
    // free or it cannot be made resident.
    TileNumber allocateFilled(std::uint8_t value);
    // allocate() with a copy of the whole slot of `source`; 0 on failure.
    TileNumber allocateCopy(TileNumber source);

    void addReference(TileNumber tile);
    // Count - 1 (not below 0). A tile reaching 0 becomes free and, when
    // resident, its slot is the next to be reused.
    void release(TileNumber tile);
    std::uint16_t referenceCount(TileNumber tile) const;

    // Makes the tile resident, marks its slot locked and most recently used,
    // and returns its samples (128 rows of 128 bytes). Null when the swap
    // file could not be read or written (lastError() tells why); no other
    // tile is harmed by such a failure. At most two tiles are locked at once.
    std::uint8_t* lock(TileNumber tile);
    void unlock(TileNumber tile);
    bool isResident(TileNumber tile) const;

    // The file layer code of the last failed page-in or page-out.
    platform::FileError lastError() const { return m_lastError; }

private:
    struct Descriptor {
        std::int32_t slot = -1;          // memory slot, -1 when paged out
        std::uint64_t fileOffset = 0;    // location in the swap file when paged out
        platform::FileHandle file = platform::kNoFile;
        std::uint16_t references = 0;
        std::uint16_t reserved = 0;
    };
    struct RecencyNode {
        RecencyNode* newer = nullptr;
        RecencyNode* older = nullptr;
        TileNumber tile = 0;
    };
    struct Slot {
        std::uint8_t* block = nullptr;
        RecencyNode* node = nullptr;
        bool locked = false;
    };

    bool computeCapacity();
    bool createSwapFiles(const VolumeList& volumes);
    bool reserveSlotMemory();
    void placeInitialTiles();
    bool pageIn(TileNumber tile);
    void moveToHead(RecencyNode* node);
    void moveToTail(RecencyNode* node);
    bool validTile(TileNumber tile) const { return tile >= 1 && tile <= m_tileCount; }

    platform::FileLayer& m_fileLayer;
    platform::SystemInfo& m_system;
    bool m_initialised = false;

    std::uint32_t m_slotCount = 0;
    std::uint64_t m_swapCap = 0;
    std::uint32_t m_swapTileCount = 0;
    std::uint32_t m_tileCount = 0;
    std::uint32_t m_freeTiles = 0;
    std::uint32_t m_lockedSlots = 0;
    std::uint32_t m_lowestFreeHint = 1;

    std::uint8_t* m_slotMemory = nullptr;  // reserved S x kSlotBytes
    std::size_t m_slotMemoryBytes = 0;
    std::uint8_t* m_exchangeBlock = nullptr;
    std::vector<Descriptor> m_descriptors;  // index = tile number
    std::vector<Slot> m_slots;
    std::vector<RecencyNode> m_nodes;
    RecencyNode* m_head = nullptr;  // most recently used
    RecencyNode* m_tail = nullptr;  // least recently used

    VMFileOpenList m_files;
    platform::FileError m_lastError = platform::kNoErr;
};

}  // namespace tessary
