#include "vm/vm_tile.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

#include "platform/assert.h"
#include "vm/volume_list.h"

namespace tessary {

namespace {

using platform::FileError;
using platform::FileHandle;

// Fewest memory slots the store runs with: two tile slots, so that a copy
// can hold its source and the new tile locked together, plus the exchange
// slot.
constexpr std::uint32_t kMinimumSlots = 3;

// Share of the physical half given to tile slots, and to the descriptor
// table, in percent.
constexpr std::uint64_t kSlotPercent = 50;
constexpr std::uint64_t kDescriptorPercent = 10;

// floor(value x numerator / denominator) without forming the full product,
// exact while numerator x denominator fits 64 bits.
std::uint64_t scaleDown(std::uint64_t value, std::uint64_t numerator, std::uint64_t denominator) {
    return value / denominator * numerator + value % denominator * numerator / denominator;
}

}  // namespace

VMTile::Capacity VMTile::capacityFor(std::uint64_t physicalBytes) {
    const std::uint64_t half = physicalBytes / 2;
    std::uint64_t slots = scaleDown(half, kSlotPercent, 100) / (kSlotBytes + kSlotOverhead);
    std::uint64_t swapCap = scaleDown(half, kDescriptorPercent, 100) / kDescriptorBytes;

    // Tile numbers 1 ... S - 1 + D must fit in 29 bits.
    slots = std::min<std::uint64_t>(slots, std::uint64_t{kMaxTileNumber} + 1);
    const std::uint64_t memoryTiles = slots > 0 ? slots - 1 : 0;
    swapCap = std::min<std::uint64_t>(swapCap, kMaxTileNumber - memoryTiles);

    Capacity capacity;
    capacity.memorySlots = static_cast<std::uint32_t>(slots);
    capacity.swapCapTiles = swapCap;
    return capacity;
}

std::filesystem::path VMTile::swapFileName(int index) {
    TS_ASSERT(index >= 0 && index < kSwapFileNames);
    char name[16];
    std::snprintf(name, sizeof name, "VMemF_%02d", index);
    return name;
}

VMTile::VMTile(platform::FileLayer& files, platform::SystemInfo& system)
    : m_fileLayer(files), m_system(system) {}

VMTile::~VMTile() {
    shutDown();
}

bool VMTile::initialise(const VolumeList& volumes, int tileWidth, int tileHeight) {
    shutDown();
    m_lastError = platform::kNoErr;
    if (tileWidth != kTileSize || tileHeight != kTileSize) return false;

    m_memoryLimit = m_system.memoryLimit();
    const Capacity capacity = capacityFor(m_memoryLimit.bytes);
    if (capacity.memorySlots < kMinimumSlots) return false;
    m_slotCount = capacity.memorySlots;
    m_swapCap = capacity.swapCapTiles;

    m_files.open();
    createSwapFiles(volumes);
    const std::uint64_t swapTiles = m_files.totalBytes() / kSlotBytes;
    TS_ASSERT(swapTiles <= m_swapCap);
    m_swapTileCount = static_cast<std::uint32_t>(swapTiles);
    m_tileCount = m_swapTileCount + (m_slotCount - 1);

    if (!reserveSlotMemory()) {
        shutDown();
        return false;
    }
    // The tables start as zero bytes, which is every tile's and slot's
    // starting state: nothing is written into them here.
    if (!m_descriptors.allocate(std::size_t{m_tileCount} + 1) ||
        !m_slots.allocate(m_slotCount - 1) || !m_nodes.allocate(m_slotCount)) {
        shutDown();
        return false;
    }
    try {
        m_freeMap.reset(m_tileCount);
        m_readStage = std::make_unique<std::uint8_t[]>(kSlotBytes);
        m_writeStage = std::make_unique<std::uint8_t[]>(kSlotBytes);  // zeroed
    } catch (const std::bad_alloc&) {
        shutDown();
        return false;
    }
    placeInitialTiles();
    m_freeTiles = m_tileCount;
    m_initialised = true;
    return true;
}

void VMTile::shutDown() {
    m_prefetcher.stop();
    closeAndDeleteSwapFiles();
    if (m_slotMemory != nullptr) ::munmap(m_slotMemory, m_slotMemoryBytes);
    m_slotMemory = nullptr;
    m_slotMemoryBytes = 0;
    m_readStage.reset();
    m_writeStage.reset();
    m_descriptors.reset();
    m_slots.reset();
    m_nodes.reset();
    m_freeMap.clear();
    m_memoryLimit = {};
    m_slotCount = 0;
    m_swapCap = 0;
    m_swapTileCount = 0;
    m_tileCount = 0;
    m_freeTiles = 0;
    m_lockedSlots = 0;
    m_initialised = false;
}

void VMTile::closeAndDeleteSwapFiles() {
    for (int i = 0; i < m_files.count(); ++i) {
        // Deleted while still held, so that no one else can have taken
        // the name over by the time it is deleted.
        const VMFileOpenList::Entry& file = m_files.entry(i);
        m_fileLayer.remove(file.path);
        m_fileLayer.close(file.handle);
    }
    m_files.clear();
}

void VMTile::deleteStaleSwapFiles(const VolumeList& volumes, platform::FileLayer& files) {
    for (int v = 0; v < volumes.count(); ++v) {
        if (volumes.usable(v)) deleteStaleSwapFilesIn(volumes.path(v), files);
    }
}

void VMTile::deleteStaleSwapFilesIn(const std::filesystem::path& folder,
                                    platform::FileLayer& files) {
    for (int n = 0; n < kSwapFileNames; ++n) {
        const std::filesystem::path path = folder / swapFileName(n);
        // Held while deleted, so no one can take it over in between.
        FileHandle handle = platform::kNoFile;
        if (files.openExisting(path, handle) != platform::kNoErr) continue;
        files.remove(path);
        files.close(handle);
    }
}

// Creates the swap files from the volumes' shares. Never fails as a whole:
// whatever could be created and filled is in m_files afterwards.
void VMTile::createSwapFiles(const VolumeList& volumes) {
    std::uint64_t totalTiles = 0;
    for (int v = 0; v < volumes.count(); ++v) {
        if (totalTiles >= m_swapCap || m_files.full()) break;

        const std::uint32_t shareKB = volumes.share(v);
        std::uint64_t share =
            shareKB >= kMaxSwapFileShareKB ? kMaxSwapFileBytes : std::uint64_t{shareKB} * 1024;
        share = std::min(share, (m_swapCap - totalTiles) * kSlotBytes);
        if (share == 0 || !volumes.usable(v) || share < std::uint64_t{kMinimumShareKB} * 1024)
            continue;
        share -= share % kSlotBytes;

        const std::filesystem::path folder = volumes.path(v);
        while (share >= kSlotBytes && totalTiles < m_swapCap && !m_files.full()) {
            // The first name that can be created and is not already ours.
            std::filesystem::path path;
            FileHandle handle = platform::kNoFile;
            for (int n = 0; n < kSwapFileNames && handle == platform::kNoFile; ++n) {
                const std::filesystem::path candidate = folder / swapFileName(n);
                bool ours = false;
                for (int i = 0; i < m_files.count(); ++i)
                    ours |= m_files.entry(i).path == candidate;
                if (ours) continue;
                if (m_fileLayer.create(candidate, handle) == platform::kNoErr) {
                    path = candidate;
                } else {
                    handle = platform::kNoFile;
                }
            }
            if (handle == platform::kNoFile) break;  // no name left on this volume

            // Reserving the space costs no writing where the file system
            // can do it; otherwise, or when the disk cannot take the whole
            // share, zeros are written, which leaves as much as fits.
            std::uint64_t written = share;
            FileError result = m_fileLayer.reserveZeros(handle, share);
            if (result != platform::kNoErr) result = m_fileLayer.writeZeros(handle, share, written);
            const std::uint64_t usable = written - written % kSlotBytes;
            if (usable == 0 || (result != platform::kNoErr && result != platform::kDiskFull)) {
                // Nothing usable, or a failure other than a full disk: this
                // volume gives no more.
                m_fileLayer.remove(path);
                m_fileLayer.close(handle);
                break;
            }
            m_files.add(path, handle, usable);
            totalTiles += usable / kSlotBytes;
            if (written >= share) break;
            // The disk filled before the share did: try again with the rest,
            // which normally ends with a file that gets nothing.
            share -= written;
            share -= share % kSlotBytes;
        }
    }
}

bool VMTile::reserveSlotMemory() {
    if (m_slotCount > std::numeric_limits<std::size_t>::max() / kSlotStride) return false;
    const std::size_t bytes = std::size_t{m_slotCount} * kSlotStride;
    // Address space only: pages are committed as tiles are first written, so
    // a large reservation costs nothing at start-up.
    void* memory = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (memory == MAP_FAILED) return false;
    // Tiles are touched for the first time as images grow; huge pages make
    // that one fault per 2 MB instead of one per 4 KB. Only advice: where
    // the kernel has none, small pages serve.
    ::madvise(memory, bytes, MADV_HUGEPAGE);
    m_slotMemory = static_cast<std::uint8_t*>(memory);
    m_slotMemoryBytes = bytes;
    return true;
}

// Tiles 1 ... S - 1 in slots 0 ... S - 2 with tile 1 most recent; the last
// slot is the exchange slot, whose work the read and write stages do; tiles
// S ... N fill the swap files in list order from offset 0. The zeroed tables
// say all this already (see Descriptor and RecencyNode); only the recency
// clock is set here.
void VMTile::placeInitialTiles() {
    const std::uint32_t memoryTiles = m_slotCount - 1;
    m_moveClock = memoryTiles;
    m_recentWindow = memoryTiles / 4;
    m_recentFrom = m_moveClock - m_recentWindow;
}

void VMTile::place(TileNumber tile) {
    TS_ASSERT(validTile(tile));
    Descriptor& d = m_descriptors[tile];
    TS_ASSERT((d.flags & kPlaced) == 0);
    if (tile < m_slotCount) {
        d.slot = static_cast<std::int32_t>(tile - 1);
        d.file = kNoFileIndex;
        d.fileOffset = 0;
    } else {
        std::uint64_t index = tile - m_slotCount;  // among the swap tiles
        int f = 0;
        for (;; ++f) {
            TS_ASSERT(f < m_files.count());
            const std::uint64_t tilesInFile = m_files.entry(f).size / kSlotBytes;
            if (index < tilesInFile) break;
            index -= tilesInFile;
        }
        d.slot = -1;
        d.file = static_cast<std::uint16_t>(f);
        d.fileOffset = static_cast<std::uint32_t>(index * kSlotBytes);
    }
    d.flags |= kPlaced;
}

void VMTile::prepareForTiles(std::uint64_t tiles) {
    if (!m_initialised || tiles == 0) return;
    // Tiles go out lowest first, and tile t starts out in slot t - 1: the
    // next new tiles take the slots from the lowest free tile's on.
    const TileNumber first = m_freeMap.lowestFree();
    const std::uint32_t memoryTiles = m_slotCount - 1;
    if (first == 0 || first > memoryTiles) return;
    const std::uint64_t count = std::min<std::uint64_t>(tiles, memoryTiles - (first - 1));
    m_prefetcher.start(blockOf(first - 1), static_cast<std::size_t>(count) * kSlotStride);
}

VMTile::TileNumber VMTile::allocate() {
    if (!m_initialised) return 0;
    const TileNumber tile = m_freeMap.lowestFree();
    if (tile == 0) return 0;
    m_freeMap.markUsed(tile);
    --m_freeTiles;
    Descriptor& d = m_descriptors[tile];
    d.references = 1;
    d.flags |= kContentsUndefined;
    return tile;
}

VMTile::TileNumber VMTile::allocateFilled(std::uint8_t value) {
    const TileNumber tile = allocate();
    if (tile == 0) return 0;
    std::uint8_t* samples = lock(tile);
    if (samples == nullptr) {
        release(tile);
        return 0;
    }
    std::memset(samples, value, kTileBytes);
    unlock(tile);
    return tile;
}

VMTile::TileNumber VMTile::allocateCopy(TileNumber source) {
    TS_ASSERT(validTile(source));
    TS_ASSERT(m_descriptors[source].references > 0);
    const TileNumber tile = allocate();
    if (tile == 0) return 0;
    const bool sourceWasLocked = isLocked(source);
    const std::uint8_t* from = lock(source);
    if (from == nullptr) {
        release(tile);
        return 0;
    }
    // The source stays locked, so making the copy resident cannot evict it.
    std::uint8_t* to = lock(tile);
    if (to == nullptr) {
        if (!sourceWasLocked) unlock(source);
        release(tile);
        return 0;
    }
    std::memcpy(to, from, kTileBytes);
    unlock(tile);
    if (!sourceWasLocked) unlock(source);
    return tile;
}

void VMTile::addReference(TileNumber tile) {
    TS_ASSERT(validTile(tile));
    Descriptor& d = m_descriptors[tile];
    TS_ASSERT(d.references < std::numeric_limits<std::uint32_t>::max());
    if (d.references == 0) {
        m_freeMap.markUsed(tile);
        --m_freeTiles;
    }
    ++d.references;
}

void VMTile::release(TileNumber tile) {
    TS_ASSERT(validTile(tile));
    Descriptor& d = m_descriptors[tile];
    if (d.references == 0) return;
    if (--d.references > 0) return;
    m_freeMap.markFree(tile);
    ++m_freeTiles;
    const std::int32_t slot = slotOf(tile);
    if (slot >= 0) moveToTail(static_cast<std::size_t>(slot));
}

bool VMTile::isLocked(TileNumber tile) const {
    TS_ASSERT(validTile(tile));
    const std::int32_t slot = slotOf(tile);
    return slot >= 0 && m_slots[static_cast<std::size_t>(slot)].locked;
}

std::uint8_t* VMTile::lockPagedOut(TileNumber tile) {
    if (!pageIn(tile)) return nullptr;
    return lock(tile);
}

std::uint32_t VMTile::leastRecentUnlocked() const {
    const std::uint32_t end = sentinel();
    for (std::uint32_t node = newerOf(end); node != end; node = newerOf(node)) {
        if (!m_slots[node].locked) return node;
    }
    return end;
}

// Pages `tile` in over the least recently used unlocked slot. All file I/O
// happens before any bookkeeping changes, so a failure leaves every tile
// where it was.
bool VMTile::pageIn(TileNumber tile) {
    const std::uint32_t victimNode = leastRecentUnlocked();
    TS_ASSERT(victimNode != sentinel());  // every tile slot is locked
    const std::size_t slotIndex = victimNode;
    std::uint8_t* const block = blockOf(slotIndex);
    const TileNumber victimTile = tileInSlot(victimNode);
    if (!placed(victimTile)) place(victimTile);
    Descriptor& wanted = m_descriptors[tile];
    Descriptor& victim = m_descriptors[victimTile];
    TS_ASSERT((wanted.flags & kPlaced) != 0);
    TS_ASSERT(wanted.file != kNoFileIndex);
    const FileHandle file = m_files.entry(wanted.file).handle;
    const std::uint64_t offset = wanted.fileOffset;

    // 1. The wanted tile's slot into the read stage.
    const bool readWanted = needsIo(wanted);
    if (readWanted) {
        std::size_t done = 0;
        FileError result =
            m_fileLayer.readAt(file, offset, m_readStage.get(), kSlotBytes, done);
        if (result == platform::kNoErr && done != kSlotBytes) result = platform::kIOErr;
        if (result != platform::kNoErr) {
            m_lastError = result;
            return false;
        }
    }

    // 2. The victim's samples, padded with zeros to a slot, over the
    // location just emptied.
    if (needsIo(victim)) {
        std::memcpy(m_writeStage.get(), block, kTileBytes);
        std::size_t done = 0;
        FileError result =
            m_fileLayer.writeAt(file, offset, m_writeStage.get(), kSlotBytes, done);
        if (result == platform::kNoErr && done != kSlotBytes) result = platform::kIOErr;
        if (result != platform::kNoErr) {
            m_lastError = result;
            // Put back what the failed write overwrote; the read stage
            // still holds it.
            if (done > 0 && readWanted) {
                std::size_t restored = 0;
                m_fileLayer.writeAt(file, offset, m_readStage.get(), done, restored);
            }
            return false;
        }
    }

    // 3. The victim takes over the wanted tile's file location, and the
    // wanted tile's samples take over the victim's block.
    if (readWanted) std::memcpy(block, m_readStage.get(), kTileBytes);
    victim.slot = -1;
    victim.file = wanted.file;
    victim.fileOffset = wanted.fileOffset;
    wanted.slot = static_cast<std::int32_t>(slotIndex);
    wanted.file = kNoFileIndex;
    wanted.fileOffset = 0;
    setTileInSlot(victimNode, tile);
    return true;
}

void VMTile::unlink(std::uint32_t node) {
    const std::uint32_t newer = newerOf(node);
    const std::uint32_t older = olderOf(node);
    setOlder(newer, older);
    setNewer(older, newer);
}

void VMTile::moveToHead(std::size_t slot) {
    m_slots[slot].movedAt = ++m_moveClock;
    m_recentFrom = m_moveClock - m_recentWindow;
    const auto node = static_cast<std::uint32_t>(slot);
    const std::uint32_t end = sentinel();
    const std::uint32_t head = olderOf(end);
    if (node == head) return;
    unlink(node);
    setOlder(end, node);
    setNewer(node, end);
    setOlder(node, head);
    setNewer(head, node);
}

void VMTile::moveToTail(std::size_t slot) {
    m_slots[slot].movedAt = 0;  // the next lock moves it to the head again
    const auto node = static_cast<std::uint32_t>(slot);
    const std::uint32_t end = sentinel();
    const std::uint32_t tail = newerOf(end);
    if (node == tail) return;
    unlink(node);
    setNewer(end, node);
    setOlder(node, end);
    setNewer(node, tail);
    setOlder(tail, node);
}

}  // namespace tessary
