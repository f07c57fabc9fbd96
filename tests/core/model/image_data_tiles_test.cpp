#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "model/image_data.h"
#include "page_test_support.h"
#include "test_store.h"

namespace tessary {
namespace {

using test::entriesOf;
using test::readPlane;
using test::TestStore;
using Entry = ImageData::TileEntry;
using Table = std::array<std::uint8_t, 256>;

// A table that moves every level somewhere else, so that a sample left
// unmapped or mapped twice shows.
Table scrambled() {
    Table t;
    for (int i = 0; i < 256; ++i) t[i] = static_cast<std::uint8_t>((i * 37 + 11) & 0xFF);
    return t;
}

ImageData::SampleMap through(const Table& table) {
    return [&table](const std::uint8_t* in, std::uint8_t* out, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) out[i] = table[in[i]];
    };
}

// Plane 0 of `image` written with a pattern over its first `rows` rows (the
// tiles below stay constant).
void writePattern(ImageData& image, int rows, int seed) {
    std::vector<std::uint8_t> row(static_cast<std::size_t>(image.width()));
    for (int y = 0; y < rows; ++y) {
        for (std::size_t x = 0; x < row.size(); ++x)
            row[x] = static_cast<std::uint8_t>(seed + 5 * x + 3 * y + x * y / 7);
        ASSERT_TRUE(image.writeRow(0, 0, y, image.width(), row.data()));
    }
}

// The plane as it must read after mapping `tiles`: `table` applied to the
// source inside the rectangle, the source elsewhere.
std::vector<std::uint8_t> expectedAfter(const std::vector<std::uint8_t>& source, int width,
                                        const Rect& tiles, const Table& table) {
    std::vector<std::uint8_t> out = source;
    for (int y = tiles.top; y < tiles.bottom; ++y) {
        for (int x = tiles.left; x < tiles.right; ++x) {
            auto& v = out[static_cast<std::size_t>(y) * width + x];
            v = table[v];
        }
    }
    return out;
}

TEST(ImageDataTilesTest, WholeTilesWithinFollowsThePlaneGrid) {
    TestStore ts;
    ImageData image(ts.store());
    const std::uint8_t fills[2] = {0, 0};
    ASSERT_TRUE(image.create(2, 500, 300, fills));  // 4 x 3 tiles a plane

    // The last column and row of tiles reach past the image, so they are
    // not wholly inside it.
    EXPECT_EQ(image.wholeTilesWithin(0, Rect{0, 0, 500, 300}, image), (Rect{0, 0, 384, 256}));
    EXPECT_EQ(image.wholeTilesWithin(0, Rect{1, 0, 500, 300}, image), (Rect{128, 0, 384, 256}));
    EXPECT_EQ(image.wholeTilesWithin(0, Rect{3, 5, 300, 261}, image), (Rect{128, 128, 256, 256}));
    EXPECT_EQ(image.wholeTilesWithin(0, Rect{-1000, -1000, 9000, 9000}, image),
              (Rect{0, 0, 512, 384}));
    EXPECT_TRUE(image.wholeTilesWithin(0, Rect{3, 5, 200, 261}, image).empty());
    EXPECT_TRUE(image.wholeTilesWithin(0, Rect{600, 0, 900, 300}, image).empty());
    EXPECT_TRUE(image.wholeTilesWithin(0, Rect{}, image).empty());

    // A plane moved by a part of a tile: its grid starts at -91, -107.
    ImageData source(ts.store());
    ASSERT_TRUE(source.duplicate(image));
    ASSERT_TRUE(image.offsetPlane(1, 37, 21, 0));
    ASSERT_TRUE(source.offsetPlane(1, 37, 21, 0));
    ASSERT_EQ(image.plane(1).originX, -91);
    ASSERT_EQ(image.plane(1).originY, -107);
    EXPECT_EQ(image.wholeTilesWithin(1, Rect{0, 0, 500, 300}, source), (Rect{37, 21, 421, 277}));
    // The previous state's plane on another grid: nothing can be mapped.
    ASSERT_TRUE(source.offsetPlane(1, 1, 0, 0));
    EXPECT_TRUE(image.wholeTilesWithin(1, Rect{0, 0, 500, 300}, source).empty());
    // A plane the source does not have.
    ImageData onePlane(ts.store());
    ASSERT_TRUE(onePlane.create(1, 500, 300, fills));
    EXPECT_TRUE(image.wholeTilesWithin(1, Rect{0, 0, 500, 300}, onePlane).empty());
}

// After a duplicate (the state a change writes), the mapped tiles are fresh
// private tiles holding the source's samples through the table; constant
// tiles stay constant without storage; the source is untouched.
TEST(ImageDataTilesTest, MapsSharedAndConstantTilesFromTheSource) {
    TestStore ts;
    ImageData before(ts.store());
    const std::uint8_t fill = 9;
    ASSERT_TRUE(before.create(1, 512, 384, &fill));
    writePattern(before, 256, 1);  // tile rows 0 and 1 stored, row 2 constant
    const auto source = readPlane(before, 0);
    const auto sourceEntries = entriesOf(before);

    ImageData after(ts.store());
    ASSERT_TRUE(after.duplicate(before));
    const Table table = scrambled();
    const Rect tiles = after.wholeTilesWithin(0, Rect{3, 0, 512, 384}, before);
    ASSERT_EQ(tiles, (Rect{128, 0, 512, 384}));
    const std::uint32_t freeBefore = ts.store().freeTiles();
    ASSERT_TRUE(after.mapTiles(0, tiles, before, through(table)));

    // Six stored tiles in columns 1-3, rows 0-1: six new tiles, and the three
    // constant ones need none.
    EXPECT_EQ(ts.store().freeTiles(), freeBefore - 6);
    EXPECT_EQ(readPlane(after, 0), expectedAfter(source, 512, tiles, table));
    EXPECT_EQ(readPlane(before, 0), source);
    EXPECT_EQ(entriesOf(before), sourceEntries);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 4; ++column) {
            const Entry e = after.entry(0, column, row);
            const Entry old = before.entry(0, column, row);
            if (column == 0) {
                EXPECT_EQ(e, old & ~ImageData::kPrivateBit) << "outside: still shared";
            } else if (row == 2) {
                EXPECT_EQ(e, ImageData::constantEntry(table[fill]));
            } else {
                EXPECT_TRUE(ImageData::isPrivate(e));
                EXPECT_NE(ImageData::tileOf(e), ImageData::tileOf(old));
                EXPECT_EQ(ts.store().referenceCount(ImageData::tileOf(e)), 1u);
                EXPECT_EQ(ts.store().referenceCount(ImageData::tileOf(old)), 1u);
            }
        }
    }
}

