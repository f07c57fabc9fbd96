#include "model/image_data.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <numeric>
#include <vector>

#include "test_store.h"

namespace tessary {
namespace {

using test::TestStore;
using Entry = ImageData::TileEntry;

std::vector<std::uint8_t> readRow(const ImageData& image, int plane, int x, int y, int count) {
    std::vector<std::uint8_t> out(count, 0xEE);
    image.readRow(plane, x, y, count, out.data());
    return out;
}

std::vector<std::uint8_t> pattern(int count, int seed) {
    std::vector<std::uint8_t> out(count);
    for (int i = 0; i < count; ++i) out[i] = static_cast<std::uint8_t>(seed + i * 7 + i / 13);
    return out;
}

// All entries of a plane, row by row.
std::vector<Entry> entriesOf(const ImageData& image, int plane) {
    std::vector<Entry> out;
    const auto& record = image.plane(plane);
    for (int r = 0; r < record.tilesDown; ++r)
        for (int c = 0; c < record.tilesAcross; ++c) out.push_back(image.entry(plane, c, r));
    return out;
}

// Takes tiles from the store into `taken`, or gives them back, until
// exactly `count` tiles are free.
void leaveFree(VMTile& store, std::vector<VMTile::TileNumber>& taken, std::uint32_t count) {
    while (store.freeTiles() > count) taken.push_back(store.allocate());
    while (store.freeTiles() < count) {
        store.release(taken.back());
        taken.pop_back();
    }
}

// Writes every row of a plane's first `rows` rows so that each tile becomes
// a private store tile.
void writeRows(ImageData& image, int plane, int rows, int seed) {
    for (int y = 0; y < rows; ++y) {
        const auto data = pattern(image.width(), seed + y);
        ASSERT_TRUE(image.writeRow(plane, 0, y, image.width(), data.data()));
    }
}

TEST(ImageDataTest, CreateBuildsConstantEntriesOverTheWholeGrid) {
    TestStore ts;
    const std::uint32_t free = ts.store().freeTiles();
    ImageData image(ts.store());
    const std::uint8_t fills[2] = {10, 200};
    ASSERT_TRUE(image.create(2, 300, 129, fills));
    EXPECT_TRUE(image.allocated());
    EXPECT_EQ(image.width(), 300);
    EXPECT_EQ(image.height(), 129);
    EXPECT_EQ(image.planeCount(), 2);
    for (int p = 0; p < 2; ++p) {
        EXPECT_EQ(image.plane(p).originX, 0);
        EXPECT_EQ(image.plane(p).originY, 0);
        EXPECT_EQ(image.plane(p).tilesAcross, 3);
        EXPECT_EQ(image.plane(p).tilesDown, 2);
        for (Entry e : entriesOf(image, p)) EXPECT_EQ(e, 0x20000000u | fills[p]);
    }
    EXPECT_EQ(image.tileTableBytes(), 2u * 6 * 4);
    EXPECT_EQ(ts.store().freeTiles(), free);  // no storage for untouched tiles

    ImageData bad(ts.store());
    EXPECT_FALSE(bad.create(0, 10, 10, fills));
    EXPECT_FALSE(bad.create(65, 10, 10, fills));
    EXPECT_FALSE(bad.create(1, -1, 10, fills));
    EXPECT_FALSE(bad.allocated());
}

TEST(ImageDataTest, ATableTooLargeForItsOffsetsIsRefused) {
    TestStore ts;
    ImageData image(ts.store());
    const std::uint8_t fills[64] = {};
    ASSERT_TRUE(image.create(1, 10, 10, fills));
    // 2^24 x 2^24 tiles a plane cannot be addressed with 32-bit offsets.
    EXPECT_FALSE(image.create(64, 0x7FFFFFFF, 0x7FFFFFFF, fills));
    EXPECT_EQ(image.width(), 10);  // the old state is intact
    EXPECT_EQ(image.planeCount(), 1);
}

TEST(ImageDataTest, OneByOneImageReadsItsFillEverywhere) {
    TestStore ts;
    ImageData image(ts.store());
    const std::uint8_t fills[3] = {1, 2, 3};
    ASSERT_TRUE(image.create(3, 1, 1, fills));
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(image.plane(p).tilesAcross, 1);
        EXPECT_EQ(image.plane(p).tilesDown, 1);
        for (int y : {-1000, 0, 1, 127, 5000}) {
            EXPECT_EQ(readRow(image, p, -700, y, 1500), std::vector<std::uint8_t>(1500, fills[p]));
        }
        std::vector<std::uint8_t> filled(40);
        image.readRowOrFill(p, -20, 0, 40, filled.data(), 99);
        for (int i = 0; i < 40; ++i) EXPECT_EQ(filled[i], i >= 20 && i < 148 ? fills[p] : 99);
    }
}

TEST(ImageDataTest, WritingAConstantTilesOwnValueAllocatesNothing) {
    TestStore ts(8);  // seven tiles in all
    ImageData image(ts.store());
    const std::uint8_t fill = 7;
    ASSERT_TRUE(image.create(1, 1000, 300, &fill));
    const std::uint32_t free = ts.store().freeTiles();
    const std::vector<std::uint8_t> sevens(1000, 7);
    ASSERT_TRUE(image.writeRow(0, 0, 5, 1000, sevens.data()));
    ASSERT_TRUE(image.writeColumn(0, 3, 0, 300, sevens.data()));
    EXPECT_EQ(ts.store().freeTiles(), free);
    for (Entry e : entriesOf(image, 0)) EXPECT_EQ(e, ImageData::constantEntry(7));

    // Even with no free tile at all.
    std::vector<VMTile::TileNumber> taken;
    leaveFree(ts.store(), taken, 0);
    EXPECT_TRUE(image.writeRow(0, 0, 6, 1000, sevens.data()));
    leaveFree(ts.store(), taken, free);

    // One differing sample makes that one tile real.
    std::vector<std::uint8_t> row = sevens;
    row[300] = 8;
    ASSERT_TRUE(image.writeRow(0, 0, 130, 1000, row.data()));
    EXPECT_EQ(ts.store().freeTiles(), free - 1);
    const Entry e = image.entry(0, 2, 1);
    EXPECT_FALSE(ImageData::isConstant(e));
    EXPECT_TRUE(ImageData::isPrivate(e));
    EXPECT_EQ(ts.store().referenceCount(ImageData::tileOf(e)), 1u);
    EXPECT_EQ(image.entry(0, 1, 1), ImageData::constantEntry(7));
    EXPECT_EQ(readRow(image, 0, 0, 130, 1000), row);
    EXPECT_EQ(readRow(image, 0, 256, 131, 128),
              std::vector<std::uint8_t>(128, 7));  // rest of the tile
}

TEST(ImageDataTest, WriteRowIsAllOrNothingWhenTheStoreIsShort) {
    TestStore ts(8);
    ImageData image(ts.store());
    const std::uint8_t fill = 50;
    ASSERT_TRUE(image.create(1, 640, 256, &fill));
    ASSERT_EQ(ts.store().freeTiles(), 7u);

    // Five tiles crossed; the part over tile 2 equals its constant, so the
    // run needs four tiles.
    std::vector<std::uint8_t> row = pattern(640, 1);
    std::fill(row.begin() + 256, row.begin() + 384, fill);
    std::vector<VMTile::TileNumber> taken;
    leaveFree(ts.store(), taken, 3);
    const auto before = entriesOf(image, 0);
    EXPECT_FALSE(image.writeRow(0, 0, 10, 640, row.data()));
    EXPECT_EQ(entriesOf(image, 0), before);
    EXPECT_EQ(ts.store().freeTiles(), 3u);
    EXPECT_EQ(readRow(image, 0, 0, 10, 640), std::vector<std::uint8_t>(640, fill));

    // The same for a column crossing both tile rows.
    const auto column = pattern(256, 3);
    leaveFree(ts.store(), taken, 1);
    EXPECT_FALSE(image.writeColumn(0, 5, 0, 256, column.data()));
    EXPECT_EQ(entriesOf(image, 0), before);
    EXPECT_EQ(ts.store().freeTiles(), 1u);

    // With exactly four free the row goes through.
    leaveFree(ts.store(), taken, 4);
    ASSERT_TRUE(image.writeRow(0, 0, 10, 640, row.data()));
    EXPECT_EQ(ts.store().freeTiles(), 0u);
    EXPECT_EQ(image.entry(0, 2, 0), ImageData::constantEntry(fill));
    EXPECT_EQ(readRow(image, 0, 0, 10, 640), row);
    for (auto t : taken) ts.store().release(t);
}

TEST(ImageDataTest, WritesAreClippedToThePlane) {
    TestStore ts;
    ImageData image(ts.store());
    const std::uint8_t fill = 0;
    ASSERT_TRUE(image.create(1, 200, 200, &fill));
    const auto data = pattern(600, 9);
    // Plane area is 256 x 256. A row starting left of it skips what lies
    // outside and runs to the plane's right edge.
    ASSERT_TRUE(image.writeRow(0, -100, 3, 600, data.data()));
    EXPECT_EQ(readRow(image, 0, 0, 3, 256),
              std::vector<std::uint8_t>(data.begin() + 100, data.begin() + 356));
    // Rows and columns wholly outside succeed and write nothing.
    const std::uint32_t free = ts.store().freeTiles();
    EXPECT_TRUE(image.writeRow(0, 0, -1, 600, data.data()));
    EXPECT_TRUE(image.writeRow(0, 0, 256, 600, data.data()));
    EXPECT_TRUE(image.writeRow(0, 256, 0, 600, data.data()));
    EXPECT_TRUE(image.writeRow(0, -600, 0, 600, data.data()));
    EXPECT_TRUE(image.writeColumn(0, -1, 0, 600, data.data()));
    EXPECT_TRUE(image.writeColumn(0, 0, 256, 600, data.data()));
    EXPECT_EQ(ts.store().freeTiles(), free);
    // A column starting above the plane starts at its top row at the same x,
    // skipping the source bytes above.
    ASSERT_TRUE(image.writeColumn(0, 130, -10, 300, data.data()));
    for (int y = 0; y < 256; ++y) {
        std::uint8_t sample = 0;
        image.readRow(0, 130, y, 1, &sample);
        ASSERT_EQ(sample, data[y + 10]) << y;
    }
}

TEST(ImageDataTest, ReadsClampToThePlane) {
    TestStore ts;
    ImageData image(ts.store());
    const std::uint8_t fill = 0;
    ASSERT_TRUE(image.create(1, 300, 300, &fill));
    writeRows(image, 0, 300, 40);
    const auto top = pattern(300, 40);

    // y = -5 reads the top row.
    EXPECT_EQ(readRow(image, 0, 0, -5, 300), top);
    // x from -3 for 6 samples: three copies of sample 0, then samples 0-2.
    EXPECT_EQ(readRow(image, 0, -3, 0, 6),
              (std::vector<std::uint8_t>{top[0], top[0], top[0], top[0], top[1], top[2]}));
    // Wholly left repeats the first column; wholly right the plane's last
    // column (x = 383, a carried sample beyond the image width, never written).
    EXPECT_EQ(readRow(image, 0, -50, 0, 10), std::vector<std::uint8_t>(10, top[0]));
    EXPECT_EQ(readRow(image, 0, 1000, 0, 10), std::vector<std::uint8_t>(10, 0));
    // A run past the right edge of the written part: samples up to 383 are
    // the plane's, then the last one repeats.
    auto tail = readRow(image, 0, 290, 7, 100);
    const auto row7 = pattern(300, 47);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(tail[i], row7[290 + i]);
    for (int i = 10; i < 100; ++i) EXPECT_EQ(tail[i], 0) << i;
    // Below the plane (256 x 3 = 384 rows) reads its bottom row, 383, which
    // lies beyond the image and still holds the fill.
    EXPECT_EQ(readRow(image, 0, 0, 5000, 4), std::vector<std::uint8_t>(4, 0));
    const auto last = pattern(300, 339);
    EXPECT_EQ(readRow(image, 0, 0, 299, 4),
              std::vector<std::uint8_t>(last.begin(), last.begin() + 4));
}

TEST(ImageDataTest, ReadRowWithinClampsToTheRectangleAndThePlane) {
    TestStore ts;
    ImageData image(ts.store());
    const std::uint8_t fill = 0;
    ASSERT_TRUE(image.create(1, 300, 300, &fill));
    writeRows(image, 0, 300, 60);
    std::vector<std::uint8_t> out(3);
    // Inside the plane the rectangle rules: (200, 100) clamps to (139, 29).
    image.readRowWithin(0, 200, 100, 3, out.data(), Rect{130, 20, 140, 30});
    EXPECT_EQ(out, std::vector<std::uint8_t>(3, pattern(300, 89)[139]));
    // A rectangle reaching outside the plane clamps to the plane as well.
    image.readRowWithin(0, -10, -3, 3, out.data(), Rect{-500, -500, 5, 5});
    EXPECT_EQ(out, std::vector<std::uint8_t>(3, pattern(300, 60)[0]));
    // A rectangle wholly outside leaves the plane's nearest edge.
    image.readRowWithin(0, 0, 0, 3, out.data(), Rect{1000, 2, 1010, 3});
    EXPECT_EQ(out, std::vector<std::uint8_t>(3, 0));  // column 383, never written
    image.readRowWithin(0, 0, 0, 3, out.data(), Rect{-1010, 2, -1000, 3});
    EXPECT_EQ(out, std::vector<std::uint8_t>(3, pattern(300, 62)[0]));
}

TEST(ImageDataTest, ReadPixelGivesEveryPlaneOrZerosWhenOneDoesNotCover) {
    TestStore ts;
    ImageData image(ts.store());
    const std::uint8_t fills[3] = {5, 6, 7};
    ASSERT_TRUE(image.create(3, 200, 200, fills));
    const std::uint8_t v = 99;
    ASSERT_TRUE(image.writeRow(1, 150, 150, 1, &v));
    std::uint32_t pixel[3] = {};
    ASSERT_TRUE(image.readPixel(150, 150, pixel));
    EXPECT_EQ(pixel[0], 5u);
    EXPECT_EQ(pixel[1], 99u);
    EXPECT_EQ(pixel[2], 7u);
    ASSERT_TRUE(image.offsetPlane(2, 130, 0, 7));  // now covers x from -126
    ASSERT_TRUE(image.readPixel(-100, 0, pixel));
    EXPECT_EQ(pixel[0] + pixel[1] + pixel[2], 0u);  // planes 0 and 1 do not cover it
    ASSERT_TRUE(image.readPixel(255, 255, pixel));
    EXPECT_EQ(pixel[2], 7u);
}

TEST(ImageDataTest, DuplicateSharesTilesAndWritesCopyThemOnce) {
    TestStore ts;
    const std::uint32_t startFree = ts.store().freeTiles();
    ImageData source(ts.store());
    const std::uint8_t fill = 0;
    ASSERT_TRUE(source.create(1, 384, 256, &fill));
    writeRows(source, 0, 256, 20);
    const auto sourceEntries = entriesOf(source, 0);
    ASSERT_EQ(ts.store().freeTiles(), startFree - 6);

    {
        ImageData copy(ts.store());
        ASSERT_TRUE(copy.duplicate(source));
        const auto copied = entriesOf(copy, 0);
        for (std::size_t i = 0; i < copied.size(); ++i) {
            EXPECT_EQ(copied[i], sourceEntries[i] & ~ImageData::kPrivateBit);
            EXPECT_EQ(ts.store().referenceCount(ImageData::tileOf(copied[i])), 2u);
        }
        EXPECT_EQ(ts.store().freeTiles(), startFree - 6);  // a table copy only

        // A row through tiles (0, 1), (1, 1), (2, 1) of the copy.
        const auto row = pattern(384, 111);
        ASSERT_TRUE(copy.writeRow(0, 0, 200, 384, row.data()));
        EXPECT_EQ(entriesOf(source, 0), sourceEntries);
        for (int c = 0; c < 3; ++c) {
            const Entry mine = copy.entry(0, c, 1);
            const Entry theirs = source.entry(0, c, 1);
            EXPECT_TRUE(ImageData::isPrivate(mine));
            EXPECT_NE(ImageData::tileOf(mine), ImageData::tileOf(theirs));
            EXPECT_EQ(ts.store().referenceCount(ImageData::tileOf(theirs)), 1u);
            EXPECT_EQ(ts.store().referenceCount(ImageData::tileOf(mine)), 1u);
            // The untouched tile row stays shared.
            EXPECT_EQ(copy.entry(0, c, 0), source.entry(0, c, 0) & ~ImageData::kPrivateBit);
            EXPECT_EQ(ts.store().referenceCount(ImageData::tileOf(source.entry(0, c, 0))), 2u);
        }
        EXPECT_EQ(ts.store().freeTiles(), startFree - 9);
        EXPECT_EQ(readRow(copy, 0, 0, 200, 384), row);
        EXPECT_EQ(readRow(source, 0, 0, 200, 384), pattern(384, 220));
        // The copied tile carries the rest of the original's samples.
        EXPECT_EQ(readRow(copy, 0, 0, 201, 384), pattern(384, 221));

        // A second write into the same tiles happens in place.
        ASSERT_TRUE(copy.writeRow(0, 0, 201, 384, row.data()));
        EXPECT_EQ(ts.store().freeTiles(), startFree - 9);

        // Writing the source while its tiles are shared copies too: the
        // duplicate never sees it, even though the source's entries still
        // carry the private bit.
        ASSERT_TRUE(source.writeRow(0, 0, 0, 384, row.data()));
        EXPECT_EQ(readRow(copy, 0, 0, 0, 384), pattern(384, 20));
        EXPECT_EQ(readRow(source, 0, 0, 0, 384), row);
    }
    // Destroying the duplicate released its own tiles and its references.
    for (Entry e : entriesOf(source, 0))
        EXPECT_EQ(ts.store().referenceCount(ImageData::tileOf(e)), 1u);
    source.destroy();
    EXPECT_EQ(ts.store().freeTiles(), startFree);
    EXPECT_FALSE(source.allocated());
}

TEST(ImageDataTest, DuplicateCopiesTheStateRecord) {
    TestStore ts;
    ImageData source(ts.store());
    const std::uint8_t fill = 1;
    ASSERT_TRUE(source.create(1, 10, 10, &fill));

    std::vector<std::uint8_t> out(1024, 0xAB);
    source.readStateRecord(out.data(), out.size());
    EXPECT_EQ(out, std::vector<std::uint8_t>(1024, 0));  // never written: zeros

    std::vector<std::uint8_t> record(10);
    std::iota(record.begin(), record.end(), 1);
    ASSERT_TRUE(source.writeStateRecord(record.data(), record.size()));
    ImageData copy(ts.store());
    ASSERT_TRUE(copy.duplicate(source));
    const std::uint8_t other[2] = {200, 201};
    ASSERT_TRUE(source.writeStateRecord(other, 2));

    copy.readStateRecord(out.data(), 12);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[9], 10);
    EXPECT_EQ(out[10], 0);  // the rest of the block is zero
    source.readStateRecord(out.data(), 3);
    EXPECT_EQ(out[0], 200);
    EXPECT_EQ(out[2], 3);

