#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "model/image_data.h"
#include "test_store.h"

// Plane insertion, removal, sharing, growth, moves and resizing: tile
// identity, reference counts and pixels.

namespace tessary {
namespace {

using test::TestStore;
using Entry = ImageData::TileEntry;

std::vector<Entry> entriesOf(const ImageData& image, int plane) {
    std::vector<Entry> out;
    const auto& record = image.plane(plane);
    for (int r = 0; r < record.tilesDown; ++r)
        for (int c = 0; c < record.tilesAcross; ++c) out.push_back(image.entry(plane, c, r));
    return out;
}

int storeTilesOf(const ImageData& image, int plane) {
    int n = 0;
    for (Entry e : entriesOf(image, plane)) n += ImageData::isConstant(e) ? 0 : 1;
    return n;
}

std::uint8_t sampleAt(const ImageData& image, int plane, int x, int y) {
    std::uint8_t v = 0;
    image.readRowOrFill(plane, x, y, 1, &v, 0xFF);
    return v;
}

// A sample value that depends on the position, never 0xFF.
std::uint8_t valueAt(int x, int y) {
    return static_cast<std::uint8_t>((x * 3 + y * 5) % 251);
}

// Writes valueAt over (0, 0)-(width, height) of a plane.
void paint(ImageData& image, int plane, int width, int height) {
    std::vector<std::uint8_t> row(width);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) row[x] = valueAt(x, y);
        ASSERT_TRUE(image.writeRow(plane, 0, y, width, row.data()));
    }
}

TEST(ImageDataGeometryTest, InsertPlaneMovesLaterPlanesUpAndKeepsTheirTiles) {
    TestStore ts;
    ImageData image(ts.store());
    const std::uint8_t fills[2] = {1, 2};
    ASSERT_TRUE(image.create(2, 300, 200, fills));
    paint(image, 1, 300, 200);
    const auto planeOne = entriesOf(image, 1);
    const std::uint32_t free = ts.store().freeTiles();

    ASSERT_TRUE(image.insertPlane(1, 9));
    ASSERT_EQ(image.planeCount(), 3);
    EXPECT_EQ(entriesOf(image, 2), planeOne);
    EXPECT_EQ(image.plane(1).tilesAcross, 3);
    EXPECT_EQ(image.plane(1).tilesDown, 2);
    for (Entry e : entriesOf(image, 1)) EXPECT_EQ(e, ImageData::constantEntry(9));
    EXPECT_EQ(entriesOf(image, 0), std::vector<Entry>(6, ImageData::constantEntry(1)));
    EXPECT_EQ(ts.store().freeTiles(), free);
    for (Entry e : planeOne) EXPECT_EQ(ts.store().referenceCount(ImageData::tileOf(e)), 1u);
    EXPECT_EQ(sampleAt(image, 2, 123, 45), valueAt(123, 45));

    ASSERT_TRUE(image.insertPlane(3, 4));  // at the end
    EXPECT_EQ(sampleAt(image, 3, 0, 0), 4);

    while (image.planeCount() < ImageData::kMaxPlanes) ASSERT_TRUE(image.insertPlane(0, 0));
    EXPECT_FALSE(image.insertPlane(0, 0));
    EXPECT_EQ(image.planeCount(), ImageData::kMaxPlanes);
}

TEST(ImageDataGeometryTest, RemovePlaneReleasesItsTiles) {
    TestStore ts;
    const std::uint32_t startFree = ts.store().freeTiles();
    ImageData image(ts.store());
    const std::uint8_t fills[3] = {1, 2, 3};
    ASSERT_TRUE(image.create(3, 300, 200, fills));
    paint(image, 1, 300, 200);
    paint(image, 2, 100, 100);
    const auto planeTwo = entriesOf(image, 2);
    ASSERT_EQ(ts.store().freeTiles(), startFree - 7);

    ASSERT_TRUE(image.removePlane(1));
    EXPECT_EQ(image.planeCount(), 2);
    EXPECT_EQ(ts.store().freeTiles(), startFree - 1);
    EXPECT_EQ(entriesOf(image, 1), planeTwo);
    EXPECT_EQ(sampleAt(image, 1, 50, 50), valueAt(50, 50));
    EXPECT_EQ(sampleAt(image, 1, 150, 50), 3);
}