TEST(ImageDataTilesTest, MappingAStateFromItselfReplacesItsTiles) {
    TestStore ts;
    ImageData image(ts.store());
    const std::uint8_t fill = 0;
    ASSERT_TRUE(image.create(1, 256, 256, &fill));
    writePattern(image, 256, 4);
    const auto source = readPlane(image, 0);
    const std::uint32_t freeBefore = ts.store().freeTiles();
    const Table table = scrambled();
    ASSERT_TRUE(image.mapTiles(0, Rect{0, 0, 256, 256}, image, through(table)));
    EXPECT_EQ(readPlane(image, 0), expectedAfter(source, 256, Rect{0, 0, 256, 256}, table));
    EXPECT_EQ(ts.store().freeTiles(), freeBefore);  // the old tiles went back
}

TEST(ImageDataTilesTest, TooFewFreeTilesFailsWithoutChange) {
    TestStore ts(8, 0);  // seven tiles
    ImageData before(ts.store());
    const std::uint8_t fill = 0;
    ASSERT_TRUE(before.create(1, 512, 128, &fill));
    writePattern(before, 128, 2);  // four tiles
    ImageData after(ts.store());
    ASSERT_TRUE(after.duplicate(before));
    const auto entries = entriesOf(after);
    ASSERT_EQ(ts.store().freeTiles(), 3u);

    EXPECT_FALSE(after.mapTiles(0, Rect{0, 0, 512, 128}, before, through(scrambled())));
    EXPECT_EQ(entriesOf(after), entries);
    EXPECT_EQ(ts.store().freeTiles(), 3u);
    // Three tiles do fit.
    EXPECT_TRUE(after.mapTiles(0, Rect{0, 0, 384, 128}, before, through(scrambled())));
    EXPECT_EQ(ts.store().freeTiles(), 0u);
}

