#include "effects/tonal/lookup_table_worker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "core/effects/effects_test_support.h"
#include "core/model/page_test_support.h"
#include "effects/framework/effect_run.h"
#include "effects/framework/effect_target.h"
#include "effects/framework/image_map.h"

// The lookup-table worker at full strength without a mask maps whole tiles
// in one pass and the rest of the rectangle row by row. Whatever the
// rectangle, the result must be the table applied to every sample inside it
// and nothing outside, with progress, cancel and failure as for rows.

namespace tessary {
namespace {

using test::EffectsRig;
using test::Plane;

// A map whose tables differ per slot and move every level, so that a sample
// mapped twice, not at all or through the wrong table shows.
ImageMap scrambledMap(int slots) {
    ImageMap map(0, slots - 1);
    for (int s = 0; s < slots; ++s) {
        for (int i = 0; i < 256; ++i)
            map.table(s)[i] = static_cast<std::uint8_t>((i * (37 + 4 * s) + 11 + s) & 0xFF);
    }
    return map;
}

// A page whose planes hold a pattern in their first `writtenRows` rows and
// the constant `fill` below, so that the lower tiles stay constant.
std::unique_ptr<Page> partlyWrittenPage(EffectsRig& rig, std::int32_t type, std::int32_t width,
                                        std::int32_t height, std::int32_t writtenRows,
                                        std::uint8_t fill, std::vector<Plane>& planes) {
    auto page = std::make_unique<Page>(PageEnvironment{rig.store(), nullptr, rig.blend()});
    const int colour = type == Page::kTypeGrey ? 1 : 3;
    const std::vector<std::uint8_t> fills(static_cast<std::size_t>(colour), fill);
    EXPECT_TRUE(page->shape(type, width, height, colour, fills.data()));
    planes.clear();
    for (int p = 0; p < colour; ++p) {
        Plane plane = test::patternPlane(width, height, 40 + static_cast<std::uint32_t>(p));
        std::fill(plane.begin() + static_cast<std::ptrdiff_t>(writtenRows) * width, plane.end(),
                  fill);
        for (std::int32_t y = 0; y < writtenRows; ++y) {
            EXPECT_TRUE(page->pageData()->writeRow(
                p, 0, y, width, plane.data() + static_cast<std::size_t>(y) * width));
        }
        planes.push_back(std::move(plane));
    }
    return page;
}

// `before` with `table` applied inside `rect`, laid over the original with
// `opacity`.
Plane mappedInside(const Plane& before, std::int32_t width, const Rect& rect,
                   const std::uint8_t* table, int opacity = 255) {
    Plane out = before;
    for (std::int32_t y = rect.top; y < rect.bottom; ++y) {
        for (std::int32_t x = rect.left; x < rect.right; ++x) {
            auto& v = out[static_cast<std::size_t>(y) * width + x];
            v = opacity < 255 ? test::opacityMix(opacity, v, table[v]) : table[v];
        }
    }
    return out;
}

EffectTarget colourTarget(const Page& page, const Rect& rect) {
    return EffectTarget{
        .firstPlane = 0, .planeCount = page.colourPlaneCount(), .maskPlane = -1, .rect = rect};
}

// (type, rectangle, opacity) on a 333 x 270 page (3 x 3 tiles, the last
// column and row partly outside the image) whose bottom tile row is constant.
// Below full opacity whole tiles too must be laid over the original.
class LookupTableTilesTest : public ::testing::TestWithParam<std::tuple<std::int32_t, Rect, int>> {
};

TEST_P(LookupTableTilesTest, MatchesTheTableOnEverySampleOfTheRectangle) {
    const auto [type, rect, opacity] = GetParam();
    constexpr std::int32_t kW = 333, kH = 270;
    EffectsRig rig;
    rig.context.opacity = opacity;
    std::vector<Plane> planes;
    auto page = partlyWrittenPage(rig, type, kW, kH, 200, 77, planes);
    const ImageMap map = scrambledMap(page->colourPlaneCount());

    ASSERT_EQ(runEffect(*page, map, colourTarget(*page, rect), false, false, rig.context),
              kErrNone);
    for (int p = 0; p < page->colourPlaneCount(); ++p) {
        EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, p),
                                    mappedInside(planes[p], kW, rect, map.table(p), opacity), kW,
                                    "lut_tiles_" + std::to_string(p)))
            << "plane " << p;
    }
    // Undo gives the samples back.
    page->pageData()->undo();
    for (int p = 0; p < page->colourPlaneCount(); ++p)
        EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, p), planes[p], kW, "lut_undone"));
}