TEST(ImageDataGeometryTest, SharePlaneAddsReferencesAndReleasesWhatItHeld) {
    TestStore ts;
    const std::uint32_t startFree = ts.store().freeTiles();
    ImageData source(ts.store());
    ImageData target(ts.store());
    const std::uint8_t fills[2] = {0, 0};
    ASSERT_TRUE(source.create(1, 256, 256, fills));
    paint(source, 0, 256, 256);
    ASSERT_TRUE(source.offsetPlane(0, 130, 0, 0));  // a record worth copying
    ASSERT_TRUE(target.create(2, 256, 256, fills));
    paint(target, 1, 256, 130);
    ASSERT_EQ(ts.store().freeTiles(), startFree - 8);

    ASSERT_TRUE(target.sharePlane(1, source, 0));
    EXPECT_EQ(ts.store().freeTiles(), startFree - 4);  // target's own four went
    EXPECT_EQ(target.plane(1).originX, -126);
    EXPECT_EQ(target.plane(1).tilesAcross, 4);
    const auto theirs = entriesOf(source, 0);
    const auto mine = entriesOf(target, 1);
    ASSERT_EQ(mine.size(), theirs.size());
    for (std::size_t i = 0; i < mine.size(); ++i) {
        if (ImageData::isConstant(theirs[i])) {
            EXPECT_EQ(mine[i], theirs[i]);
            continue;
        }
        EXPECT_EQ(mine[i], theirs[i] & ~ImageData::kPrivateBit);
        EXPECT_EQ(ts.store().referenceCount(ImageData::tileOf(mine[i])), 2u);
    }
    EXPECT_EQ(sampleAt(target, 1, 140, 7), valueAt(10, 7));

    // Writing either side leaves the other alone: the target's entry is
    // shared, and the source's, though it keeps its private bit, is too.
    const std::uint8_t v = 0xAA;
    ASSERT_TRUE(target.writeRow(1, 140, 7, 1, &v));
    EXPECT_EQ(sampleAt(source, 0, 140, 7), valueAt(10, 7));
    ASSERT_TRUE(source.writeRow(0, 300, 7, 1, &v));
    EXPECT_EQ(sampleAt(target, 1, 300, 7), valueAt(170, 7));
    EXPECT_EQ(sampleAt(source, 0, 300, 7), 0xAA);
    target.destroy();

    // Within one state: the copied plane holds a second reference, and
    // writing the original plane copies the tile instead of changing it.
    ASSERT_TRUE(source.insertPlane(1, 0));
    ASSERT_TRUE(source.sharePlane(1, source, 0));
    const Entry shared = source.entry(0, 2, 0);
    EXPECT_EQ(ts.store().referenceCount(ImageData::tileOf(shared)), 2u);
    ASSERT_TRUE(source.writeRow(0, 135, 0, 1, &v));
    EXPECT_NE(ImageData::tileOf(source.entry(0, 2, 0)), ImageData::tileOf(shared));
    EXPECT_EQ(sampleAt(source, 1, 135, 0), valueAt(5, 0));
    EXPECT_EQ(sampleAt(source, 0, 135, 0), 0xAA);

    source.destroy();
    EXPECT_EQ(ts.store().freeTiles(), startFree);
}

TEST(ImageDataGeometryTest, ExtendPlaneGrowsByWholeTilesAroundTheRectangle) {
    TestStore ts;
    ImageData image(ts.store());
    const std::uint8_t fills[2] = {5, 6};
    ASSERT_TRUE(image.create(2, 256, 256, fills));
    paint(image, 0, 256, 256);
    const auto old = entriesOf(image, 0);
    const std::uint32_t free = ts.store().freeTiles();

    // One column left (10 px), one right (44 px), three rows on top (300 px),
    // one row below (4 px).
    ASSERT_TRUE(image.extendPlane(0, Rect{-10, -300, 300, 260}, 77));
    const auto& r = image.plane(0);
    EXPECT_EQ(r.originX, -128);
    EXPECT_EQ(r.originY, -384);
    EXPECT_EQ(r.tilesAcross, 4);
    EXPECT_EQ(r.tilesDown, 6);
    for (int row = 0; row < 6; ++row) {
        for (int column = 0; column < 4; ++column) {
            const bool wasThere = row >= 3 && row < 5 && column >= 1 && column < 3;
            const Entry e = image.entry(0, column, row);
            if (wasThere) {
                EXPECT_EQ(e, old[(row - 3) * 2 + column - 1]);
            } else {
                EXPECT_EQ(e, ImageData::constantEntry(77));
            }
        }
    }
    EXPECT_EQ(ts.store().freeTiles(), free);
    EXPECT_EQ(sampleAt(image, 0, 200, 100), valueAt(200, 100));  // pixels stay put
    EXPECT_EQ(sampleAt(image, 0, -128, -384), 77);
    EXPECT_EQ(sampleAt(image, 0, 383, 383), 77);
    EXPECT_EQ(sampleAt(image, 0, 384, 0), 0xFF);  // outside: the read's fill
    EXPECT_EQ(image.plane(1).tilesAcross, 2);     // other planes unchanged

    // Inside already, or empty: nothing changes.
    const auto grown = entriesOf(image, 0);
    ASSERT_TRUE(image.extendPlane(0, Rect{0, 0, 10, 10}, 1));
    ASSERT_TRUE(image.extendPlane(0, Rect{1000, 1000, 1000, 2000}, 1));
    EXPECT_EQ(entriesOf(image, 0), grown);
    EXPECT_EQ(image.plane(0).originX, -128);
}

