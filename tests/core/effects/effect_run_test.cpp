#include "effects/framework/effect_run.h"

#include <gtest/gtest.h>

#include "core/effects/effects_test_support.h"
#include "effects/framework/effect_target.h"
#include "effects/framework/image_map.h"
#include "effects/neighbourhood/convolution_fltr.h"
#include "effects/tonal/tonal_commands.h"
#include "model/page_state_record.h"

namespace tessary {
namespace {

using test::EffectsRig;
using test::Plane;

constexpr std::int32_t kW = 150;
constexpr std::int32_t kH = 40;

std::unique_ptr<ImageMap> invertMap(int slots) {
    auto map = std::make_unique<ImageMap>(0, slots - 1);
    map->invert(0, slots - 1);
    map->setName("Invert");
    return map;
}

Plane inverted(const Plane& p) {
    Plane out(p.size());
    for (std::size_t i = 0; i < p.size(); ++i) out[i] = static_cast<std::uint8_t>(255 - p[i]);
    return out;
}

TEST(StandardTarget, FollowsTheSelectionAndTheFloat) {
    EffectsRig rig;
    const Plane g = test::patternPlane(kW, kH, 1);
    auto grey = rig.makePage(Page::kTypeGrey, kW, kH, {g});
    EffectTarget t = standardTarget(*grey);
    EXPECT_EQ(t.firstPlane, 0);
    EXPECT_EQ(t.planeCount, 1);
    EXPECT_EQ(t.maskPlane, -1);
    EXPECT_EQ(t.rect, (Rect{0, 0, kW, kH}));

    const Rect selection{10, 5, 60, 30};
    auto greyMasked = rig.makePage(Page::kTypeGrey, kW, kH, {g, g}, selection);
    t = standardTarget(*greyMasked);
    EXPECT_EQ(t.planeCount, 1);
    EXPECT_EQ(t.maskPlane, 1);
    EXPECT_EQ(t.rect, selection);

    auto rgbMasked = rig.makePage(Page::kTypeRgb, kW, kH, {g, g, g, g}, selection);
    t = standardTarget(*rgbMasked);
    EXPECT_EQ(t.firstPlane, 0);
    EXPECT_EQ(t.planeCount, 3);
    EXPECT_EQ(t.maskPlane, 3);

    auto rgbFloat = rig.makePage(Page::kTypeRgb, kW, kH, {g, g, g, g, g, g, g}, selection);
    t = standardTarget(*rgbFloat);
    EXPECT_EQ(t.firstPlane, 4);
    EXPECT_EQ(t.lastPlane(), 6);
    EXPECT_EQ(t.maskPlane, -1);
    EXPECT_EQ(t.rect, selection);
}

TEST(EffectRun, RunsInItsOwnChangeWithProgressAndUndoKindSix) {
    EffectsRig rig;
    const Plane r = test::patternPlane(kW, kH, 2), g = test::patternPlane(kW, kH, 3),
                b = test::patternPlane(kW, kH, 4);
    auto page = rig.makePage(Page::kTypeRgb, kW, kH, {r, g, b});
    auto map = invertMap(3);
    ASSERT_EQ(runEffect(*page, *map, standardTarget(*page), false, true, rig.context), kErrNone);

    EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, 0), inverted(r), kW, "run_red"));
    EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, 2), inverted(b), kW, "run_blue"));
    EXPECT_EQ(rig.factory.log.windowsMade, 1);
    EXPECT_EQ(rig.factory.log.windowsDestroyed, 1);
    EXPECT_EQ(rig.factory.log.lastStyle, 25002);
    EXPECT_EQ(rig.factory.log.line0, "Filtering...");
    EXPECT_EQ(rig.factory.log.line1, "Invert");
    EXPECT_EQ(rig.factory.log.delay, 100u);
    EXPECT_TRUE(rig.factory.log.closed);
    // One step per row and plane.
    EXPECT_EQ(rig.factory.log.updates, kH * 3);
    EXPECT_EQ(rig.factory.log.lastTotal, kH * 3);

    EXPECT_FALSE(page->pageData()->changeOpen());
    EXPECT_EQ(page->undoKind(), kUndoKindFilter);
    EXPECT_TRUE(page->modified());
    const auto record = PageStateRecord::readFrom(*page->pageData()->current());
    EXPECT_EQ(record.changed, (Rect{0, 0, kW, kH}));

    // Undo brings back the samples, redo the filtered ones.
    EXPECT_EQ(page->undo(), (Rect{0, 0, kW, kH}));
    EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, 1), g, kW, "undo_green"));
    page->redo();
    EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, 1), inverted(g), kW, "redo_green"));

    // Without progress no window is made.
    ASSERT_EQ(runEffect(*page, *map, standardTarget(*page), false, false, rig.context), kErrNone);
    EXPECT_EQ(rig.factory.log.windowsMade, 1);
    EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, 1), g, kW, "twice_green"));
}

