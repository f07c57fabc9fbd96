#include "effects/tonal/tonal_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "core/effects/effects_test_support.h"
#include "effects/framework/effect_run.h"
#include "effects/framework/image_map.h"

namespace tessary {
namespace {

using test::EffectsRig;
using test::Plane;

Plane mapped(const Plane& in, int (*rule)(int, int, int), int a, int b) {
    Plane out(in.size());
    for (std::size_t i = 0; i < in.size(); ++i)
        out[i] = static_cast<std::uint8_t>(rule(in[i], a, b));
    return out;
}

int clampLevel(long long v) {
    return static_cast<int>(std::clamp<long long>(v, 0, 255));
}

// Brightness b then contrast c from the dialog's description.
int brightnessContrast(int v, int b, int c) {
    const long long t = clampLevel(v + b);
    const long long product = (255 + 2LL * c) * t;
    const long long q = product >= 0 ? product / 255 : -((-product) / 255);
    return clampLevel(-c + q);
}

int shifted(int v, int d, int) {
    return clampLevel(v + d);
}

TEST(TonalCommands, InvertTwiceRestoresEverySample) {
    EffectsRig rig;
    const std::int32_t w = 130, h = 20;
    const Plane r = test::patternPlane(w, h, 81), g = test::patternPlane(w, h, 82),
                b = test::patternPlane(w, h, 83), mask = test::patternPlane(w, h, 84);
    auto page = rig.makePage(Page::kTypeRgb, w, h, {r, g, b});
    ASSERT_EQ(invertCommand(*page, rig.context), kErrNone);
    EXPECT_EQ(EffectsRig::read(*page, 1), mapped(
                                              g, [](int v, int, int) { return 255 - v; }, 0, 0));
    ASSERT_EQ(invertCommand(*page, rig.context), kErrNone);
    EXPECT_EQ(EffectsRig::read(*page, 0), r);
    EXPECT_EQ(EffectsRig::read(*page, 1), g);
    EXPECT_EQ(EffectsRig::read(*page, 2), b);
    EXPECT_EQ(rig.lastFilter->name(), "Invert");
    EXPECT_EQ(rig.lastFilter->kind(), kFilterKindImageMap);

    // Undo and redo of both steps.
    page->undo();
    EXPECT_EQ(EffectsRig::read(*page, 2), mapped(
                                              b, [](int v, int, int) { return 255 - v; }, 0, 0));
    page->undo();
    EXPECT_EQ(EffectsRig::read(*page, 2), b);
    page->redo();
    page->redo();
    EXPECT_EQ(EffectsRig::read(*page, 2), b);
    EXPECT_EQ(page->undoKind(), kUndoKindFilter);
}

TEST(TonalCommands, BrightnessAndContrastBuildTheirTables) {
    for (auto [bright, contrast] :
         {std::pair{0, 0}, std::pair{40, 0}, std::pair{-80, 0}, std::pair{0, 40}, std::pair{0, -40},
          std::pair{30, -120}, std::pair{-10, 127}, std::pair{0, 200}}) {
        ImageMap map(0, 2);
        buildBrightnessContrastMap(map, bright, contrast);
        for (int s = 0; s <= 2; ++s) {
            for (int i = 0; i < 256; ++i) {
                ASSERT_EQ(map.table(s)[i], brightnessContrast(i, bright, contrast))
                    << bright << "/" << contrast << " at " << i;
            }
        }
    }
    ImageMap still(0, 0);
    buildBrightnessContrastMap(still, 0, 0);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(still.table(0)[i], i);
    ImageMap bright(0, 0);
    buildBrightnessContrastMap(bright, 40, 0);
    EXPECT_EQ(bright.table(0)[230], 255);
}

TEST(TonalCommands, BrightnessContrastRunsOnTheDialogRectangleOfAGreyPage) {
    EffectsRig rig;
    const std::int32_t w = 60, h = 30;
    const Plane g = test::patternPlane(w, h, 85);
    auto page = rig.makePage(Page::kTypeGrey, w, h, {g});
    ASSERT_TRUE(page->pageData()->beginChange());
    const Rect part{10, 5, 50, 25};
    // A preview: no progress, no last filter.
    ASSERT_EQ(brightnessContrastCommand(*page, part, CVector3D{20, 10, 0}, false, rig.context),
              kErrNone);
    EXPECT_EQ(rig.lastFilter, nullptr);
    EXPECT_EQ(rig.factory.log.windowsMade, 0);
    // The final run reads the state before the change again.
    ASSERT_EQ(brightnessContrastCommand(*page, part, CVector3D{-20, 30, 0}, true, rig.context),
              kErrNone);
    page->pageData()->endChange();
    EXPECT_EQ(rig.factory.log.windowsMade, 1);
    ASSERT_NE(rig.lastFilter, nullptr);
    EXPECT_EQ(rig.lastFilter->name(), "Brightness & Contrast");
    Plane expected = g;
    for (std::int32_t y = part.top; y < part.bottom; ++y) {
        for (std::int32_t x = part.left; x < part.right; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * w + x;
            expected[i] = static_cast<std::uint8_t>(brightnessContrast(g[i], -20, 30));
        }
    }
    EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, 0), expected, w, "bricon"));
    // An empty rectangle does nothing.
    rig.lastFilter.reset();
    EXPECT_EQ(
        brightnessContrastCommand(*page, Rect{3, 3, 3, 8}, CVector3D{20, 0, 0}, true, rig.context),
        kErrNone);
    EXPECT_EQ(rig.lastFilter, nullptr);
}