    // At most 1024 bytes go either way.
    std::vector<std::uint8_t> big(2000, 0x5A);
    ASSERT_TRUE(source.writeStateRecord(big.data(), big.size()));
    std::vector<std::uint8_t> back(2000, 0x11);
    source.readStateRecord(back.data(), back.size());
    for (int i = 0; i < 1024; ++i) ASSERT_EQ(back[i], 0x5A);
    for (int i = 1024; i < 2000; ++i) ASSERT_EQ(back[i], 0x11);
}

TEST(ImageDataTest, BoundsAbove) {
    TestStore ts;
    ImageData image(ts.store());
    const std::uint8_t zero = 0;
    ASSERT_TRUE(image.create(1, 300, 200, &zero));
    Rect r{1, 2, 3, 4};
    EXPECT_FALSE(image.boundsAbove(0, 1, r));
    EXPECT_EQ(r, (Rect{0, 0, 300, 200}));

    // A few samples: only those above the threshold count.
    const std::uint8_t two = 2, one = 1;
    ASSERT_TRUE(image.writeRow(0, 140, 10, 1, &two));
    ASSERT_TRUE(image.writeRow(0, 7, 150, 1, &two));
    ASSERT_TRUE(image.writeRow(0, 290, 3, 1, &one));  // equal: not above
    ASSERT_TRUE(image.boundsAbove(0, 1, r));
    EXPECT_EQ(r, (Rect{7, 10, 141, 151}));

    // A constant tile at the threshold counts with its whole area.
    ImageData constant(ts.store());
    const std::uint8_t fills[2] = {0, 1};
    ASSERT_TRUE(constant.create(2, 300, 200, fills));
    ASSERT_TRUE(constant.boundsAbove(1, 1, r));
    EXPECT_EQ(r, (Rect{0, 0, 384, 256}));  // not clipped to the image
    EXPECT_FALSE(constant.boundsAbove(1, 2, r));

    // Samples left of and above the image are found too.
    ASSERT_TRUE(image.offsetPlane(0, 130, 130, 0));  // origin (-126, -126)
    ASSERT_TRUE(image.writeRow(0, -100, -50, 1, &two));
    ASSERT_TRUE(image.boundsAbove(0, 1, r));
    EXPECT_EQ(r, (Rect{-100, -50, 271, 281}));
}

