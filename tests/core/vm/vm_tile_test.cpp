#include "vm/vm_tile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "core/vm/store_rig.h"

namespace tessary {
namespace {

using platform::FileError;
using test::physicalForSlots;
using test::StoreRig;

constexpr std::uint64_t kMB = 1024 * 1024;
constexpr std::uint64_t kGB = 1024 * kMB;

std::string readFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool fileExists(const std::filesystem::path& path) {
    return std::filesystem::exists(path);
}

// ------------------------------------------------------------------ capacity

TEST(VMTileCapacity, MemorySlotsAndSwapCapFromPhysicalMemory) {
    // Slots: half the memory x 50 / 100 / 24,624; swap cap: half x 10 / 100
    // / 16, cut so that tile numbers stay within 29 bits.
    const struct {
        std::uint64_t physical;
        std::uint32_t slots, swapCap;
    } cases[] = {
        {16 * kMB, 170, 52428},
        {64 * kMB, 681, 209715},  // 16,777,216 / 24,624
        // 12,884,901,888 x 50 / 100 / 24,624 = 261,632 without overflow.
        {24 * kGB, 261632, 80530636},
        // 2 TiB: an uncut cap of 6,871,947,673 is cut to
        // 2^29 - 1 - (S - 1) = 514,544,897.
        {std::uint64_t{2} << 40, 22326015, 514544897},
        // So much memory that the slots alone would pass 29 bits.
        {std::uint64_t{1} << 60, 0x20000000, 0},
    };
    for (const auto& c : cases) {
        const VMTile::Capacity capacity = VMTile::capacityFor(c.physical);
        EXPECT_EQ(capacity.memorySlots, c.slots) << c.physical;
        EXPECT_EQ(capacity.swapCapTiles, c.swapCap) << c.physical;
    }
    const VMTile::Capacity most = VMTile::capacityFor(~std::uint64_t{0});
    EXPECT_LE(most.memorySlots - 1 + most.swapCapTiles, 0x1FFFFFFFu);
}

TEST(VMTileCapacity, SixtyFourMegabytes) {
    StoreRig rig;
    ASSERT_TRUE(rig.start(64 * kMB, 0));
    EXPECT_EQ(rig.store.memorySlots(), 681u);
    EXPECT_EQ(rig.store.swapCapTiles(), 209715u);
    EXPECT_EQ(rig.store.swapTiles(), 0u);
    EXPECT_EQ(rig.store.tileCount(), 680u);
    EXPECT_EQ(rig.store.freeTiles(), 680u);
    EXPECT_EQ(rig.store.usedTiles(), 0u);
    EXPECT_EQ(rig.store.reservedBytes(), 681u * VMTile::kSlotStride);
}

TEST(VMTileCapacity, AControlGroupLimitBelowPhysicalMemorySizesTheStore) {
    // 64 MB of memory, but the process's group may use 16 MB.
    test::TempDir root;
    std::filesystem::create_directories(root / "proc/self");
    std::filesystem::create_directories(root / "sys/fs/cgroup/job");
    std::ofstream(root / "proc/self/cgroup") << "0::/job\n";
    std::ofstream(root / "sys/fs/cgroup/job/memory.max") << 16 * kMB << "\n";
    test::FakeSystemInfo system(root.path());
    system.physicalBytes = 64 * kMB;
    test::TempDir working;
    VolumeList volumes(system);
    ASSERT_EQ(volumes.build(working.path()), 0);
    volumes.setShare(0, 0);
    VMTile store(platform::systemFileLayer(), system);
    ASSERT_TRUE(store.initialise(volumes, 128, 128));
    EXPECT_EQ(store.memorySlots(), VMTile::capacityFor(16 * kMB).memorySlots);
    EXPECT_EQ(store.swapCapTiles(), VMTile::capacityFor(16 * kMB).swapCapTiles);
    EXPECT_EQ(store.memoryLimit().source, platform::MemoryLimit::Source::CgroupV2);
}

TEST(VMTileCapacity, SlotBlocksHoldTheSamplesAndAreNotPageAligned) {
    // Blocks a multiple of 4,096 bytes apart would put the same row of every
    // tile into one set of the first-level cache; a row crossing many tiles
    // would then evict itself. Blocks hold the samples and start a little
    // further apart, but not a whole swap-file slot apart: memory is not
    // spent on the files' padding.
    StoreRig rig;
    ASSERT_TRUE(rig.start(64 * kMB, 0));
    ASSERT_EQ(rig.store.allocate(), 1u);
    ASSERT_EQ(rig.store.allocate(), 2u);
    const std::uint8_t* first = rig.store.lock(1);
    const std::uint8_t* second = rig.store.lock(2);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    const auto apart = static_cast<std::size_t>(second > first ? second - first : first - second);
    EXPECT_GE(apart, VMTile::kTileBytes);
    EXPECT_LT(apart, VMTile::kSlotBytes);
    EXPECT_NE(apart % 4096, 0u);
    rig.store.unlock(2);
    rig.store.unlock(1);
}

TEST(VMTileCapacity, TwentyFourGigabytesComputesWithoutOverflow) {
    StoreRig rig;
    ASSERT_TRUE(rig.start(24 * kGB, 1501));
    EXPECT_EQ(rig.store.memorySlots(), 261632u);
    EXPECT_EQ(rig.store.reservedBytes(), std::size_t{261632} * VMTile::kSlotStride);  // about 6 GB
    EXPECT_EQ(rig.store.tileCount(), 62u + 261631u);
    EXPECT_LE(rig.store.tileCount(), VMTile::kMaxTileNumber);

    // The last tile of the memory slots and the first swap tile both work.
    const std::uint32_t lastResident = rig.store.memorySlots() - 1;
    for (VMTile::TileNumber t = 1; t <= lastResident + 1; ++t) ASSERT_EQ(rig.store.allocate(), t);
    test::writePattern(rig.store, lastResident + 1, 1);
    test::writePattern(rig.store, 1, 2);
    test::expectPattern(rig.store, lastResident + 1, 1);
}

TEST(VMTileCapacity, RefusesTooLittleMemoryAndOtherTileSizes) {
    StoreRig small;
    EXPECT_FALSE(small.start(physicalForSlots(2), 2000));
    EXPECT_FALSE(small.store.initialised());
    EXPECT_EQ(small.files.creates, 0);
    EXPECT_FALSE(fileExists(small.dir / "VMemF_00"));

    // Three slots: two tiles in memory, enough to copy one paged-out tile.
    StoreRig enough;
    ASSERT_TRUE(enough.start(physicalForSlots(3), 1501));
    EXPECT_EQ(enough.store.memorySlots(), 3u);
    EXPECT_EQ(enough.store.tileCount(), 64u);
    for (VMTile::TileNumber t = 1; t <= 5; ++t) {
        ASSERT_EQ(enough.store.allocate(), t);
        test::writePattern(enough.store, t, t);
    }
    EXPECT_EQ(enough.store.allocateCopy(1), 6u);
    test::expectPattern(enough.store, 6, 1);

    StoreRig wrongSize;
    wrongSize.system.physicalBytes = 64 * kMB;
    ASSERT_EQ(wrongSize.volumes.build(wrongSize.dir.path()), 0);
    wrongSize.volumes.setShare(0, 0);
    EXPECT_FALSE(wrongSize.store.initialise(wrongSize.volumes, 64, 64));
    EXPECT_FALSE(wrongSize.store.initialise(wrongSize.volumes, 128, 256));
    EXPECT_TRUE(wrongSize.store.initialise(wrongSize.volumes, 128, 128));
}

// ---------------------------------------------------------------- swap files

TEST(VMTileSwapFiles, ShareOf1500KBMakesNoFile) {
    StoreRig rig;
    ASSERT_TRUE(rig.start(64 * kMB, 1500));
    EXPECT_EQ(rig.files.creates, 0);
    EXPECT_EQ(rig.store.swapFiles().count(), 0);
    EXPECT_EQ(rig.store.swapTiles(), 0u);
    EXPECT_EQ(rig.store.tileCount(), 680u);
}

// Reserved (no bytes written) where the file system can, written otherwise;
// either way the same file of zeros.
TEST(VMTileSwapFiles, ShareOf1501KBMakesOneZeroFilledFileOf62Tiles) {
    for (const bool reserve : {false, true}) {
        SCOPED_TRACE(reserve);
        StoreRig rig;
        rig.files.reserveSpace = reserve;
        ASSERT_TRUE(rig.start(64 * kMB, 1501));
        EXPECT_EQ(rig.files.writeSizes.empty(), reserve);
        ASSERT_EQ(rig.store.swapFiles().count(), 1);
        EXPECT_TRUE(rig.store.swapFiles().valid());
        const VMFileOpenList::Entry& file = rig.store.swapFiles().entry(0);
        EXPECT_EQ(file.path, rig.dir / "VMemF_00");
        EXPECT_EQ(file.size, 1523712u);  // 24,576 x 62

        const std::string bytes = readFileBytes(rig.dir / "VMemF_00");
        EXPECT_EQ(bytes.size(), 1523712u);
        EXPECT_EQ(bytes.find_first_not_of('\0'), std::string::npos);

        EXPECT_EQ(rig.store.swapTiles(), 62u);
        EXPECT_EQ(rig.store.tileCount(), 62u + 680u);
        EXPECT_EQ(rig.store.freeTiles(), 742u);
    }
}

TEST(VMTileSwapFiles, LargeSharesGetOneFileOfAtMost0x7E000000Bytes) {
    struct Case {
        std::uint32_t shareKB;
        std::uint64_t fileBytes;
    } cases[] = {
        {0x1F8000, 0x7E000000},  // 86,016 tiles
        {0xFFFFFFFF, 0x7E000000},
        {0x1F7FFF, std::uint64_t{86015} * 24576},  // 2,113,928,192 rounded down
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shareKB);
        StoreRig rig;
        rig.files.pretendWrites = true;  // no need to put 2 GB on the disk
        ASSERT_TRUE(rig.start(64 * kMB, c.shareKB));
        ASSERT_EQ(rig.store.swapFiles().count(), 1);
        EXPECT_EQ(rig.store.swapFiles().entry(0).size, c.fileBytes);
        EXPECT_EQ(rig.store.swapTiles(), c.fileBytes / 24576);
        EXPECT_EQ(rig.files.creates, 1);
    }
}

TEST(VMTileSwapFiles, ShareIsCutToTheSwapCap) {
    // 16 MB: swap cap 8,388,608 x 10 / 100 / 16 = 52,428 tiles.
    StoreRig rig;
    rig.files.pretendWrites = true;
    ASSERT_TRUE(rig.start(16 * kMB, 0x1F8000));
    EXPECT_EQ(rig.store.swapTiles(), 52428u);
    EXPECT_EQ(rig.store.tileCount(), 52428u + 169u);
    std::uint64_t zeroBytes = 0;
    for (std::size_t size : rig.files.writeSizes) zeroBytes += size;
    EXPECT_EQ(zeroBytes, std::uint64_t{52428} * 24576);
}

TEST(VMTileSwapFiles, StaleFilesAreDeletedInUsableVolumesOnly) {
    StoreRig rig;
    ASSERT_EQ(rig.volumes.build(rig.dir.path()), 0);
    for (const char* name : {"VMemF_00", "VMemF_07", "VMemF_14", "VMemF_15", "keep.txt"})
        std::ofstream(rig.dir / name) << "old";

    rig.system.kind = platform::DriveKind::CdRom;
    rig.volumes.measure(0);
    ASSERT_FALSE(rig.volumes.usable(0));
    VMTile::deleteStaleSwapFiles(rig.volumes, rig.files);
    EXPECT_TRUE(fileExists(rig.dir / "VMemF_00"));

    // A file a running store holds (this one's or another process's) stays.
    platform::FileHandle held = platform::kNoFile;
    ASSERT_EQ(rig.files.create(rig.dir / "VMemF_09", held), platform::kNoErr);
    rig.system.kind = platform::DriveKind::Fixed;
    rig.volumes.measure(0);
    VMTile::deleteStaleSwapFiles(rig.volumes, rig.files);
    EXPECT_TRUE(fileExists(rig.dir / "VMemF_09"));
    rig.files.close(held);
    EXPECT_FALSE(fileExists(rig.dir / "VMemF_00"));
    EXPECT_FALSE(fileExists(rig.dir / "VMemF_07"));
    EXPECT_FALSE(fileExists(rig.dir / "VMemF_14"));
    EXPECT_TRUE(fileExists(rig.dir / "VMemF_15"));
    EXPECT_TRUE(fileExists(rig.dir / "keep.txt"));
}

TEST(VMTileSwapFiles, FilesAreDeletedAtShutDownAndDestruction) {
    StoreRig rig;
    ASSERT_TRUE(rig.start(64 * kMB, 1501));
    EXPECT_TRUE(fileExists(rig.dir / "VMemF_00"));
    rig.store.shutDown();
    EXPECT_FALSE(fileExists(rig.dir / "VMemF_00"));
    EXPECT_FALSE(rig.store.initialised());
    EXPECT_EQ(rig.store.tileCount(), 0u);
    EXPECT_EQ(rig.store.swapFiles().count(), 0);
    EXPECT_EQ(rig.store.allocate(), 0u);
    rig.store.shutDown();  // harmless twice

    std::filesystem::path path;
    {
        test::FakeSystemInfo system;
        VolumeList volumes(system);
        ASSERT_EQ(volumes.build(rig.dir.path()), 0);
        volumes.setShare(0, 2000);
        VMTile store(rig.files, system);
        ASSERT_TRUE(store.initialise(volumes, 128, 128));
        path = store.swapFiles().entry(0).path;
        EXPECT_TRUE(fileExists(path));
    }
    EXPECT_FALSE(fileExists(path));
}

TEST(VMTileSwapFiles, ReinitialisingReplacesTheFiles) {
    StoreRig rig;
    ASSERT_TRUE(rig.start(64 * kMB, 1501));
    ASSERT_EQ(rig.store.allocate(), 1u);
    rig.volumes.setShare(0, 3000);
    ASSERT_TRUE(rig.store.initialise(rig.volumes, 128, 128));
    ASSERT_EQ(rig.store.swapFiles().count(), 1);
    EXPECT_EQ(rig.store.swapFiles().entry(0).path, rig.dir / "VMemF_00");
    EXPECT_EQ(rig.store.swapTiles(), 3000u * 1024 / 24576);
    EXPECT_EQ(rig.store.freeTiles(), rig.store.tileCount());
    EXPECT_FALSE(fileExists(rig.dir / "VMemF_01"));
}

TEST(VMTileSwapFiles, ANameHeldByAnotherOpenerIsSkipped) {
    StoreRig rig;
    platform::FileLayer other;
    platform::FileHandle held = platform::kNoFile;
    ASSERT_EQ(other.create(rig.dir / "VMemF_00", held), platform::kNoErr);
    std::size_t done = 0;
    ASSERT_EQ(other.write(held, "someone else's", 14, done), platform::kNoErr);

    ASSERT_TRUE(rig.start(64 * kMB, 1501));
    ASSERT_EQ(rig.store.swapFiles().count(), 1);
    EXPECT_EQ(rig.store.swapFiles().entry(0).path, rig.dir / "VMemF_01");
    rig.store.shutDown();

    EXPECT_EQ(readFileBytes(rig.dir / "VMemF_00"), "someone else's");
    EXPECT_FALSE(fileExists(rig.dir / "VMemF_01"));
    other.close(held);
}

TEST(VMTileSwapFiles, AFullDiskLeavesAShorterFileThatTheStoreUses) {
    StoreRig rig;
    rig.files.diskBytesLeft = 1000000;
    rig.files.reserveSpace = true;  // refused for want of room: zeros are written
    ASSERT_TRUE(rig.start(physicalForSlots(8), 4096));

    // One short file, kept; the next one got nothing and was deleted.
    EXPECT_EQ(rig.files.creates, 2);
    ASSERT_EQ(rig.store.swapFiles().count(), 1);
    EXPECT_EQ(std::filesystem::file_size(rig.dir / "VMemF_00"), 1000000u);
    EXPECT_EQ(rig.store.swapFiles().entry(0).size, 983040u);  // 40 whole tiles
    EXPECT_FALSE(fileExists(rig.dir / "VMemF_01"));
    EXPECT_EQ(rig.store.swapTiles(), 40u);
    EXPECT_EQ(rig.store.tileCount(), 47u);

    // Every tile holds its own contents while paging through the short file.
    for (VMTile::TileNumber t = 1; t <= 47; ++t) {
        ASSERT_EQ(rig.store.allocate(), t);
        test::writePattern(rig.store, t, t * 3);
    }
    for (VMTile::TileNumber t = 47; t >= 1; --t) test::expectPattern(rig.store, t, t * 3);
}

TEST(VMTileSwapFiles, FailuresOtherThanAFullDiskDeleteTheFile) {
    for (FileError failure : {platform::kIOErr, platform::kOutOfMemory}) {
        SCOPED_TRACE(failure);
        StoreRig rig;
        if (failure == platform::kOutOfMemory)
            rig.files.largestChunk = 100;
        else
            rig.files.writeFailure = failure;
        ASSERT_TRUE(rig.start(64 * kMB, 4096));
        EXPECT_EQ(rig.files.creates, 1);
        EXPECT_EQ(rig.store.swapFiles().count(), 0);
        EXPECT_FALSE(fileExists(rig.dir / "VMemF_00"));
        EXPECT_EQ(rig.store.tileCount(), 680u);
    }
}

// The store must run from its memory slots alone when no swap file can be
// made; checks it on a store of `slots` slots.
void expectMemoryOnlyStore(StoreRig& rig, std::uint32_t slots) {
    EXPECT_EQ(rig.store.swapFiles().count(), 0);
    EXPECT_EQ(rig.store.swapTiles(), 0u);
    ASSERT_EQ(rig.store.tileCount(), slots - 1);
    for (VMTile::TileNumber t = 1; t < slots; ++t) {
        ASSERT_EQ(rig.store.allocateFilled(static_cast<std::uint8_t>(t)), t);
    }
    EXPECT_EQ(rig.store.allocate(), 0u);
    EXPECT_EQ(rig.store.allocateFilled(9), 0u);
    for (VMTile::TileNumber t = 1; t < slots; ++t) {
        const std::uint8_t* samples = rig.store.lock(t);
        ASSERT_NE(samples, nullptr);
        EXPECT_EQ(samples[0], t);
        EXPECT_EQ(samples[VMTile::kTileBytes - 1], t);
        rig.store.unlock(t);
    }
    EXPECT_TRUE(rig.files.reads.empty());
    EXPECT_TRUE(rig.files.writes.empty());
}

TEST(VMTileSwapFiles, AReadOnlyFolderLeavesTheStoreInMemory) {
    StoreRig rig;
    test::ReadOnlyFolder readOnly(rig.dir.path());
    if (!readOnly.applied()) GTEST_SKIP() << "cannot make a folder read-only here";
    ASSERT_TRUE(rig.start(physicalForSlots(16), 4096));
    EXPECT_EQ(rig.files.creates, VMTile::kSwapFileNames);  // every name tried
    expectMemoryOnlyStore(rig, 16);
}

TEST(VMTileSwapFiles, NoCreatableNameLeavesTheStoreInMemory) {
    StoreRig rig;
    rig.files.createFailure = platform::kFileBusy;
    ASSERT_TRUE(rig.start(physicalForSlots(16), 4096));
    EXPECT_EQ(rig.files.creates, VMTile::kSwapFileNames);
    expectMemoryOnlyStore(rig, 16);
}

TEST(VMTileSwapFiles, UnusableVolumesGetNoFile) {
    for (platform::DriveKind kind : {platform::DriveKind::CdRom, platform::DriveKind::Remote}) {
        StoreRig rig;
        rig.system.kind = kind;
        ASSERT_TRUE(rig.start(physicalForSlots(16), 4096));
        EXPECT_EQ(rig.files.creates, 0);
        EXPECT_EQ(rig.store.tileCount(), 15u);
    }
}

// ---------------------------------------------------------------- allocation

TEST(VMTileAllocation, LowestFreeNumberFirstAndExhaustionGivesZero) {
    StoreRig rig;
    ASSERT_TRUE(rig.start(physicalForSlots(4), 1501));  // 3 + 62 tiles
    ASSERT_EQ(rig.store.tileCount(), 65u);
    for (VMTile::TileNumber t = 1; t <= 10; ++t) ASSERT_EQ(rig.store.allocate(), t);
    rig.store.release(7);
    EXPECT_EQ(rig.store.allocate(), 7u);
    rig.store.release(5);
    rig.store.release(3);
    EXPECT_EQ(rig.store.allocate(), 3u);
    EXPECT_EQ(rig.store.allocate(), 5u);
    for (VMTile::TileNumber t = 11; t <= 65; ++t) ASSERT_EQ(rig.store.allocate(), t);
    EXPECT_EQ(rig.store.freeTiles(), 0u);
    EXPECT_EQ(rig.store.usedTiles(), 65u);
    EXPECT_EQ(rig.store.allocate(), 0u);
    EXPECT_EQ(rig.store.allocateFilled(1), 0u);
    EXPECT_EQ(rig.store.allocateCopy(1), 0u);
    rig.store.release(40);
    EXPECT_EQ(rig.store.freeTiles(), 1u);
    EXPECT_EQ(rig.store.allocate(), 40u);
    EXPECT_EQ(rig.store.allocate(), 0u);
}

TEST(VMTileAllocation, ReferenceCounting) {
    StoreRig rig;
    ASSERT_TRUE(rig.start(physicalForSlots(8), 0));
    const VMTile::TileNumber tile = rig.store.allocate();
    EXPECT_EQ(rig.store.referenceCount(tile), 1u);
    // Counts are not limited to 16 bits.
    for (int i = 0; i < 70000; ++i) rig.store.addReference(tile);
    EXPECT_EQ(rig.store.referenceCount(tile), 70001u);
    for (int i = 0; i < 70000; ++i) rig.store.release(tile);
    EXPECT_EQ(rig.store.referenceCount(tile), 1u);
    EXPECT_EQ(rig.store.freeTiles(), 6u);
    rig.store.release(tile);
    EXPECT_EQ(rig.store.referenceCount(tile), 0u);
    EXPECT_EQ(rig.store.freeTiles(), 7u);
    rig.store.release(tile);  // not below 0, and not counted free twice
    EXPECT_EQ(rig.store.referenceCount(tile), 0u);
    EXPECT_EQ(rig.store.freeTiles(), 7u);

    // A reference to a free tile takes it out of the free pool.
    rig.store.addReference(3);
    EXPECT_EQ(rig.store.freeTiles(), 6u);
    EXPECT_EQ(rig.store.allocate(), 1u);
    EXPECT_EQ(rig.store.allocate(), 2u);
    EXPECT_EQ(rig.store.allocate(), 4u);
}

TEST(VMTileAllocation, FilledTilesHoldTheirValue) {
    StoreRig rig;
    ASSERT_TRUE(rig.start(physicalForSlots(4), 1501));
    std::vector<VMTile::TileNumber> tiles;
    for (int i = 0; i < 20; ++i)
        tiles.push_back(rig.store.allocateFilled(static_cast<std::uint8_t>(i * 13)));
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(tiles[i], static_cast<VMTile::TileNumber>(i + 1));
        const std::uint8_t* samples = rig.store.lock(tiles[i]);
        ASSERT_NE(samples, nullptr);
        std::size_t wrong = 0;
        for (std::size_t k = 0; k < VMTile::kTileBytes; ++k) wrong += samples[k] != i * 13;
        EXPECT_EQ(wrong, 0u) << "tile " << tiles[i];
        rig.store.unlock(tiles[i]);
    }
}