TEST(ImageDataGeometryTest, OffsetPlaneMovesTheOriginAndKeepsTheImageCovered) {
    TestStore ts;
    ImageData image(ts.store());
    const std::uint8_t fill = 3;
    ASSERT_TRUE(image.create(1, 256, 256, &fill));
    paint(image, 0, 256, 256);
    const auto old = entriesOf(image, 0);

    // +130: two new columns on the left, origin 130 - 256 = -126.
    ASSERT_TRUE(image.offsetPlane(0, 130, 0, 9));
    EXPECT_EQ(image.plane(0).originX, -126);
    EXPECT_EQ(image.plane(0).originY, 0);
    EXPECT_EQ(image.plane(0).tilesAcross, 4);
    EXPECT_EQ(image.plane(0).tilesDown, 2);
    for (int row = 0; row < 2; ++row) {
        EXPECT_EQ(image.entry(0, 0, row), ImageData::constantEntry(9));
        EXPECT_EQ(image.entry(0, 1, row), ImageData::constantEntry(9));
        EXPECT_EQ(image.entry(0, 2, row), old[row * 2]);
        EXPECT_EQ(image.entry(0, 3, row), old[row * 2 + 1]);
    }
    EXPECT_EQ(sampleAt(image, 0, 130 + 17, 40), valueAt(17, 40));
    EXPECT_EQ(sampleAt(image, 0, 129, 40), 9);

    // Moving it back right by 100 adds nothing: only the origin changes.
    const auto before = entriesOf(image, 0);
    ASSERT_TRUE(image.offsetPlane(0, 100, 0, 9));
    EXPECT_EQ(image.plane(0).originX, -26);
    EXPECT_EQ(entriesOf(image, 0), before);

    // Far to the left: the grid widens to the right until it covers the width.
    ASSERT_TRUE(image.offsetPlane(0, -400, -5, 8));
    EXPECT_EQ(image.plane(0).originX, -426);
    EXPECT_EQ(image.plane(0).tilesAcross, 6);  // ceil((256 + 426) / 128)
    EXPECT_EQ(image.plane(0).originY, -5);
    EXPECT_EQ(image.plane(0).tilesDown, 3);  // ceil((256 + 5) / 128)
    EXPECT_EQ(image.entry(0, 4, 0), ImageData::constantEntry(8));
    EXPECT_EQ(image.entry(0, 5, 2), ImageData::constantEntry(8));
    EXPECT_EQ(image.entry(0, 2, 0), old[0]);
    EXPECT_EQ(sampleAt(image, 0, 130 + 100 - 400 + 20, 30 - 5), valueAt(20, 30));
    EXPECT_EQ(sampleAt(image, 0, 255, 255), 8);

    // Offsets whose origin would leave 32 bits are refused.
    EXPECT_FALSE(image.offsetPlane(0, -0x7FFFFFFF, 0, 0));
    EXPECT_EQ(image.plane(0).originX, -426);
}

TEST(ImageDataGeometryTest, ResizeShrinkingReleasesTheCutTiles) {
    TestStore ts;
    const std::uint32_t startFree = ts.store().freeTiles();
    ImageData image(ts.store());
    const std::uint8_t fills[2] = {1, 2};
    ASSERT_TRUE(image.create(2, 600, 400, fills));
    paint(image, 0, 600, 400);  // 5 x 4 tiles
    paint(image, 1, 200, 200);  // 2 x 2 tiles
    ASSERT_EQ(ts.store().freeTiles(), startFree - 24);
    const auto old = entriesOf(image, 0);

    const std::uint8_t newFills[2] = {50, 60};
    ASSERT_TRUE(image.resize(200, 130, newFills));
    EXPECT_EQ(image.width(), 200);
    EXPECT_EQ(image.height(), 130);
    EXPECT_EQ(image.plane(0).tilesAcross, 2);
    EXPECT_EQ(image.plane(0).tilesDown, 2);
    EXPECT_EQ(image.entry(0, 1, 1), old[1 * 5 + 1]);
    EXPECT_EQ(storeTilesOf(image, 1), 4);
    EXPECT_EQ(ts.store().freeTiles(), startFree - 8);
    EXPECT_EQ(sampleAt(image, 0, 199, 129), valueAt(199, 129));
    EXPECT_EQ(sampleAt(image, 1, 150, 150), valueAt(150, 150));

    ASSERT_TRUE(image.resize(0, 0, newFills));
    EXPECT_EQ(image.plane(0).tilesAcross, 0);
    EXPECT_EQ(ts.store().freeTiles(), startFree);
}