TEST(EffectRun, OpacityBlendsWithTheUnfilteredSamples) {
    EffectsRig rig;
    const Plane g = test::patternPlane(kW, kH, 5);
    for (int opacity : {0, 1, 127, 128, 200, 254}) {
        auto page = rig.makePage(Page::kTypeGrey, kW, kH, {g});
        rig.context.opacity = opacity;
        auto map = invertMap(1);
        ASSERT_EQ(runEffect(*page, *map, standardTarget(*page), false, false, rig.context),
                  kErrNone);
        Plane expected(g.size());
        for (std::size_t i = 0; i < g.size(); ++i)
            expected[i] = test::opacityMix(opacity, g[i], 255 - g[i]);
        EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, 0), expected, kW, "opacity"))
            << opacity;
    }
    // Opacity 128: T[127][unfiltered] + T[128][filtered], spelled out.
    auto page = rig.makePage(Page::kTypeGrey, 2, 1, {Plane{10, 200}});
    rig.context.opacity = 128;
    auto map = invertMap(1);
    ASSERT_EQ(runEffect(*page, *map, standardTarget(*page), false, false, rig.context), kErrNone);
    const Plane out = EffectsRig::read(*page, 0);
    EXPECT_EQ(out[0], 127 * 10 / 255 + (245 - 127 * 245 / 255));
    EXPECT_EQ(out[1], 127 * 200 / 255 + (55 - 127 * 55 / 255));
}

TEST(EffectRun, MaskBlendsInsideTheSelectionOnly) {
    EffectsRig rig;
    const Plane r = test::patternPlane(kW, kH, 6), g = test::patternPlane(kW, kH, 7),
                b = test::patternPlane(kW, kH, 8);
    Plane mask = test::patternPlane(kW, kH, 9);
    const Rect selection{20, 3, 131, 37};
    for (std::int32_t y = 0; y < kH; ++y) {
        for (std::int32_t x = 0; x < kW; ++x) {
            if (x < selection.left || x >= selection.right || y < selection.top ||
                y >= selection.bottom) {
                mask[static_cast<std::size_t>(y) * kW + x] = 0;
            }
        }
    }
    mask[static_cast<std::size_t>(10) * kW + 40] = 255;
    mask[static_cast<std::size_t>(11) * kW + 40] = 0;
    for (int opacity : {255, 100}) {
        auto page = rig.makePage(Page::kTypeRgb, kW, kH, {r, g, b, mask}, selection);
        rig.context.opacity = opacity;
        auto map = invertMap(3);
        ASSERT_EQ(runEffect(*page, *map, standardTarget(*page), false, true, rig.context),
                  kErrNone);
        for (int p = 0; p < 3; ++p) {
            const Plane& before = p == 0 ? r : (p == 1 ? g : b);
            Plane expected = before;
            for (std::int32_t y = selection.top; y < selection.bottom; ++y) {
                for (std::int32_t x = selection.left; x < selection.right; ++x) {
                    const std::size_t i = static_cast<std::size_t>(y) * kW + x;
                    const std::uint8_t blended =
                        test::opacityMix(opacity, before[i], 255 - before[i]);
                    expected[i] = test::maskMix(mask[i], before[i], blended);
                }
            }
            EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, p), expected, kW, "mask"))
                << "plane " << p << " opacity " << opacity;
        }
        // The mask itself is untouched.
        EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, 3), mask, kW, "mask_plane"));
    }
}