// Row reads and in-place row writes take a lighter path than lock() for
// resident tiles; they must still mark the tiles they touch as most recently
// used, or tiles in steady use would be paged out under them.
TEST(ImageDataTest, RowAccessKeepsItsTilesMostRecentlyUsed) {
    TestStore ts(8, 2048);  // seven memory tiles
    ImageData busy(ts.store()), other(ts.store());
    const std::uint8_t fill = 0;
    ASSERT_TRUE(busy.create(1, 256, 128, &fill));
    ASSERT_TRUE(other.create(1, 128, 128 * 12, &fill));
    writeRows(busy, 0, 128, 1);
    writeRows(other, 0, 128 * 12, 2);
    const VMTile::TileNumber left = ImageData::tileOf(busy.entry(0, 0, 0));
    const VMTile::TileNumber right = ImageData::tileOf(busy.entry(0, 1, 0));
    const int readsBefore = ts.files().reads;
    std::vector<std::uint8_t> row(256);
    for (int round = 0; round < 3; ++round) {
        for (int k = 0; k < 12; ++k) {
            if (round % 2 == 0) {
                ASSERT_TRUE(busy.readRow(0, 0, k, 256, row.data()));
                if (round == 0) {
                    ASSERT_EQ(row, pattern(256, 1 + k));
                }
            } else {
                ASSERT_TRUE(busy.writeRow(0, 0, k, 256, row.data()));
            }
            // Paging another tile in evicts the least recently used one.
            const VMTile::TileNumber t = ImageData::tileOf(other.entry(0, 0, k));
            ASSERT_NE(ts.store().lock(t), nullptr);
            ts.store().unlock(t);
            ASSERT_TRUE(ts.store().isResident(left) && ts.store().isResident(right))
                << "round " << round << " tile " << k;
        }
    }
    EXPECT_GT(ts.files().reads, readsBefore);  // the other image was paged
}