TEST(ImageDataGeometryTest, ResizeGrowingPadsWithTheFills) {
    TestStore ts;
    ImageData image(ts.store());
    const std::uint8_t fill = 1;
    ASSERT_TRUE(image.create(1, 200, 130, &fill));
    paint(image, 0, 200, 130);
    const std::uint32_t free = ts.store().freeTiles();
    const std::uint8_t newFill = 77;
    ASSERT_TRUE(image.resize(500, 300, &newFill));
    EXPECT_EQ(image.plane(0).tilesAcross, 4);
    EXPECT_EQ(image.plane(0).tilesDown, 3);
    EXPECT_EQ(ts.store().freeTiles(), free);
    EXPECT_EQ(sampleAt(image, 0, 10, 10), valueAt(10, 10));
    EXPECT_EQ(sampleAt(image, 0, 220, 10), 1);   // carried beyond the old width
    EXPECT_EQ(sampleAt(image, 0, 300, 10), 77);  // a new tile
    EXPECT_EQ(sampleAt(image, 0, 10, 299), 77);
    EXPECT_EQ(image.entry(0, 3, 2), ImageData::constantEntry(77));
}

TEST(ImageDataGeometryTest, ResizeKeepsPartlyCoveringTilesOfMovedPlanes) {
    TestStore ts;
    const std::uint32_t startFree = ts.store().freeTiles();
    ImageData image(ts.store());
    const std::uint8_t fill = 0;
    ASSERT_TRUE(image.create(1, 512, 256, &fill));
    paint(image, 0, 512, 256);
    // Origin (-126, -300): six columns [-126, 2), [2, 130), ... [514, 642)
    // and five rows [-300, -172), ... [212, 340); the painted tiles are
    // columns 2-5 of rows 0-1.
    ASSERT_TRUE(image.offsetPlane(0, 130, -300, 4));
    EXPECT_EQ(image.plane(0).tilesAcross, 6);
    EXPECT_EQ(image.plane(0).originY, -300);
    EXPECT_EQ(image.plane(0).tilesDown, 5);  // ceil((256 + 300) / 128)

    const std::uint8_t newFill = 9;
    ASSERT_TRUE(image.resize(100, 100, &newFill));
    // Columns [-126, 2) and [2, 130) touch [0, 100); so do rows [-44, 84)
    // and [84, 212). Those are all tiles the move added.
    EXPECT_EQ(image.plane(0).originX, -126);
    EXPECT_EQ(image.plane(0).tilesAcross, 2);
    EXPECT_EQ(image.plane(0).originY, -44);
    EXPECT_EQ(image.plane(0).tilesDown, 2);
    EXPECT_EQ(sampleAt(image, 0, 131, 0), 0xFF);  // outside the plane now
    EXPECT_EQ(sampleAt(image, 0, 40, 10), 4);     // covered: the move's fill, not the resize's
    EXPECT_EQ(storeTilesOf(image, 0), 0);
    EXPECT_EQ(ts.store().freeTiles(), startFree);

    // Painted tiles that reach into the new area from the left are kept.
    ImageData moved(ts.store());
    ASSERT_TRUE(moved.create(1, 256, 256, &fill));
    paint(moved, 0, 256, 256);
    ASSERT_TRUE(moved.offsetPlane(0, -60, 0, 4));  // [-60, 68), [68, 196), [196, 324)
    const Entry first = moved.entry(0, 0, 0), second = moved.entry(0, 1, 0);
    ASSERT_TRUE(moved.resize(100, 100, &newFill));
    EXPECT_EQ(moved.plane(0).originX, -60);
    EXPECT_EQ(moved.plane(0).tilesAcross, 2);
    EXPECT_EQ(moved.plane(0).tilesDown, 1);
    EXPECT_EQ(moved.entry(0, 0, 0), first);
    EXPECT_EQ(moved.entry(0, 1, 0), second);
    EXPECT_EQ(ts.store().freeTiles(), startFree - 2);
    EXPECT_EQ(sampleAt(moved, 0, 0, 99), valueAt(60, 99));
}

}  // namespace
}  // namespace tessary
