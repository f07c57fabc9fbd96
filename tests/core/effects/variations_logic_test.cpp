#include "effects/tonal/variations_logic.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "core/effects/effects_test_support.h"
#include "effects/framework/effect_run.h"

namespace tessary {
namespace {

using test::EffectsRig;
using test::Plane;

TEST(VariationsSetup, StepsThumbnailsAndLabelsOfEachDialog) {
    const auto& blur = variationsSetup(VariationsKind::BlurSharpen);
    EXPECT_EQ(blur.dialogId, 176);
    EXPECT_EQ(blur.title, "Blur and Sharpen");
    EXPECT_EQ(blur.coarseStep, 2);
    EXPECT_EQ(blur.fineStep, 1);
    EXPECT_EQ(blur.thumbnailCount, 6);
    EXPECT_TRUE(blur.negativesAllowed);
    EXPECT_EQ(blur.labels[0].text, "Blur More");
    EXPECT_EQ(blur.labels[3].text, "Sharpen More");
    EXPECT_FALSE(variationsSetup(VariationsKind::Despeckle).negativesAllowed);
    EXPECT_EQ(variationsSetup(VariationsKind::Noise).labels[1].text, "Less Noise");
    const auto& bricon = variationsSetup(VariationsKind::BrightnessContrast);
    EXPECT_EQ(bricon.dialogId, 177);
    EXPECT_EQ(bricon.coarseStep, 40);
    EXPECT_EQ(bricon.fineStep, 10);
    EXPECT_EQ(bricon.thumbnailCount, 7);
    EXPECT_EQ(bricon.labels[5].id, 218);
    const auto& tint = variationsSetup(VariationsKind::ColorVariations);
    EXPECT_EQ(tint.thumbnailCount, 9);
    EXPECT_EQ(tint.labels[7].text, "More Blue");
    EXPECT_EQ(fixedLabel(1105).text, "Original");

    // Each dialog's thumbnails, counted and in render order.
    for (auto kind : {VariationsKind::BlurSharpen, VariationsKind::BrightnessContrast,
                      VariationsKind::ColorVariations}) {
        const auto& setup = variationsSetup(kind);
        const auto order = renderOrder(setup.dialogId);
        EXPECT_EQ(static_cast<int>(order.size()), setup.thumbnailCount);
        for (int id : order) EXPECT_TRUE(dialogHasThumbnail(setup.dialogId, id)) << id;
    }
    EXPECT_EQ(renderOrder(176), (std::vector<int>{1089, 1090, 1093, 1094, 1092, 1095}));
    EXPECT_EQ(renderOrder(178),
              (std::vector<int>{1089, 1090, 1093, 1094, 1091, 1096, 1097, 1098, 1099}));
    EXPECT_FALSE(dialogHasThumbnail(177, 1098));

    EXPECT_EQ(thumbnailOffset(1092, 2), (CVector3D{-4, 0, 0}));
    EXPECT_EQ(thumbnailOffset(1095, 10), (CVector3D{20, 0, 0}));
    EXPECT_EQ(thumbnailOffset(1096, 40), (CVector3D{0, -40, 0}));
    EXPECT_EQ(thumbnailOffset(1099, 10), (CVector3D{0, 0, 10}));
    EXPECT_EQ(thumbnailOffset(1090, 10), (CVector3D{}));
}

TEST(ViewTracker, ZoomSnapsStepsAndKeepsTheCentre) {
    EXPECT_EQ(ViewTracker::snapZoom(3.0), 2.0);
    EXPECT_EQ(ViewTracker::snapZoom(0.3), 0.25);
    EXPECT_EQ(ViewTracker::snapZoom(100.0), 32.0);
    EXPECT_EQ(ViewTracker::snapZoom(0.001), 1.0 / 32);
    EXPECT_EQ(ViewTracker::snapZoom(-2.0), 1.0);

    ViewTracker tracker;
    tracker.setUp(Rect{0, 0, 400, 300}, Rect{0, 0, 80, 60}, 1.0);
    EXPECT_EQ(tracker.visibleImageRect(), (Rect{160, 120, 240, 180}));
    EXPECT_EQ(tracker.visibleViewRect(), (Rect{0, 0, 80, 60}));
    EXPECT_EQ(tracker.zoomText(), "100%");
    EXPECT_TRUE(tracker.zoomIn());
    EXPECT_EQ(tracker.zoom(), 2.0);
    EXPECT_EQ(tracker.visibleImageRect(), (Rect{180, 135, 220, 165}));  // same centre
    EXPECT_EQ(tracker.drawFactor(), 2);
    while (tracker.zoomIn()) {
    }
    EXPECT_EQ(tracker.zoom(), 32.0);
    EXPECT_FALSE(tracker.zoomIn());
    while (tracker.zoomOut()) {
    }
    EXPECT_EQ(tracker.zoom(), 1.0 / 32);
    EXPECT_EQ(tracker.zoomText(), "3%");
    EXPECT_EQ(tracker.drawFactor(), -32);
    tracker.setZoom(0.25);
    EXPECT_EQ(tracker.drawFactor(), -4);
    EXPECT_EQ(tracker.zoomText(), "25%");
    EXPECT_EQ(tracker.visibleImageRect(), (Rect{40, 30, 360, 270}));
    EXPECT_EQ(tracker.visibleViewRect(), (Rect{0, 0, 80, 60}));
    // At 1/8 the whole image fits: it is shown where it lies in the view.
    tracker.setZoom(0.125);
    EXPECT_EQ(tracker.visibleImageRect(), (Rect{0, 0, 400, 300}));
    EXPECT_EQ(tracker.visibleViewRect(), (Rect{15, 11, 65, 48}));

    // Dragging moves the picture with the pointer; the centre stays inside.
    tracker.setZoom(1.0);
    tracker.scrollBy(10, -5);
    EXPECT_EQ(tracker.visibleImageRect(), (Rect{150, 125, 230, 185}));
    tracker.scrollBy(10000, 10000);
    EXPECT_EQ(tracker.centreX(), 0.0);
    EXPECT_EQ(tracker.centreY(), 0.0);
    EXPECT_EQ(tracker.visibleImageRect(), (Rect{0, 0, 40, 30}));
    EXPECT_EQ(tracker.visibleViewRect(), (Rect{40, 30, 80, 60}));
}

TEST(VariationsLogic, OutlineTravelsInEighths) {
    const auto path = outlinePath(Rect{0, 0, 48, 48}, Rect{80, 160, 128, 208});
    EXPECT_EQ(path[0], (Rect{0, 0, 48, 48}));
    EXPECT_EQ(path[1], (Rect{10, 20, 58, 68}));
    EXPECT_EQ(path[4], (Rect{40, 80, 88, 128}));
    EXPECT_EQ(path[8], (Rect{80, 160, 128, 208}));
}

TEST(VariationsLogic, DespeckleShowsNegativeRadiiBlank) {
    EffectsRig rig;
    const Plane g = test::patternPlane(50, 40, 101);
    auto page = rig.makePage(Page::kTypeGrey, 50, 40, {g});
    VariationsLogic logic(*page, VariationsKind::Despeckle, rig.context, 1.0, true,
                          Rect{0, 0, 48, 48});
    ASSERT_EQ(logic.begin(), kErrNone);
    EXPECT_EQ(logic.step(), 1);
    const auto thumbs = logic.renderAll();
    ASSERT_EQ(thumbs.size(), 6u);
    for (const auto& t : thumbs) {
        const bool blank = t.id == 1092 || t.id == 1093;
        EXPECT_EQ(t.enabled, !blank) << t.id;
        if (t.enabled) {
            EXPECT_EQ(t.showsBeforeChange, t.id == 1089 || t.id == 1090) << t.id;
        }
        EXPECT_EQ(t.drawMode, 102);
    }
    EXPECT_TRUE(logic.click(1094));
    EXPECT_EQ(logic.current(), (CVector3D{1, 0, 0}));
    EXPECT_FALSE(logic.render(1092).enabled);  // 1 - 2 is negative
    EXPECT_TRUE(logic.render(1093).enabled);
    logic.cancel();
    EXPECT_EQ(EffectsRig::read(*page, 0), g);
    EXPECT_EQ(page->pageData()->undoCount(), 0);
    EXPECT_FALSE(page->pageData()->changeOpen());
}

TEST(VariationsLogic, PreviewsWriteIntoTheChangeAndOkAppliesTheAdjustment) {
    EffectsRig rig;
    const std::int32_t w = 300, h = 200;
    const Plane r = test::patternPlane(w, h, 102), g = test::patternPlane(w, h, 103),
                b = test::patternPlane(w, h, 104);
    auto page = rig.makePage(Page::kTypeRgb, w, h, {r, g, b});
    VariationsLogic logic(*page, VariationsKind::ColorVariations, rig.context, 1.0, false,
                          Rect{0, 0, 64, 64});
    ASSERT_EQ(logic.begin(), kErrNone);
    EXPECT_EQ(logic.step(), 40);
    EXPECT_FALSE(logic.fine());
    const auto thumbs = logic.renderAll();
    ASSERT_EQ(thumbs.size(), 9u);
    // The last preview drawn was "More Blue" on the visible part only.
    const Rect visible{118, 68, 182, 132};
    EXPECT_EQ(thumbs.back().id, 1099);
    EXPECT_EQ(thumbs.back().imagePart, visible);
    const Plane blue = EffectsRig::read(*page, 2);
    for (std::int32_t y = 0; y < h; ++y) {
        for (std::int32_t x = 0; x < w; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * w + x;
            const bool inside =
                x >= visible.left && x < visible.right && y >= visible.top && y < visible.bottom;
            ASSERT_EQ(blue[i], inside ? std::min(255, b[i] + 40) : b[i]) << x << "," << y;
        }
    }
    EXPECT_EQ(rig.lastFilter, nullptr);

    EXPECT_TRUE(logic.click(1094));  // More Red
    EXPECT_TRUE(logic.click(1094));
    EXPECT_TRUE(logic.chooseFine(true));
    EXPECT_FALSE(logic.chooseFine(true));
    EXPECT_TRUE(logic.click(1098));  // More Yellow: z - 10
    EXPECT_FALSE(logic.click(1091));
    EXPECT_EQ(logic.current(), (CVector3D{80, 0, -10}));
    EXPECT_TRUE(logic.tracker().zoomOut());

    double zoom = 0;
    bool fine = false;
    ASSERT_EQ(logic.ok(zoom, fine), kErrNone);
    EXPECT_TRUE(fine);
    EXPECT_EQ(zoom, 0.5);
    EXPECT_FALSE(page->pageData()->changeOpen());
    EXPECT_EQ(page->pageData()->undoCount(), 1);
    EXPECT_EQ(page->undoKind(), kUndoKindFilter);
    const Plane red = EffectsRig::read(*page, 0), green = EffectsRig::read(*page, 1),
                finalBlue = EffectsRig::read(*page, 2);
    for (std::size_t i = 0; i < r.size(); ++i) {
        ASSERT_EQ(red[i], std::min(255, r[i] + 80));
        ASSERT_EQ(green[i], g[i]);
        ASSERT_EQ(finalBlue[i], std::max(0, b[i] - 10));
    }
    ASSERT_NE(rig.lastFilter, nullptr);
    EXPECT_EQ(rig.lastFilter->name(), "Color Variations");
    page->undo();
    EXPECT_EQ(EffectsRig::read(*page, 2), b);
}

TEST(VariationsLogic, OriginalResetsAndZeroShowsTheStateBefore) {
    EffectsRig rig;
    const Plane g = test::patternPlane(60, 60, 105);
    auto page = rig.makePage(Page::kTypeGrey, 60, 60, {g});
    VariationsLogic logic(*page, VariationsKind::BlurSharpen, rig.context, 2.0, false,
                          Rect{0, 0, 48, 48});
    ASSERT_EQ(logic.begin(), kErrNone);
    EXPECT_TRUE(logic.click(1092));
    EXPECT_EQ(logic.current(), (CVector3D{-4, 0, 0}));
    const auto sharpenBack = logic.render(1095);  // -4 + 4 = 0
    EXPECT_TRUE(sharpenBack.showsBeforeChange);
    EXPECT_EQ(sharpenBack.drawFactor, 2);
    EXPECT_EQ(sharpenBack.imagePart, (Rect{18, 18, 42, 42}));
    EXPECT_TRUE(logic.click(1089));
    EXPECT_EQ(logic.current(), (CVector3D{}));
    double zoom = 0;
    bool fine = true;
    // OK with nothing chosen: Blur & Sharpen with x = 0 leaves the image.
    ASSERT_EQ(logic.ok(zoom, fine), kErrNone);
    EXPECT_FALSE(fine);
    EXPECT_EQ(zoom, 2.0);
    EXPECT_EQ(EffectsRig::read(*page, 0), g);
}

}  // namespace
}  // namespace tessary