TEST(VMTileAllocation, CopiesCarryTheWholeSlot) {
    StoreRig rig;
    ASSERT_TRUE(rig.start(physicalForSlots(4), 1501));
    for (VMTile::TileNumber t = 1; t <= 10; ++t) {
        ASSERT_EQ(rig.store.allocate(), t);
        test::writePattern(rig.store, t, 100 + t);
    }
    // Tile 1 is paged out by now; copying it pages it in beside the copy.
    ASSERT_FALSE(rig.store.isResident(1));
    const VMTile::TileNumber copy = rig.store.allocateCopy(1);
    EXPECT_EQ(copy, 11u);
    EXPECT_EQ(rig.store.referenceCount(1), 1u);
    EXPECT_EQ(rig.store.referenceCount(copy), 1u);
    EXPECT_EQ(rig.store.lockedSlots(), 0u);
    test::expectPattern(rig.store, copy, 101);
    for (VMTile::TileNumber t = 1; t <= 10; ++t) test::expectPattern(rig.store, t, 100 + t);
    // The copy is its own tile: changing it leaves the source alone.
    test::writePattern(rig.store, copy, 7);
    test::expectPattern(rig.store, 1, 101);
}

TEST(VMTileAllocation, CopyKeepsALockTheCallerHolds) {
    StoreRig rig;
    ASSERT_TRUE(rig.start(physicalForSlots(4), 1501));
    for (VMTile::TileNumber t = 1; t <= 6; ++t) {
        ASSERT_EQ(rig.store.allocate(), t);
        test::writePattern(rig.store, t, t);
    }
    std::uint8_t* held = rig.store.lock(2);
    ASSERT_NE(held, nullptr);
    const VMTile::TileNumber copy = rig.store.allocateCopy(2);
    ASSERT_NE(copy, 0u);
    EXPECT_TRUE(rig.store.isLocked(2));
    EXPECT_FALSE(rig.store.isLocked(copy));
    EXPECT_EQ(rig.store.lockedSlots(), 1u);
    EXPECT_TRUE(test::matchesPattern(held, 2));
    rig.store.unlock(2);
    test::expectPattern(rig.store, copy, 2);
}

}  // namespace
}  // namespace tessary