// A store of 7 memory tiles with swap files, so tiles of a 4 x 4 tile image
// are paged; reads or writes of the swap files can then be made to fail.
class ImageDataDiskFailureTest : public ::testing::Test {
protected:
    ImageDataDiskFailureTest() : ts(8, 2048), image(ts.store()) {}

    void SetUp() override {
        const std::uint8_t fill = 0;
        ASSERT_TRUE(image.create(1, 512, 512, &fill));
        writeRows(image, 0, 512, 1);
    }
    VMTile::TileNumber tileAt(int column, int row) {
        return ImageData::tileOf(image.entry(0, column, row));
    }
    void touch(VMTile::TileNumber tile) {
        ASSERT_NE(ts.store().lock(tile), nullptr);
        ts.store().unlock(tile);
    }

    TestStore ts;
    ImageData image;
};

TEST_F(ImageDataDiskFailureTest, AFailedPageInUndoesTheInPlaceWritesBeforeIt) {
    // Push tile row 0 out, then bring back only its first tile.
    for (int r = 1; r < 4; ++r)
        for (int c = 0; c < 4; ++c) touch(tileAt(c, r));
    touch(tileAt(0, 0));
    ASSERT_TRUE(ts.store().isResident(tileAt(0, 0)));
    ASSERT_FALSE(ts.store().isResident(tileAt(1, 0)));

    const auto entries = entriesOf(image, 0);
    const std::uint32_t free = ts.store().freeTiles();
    ts.files().failReads = true;
    const auto row = pattern(512, 77);
    EXPECT_FALSE(image.writeRow(0, 0, 5, 512, row.data()));
    ts.files().failReads = false;
    EXPECT_EQ(entriesOf(image, 0), entries);
    EXPECT_EQ(ts.store().freeTiles(), free);
    EXPECT_EQ(readRow(image, 0, 0, 5, 512), pattern(512, 6));

    ASSERT_TRUE(image.writeRow(0, 0, 5, 512, row.data()));
    EXPECT_EQ(readRow(image, 0, 0, 5, 512), row);
}

