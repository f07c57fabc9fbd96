#include "model/page_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "model/page_data_list.h"
#include "model/page_state_record.h"
#include "page_test_support.h"
#include "test_store.h"

namespace tessary {
namespace {

using test::edit;
using test::entriesOf;
using test::kindOf;
using test::readPlane;
using test::redoChain;
using test::TestStore;
using test::undoChain;
using Entry = ImageData::TileEntry;

std::vector<std::uint8_t> rowOf(const PageData& data, int plane, int y) {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(data.width()));
    data.readRow(plane, 0, y, data.width(), out.data());
    return out;
}

std::vector<std::uint8_t> ramp(int count, int seed) {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        out[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(seed + 3 * i);
    return out;
}

TEST(PageDataTest, BeginChangeSharesEveryTileAndWritesCopyOnlyWhatTheyTouch) {
    TestStore ts;
    PageData data(ts.store(), nullptr);
    const std::uint8_t fill = 0;
    ASSERT_TRUE(data.create(1, 384, 256, &fill));
    for (int y = 0; y < 256; ++y) {
        const auto row = ramp(384, y);
        ASSERT_TRUE(data.writeRow(0, 0, y, 384, row.data()));
    }
    const ImageData* before = data.current();
    const auto beforeEntries = entriesOf(*before);
    const std::uint32_t freeBefore = ts.store().freeTiles();

    ASSERT_TRUE(data.beginChange());
    EXPECT_TRUE(data.changeOpen());
    EXPECT_EQ(data.undoNewest(), before);
    EXPECT_EQ(data.undoCount(), 1);
    EXPECT_EQ(ts.store().freeTiles(), freeBefore);  // a table copy, no tile
    const auto shared = entriesOf(*data.current());
    for (std::size_t i = 0; i < shared.size(); ++i) {
        EXPECT_EQ(shared[i], beforeEntries[i] & ~ImageData::kPrivateBit);
    }

    // A write into tile (1, 1) copies that tile alone.
    const std::vector<std::uint8_t> row(10, 0xAB);
    ASSERT_TRUE(data.writeRow(0, 130, 140, 10, row.data()));
    EXPECT_EQ(ts.store().freeTiles(), freeBefore - 1);
    const auto after = entriesOf(*data.current());
    for (std::size_t i = 0; i < after.size(); ++i) {
        const bool touched = i == 1 * 3 + 1;
        EXPECT_EQ(after[i] == shared[i], !touched) << i;
    }
    EXPECT_EQ(entriesOf(*before), beforeEntries);
    std::vector<std::uint8_t> previous(10);
    ASSERT_TRUE(data.readRowFromPrevious(0, 130, 140, 10, previous.data()));
    const auto original = ramp(384, 140);
    EXPECT_EQ(previous, std::vector<std::uint8_t>(original.begin() + 130, original.begin() + 140));
    data.endChange();
    EXPECT_FALSE(data.changeOpen());
}

TEST(PageDataTest, FiveEditsKeepFourUndoStatesAndFourUndosReachTheFirstEdit) {
    TestStore ts;
    PageData data(ts.store(), nullptr);
    const std::uint8_t fill = 0;
    ASSERT_TRUE(data.create(1, 150, 20, &fill));
    for (int i = 1; i <= 5; ++i) ASSERT_TRUE(edit(data, 10 + i, static_cast<std::uint8_t>(i)));
    EXPECT_EQ(data.undoCount(), 4);
    EXPECT_EQ(undoChain(data).size(), 4u);
    EXPECT_EQ(data.undoKind(), 15u);

    for (int i = 4; i >= 1; --i) {
        data.undo();
        EXPECT_EQ(rowOf(data, 0, 0), std::vector<std::uint8_t>(150, static_cast<std::uint8_t>(i)));
        EXPECT_EQ(data.undoKind(), static_cast<std::uint32_t>(10 + i));
        EXPECT_EQ(data.redoKind(), static_cast<std::uint32_t>(11 + i));
    }
    EXPECT_EQ(data.undoCount(), 0);
    EXPECT_EQ(data.redoCount(), 4);
    const ImageData* first = data.current();
    data.undo();  // nothing left
    EXPECT_EQ(data.current(), first);
    EXPECT_EQ(data.undoCount(), 0);
    EXPECT_EQ(data.redoCount(), 4);
    EXPECT_EQ(rowOf(data, 0, 0), std::vector<std::uint8_t>(150, 1));

    for (int i = 2; i <= 5; ++i) {
        data.redo();
        EXPECT_EQ(rowOf(data, 0, 0), std::vector<std::uint8_t>(150, static_cast<std::uint8_t>(i)));
    }
    EXPECT_EQ(data.redoCount(), 0);
    EXPECT_EQ(data.redoKind(), 0u);
    const ImageData* last = data.current();
    data.redo();
    EXPECT_EQ(data.current(), last);
    EXPECT_EQ(data.undoCount(), 4);
}

TEST(PageDataTest, NewEditAfterUndoEmptiesTheRedoChainAndFreesItsTiles) {
    TestStore ts;
    PageData data(ts.store(), nullptr);
    const std::uint8_t fill = 0;
    ASSERT_TRUE(data.create(1, 128, 128, &fill));
    for (int i = 1; i <= 3; ++i) ASSERT_TRUE(edit(data, 20 + i, static_cast<std::uint8_t>(i)));
    data.undo();
    data.undo();
    ASSERT_EQ(data.redoCount(), 2);
    ASSERT_EQ(redoChain(data).size(), 2u);
    std::uint8_t header[4];
    data.readRedoStateRecord(header, sizeof header);
    EXPECT_EQ(header[0], 22);  // the newest redo state is the second edit
    const std::uint32_t freeBefore = ts.store().freeTiles();

    ASSERT_TRUE(edit(data, 30, 9));
    EXPECT_EQ(data.redoCount(), 0);
    EXPECT_EQ(data.redoNewest(), nullptr);
    EXPECT_EQ(data.redoOldest(), nullptr);
    EXPECT_EQ(data.undoCount(), 2);
    // The two redo states each held one tile of their own; the new edit
    // took one.
    EXPECT_EQ(ts.store().freeTiles(), freeBefore + 2 - 1);
    data.redo();
    EXPECT_EQ(rowOf(data, 0, 0), std::vector<std::uint8_t>(128, 9));
}

TEST(PageDataTest, AbortedChangeLeavesThePageExactlyAsBefore) {
    TestStore ts;
    PageData data(ts.store(), nullptr);
    const std::uint8_t fills[2] = {0, 255};
    ASSERT_TRUE(data.create(2, 300, 140, fills));
    // Four undo states already: the aborted change must not cost one.
    for (int i = 1; i <= 5; ++i) ASSERT_TRUE(edit(data, 40 + i, static_cast<std::uint8_t>(i), i));
    ASSERT_EQ(data.undoCount(), 4);

    const ImageData* current = data.current();
    const auto entries = entriesOf(*current);
    const auto plane0 = readPlane(data, 0);
    const auto plane1 = readPlane(data, 1);
    const auto chain = undoChain(data);
    std::vector<std::uint32_t> kinds;
    for (const ImageData* s : chain) kinds.push_back(kindOf(*s));
    const std::uint32_t kind = data.undoKind();
    const std::uint32_t freeBefore = ts.store().freeTiles();

    ASSERT_TRUE(data.beginChange());
    ASSERT_EQ(data.undoCount(), 5);
    const auto row = ramp(300, 77);
    for (int y = 0; y < 140; y += 7) ASSERT_TRUE(data.writeRow(0, 0, y, 300, row.data()));
    ASSERT_TRUE(data.insertPlane(1, 12));
    ASSERT_TRUE(data.writeRow(1, 0, 3, 300, row.data()));
    ASSERT_TRUE(data.removePlane(2));
    data.abortChange();

    EXPECT_FALSE(data.changeOpen());
    EXPECT_EQ(data.current(), current);
    EXPECT_EQ(data.planeCount(), 2);
    EXPECT_EQ(entriesOf(*data.current()), entries);
    EXPECT_EQ(readPlane(data, 0), plane0);
    EXPECT_EQ(readPlane(data, 1), plane1);
    EXPECT_EQ(data.undoKind(), kind);
    EXPECT_EQ(undoChain(data), chain);
    std::vector<std::uint32_t> kindsAfter;
    for (const ImageData* s : undoChain(data)) kindsAfter.push_back(kindOf(*s));
    EXPECT_EQ(kindsAfter, kinds);
    EXPECT_EQ(data.undoCount(), 4);
    EXPECT_EQ(data.redoCount(), 0);
    EXPECT_EQ(data.redoNewest(), nullptr);
    // Every tile the change took is back.
    EXPECT_EQ(ts.store().freeTiles(), freeBefore);
}

// A page that keeps no history lets go of the previous state as the edit
// finishes reading it, so rewriting a page costs no second copy; at any
// other depth the release is ignored and the abort stays exact.
TEST(PageDataTest, ReleasingThePreviousStateOnlyWithoutHistory) {
    for (const int depth : {0, 1}) {
        SCOPED_TRACE(depth);
        TestStore ts;
        PageData data(ts.store(), nullptr);
        data.setHistoryDepth(depth);
        const std::uint8_t fill = 0;
        ASSERT_TRUE(data.create(1, 300, 256, &fill));
        for (int y = 0; y < 256; ++y) ASSERT_TRUE(data.writeRow(0, 0, y, 300, ramp(300, y).data()));
        const std::uint32_t usedBefore = ts.store().usedTiles();

        // Work down the page a band of tiles at a time: read it, let it go,
        // write its new rows (an area reaching past the page lets go of the
        // tiles across its right edge too).
        ASSERT_TRUE(data.beginChange());
        std::uint32_t peak = 0;
        for (int band = 0; band < 256; band += 128) {
            std::vector<std::uint8_t> before(300);
            ASSERT_TRUE(data.readRowFromPrevious(0, 0, band + 5, 300, before.data()));
            ASSERT_EQ(before, ramp(300, band + 5));
            data.releasePrevious(0, Rect{-50, band, 1000, band + 128});
            for (int y = band; y < band + 128; ++y) {
                ASSERT_TRUE(data.writeRow(0, 0, y, 300, ramp(300, 2 * y).data()));
                peak = std::max(peak, ts.store().usedTiles());
            }
        }
        EXPECT_EQ(peak, depth == 0 ? usedBefore : 2 * usedBefore);
        data.abortChange();
        // Without history the abort keeps what the edit wrote; else the
        // page is back as it was.
        EXPECT_EQ(rowOf(data, 0, 200), ramp(300, depth == 0 ? 400 : 200));
        EXPECT_EQ(ts.store().usedTiles(), usedBefore);
        EXPECT_EQ(data.undoCount(), 0);
    }
}

TEST(PageDataTest, SharePlaneFromItselfTakesThePlaneAsBeforeTheChange) {
    TestStore ts;
    PageData data(ts.store(), nullptr);
    PageData other(ts.store(), nullptr);
    const std::uint8_t fills[2] = {10, 20};
    ASSERT_TRUE(data.create(2, 140, 10, fills));
    ASSERT_TRUE(other.create(2, 140, 10, fills));
    const auto original = ramp(140, 5);
    ASSERT_TRUE(data.writeRow(0, 0, 4, 140, original.data()));
    const auto otherRow = ramp(140, 100);
    ASSERT_TRUE(other.writeRow(0, 0, 4, 140, otherRow.data()));

    ASSERT_TRUE(data.beginChange());
    const std::vector<std::uint8_t> changed(140, 1);
    ASSERT_TRUE(data.writeRow(0, 0, 4, 140, changed.data()));
    ASSERT_TRUE(data.sharePlane(1, data, 0));
    EXPECT_EQ(rowOf(data, 1, 4), original);
    EXPECT_EQ(rowOf(data, 0, 4), changed);
    ASSERT_TRUE(data.sharePlane(1, other, 0));
    EXPECT_EQ(rowOf(data, 1, 4), otherRow);

    // Reads within a clamp rectangle of the previous state.
    std::vector<std::uint8_t> clamped(6);
    ASSERT_TRUE(data.readRowWithinFromPrevious(0, 8, 4, 6, clamped.data(), Rect{10, 0, 12, 10}));
    const std::vector<std::uint8_t> expected = {original[10], original[10], original[10],
                                                original[11], original[11], original[11]};
    EXPECT_EQ(clamped, expected);
    data.endChange();
}

// Page A holds ten tiles in its history; page B then needs more tiles than
// are free for one row: the purge cuts A's history and the write goes
// through.
class PageDataShortageTest : public ::testing::Test {
protected:
    static constexpr std::uint32_t kTiles = 39;  // 40 slots, no swap file

    void SetUp() override {
        const std::uint8_t fill = 0;
        ASSERT_TRUE(a.create(1, 256, 128, &fill));
        for (int i = 1; i <= 5; ++i) ASSERT_TRUE(edit(a, 2, static_cast<std::uint8_t>(i)));
        ASSERT_EQ(a.undoCount(), 4);
        // The first undo state is constant; the others and the current
        // state hold two tiles each.
        ASSERT_EQ(ts.store().tileCount(), kTiles);
        ASSERT_EQ(ts.store().freeTiles(), kTiles - 10);
        aCurrent = readPlane(a, 0);
    }

    TestStore ts{40, 0};
    PageDataList list;
    PageData a{ts.store(), &list};
    PageData b{ts.store(), &list};
    std::vector<std::uint8_t> aCurrent;
};

TEST_F(PageDataShortageTest, RunningOutOfTilesPurgesOtherPagesAndRetries) {
    const std::uint8_t fill = 1;
    ASSERT_TRUE(b.create(1, 128 * 33, 1, &fill));
    const auto row = ramp(128 * 33, 9);
    ASSERT_TRUE(b.writeRow(0, 0, 0, 128 * 33, row.data()));
    EXPECT_EQ(rowOf(b, 0, 0), row);
    // Trimming A to its newest undo state freed six tiles: enough.
    EXPECT_EQ(a.undoCount(), 1);
    EXPECT_EQ(ts.store().freeTiles(), kTiles - 10 + 6 - 33);
    EXPECT_EQ(readPlane(a, 0), aCurrent);
}

TEST_F(PageDataShortageTest, WhenNothingCanBeFreedTheOperationFailsAndChangesNothing) {
    const std::uint8_t fill = 1;
    ASSERT_TRUE(b.create(1, 128 * 38, 1, &fill));
    const auto entriesBefore = entriesOf(*b.current());
    const auto row = ramp(128 * 38, 9);
    EXPECT_FALSE(b.writeRow(0, 0, 0, 128 * 38, row.data()));
    EXPECT_EQ(entriesOf(*b.current()), entriesBefore);
    EXPECT_EQ(rowOf(b, 0, 0), std::vector<std::uint8_t>(128 * 38, 1));
    // A gave all its history; its current state is intact.
    EXPECT_EQ(a.undoCount(), 0);
    EXPECT_EQ(readPlane(a, 0), aCurrent);
    EXPECT_EQ(ts.store().freeTiles(), kTiles - 2);
}

// B maps all its tiles in a change: a fresh tile each, more than are free.
// The retry loop purges A's history until they fit, or fails without change
// when nothing more can be freed.
TEST_F(PageDataShortageTest, TileMapsRetryAfterThePurge) {
    auto mapAll = [&](int tilesAcross) {
        const std::uint8_t fill = 1;
        EXPECT_TRUE(b.create(1, 128 * tilesAcross, 128, &fill));
        for (int y = 0; y < 128; ++y) {
            const auto row = ramp(128 * tilesAcross, y);
            EXPECT_TRUE(b.writeRow(0, 0, y, 128 * tilesAcross, row.data()));
        }
        EXPECT_TRUE(b.beginChange());
        const Rect whole{0, 0, 128 * tilesAcross, 128};
        EXPECT_EQ(b.wholeTilesFromPrevious(0, whole), whole);
        return b.mapTilesFromPrevious(
            0, whole, [](const std::uint8_t* in, std::uint8_t* out, std::size_t count) {
                for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<std::uint8_t>(~in[i]);
            });
    };

    // 16 tiles written leave 13 free; trimming A frees 6.
    ASSERT_TRUE(mapAll(16));
    EXPECT_EQ(a.undoCount(), 1);
    EXPECT_EQ(ts.store().freeTiles(), kTiles - 10 + 6 - 32);
    for (int y = 0; y < 128; y += 31) {
        auto expected = ramp(128 * 16, y);
        for (auto& v : expected) v = static_cast<std::uint8_t>(~v);
        EXPECT_EQ(rowOf(b, 0, y), expected);
    }
    EXPECT_EQ(readPlane(a, 0), aCurrent);
    b.abortChange();
    EXPECT_EQ(rowOf(b, 0, 5), ramp(128 * 16, 5));

    // 19 tiles written leave too few even with all of A's history gone.
    ASSERT_FALSE(mapAll(19));
    EXPECT_EQ(a.undoCount(), 0);
    EXPECT_EQ(ts.store().freeTiles(), kTiles - 2 - 19);
    EXPECT_EQ(rowOf(b, 0, 7), ramp(128 * 19, 7));
    // Still the table copy that began the change.
    auto shared = entriesOf(*b.undoNewest());
    for (auto& e : shared) e &= ~ImageData::kPrivateBit;
    EXPECT_EQ(entriesOf(*b.current()), shared);
    b.abortChange();
}

// Failures that are no shortage of tiles (a swap file that cannot be read or
// written, a plane origin past 32 bits) fail at once: the purge must not take
// another page's history for them.
TEST(PageDataTest, FailuresOtherThanAShortageDoNotPurge) {
    enum class Cause { kRead, kWrite, kOriginOverflow };
    for (const Cause cause : {Cause::kRead, Cause::kWrite, Cause::kOriginOverflow}) {
        SCOPED_TRACE(static_cast<int>(cause));
        TestStore ts{8, 2048};  // 7 tile slots: most tiles live in the swap file
        PageDataList list;
        PageData a(ts.store(), &list);
        PageData b(ts.store(), &list);
        const std::uint8_t fill = 0;
        ASSERT_TRUE(a.create(1, 256, 128, &fill));
        for (int i = 1; i <= 5; ++i) ASSERT_TRUE(edit(a, 2, static_cast<std::uint8_t>(i)));
        ASSERT_EQ(a.undoCount(), 4);
        ASSERT_TRUE(b.create(1, 512, 512, &fill));
        for (int y = 0; y < 512; ++y) ASSERT_TRUE(b.writeRow(0, 0, y, 512, ramp(512, y).data()));
        ASSERT_FALSE(ts.store().isResident(ImageData::tileOf(b.current()->entry(0, 0, 0))));
        const auto entries = entriesOf(*b.current());

        bool done = false;
        if (cause == Cause::kOriginOverflow) {
            ASSERT_TRUE(b.offsetPlane(0, -100, 0, 0));
            done = b.offsetPlane(0, std::numeric_limits<std::int32_t>::min(), 0, 0);
            EXPECT_EQ(b.lastFailure(), ImageData::Failure::kLimits);
            EXPECT_EQ(b.current()->plane(0).originX, -100);
        } else {
            ts.files().failReads = cause == Cause::kRead;
            ts.files().failWrites = cause == Cause::kWrite;
            done = b.writeRow(0, 0, 5, 512, ramp(512, 99).data());
            ts.files().failReads = ts.files().failWrites = false;
            EXPECT_EQ(b.lastFailure(), ImageData::Failure::kStore);
            EXPECT_EQ(entriesOf(*b.current()), entries);
            EXPECT_EQ(rowOf(b, 0, 5), ramp(512, 5));
        }
        EXPECT_FALSE(done);
        EXPECT_EQ(a.undoCount(), 4);
    }
}

TEST(PageDataTest, DestroyingAPageDataReturnsEveryTile) {
    TestStore ts;
    const std::uint32_t freeAtStart = ts.store().freeTiles();
    {
        PageDataList list;
        PageData data(ts.store(), &list);
        const std::uint8_t fill = 0;
        ASSERT_TRUE(data.create(1, 300, 300, &fill));
        for (int i = 1; i <= 6; ++i)
            ASSERT_TRUE(edit(data, 2, static_cast<std::uint8_t>(i), i * 40));
        data.undo();
        data.undo();
        ASSERT_LT(ts.store().freeTiles(), freeAtStart);
    }
    EXPECT_EQ(ts.store().freeTiles(), freeAtStart);
}

}  // namespace
}  // namespace tessary
