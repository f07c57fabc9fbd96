#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <ostream>
#include <random>
#include <set>
#include <vector>

#include "core/vm/store_rig.h"
#include "vm/vm_tile.h"

namespace tessary {
namespace {

using platform::FileError;
using test::physicalForSlots;
using test::StoreRig;
using Tile = VMTile::TileNumber;

// A store of 3 tile slots (S = 4) and one swap file of 62 tiles: tiles 1-3
// start in memory, 4-65 in the file at offsets 0, 24,576, ...
class SmallStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(rig.start(physicalForSlots(4), 1501));
        ASSERT_EQ(rig.store.tileCount(), 65u);
        ASSERT_EQ(rig.store.swapFiles().count(), 1);
        swapFile = rig.store.swapFiles().entry(0).handle;
    }

    // Allocates every tile and gives each its own pattern.
    void fillAllTiles() {
        for (Tile t = 1; t <= rig.store.tileCount(); ++t) {
            ASSERT_EQ(rig.store.allocate(), t);
            test::writePattern(rig.store, t, t);
        }
    }

    std::vector<Tile> residentTiles() {
        std::vector<Tile> resident;
        for (Tile t = 1; t <= rig.store.tileCount(); ++t)
            if (rig.store.isResident(t)) resident.push_back(t);
        return resident;
    }

    StoreRig rig;
    platform::FileHandle swapFile = platform::kNoFile;
};

TEST_F(SmallStoreTest, InitialPlacement) {
    EXPECT_EQ(residentTiles(), (std::vector<Tile>{1, 2, 3}));
    EXPECT_EQ(rig.store.freeTiles(), 65u);
    EXPECT_EQ(rig.store.lockedSlots(), 0u);
}

TEST_F(SmallStoreTest, TheLeastRecentlyUsedTileIsEvicted) {
    // Recency starts 1, 2, 3 (3 least recent).
    ASSERT_NE(rig.store.lock(3), nullptr);
    rig.store.unlock(3);  // now 3, 1, 2
    ASSERT_NE(rig.store.lock(10), nullptr);
    rig.store.unlock(10);  // 10, 3, 1; 2 evicted
    EXPECT_EQ(residentTiles(), (std::vector<Tile>{1, 3, 10}));
    ASSERT_NE(rig.store.lock(1), nullptr);
    rig.store.unlock(1);  // 1, 10, 3
    ASSERT_NE(rig.store.lock(20), nullptr);
    rig.store.unlock(20);  // 20, 1, 10; 3 evicted
    EXPECT_EQ(residentTiles(), (std::vector<Tile>{1, 10, 20}));
}

TEST_F(SmallStoreTest, AReleasedTileIsReusedFirst) {
    for (Tile t = 1; t <= 3; ++t) ASSERT_EQ(rig.store.allocate(), t);
    ASSERT_NE(rig.store.lock(1), nullptr);
    rig.store.unlock(1);   // recency 1, 2, 3: tile 1 most recent
    rig.store.release(1);  // its slot goes to the tail
    ASSERT_NE(rig.store.lock(30), nullptr);
    rig.store.unlock(30);
    EXPECT_EQ(residentTiles(), (std::vector<Tile>{2, 3, 30}));
}

TEST_F(SmallStoreTest, ATileReleasedBeforeItsFirstLockFreesTheSlotItStartedIn) {
    for (Tile t = 1; t <= 3; ++t) ASSERT_EQ(rig.store.allocate(), t);
    ASSERT_NE(rig.store.lock(1), nullptr);
    rig.store.unlock(1);   // recency 1, 2, 3
    rig.store.release(2);  // never locked: slot 1 goes to the tail
    ASSERT_NE(rig.store.lock(30), nullptr);
    rig.store.unlock(30);
    EXPECT_EQ(residentTiles(), (std::vector<Tile>{1, 3, 30}));
}

TEST_F(SmallStoreTest, TilesThatWereNeverWrittenCostNoIo) {
    // Free tiles paged through free slots.
    for (Tile t = 4; t <= 65; ++t) {
        ASSERT_NE(rig.store.lock(t), nullptr);
        rig.store.unlock(t);
    }
    EXPECT_TRUE(rig.files.reads.empty());
    EXPECT_TRUE(rig.files.writes.empty());

    // Allocated but never written (nor locked): still nothing to read.
    for (Tile t = 1; t <= 65; ++t) ASSERT_EQ(rig.store.allocate(), t);
    for (Tile t = 1; t <= 65; ++t) {
        ASSERT_NE(rig.store.lock(t), nullptr);
        rig.store.unlock(t);
    }
    EXPECT_TRUE(rig.files.reads.empty());
    // Locked tiles count as written; evicting them afterwards writes them.
    EXPECT_FALSE(rig.files.writes.empty());
}