TEST(ImageDataTilesTest, ASourceTileThatCannotBeReadFailsWithoutChangeOrLeak) {
    // Eleven tiles with room for seven in memory: some source tiles are
    // paged out, and reading them back fails.
    TestStore ts(8, 1600);
    ImageData before(ts.store());
    const std::uint8_t fill = 0;
    ASSERT_TRUE(before.create(1, 128 * 11, 128, &fill));
    writePattern(before, 128, 3);
    const auto source = readPlane(before, 0);
    ImageData after(ts.store());
    ASSERT_TRUE(after.duplicate(before));
    const auto entries = entriesOf(after);
    const std::uint32_t freeBefore = ts.store().freeTiles();

    ASSERT_FALSE(ts.store().isResident(ImageData::tileOf(before.entry(0, 0, 0))));
    ts.files().failReads = true;
    EXPECT_FALSE(after.mapTiles(0, Rect{0, 0, 128 * 11, 128}, before, through(scrambled())));
    ts.files().failReads = false;
    EXPECT_EQ(entriesOf(after), entries);
    EXPECT_EQ(ts.store().freeTiles(), freeBefore);
    EXPECT_EQ(ts.store().lockedSlots(), 0u);
    EXPECT_EQ(readPlane(after, 0), source);
}


// A 128 x 128 block of a pattern no tile holds yet.
std::vector<std::uint8_t> tileBlock(int seed, std::ptrdiff_t stride) {
    std::vector<std::uint8_t> block(static_cast<std::size_t>(stride) * 128, 0xEE);
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x)
            block[static_cast<std::size_t>(y * stride + x)] =
                static_cast<std::uint8_t>(seed + 7 * x + 13 * y);
    }
    return block;
}

// `plane` with the block written over the tile at `left`, `top`.
std::vector<std::uint8_t> withBlock(std::vector<std::uint8_t> plane, int width, int left, int top,
                                    const std::vector<std::uint8_t>& block,
                                    std::ptrdiff_t stride) {
    for (int y = 0; y < 128; ++y) {
        for (int x = 0; x < 128; ++x)
            plane[static_cast<std::size_t>((top + y) * width + left + x)] =
                block[static_cast<std::size_t>(y * stride + x)];
    }
    return plane;
}

TEST(ImageDataTilesTest, IsWholeTileFollowsThePlaneGridAndEdges) {
    TestStore ts;
    ImageData image(ts.store());
    const std::uint8_t fills[2] = {0, 0};
    ASSERT_TRUE(image.create(2, 300, 260, fills));
    // A plane holds whole tiles, 3 x 3 here: the last column and row of
    // tiles reach past the image but are tiles of the plane all the same.
    EXPECT_TRUE(image.isWholeTile(0, Rect{128, 128, 256, 256}));
    EXPECT_TRUE(image.isWholeTile(0, Rect{256, 256, 384, 384}));
    EXPECT_FALSE(image.isWholeTile(0, Rect{384, 0, 512, 128}));  // past the plane's tiles
    EXPECT_FALSE(image.isWholeTile(0, Rect{0, -128, 128, 0}));   // above them
    EXPECT_FALSE(image.isWholeTile(0, Rect{1, 0, 129, 128}));    // off the grid
    EXPECT_FALSE(image.isWholeTile(0, Rect{0, 0, 128, 127}));    // not a whole tile
    ASSERT_TRUE(image.offsetPlane(1, 10, 20, 0));
    EXPECT_FALSE(image.isWholeTile(1, Rect{0, 0, 128, 128}));
    EXPECT_TRUE(image.isWholeTile(1, Rect{10, 20, 138, 148}));
}