TEST(EffectRun, FloatingPixelsAreFilteredAtFullStrengthWithoutMask) {
    EffectsRig rig;
    const Plane g = test::patternPlane(kW, kH, 10), floatMask = test::patternPlane(kW, kH, 11),
                floating = test::patternPlane(kW, kH, 12);
    const Rect selection{0, 0, kW, kH};
    auto page = rig.makePage(Page::kTypeGrey, kW, kH, {g, floatMask, floating}, selection);
    ASSERT_TRUE(page->hasFloat());
    rig.context.opacity = 60;
    ASSERT_EQ(invertCommand(*page, rig.context), kErrNone);
    EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, 2), inverted(floating), kW, "float"));
    EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, 0), g, kW, "under_float"));
    EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, 1), floatMask, kW, "float_mask"));
}

TEST(EffectRun, CancelLeavesThePageAsBeforeWithoutUndoOrLastFilter) {
    EffectsRig rig;
    const Plane r = test::patternPlane(kW, kH, 13), g = test::patternPlane(kW, kH, 14),
                b = test::patternPlane(kW, kH, 15);
    auto page = rig.makePage(Page::kTypeRgb, kW, kH, {r, g, b});
    // A first edit, so that the undo chain has something to keep.
    ASSERT_EQ(invertCommand(*page, rig.context), kErrNone);
    Filter* first = rig.lastFilter.get();
    ASSERT_NE(first, nullptr);
    const int undoCount = page->pageData()->undoCount();
    const ImageData* before = page->pageData()->current();

    rig.factory.log = test::ProgressLog{};
    rig.factory.log.cancelAtUpdate = kH + 5;  // in the middle of the second plane
    ASSERT_EQ(ntscVideoSafeCommand(*page, rig.context), kErrCancelled);
    EXPECT_EQ(rig.factory.log.updates, kH + 5);
    EXPECT_EQ(rig.factory.log.windowsDestroyed, 1);
    EXPECT_EQ(page->pageData()->current(), before);
    EXPECT_EQ(page->pageData()->undoCount(), undoCount);
    EXPECT_EQ(page->pageData()->redoCount(), 0);
    EXPECT_FALSE(page->pageData()->changeOpen());
    EXPECT_EQ(rig.lastFilter.get(), first);
    EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, 0), inverted(r), kW, "cancel_red"));
    EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, 1), inverted(g), kW, "cancel_green"));

    // Cancel in the tiled worker too.
    rig.factory.log = test::ProgressLog{};
    rig.factory.log.cancelAtUpdate = 2;
    ConvolutionFltr blur;
    blur.divisor = 9;
    ASSERT_EQ(runEffect(*page, blur, standardTarget(*page), false, true, rig.context),
              kErrCancelled);
    EXPECT_EQ(page->pageData()->current(), before);
    EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, 0), inverted(r), kW, "cancel_tiled"));
}