INSTANTIATE_TEST_SUITE_P(
    GreyAndRgb, LookupTableTilesTest,
    ::testing::Combine(::testing::Values(Page::kTypeGrey, Page::kTypeRgb),
                       ::testing::Values(Rect{0, 0, 333, 270},    // whole image
                                         Rect{1, 2, 300, 269},    // odd edges round a tile
                                         Rect{128, 0, 256, 128},  // exactly one tile
                                         Rect{5, 130, 260, 262},  // constant tiles below
                                         Rect{0, 128, 256, 256},  // two whole tiles
                                         Rect{10, 10, 100, 100},  // no whole tile
                                         Rect{200, 3, 333, 270}),
                       ::testing::Values(255, 100)));

// Identity and complement tables take their own routines, in whole tiles
// and in the row spans round them; the result must still be the table.
TEST(LookupTableWorker, IdentityAndComplementTablesMatchTheTable) {
    constexpr std::int32_t kW = 333, kH = 270;
    for (const bool complement : {false, true}) {
        for (const Rect rect : {Rect{0, 0, kW, kH}, Rect{1, 2, 300, 269}}) {
            EffectsRig rig;
            std::vector<Plane> planes;
            auto page = partlyWrittenPage(rig, Page::kTypeRgb, kW, kH, 200, 77, planes);
            ImageMap map = scrambledMap(3);
            for (int i = 0; i < 256; ++i)
                map.table(1)[i] = static_cast<std::uint8_t>(complement ? 255 - i : i);
            ASSERT_EQ(runEffect(*page, map, colourTarget(*page, rect), false, false, rig.context),
                      kErrNone);
            for (int p = 0; p < 3; ++p) {
                EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, p),
                                            mappedInside(planes[p], kW, rect, map.table(p)), kW,
                                            "lut_kinds_" + std::to_string(p)))
                    << "plane " << p << (complement ? " complement" : " identity");
            }
        }
    }
}

TEST(LookupTableWorker, ConstantTilesMapToConstantTilesWithoutStorage) {
    EffectsRig rig;
    std::vector<Plane> planes;
    // 512 x 384: every tile whole; nothing written, so every tile constant.
    auto page = partlyWrittenPage(rig, Page::kTypeRgb, 512, 384, 0, 90, planes);
    const ImageMap map = scrambledMap(3);
    const std::uint32_t freeBefore = rig.store().freeTiles();
    ASSERT_EQ(
        runEffect(*page, map, colourTarget(*page, Rect{0, 0, 512, 384}), false, false, rig.context),
        kErrNone);
    EXPECT_EQ(rig.store().freeTiles(), freeBefore);
    const ImageData& state = *page->pageData()->current();
    for (int p = 0; p < 3; ++p) {
        for (int row = 0; row < 3; ++row) {
            for (int column = 0; column < 4; ++column) {
                EXPECT_EQ(state.entry(p, column, row), ImageData::constantEntry(map.table(p)[90]));
            }
        }
    }
}