// A whole tile written with writeTile(), or opened, filled and closed as a
// worker thread does.
bool putTile(ImageData& image, const Rect& tile, const std::vector<std::uint8_t>& block,
             std::ptrdiff_t stride, bool opened) {
    if (!opened) return image.writeTile(0, tile, block.data(), stride);
    const auto before = readPlane(image, 0);
    ImageData::OpenTile open;
    std::uint8_t* samples = image.openTile(0, tile, open);
    if (!samples) return false;
    for (int y = 0; y < 128; ++y) std::copy_n(block.data() + y * stride, 128, samples + y * 128);
    EXPECT_EQ(readPlane(image, 0), before) << "an open tile is not in place yet";
    image.closeTile(open);
    return true;
}

TEST(ImageDataTilesTest, WriteTileReplacesASharedTileAndLeavesItsOtherHolder) {
    for (const bool opened : {false, true}) {
        SCOPED_TRACE(opened ? "openTile" : "writeTile");
        TestStore ts;
        ImageData before(ts.store());
        const std::uint8_t fill = 0;
        ASSERT_TRUE(before.create(1, 256, 256, &fill));
        writePattern(before, 256, 5);
        const auto source = readPlane(before, 0);
        ImageData after(ts.store());
        ASSERT_TRUE(after.duplicate(before));
        const std::uint32_t freeBefore = ts.store().freeTiles();

        const auto block = tileBlock(3, 131);
        ASSERT_TRUE(putTile(after, Rect{128, 0, 256, 128}, block, 131, opened));
        EXPECT_EQ(readPlane(after, 0), withBlock(source, 256, 128, 0, block, 131));
        EXPECT_EQ(readPlane(before, 0), source);
        EXPECT_EQ(ts.store().freeTiles(), freeBefore - 1);
        const Entry e = after.entry(0, 1, 0);
        EXPECT_TRUE(ImageData::isPrivate(e));
        EXPECT_EQ(ts.store().referenceCount(ImageData::tileOf(e)), 1u);
        EXPECT_EQ(ts.store().referenceCount(ImageData::tileOf(before.entry(0, 1, 0))), 1u);

        // Its own tile now: the next write goes in place (an opened tile is
        // always fresh, and the one it replaces is freed).
        const auto second = tileBlock(90, 128);
        ASSERT_TRUE(putTile(after, Rect{128, 0, 256, 128}, second, 128, opened));
        if (!opened) EXPECT_EQ(after.entry(0, 1, 0), e);
        EXPECT_EQ(ts.store().freeTiles(), freeBefore - 1);
        EXPECT_EQ(readPlane(after, 0), withBlock(source, 256, 128, 0, second, 128));
        EXPECT_EQ(ts.store().lockedSlots(), 0u);
    }
}

TEST(ImageDataTilesTest, WriteTileKeepsAConstantTileThatItsSamplesEqual) {
    for (const bool opened : {false, true}) {
        SCOPED_TRACE(opened ? "openTile" : "writeTile");
        TestStore ts;
        ImageData image(ts.store());
        const std::uint8_t fill = 40;
        ASSERT_TRUE(image.create(1, 256, 128, &fill));
        const std::uint32_t freeBefore = ts.store().freeTiles();
        std::vector<std::uint8_t> flat(128 * 128, 40);
        ASSERT_TRUE(putTile(image, Rect{0, 0, 128, 128}, flat, 128, opened));
        EXPECT_EQ(image.entry(0, 0, 0), ImageData::constantEntry(40));
        EXPECT_EQ(ts.store().freeTiles(), freeBefore);

        flat[128 * 127 + 127] = 41;  // the last sample differs
        ASSERT_TRUE(putTile(image, Rect{0, 0, 128, 128}, flat, 128, opened));
        EXPECT_FALSE(ImageData::isConstant(image.entry(0, 0, 0)));
        EXPECT_EQ(ts.store().freeTiles(), freeBefore - 1);
        EXPECT_EQ(readPlane(image, 0)[127 * 256 + 127], 41);
        EXPECT_EQ(readPlane(image, 0)[127 * 256 + 126], 40);
        EXPECT_EQ(ts.store().lockedSlots(), 0u);
    }
}