// The run's first tile is paged out, and paging it in evicts the run's
// second tile, whose own page-in then fails: the first must be put back.
class ImageDataEvictionTest : public ImageDataDiskFailureTest,
                              public ::testing::WithParamInterface<bool> {};

TEST_P(ImageDataEvictionTest, APageInThatEvictsALaterTileOfTheRunFailsWithoutChange) {
    const bool column = GetParam();
    const VMTile::TileNumber first = tileAt(0, 0);
    const VMTile::TileNumber second = column ? tileAt(0, 1) : tileAt(1, 0);
    // The second tile, then six others are paged in: the second ends least
    // recently used of the seven slots.
    ASSERT_FALSE(ts.store().isResident(second));
    touch(second);
    int pagedIn = 0;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4 && pagedIn < 6; ++c) {
            const VMTile::TileNumber t = tileAt(c, r);
            if (t == first || t == second || ts.store().isResident(t)) continue;
            touch(t);
            ++pagedIn;
        }
    }
    ASSERT_EQ(pagedIn, 6);
    ASSERT_FALSE(ts.store().isResident(first));

    const auto entries = entriesOf(image, 0);
    const auto samples = pattern(256, 200);
    ts.files().readsBeforeFailure = 1;
    EXPECT_FALSE(column ? image.writeColumn(0, 5, 0, 256, samples.data())
                        : image.writeRow(0, 0, 5, 256, samples.data()));
    ts.files().readsBeforeFailure = -1;
    EXPECT_EQ(image.lastFailure(), ImageData::Failure::kStore);
    EXPECT_EQ(entriesOf(image, 0), entries);
    for (int i = 0; i < 256; ++i) {
        // Row y was written with pattern(512, 1 + y).
        const int x = column ? 5 : i, y = column ? i : 5;
        ASSERT_EQ(readRow(image, 0, x, y, 1)[0], pattern(512, 1 + y)[x]) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(RowAndColumn, ImageDataEvictionTest, ::testing::Bool());

TEST_F(ImageDataDiskFailureTest, AFailedTileCopyLeavesTheDuplicateUnchanged) {
    ImageData copy(ts.store());
    ASSERT_TRUE(copy.duplicate(image));
    const auto entries = entriesOf(copy, 0);
    const std::uint32_t free = ts.store().freeTiles();
    // Every memory slot holds a tile in use: a new tile needs a page-out.
    ts.files().failWrites = true;
    const auto column = pattern(512, 5);
    EXPECT_FALSE(copy.writeColumn(0, 300, 0, 512, column.data()));
    ts.files().failWrites = false;
    EXPECT_EQ(entriesOf(copy, 0), entries);
    EXPECT_EQ(ts.store().freeTiles(), free);

    ASSERT_TRUE(copy.writeColumn(0, 300, 0, 512, column.data()));
    for (int y = 0; y < 512; y += 37) {
        std::uint8_t mine = 0, theirs = 0;
        copy.readRow(0, 300, y, 1, &mine);
        image.readRow(0, 300, y, 1, &theirs);
        EXPECT_EQ(mine, column[y]);
        EXPECT_EQ(theirs, pattern(512, 1 + y)[300]);
    }
}

TEST_F(ImageDataDiskFailureTest, ReadsReportTilesThatCannotBeReadBack) {
    for (int r = 1; r < 4; ++r)
        for (int c = 0; c < 4; ++c) touch(tileAt(c, r));
    ts.files().failReads = true;
    std::vector<std::uint8_t> out(512, 0xEE);
    EXPECT_FALSE(image.readRow(0, 0, 0, 512, out.data()));
    EXPECT_EQ(out, std::vector<std::uint8_t>(512, 0));
    ts.files().failReads = false;
    EXPECT_TRUE(image.readRow(0, 0, 0, 512, out.data()));
    EXPECT_EQ(out, pattern(512, 1));
}

}  // namespace
}  // namespace tessary