TEST(LookupTableWorker, FloatingPlanesOnTheirOwnGridAreMappedByTiles) {
    constexpr std::int32_t kW = 333, kH = 270;
    EffectsRig rig;
    const Plane g = test::patternPlane(kW, kH, 50), mask = test::patternPlane(kW, kH, 51),
                floating = test::patternPlane(kW, kH, 52);
    auto page = rig.makePage(Page::kTypeGrey, kW, kH, {g, mask, floating});
    ASSERT_TRUE(page->hasFloat());
    // The float moved by part of a tile: its grid starts at (-91, -107).
    ASSERT_TRUE(page->pageData()->offsetPlane(1, 37, 21, 0));
    ASSERT_TRUE(page->pageData()->offsetPlane(2, 37, 21, 0));
    const Plane before = EffectsRig::read(*page, 2);
    const Rect rect{0, 0, kW, kH};
    ASSERT_EQ(page->pageData()->wholeTilesFromPrevious(2, rect), (Rect{37, 21, 293, 149}));

    const ImageMap map = scrambledMap(1);
    const EffectTarget target{.firstPlane = 2, .planeCount = 1, .maskPlane = -1, .rect = rect};
    ASSERT_EQ(runEffect(*page, map, target, false, false, rig.context), kErrNone);
    EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, 2),
                                mappedInside(before, kW, rect, map.table(0)), kW, "lut_float"));
    EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, 0), g, kW, "lut_under_float"));
}

TEST(LookupTableWorker, ProgressCountsEveryRowOfEveryPlaneAndCancelRestoresThePage) {
    constexpr std::int32_t kW = 333, kH = 270;
    EffectsRig rig;
    std::vector<Plane> planes;
    auto page = partlyWrittenPage(rig, Page::kTypeRgb, kW, kH, 270, 0, planes);
    const ImageMap map = scrambledMap(3);
    const Rect rect{0, 0, kW, kH};

    ASSERT_EQ(runEffect(*page, map, colourTarget(*page, rect), false, true, rig.context), kErrNone);
    EXPECT_EQ(rig.factory.log.updates, 3 * kH);
    EXPECT_EQ(rig.factory.log.lastDone, 3 * kH);
    EXPECT_EQ(rig.factory.log.lastTotal, 3 * kH);

    // Cancel inside the second band of tiles of the second plane: the bands
    // mapped so far go with the change.
    const ImageData* current = page->pageData()->current();
    const auto entries = test::entriesOf(*current);
    const std::uint32_t freeBefore = rig.store().freeTiles();
    rig.factory.log = test::ProgressLog{};
    rig.factory.log.cancelAtUpdate = kH + 200;
    ASSERT_EQ(runEffect(*page, map, colourTarget(*page, rect), false, true, rig.context),
              kErrCancelled);
    EXPECT_EQ(rig.factory.log.updates, kH + 200);
    EXPECT_EQ(page->pageData()->current(), current);
    EXPECT_EQ(test::entriesOf(*page->pageData()->current()), entries);
    EXPECT_EQ(rig.store().freeTiles(), freeBefore);
    for (int p = 0; p < 3; ++p) {
        EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, p),
                                    mappedInside(planes[p], kW, rect, map.table(p)), kW,
                                    "lut_cancel"));
    }
}

TEST(LookupTableWorker, RunningOutOfTilesMidwayFailsWithTheStoreCodeAndRestoresThePage) {
    // 40 slots, no swap file: 39 tiles. A 640 x 512 grey page holds 20; its
    // map needs 20 more, so the fourth band of five tiles cannot be had.
    EffectsRig rig(40, 0);
    const Plane g = test::patternPlane(640, 512, 60);
    auto page = rig.makePage(Page::kTypeGrey, 640, 512, {g});
    const auto entries = test::entriesOf(*page->pageData()->current());
    const std::uint32_t freeBefore = rig.store().freeTiles();
    ASSERT_EQ(freeBefore, 19u);

    const ImageMap map = scrambledMap(1);
    EXPECT_EQ(
        runEffect(*page, map, colourTarget(*page, Rect{0, 0, 640, 512}), false, true, rig.context),
        kErrDisk);
    EXPECT_EQ(rig.factory.log.updates, 3 * 128);  // three bands went through
    EXPECT_FALSE(page->pageData()->changeOpen());
    EXPECT_EQ(page->pageData()->undoCount(), 0);
    EXPECT_EQ(test::entriesOf(*page->pageData()->current()), entries);
    EXPECT_EQ(rig.store().freeTiles(), freeBefore);
    EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, 0), g, 640, "lut_out_of_tiles"));
}

}  // namespace
}  // namespace tessary