TEST(ImageDataTilesTest, WriteTileWithNoFreeTileFailsWithoutChange) {
    for (const bool opened : {false, true}) {
        SCOPED_TRACE(opened ? "openTile" : "writeTile");
        TestStore ts(8, 0);  // seven tiles
        ImageData before(ts.store());
        const std::uint8_t fill = 0;
        ASSERT_TRUE(before.create(1, 128 * 7, 128, &fill));
        writePattern(before, 128, 6);  // all seven tiles
        ImageData after(ts.store());
        ASSERT_TRUE(after.duplicate(before));
        const auto entries = entriesOf(after);
        const auto source = readPlane(after, 0);
        ASSERT_EQ(ts.store().freeTiles(), 0u);

        const auto block = tileBlock(1, 128);
        EXPECT_FALSE(putTile(after, Rect{128, 0, 256, 128}, block, 128, opened));
        EXPECT_EQ(entriesOf(after), entries);
        EXPECT_EQ(readPlane(after, 0), source);
        EXPECT_EQ(ts.store().lockedSlots(), 0u);
    }
}

// Also the block read planned on the owner and copied elsewhere: the same
// samples, with its tiles locked until the plan is released.
TEST(ImageDataTilesTest, ReadBlockWithinReadsWhatReadRowWithinReadsRowByRow) {
    TestStore ts;
    ImageData image(ts.store());
    SharedTileLocks locks(ts.store());
    const std::uint8_t fill = 77;
    ASSERT_TRUE(image.create(1, 300, 270, &fill));
    writePattern(image, 140, 9);  // the tiles below stay constant
    const Rect clamps[] = {{}, {0, 0, 300, 270}, {20, 30, 250, 200}, {400, 0, 500, 10}};
    const Rect rects[] = {{-4, -4, 136, 136}, {120, 100, 310, 280}, {-20, 250, 40, 300},
                          {310, 5, 330, 15},  {5, 5, 6, 6},       {-300, -300, 600, 600}};
    for (const Rect& clamp : clamps) {
        for (const Rect& rect : rects) {
            SCOPED_TRACE(testing::Message() << "rect " << rect.left << "," << rect.top
                                            << " clamp " << clamp.left << "," << clamp.top);
            const std::ptrdiff_t stride = rect.width() + 3;
            std::vector<std::uint8_t> block(static_cast<std::size_t>(stride) * rect.height(), 1);
            std::vector<std::uint8_t> rows = block;
            ASSERT_TRUE(image.readBlockWithin(0, rect, block.data(), stride, clamp));
            for (std::int32_t y = rect.top; y < rect.bottom; ++y) {
                ASSERT_TRUE(image.readRowWithin(0, rect.left, y, rect.width(),
                                                rows.data() + (y - rect.top) * stride, clamp));
            }
            EXPECT_EQ(block, rows);

            BlockReadPlan plan;
            if (!image.planBlockReadWithin(0, rect, clamp, locks, plan)) {
                EXPECT_TRUE(plan.empty());
                continue;  // the caller reads these itself
            }
            // Two plans over the same tiles: one released, the other's
            // tiles stay locked.
            BlockReadPlan second;
            ASSERT_TRUE(image.planBlockReadWithin(0, rect, clamp, locks, second));
            const std::uint32_t locked = ts.store().lockedSlots();
            plan.release(locks);
            EXPECT_EQ(ts.store().lockedSlots(), locked);
            std::vector<std::uint8_t> copied(block.size(), 1);
            second.copy(copied.data(), stride);
            EXPECT_EQ(copied, rows);
            second.release(locks);
            EXPECT_EQ(ts.store().lockedSlots(), 0u);
        }
    }
    EXPECT_EQ(ts.store().lockedSlots(), 0u);
}

}  // namespace
}  // namespace tessary