TEST_F(SmallStoreTest, EveryPageInIsOneReadAndAtMostOneWrite) {
    fillAllTiles();
    std::mt19937 random(7);
    int pageIns = 0;
    for (int step = 0; step < 500; ++step) {
        const Tile tile = 1 + random() % 65;
        const bool wasResident = rig.store.isResident(tile);
        rig.files.resetCounts();
        test::expectPattern(rig.store, tile, tile);
        if (wasResident) {
            EXPECT_TRUE(rig.files.reads.empty());
            EXPECT_TRUE(rig.files.writes.empty());
            continue;
        }
        ++pageIns;
        // One read of the tile's slot, and the evicted tile written to the
        // very place the read emptied.
        ASSERT_EQ(rig.files.reads.size(), 1u);
        ASSERT_EQ(rig.files.writes.size(), 1u);
        EXPECT_EQ(rig.files.reads[0].count, VMTile::kSlotBytes);
        EXPECT_EQ(rig.files.writes[0].count, VMTile::kSlotBytes);
        EXPECT_EQ(rig.files.reads[0].file, swapFile);
        EXPECT_EQ(rig.files.writes[0].offset, rig.files.reads[0].offset);
        EXPECT_EQ(rig.files.reads[0].offset % VMTile::kSlotBytes, 0u);
        EXPECT_LT(rig.files.reads[0].offset, 62u * VMTile::kSlotBytes);
    }
    EXPECT_GT(pageIns, 400);
}

