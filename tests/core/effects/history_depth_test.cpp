// Pages that keep no undo states (history depth 0, as the batch program's).

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "effects/framework/effect_run.h"
#include "effects/geometry/flip_rotate.h"
#include "effects/geometry/scale.h"
#include "effects/neighbourhood/convolution_fltr.h"
#include "effects/neighbourhood/neighbourhood_commands.h"
#include "effects/tonal/tonal_commands.h"
#include "effects_test_support.h"

namespace tessary::test {
namespace {

constexpr std::int32_t kWidth = 700;
constexpr std::int32_t kHeight = 500;

struct Edit {
    const char* name;
    std::function<ErrorCode(Page&, EffectsRig&)> run;
};

const std::vector<Edit>& edits() {
    static const std::vector<Edit> table = {
        {"invert", [](Page& p, EffectsRig& r) { return invertCommand(p, r.context); }},
        {"box 3x3",
         [](Page& p, EffectsRig& r) {
             return runMenuFilter(p, makeBlurSharpenFilter(-1), r.context);
         }},
        {"despeckle, as its dialog's OK runs it",
         [](Page& p, EffectsRig& r) {
             PageData& data = *p.pageData();
             if (!data.beginChange()) return kErrDisk;
             const ErrorCode code = despeckleCommand(p, p.bounds(), {2, 0, 0}, true, r.context);
             code == kErrNone ? data.endChange() : data.abortChange();
             return code;
         }},
        {"flip", [](Page& p, EffectsRig& r) { return flipRotate(p, kFlipHorizontal, &r.factory); }},
        {"flip top to bottom",
         [](Page& p, EffectsRig& r) { return flipRotate(p, kFlipVertical, &r.factory); }},
        {"quarter turn",
         [](Page& p, EffectsRig& r) { return flipRotate(p, kQuarterTurnClockwise, &r.factory); }},
        {"scale", [](Page& p, EffectsRig& r) { return scalePage(p, 420, 810, true, &r.factory); }},
    };
    return table;
}

std::unique_ptr<Page> rgbPage(EffectsRig& rig, int depth) {
    auto page = rig.makePage(Page::kTypeRgb, kWidth, kHeight,
                             {patternPlane(kWidth, kHeight, 1), patternPlane(kWidth, kHeight, 2),
                              patternPlane(kWidth, kHeight, 3)});
    page->pageData()->setHistoryDepth(depth);
    return page;
}

// Distinct tiles of a state whose every tile was written with its own data.
std::uint32_t tilesOf(const PageData& data) {
    const auto across = static_cast<std::uint32_t>((data.width() + 127) / 128);
    const auto down = static_cast<std::uint32_t>((data.height() + 127) / 128);
    return static_cast<std::uint32_t>(data.planeCount()) * across * down;
}

TEST(HistoryDepth, EditsGiveTheSamePixelsAndKeepNoTilesOfTheStateBefore) {
    for (const int threads : {1, 2})
        for (const Edit& edit : edits()) {
            SCOPED_TRACE(std::string(edit.name) + " on " + std::to_string(threads) + " threads");
            EffectsRig rig;
            rig.workers.setThreadCount(threads);
            auto kept = rgbPage(rig, PageData::kMaxUndo);
            ASSERT_EQ(edit.run(*kept, rig), kErrNone);
            EXPECT_EQ(kept->pageData()->undoCount(), 1);

            auto unkept = rgbPage(rig, 0);
            // Every tile is replaced; the page ends with its new tiles only.
            const std::uint32_t tiles = tilesOf(*unkept->pageData());
            const std::uint32_t othersUsed = rig.store().usedTiles() - tiles;
            std::uint32_t peak = 0;
            rig.factory.log.onUpdate = [&] { peak = std::max(peak, rig.store().usedTiles()); };
            ASSERT_EQ(edit.run(*unkept, rig), kErrNone);
            EXPECT_EQ(unkept->pageData()->undoCount(), 0);
            const PageData& data = *unkept->pageData();
            EXPECT_EQ(rig.store().usedTiles(), othersUsed + tilesOf(data));
            // Letting go of what was read keeps the page well below the new
            // state and the old one together.
            EXPECT_LE(peak, othersUsed + tilesOf(data) + tiles / 3);

            ASSERT_EQ(data.width(), kept->pageData()->width());
            ASSERT_EQ(data.height(), kept->pageData()->height());
            for (int p = 0; p < 3; ++p) {
                EXPECT_TRUE(samePlane(EffectsRig::read(*unkept, p), EffectsRig::read(*kept, p),
                                      data.width(), edit.name));
            }
        }
}

// A cancelled edit keeps no state and no tile of the state before; with
// history the page is as it was, without it as the edit left it (the batch
// program, the one owner of such pages, discards a page whose edit failed).
TEST(HistoryDepth, ACancelledEditLeavesNoStateBehind) {
    for (const int depth : {0, 1}) {
        for (const Edit& edit : edits()) {
            SCOPED_TRACE(std::string(edit.name) + " at depth " + std::to_string(depth));
            EffectsRig rig;
            auto page = rgbPage(rig, depth);
            const std::uint32_t usedBefore = rig.store().usedTiles();
            rig.factory.log.cancelAtUpdate = 40;
            ASSERT_EQ(edit.run(*page, rig), kErrCancelled);
            EXPECT_EQ(page->pageData()->undoCount(), 0);
            EXPECT_FALSE(page->pageData()->changeOpen());
            if (depth == 0) {
                EXPECT_LE(rig.store().usedTiles(), usedBefore);
                continue;
            }
            EXPECT_EQ(rig.store().usedTiles(), usedBefore);
            ASSERT_EQ(page->pageData()->width(), kWidth);
            ASSERT_EQ(page->pageData()->height(), kHeight);
            for (int p = 0; p < 3; ++p) {
                EXPECT_TRUE(
                    samePlane(EffectsRig::read(*page, p),
                              patternPlane(kWidth, kHeight, static_cast<std::uint32_t>(p + 1)),
                              kWidth, edit.name));
            }
        }
    }
}

TEST(HistoryDepth, PagesTakeTheDepthOfTheirEnvironment) {
    EffectsRig rig;
    PageDataList list;
    BlendTable blend;
    Page page(PageEnvironment{rig.store(), &list, blend, 0});
    const std::uint8_t fills[3] = {1, 2, 3};
    ASSERT_TRUE(page.shape(Page::kTypeRgb, 10, 10, 3, fills));
    EXPECT_EQ(page.pageData()->historyDepth(), 0);
}

}  // namespace
}  // namespace tessary::test