TEST(EffectRun, CallerHeldChangeIsLeftOpenAndKindsThatDoNotMatchDoNothing) {
    EffectsRig rig;
    const Plane g = test::patternPlane(kW, kH, 16);
    auto page = rig.makePage(Page::kTypeGrey, kW, kH, {g});
    ASSERT_TRUE(page->pageData()->beginChange());
    auto map = invertMap(1);
    ASSERT_EQ(runEffect(*page, *map, standardTarget(*page), true, false, rig.context), kErrNone);
    EXPECT_TRUE(page->pageData()->changeOpen());
    EXPECT_EQ(page->pageData()->undoCount(), 1);
    EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, 0), inverted(g), kW, "held"));
    // A second run in the same change still reads the state before it.
    ASSERT_EQ(runEffect(*page, *map, standardTarget(*page), true, false, rig.context), kErrNone);
    EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, 0), inverted(g), kW, "held_again"));
    page->pageData()->abortChange();
    EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, 0), g, kW, "aborted"));

    // A bare filter claiming kind 1, a kind-7 filter and kind 0 change nothing.
    Filter bare;
    bare.setKind(kFilterKindImageMap);
    EXPECT_EQ(runEffect(*page, bare, standardTarget(*page), false, false, rig.context), kErrNone);
    bare.setKind(kFilterKindPlugIn);
    EXPECT_EQ(runEffect(*page, bare, standardTarget(*page), false, false, rig.context), kErrNone);
    EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, 0), g, kW, "bare"));
}

TEST(EffectRun, AMapWithoutASlotForAPlaneLeavesThatPlane) {
    EffectsRig rig;
    const Plane r = test::patternPlane(kW, kH, 17), g = test::patternPlane(kW, kH, 18);
    auto page = rig.makePage(Page::kTypeRgb, kW, kH, {r, g, g});
    auto greyMap = invertMap(1);  // built for a grey page: slot 0 only
    ASSERT_EQ(runEffect(*page, *greyMap, standardTarget(*page), false, false, rig.context),
              kErrNone);
    EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, 0), inverted(r), kW, "slot0"));
    EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, 1), g, kW, "slot1"));
}

TEST(EffectRun, LastFilterRunsAgainOnTheCurrentTargetAndStays) {
    EffectsRig rig;
    const Plane g = test::patternPlane(kW, kH, 19);
    auto page = rig.makePage(Page::kTypeGrey, kW, kH, {g});
    EXPECT_EQ(runLastFilter(*page, rig.context), kErrNone);  // nothing yet
    EXPECT_EQ(page->pageData()->undoCount(), 0);
    ASSERT_EQ(invertCommand(*page, rig.context), kErrNone);
    const Filter* kept = rig.lastFilter.get();
    ASSERT_TRUE(lastFilterRunsHere(kept));
    EXPECT_EQ(kept->name(), "Invert");
    ASSERT_EQ(runLastFilter(*page, rig.context), kErrNone);
    EXPECT_EQ(rig.lastFilter.get(), kept);
    EXPECT_EQ(page->pageData()->undoCount(), 2);
    EXPECT_EQ(page->undoKind(), kUndoKindFilter);
    EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, 0), g, kW, "last_twice"));

    // A plug-in filter is not run here.
    auto plugIn = std::make_unique<Filter>();
    plugIn->setKind(kFilterKindPlugIn);
    rig.lastFilter = std::move(plugIn);
    EXPECT_FALSE(lastFilterRunsHere(rig.lastFilter.get()));
    EXPECT_EQ(runLastFilter(*page, rig.context), kErrNone);
    EXPECT_EQ(page->pageData()->undoCount(), 2);
    EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, 0), g, kW, "plug_in_not_run"));
}

TEST(EffectRun, AFailingWriteAbortsWithDiskCode) {
    // A store with 32 slots (31 tiles) and no swap: a 600 x 600 grey page
    // needs 25 tiles, its inverse 25 more.
    EffectsRig rig(32, 0);
    const std::int32_t size = 600;
    const Plane g = test::patternPlane(size, size, 20);
    auto page = rig.makePage(Page::kTypeGrey, size, size, {g});
    ASSERT_EQ(invertCommand(*page, rig.context), kErrDisk);
    EXPECT_FALSE(page->pageData()->changeOpen());
    EXPECT_EQ(page->pageData()->undoCount(), 0);
    EXPECT_EQ(rig.lastFilter, nullptr);
    EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, 0), g, size, "disk_full"));
}

}  // namespace
}  // namespace tessary