TEST(TonalCommands, ColorVariationsShiftEachChannelAndNeedColour) {
    ImageMap map(0, 2);
    buildColorVariationsMap(map, CVector3D{40, -10, 300});
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(map.table(0)[i], shifted(i, 40, 0));
        ASSERT_EQ(map.table(1)[i], shifted(i, -10, 0));
        ASSERT_EQ(map.table(2)[i], shifted(i, 300, 0));
    }

    EffectsRig rig;
    const std::int32_t w = 40, h = 10;
    const Plane r = test::patternPlane(w, h, 86), g = test::patternPlane(w, h, 87),
                b = test::patternPlane(w, h, 88);
    auto page = rig.makePage(Page::kTypeRgb, w, h, {r, g, b});
    ASSERT_TRUE(page->pageData()->beginChange());
    ASSERT_EQ(
        colorVariationsCommand(*page, page->bounds(), CVector3D{-40, 10, 0}, true, rig.context),
        kErrNone);
    page->pageData()->endChange();
    EXPECT_EQ(EffectsRig::read(*page, 0), mapped(r, shifted, -40, 0));
    EXPECT_EQ(EffectsRig::read(*page, 1), mapped(g, shifted, 10, 0));
    EXPECT_EQ(EffectsRig::read(*page, 2), b);
    EXPECT_EQ(rig.lastFilter->name(), "Color Variations");

    auto grey = rig.makePage(Page::kTypeGrey, w, h, {g});
    rig.lastFilter.reset();
    EXPECT_EQ(colorVariationsCommand(*grey, grey->bounds(), CVector3D{10, 0, 0}, true, rig.context),
              kErrDisk);
    EXPECT_EQ(EffectsRig::read(*grey, 0), g);
    EXPECT_EQ(rig.lastFilter, nullptr);
}

TEST(TonalCommands, NtscVideoSafeLimitsEverySample) {
    EffectsRig rig;
    Plane ramp(256);
    for (int i = 0; i < 256; ++i) ramp[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    auto page = rig.makePage(Page::kTypeRgb, 256, 1, {ramp, ramp, ramp});
    ASSERT_EQ(ntscVideoSafeCommand(*page, rig.context), kErrNone);
    for (int p = 0; p < 3; ++p) {
        const Plane out = EffectsRig::read(*page, p);
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ(out[static_cast<std::size_t>(i)], std::clamp(i, 12, 243)) << i;
    }
    EXPECT_EQ(rig.lastFilter->name(), "NTSC Video Safe");
}

}  // namespace
}  // namespace tessary