// Memory holds a tile's samples alone; on disk each slot is the samples
// followed by zeros up to the slot size, whatever was paged in and out.
TEST_F(SmallStoreTest, SwapSlotsHoldTheSamplesThenZeros) {
    fillAllTiles();
    std::mt19937 random(11);
    for (int step = 0; step < 300; ++step) {
        const Tile tile = 1 + random() % 65;
        test::expectPattern(rig.store, tile, tile);
    }
    std::ifstream in(rig.store.swapFiles().entry(0).path, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    ASSERT_EQ(bytes.size() % VMTile::kSlotBytes, 0u);
    std::set<Tile> onDisk;
    for (std::size_t at = 0; at < bytes.size(); at += VMTile::kSlotBytes) {
        const std::uint8_t* slot = bytes.data() + at;
        for (Tile t = 1; t <= 65; ++t) {
            if (test::matchesPattern(slot, t)) onDisk.insert(t);
        }
        for (std::size_t i = VMTile::kTileBytes; i < VMTile::kSlotBytes; ++i)
            ASSERT_EQ(slot[i], 0) << "slot at " << at << ", byte " << i;
    }
    // Every tile out of memory is found whole in some slot.
    for (Tile t = 1; t <= 65; ++t) {
        if (!rig.store.isResident(t)) {
            EXPECT_TRUE(onDisk.count(t)) << "tile " << t;
        }
    }
}

TEST_F(SmallStoreTest, FreeVictimsAreNotWritten) {
    fillAllTiles();
    ASSERT_EQ(residentTiles(), (std::vector<Tile>{63, 64, 65}));
    rig.store.release(64);  // free and least recent
    rig.files.resetCounts();
    test::expectPattern(rig.store, 10, 10);
    EXPECT_EQ(rig.files.reads.size(), 1u);
    EXPECT_TRUE(rig.files.writes.empty());
    EXPECT_EQ(residentTiles(), (std::vector<Tile>{10, 63, 65}));
}

TEST_F(SmallStoreTest, LockedTilesAreNeverEvicted) {
    fillAllTiles();
    std::uint8_t* first = rig.store.lock(5);
    std::uint8_t* second = rig.store.lock(50);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(rig.store.lockedSlots(), 2u);
    for (Tile t = 1; t <= 65; ++t) {
        if (t == 5 || t == 50) continue;
        test::expectPattern(rig.store, t, t);
        ASSERT_TRUE(rig.store.isResident(5));
        ASSERT_TRUE(rig.store.isResident(50));
    }
    EXPECT_TRUE(test::matchesPattern(first, 5));
    EXPECT_TRUE(test::matchesPattern(second, 50));
    rig.store.unlock(5);
    rig.store.unlock(50);
    EXPECT_EQ(rig.store.lockedSlots(), 0u);
}

using SmallStoreDeathTest = SmallStoreTest;

TEST_F(SmallStoreDeathTest, LockingWithEveryTileSlotLockedIsAProgrammingError) {
    ASSERT_NE(rig.store.lock(1), nullptr);
    ASSERT_NE(rig.store.lock(2), nullptr);
    ASSERT_NE(rig.store.lock(3), nullptr);
    EXPECT_EQ(rig.store.lock(2), rig.store.lock(2));  // resident: fine
    EXPECT_DEATH(rig.store.lock(4), "assertion failed");
}

// -------------------------------------------------- failures while paging

struct WriteFailure {
    FileError code;
    std::size_t bytesBeforeFailure;
};

void PrintTo(const WriteFailure& failure, std::ostream* out) {
    *out << "code " << failure.code << " after " << failure.bytesBeforeFailure << " bytes";
}

class FailedPagingTest : public SmallStoreTest,
                         public ::testing::WithParamInterface<WriteFailure> {};

TEST_P(FailedPagingTest, AFailedVictimWriteLeavesEveryTileIntact) {
    fillAllTiles();
    const std::vector<Tile> residentBefore = residentTiles();
    Tile wanted = 1;
    while (rig.store.isResident(wanted)) ++wanted;

    rig.files.writeAtFailure = GetParam().code;
    rig.files.writeAtBytesBeforeFailure = GetParam().bytesBeforeFailure;
    EXPECT_EQ(rig.store.lock(wanted), nullptr);
    EXPECT_EQ(rig.store.lastError(), GetParam().code);
    EXPECT_EQ(rig.store.lockedSlots(), 0u);
    EXPECT_FALSE(rig.store.isResident(wanted));
    EXPECT_EQ(residentTiles(), residentBefore);  // the victim is still in memory

    rig.files.writeAtFailure.reset();
    for (Tile t = 1; t <= 65; ++t) test::expectPattern(rig.store, t, t);
}

INSTANTIATE_TEST_SUITE_P(Codes, FailedPagingTest,
                         ::testing::Values(WriteFailure{platform::kIOErr, 0},
                                           WriteFailure{platform::kDiskFull, 0},
                                           WriteFailure{platform::kIOErr, 10000},
                                           WriteFailure{platform::kDiskFull, 24575}));

// A read that fails, or comes back short without an error, must not hand out
// whatever the read stage held before (another tile's samples).
struct ReadFailure {
    std::optional<FileError> code;
    std::optional<std::size_t> shortTo;
};

void PrintTo(const ReadFailure& failure, std::ostream* out) {
    if (failure.code) *out << "code " << *failure.code;
    if (failure.shortTo) *out << "short read of " << *failure.shortTo << " bytes";
}

class FailedReadTest : public SmallStoreTest, public ::testing::WithParamInterface<ReadFailure> {};

TEST_P(FailedReadTest, AFailedReadLeavesEveryTileIntact) {
    fillAllTiles();
    const std::vector<Tile> residentBefore = residentTiles();
    ASSERT_EQ(residentBefore, (std::vector<Tile>{63, 64, 65}));
    rig.files.resetCounts();

    rig.files.readAtFailure = GetParam().code;
    rig.files.readAtShortTo = GetParam().shortTo;
    EXPECT_EQ(rig.store.lock(20), nullptr);
    EXPECT_EQ(rig.store.lastError(), GetParam().code.value_or(platform::kIOErr));
    EXPECT_EQ(rig.files.reads.size(), 1u);
    EXPECT_TRUE(rig.files.writes.empty());
    EXPECT_EQ(residentTiles(), residentBefore);
    EXPECT_EQ(rig.store.lockedSlots(), 0u);

    // A copy whose source cannot be read fails and gives its new tile back.
    rig.store.release(30);
    const std::uint32_t freeBefore = rig.store.freeTiles();
    EXPECT_EQ(rig.store.allocateCopy(21), 0u);
    EXPECT_EQ(rig.store.freeTiles(), freeBefore);
    EXPECT_EQ(rig.store.referenceCount(30), 0u);
    EXPECT_EQ(rig.store.lockedSlots(), 0u);

    rig.files.readAtFailure.reset();
    rig.files.readAtShortTo.reset();
    for (Tile t = 1; t <= 65; ++t) {
        if (t != 30) test::expectPattern(rig.store, t, t);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, FailedReadTest,
                         ::testing::Values(ReadFailure{platform::kIOErr, {}}, ReadFailure{{}, 0},
                                           ReadFailure{{}, 16384}, ReadFailure{{}, 24575}));

// ------------------------------------------------------------ stress

// About 64 memory slots and a 4 MB swap file (170 tiles): many more tiles
// than slots. Tiles are written with distinct patterns, then locked at random
// and checked bit for bit while tiles are freed, reallocated, copied and
// shared. A plain map from tile to pattern seed is the reference.
TEST(VMTilePagingStress, RandomLocksSeeExactlyWhatWasWritten) {
    for (std::uint32_t seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        StoreRig rig;
        ASSERT_TRUE(rig.start(physicalForSlots(64), 4096));
        ASSERT_EQ(rig.store.memorySlots(), 64u);
        ASSERT_EQ(rig.store.swapTiles(), 170u);
        const Tile count = rig.store.tileCount();
        ASSERT_EQ(count, 233u);

        std::map<Tile, std::uint32_t> expected;  // tile -> pattern seed
        std::map<Tile, std::uint32_t> references;
        std::set<Tile> free;
        std::uint32_t nextSeed = 1000;
        for (Tile t = 1; t <= count; ++t) {
            ASSERT_EQ(rig.store.allocate(), t);
            expected[t] = nextSeed;
            references[t] = 1;
            test::writePattern(rig.store, t, nextSeed++);
        }

        std::mt19937 random(seed);
        for (int step = 0; step < 6000; ++step) {
            const Tile tile = 1 + random() % count;
            const unsigned action = random() % 10;
            rig.files.resetCounts();
            if (free.count(tile) != 0) {
                // Reallocation hands out the lowest free number.
                const Tile lowest = *free.begin();
                const Tile got = action < 5 ? rig.store.allocate() : 0;
                if (action < 5) {
                    ASSERT_EQ(got, lowest);
                    free.erase(got);
                    references[got] = 1;
                    expected[got] = nextSeed;
                    test::writePattern(rig.store, got, nextSeed++);
                }
            } else if (action == 0) {
                // Drop every reference: the tile becomes free.
                for (std::uint32_t r = references[tile]; r > 0; --r) rig.store.release(tile);
                references[tile] = 0;
                free.insert(tile);
            } else if (action == 1) {
                rig.store.addReference(tile);
                ++references[tile];
            } else if (action == 2 && references[tile] > 1) {
                rig.store.release(tile);
                --references[tile];
            } else if (action == 3 && !free.empty()) {
                const Tile lowest = *free.begin();
                const Tile copy = rig.store.allocateCopy(tile);
                ASSERT_EQ(copy, lowest);
                free.erase(copy);
                references[copy] = 1;
                expected[copy] = expected[tile];
            } else if (action == 4) {
                expected[tile] = nextSeed;
                test::writePattern(rig.store, tile, nextSeed++);
            } else {
                test::expectPattern(rig.store, tile, expected[tile]);
            }
            // Whatever happened, one step pages at most two tiles in (a copy
            // pages in the source and the new tile), each with one read of a
            // slot and at most one write.
            ASSERT_LE(rig.files.reads.size(), 2u);
            ASSERT_LE(rig.files.writes.size(), 2u);
            for (const auto& r : rig.files.reads) ASSERT_EQ(r.count, VMTile::kSlotBytes);
            for (const auto& w : rig.files.writes) ASSERT_EQ(w.count, VMTile::kSlotBytes);
            ASSERT_EQ(rig.store.freeTiles(), free.size());
            ASSERT_EQ(rig.store.lockedSlots(), 0u);
        }

        // Every live tile, and the reference counts, as the model says.
        for (Tile t = 1; t <= count; ++t) {
            ASSERT_EQ(rig.store.referenceCount(t), references[t]) << "tile " << t;
            if (references[t] > 0) test::expectPattern(rig.store, t, expected[t]);
        }
    }
}

// A store of 63 tile slots: tiles used again while they are among the newest
// quarter of the recency list are not relinked, but a working set that is
// used every round must still never be evicted while other tiles stream
// through the remaining slots.
TEST(VMTileRecency, AWorkingSetUsedEveryRoundStaysResidentWhileOthersPage) {
    StoreRig rig;
    ASSERT_TRUE(rig.start(physicalForSlots(64), 8 * 1024));
    ASSERT_EQ(rig.store.memorySlots(), 64u);
    const Tile total = rig.store.tileCount();
    for (Tile t = 1; t <= total; ++t) {
        ASSERT_EQ(rig.store.allocate(), t);
        test::writePattern(rig.store, t, t);
    }
    // The working set starts in the swap file, so it must earn its place.
    const std::vector<Tile> working = {64, 66, 69, 71, 75, 78, 80, 83, 85, 90};
    const Tile firstStreaming = 100;
    Tile streaming = firstStreaming;
    for (int round = 0; round < 300; ++round) {
        for (Tile t : working) {
            ASSERT_NE(rig.store.lock(t), nullptr);
            rig.store.unlock(t);
        }
        // Two tiles from outside the working set per round force two evictions.
        for (int k = 0; k < 2; ++k) {
            ASSERT_NE(rig.store.lock(streaming), nullptr);
            rig.store.unlock(streaming);
            streaming = streaming == total ? firstStreaming : streaming + 1;
        }
        if (round == 0) continue;  // the first round pages the working set in
        for (Tile t : working)
            ASSERT_TRUE(rig.store.isResident(t)) << "round " << round << " tile " << t;
    }
    // Every tile still holds its own pattern after all that paging.
    for (Tile t = 1; t <= total; ++t) test::expectPattern(rig.store, t, t);
}

}  // namespace
}  // namespace tessary
