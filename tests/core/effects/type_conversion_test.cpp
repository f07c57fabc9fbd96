#include "effects/tonal/type_conversion.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "core/effects/effects_test_support.h"
#include "effects/framework/effect_run.h"
#include "model/grey_weights.h"

namespace tessary {
namespace {

using test::EffectsRig;
using test::Plane;

TEST(TypeConversion, RgbToGreyKeepsTheSelectionAndUndoes) {
    EffectsRig rig;
    const std::int32_t w = 140, h = 30;
    Plane r = test::patternPlane(w, h, 91), g = test::patternPlane(w, h, 92),
          b = test::patternPlane(w, h, 93);
    r[0] = 255, g[0] = 0, b[0] = 0;   // pure red
    r[1] = 77, g[1] = 77, b[1] = 77;  // a neutral grey keeps its level
    const Plane mask = test::patternPlane(w, h, 94);
    const Rect selection{5, 6, 100, 25};
    auto page = rig.makePage(Page::kTypeRgb, w, h, {r, g, b, mask}, selection);
    ASSERT_EQ(convertPageType(*page, Page::kTypeGrey), kErrNone);
    EXPECT_EQ(page->type(), Page::kTypeGrey);
    EXPECT_EQ(page->planeCount(), 2);
    EXPECT_TRUE(page->hasMask());
    EXPECT_EQ(page->selectionRect(), selection);
    const Plane grey = EffectsRig::read(*page, 0);
    EXPECT_EQ(grey[0], 77);
    EXPECT_EQ(grey[1], 77);
    for (std::size_t i = 0; i < grey.size(); ++i) {
        ASSERT_EQ(grey[i], GreyWeights::red()[r[i]] + GreyWeights::green()[g[i]] +
                               GreyWeights::blue()[b[i]]);
    }
    EXPECT_EQ(EffectsRig::read(*page, 1), mask);
    EXPECT_EQ(page->undoKind(), kUndoKindConversion);
    EXPECT_TRUE(page->modified());

    page->undo();
    EXPECT_EQ(page->type(), Page::kTypeRgb);
    EXPECT_EQ(page->planeCount(), 4);
    EXPECT_EQ(EffectsRig::read(*page, 0), r);
    EXPECT_EQ(EffectsRig::read(*page, 2), b);
    EXPECT_EQ(EffectsRig::read(*page, 3), mask);
    page->redo();
    EXPECT_EQ(page->type(), Page::kTypeGrey);
    EXPECT_EQ(EffectsRig::read(*page, 0), grey);
}

TEST(TypeConversion, GreyToRgbAndBackRestoresTheGreys) {
    EffectsRig rig;
    const std::int32_t w = 256, h = 3;
    Plane g(static_cast<std::size_t>(w) * h);
    for (std::size_t i = 0; i < g.size(); ++i) g[i] = static_cast<std::uint8_t>(i % 256);
    auto page = rig.makePage(Page::kTypeGrey, w, h, {g});
    ASSERT_EQ(convertPageType(*page, Page::kTypeRgb), kErrNone);
    EXPECT_EQ(page->type(), Page::kTypeRgb);
    EXPECT_EQ(page->planeCount(), 3);
    for (int p = 0; p < 3; ++p) EXPECT_EQ(EffectsRig::read(*page, p), g);
    // The copies share plane 0's tiles.
    const ImageData* state = page->pageData()->current();
    EXPECT_EQ(state->entry(1, 0, 0) & ImageData::kTileMask,
              state->entry(0, 0, 0) & ImageData::kTileMask);
    ASSERT_EQ(convertPageType(*page, Page::kTypeGrey), kErrNone);
    // Every level v has Tr[v] + Tg[v] + Tb[v] = v, so the greys come back.
    EXPECT_EQ(EffectsRig::read(*page, 0), g);
    // Converting to the type the page has changes nothing.
    const int undo = page->pageData()->undoCount();
    EXPECT_EQ(convertPageType(*page, Page::kTypeGrey), kErrNone);
    EXPECT_EQ(page->pageData()->undoCount(), undo);
}

TEST(TypeConversion, AFloatIsMergedFirst) {
    EffectsRig rig;
    const std::int32_t w = 20, h = 10;
    const Plane g = test::constantPlane(w, h, 10), mask = test::constantPlane(w, h, 255),
                floating = test::constantPlane(w, h, 200);
    auto page = rig.makePage(Page::kTypeGrey, w, h, {g, mask, floating}, Rect{0, 0, w, h});
    ASSERT_TRUE(page->hasFloat());
    ASSERT_EQ(convertPageType(*page, Page::kTypeRgb), kErrNone);
    EXPECT_EQ(page->planeCount(), 4);  // three colour planes and the mask
    for (int p = 0; p < 3; ++p) EXPECT_EQ(EffectsRig::read(*page, p), floating) << p;
    page->undo();
    EXPECT_TRUE(page->hasFloat());
    EXPECT_EQ(page->type(), Page::kTypeGrey);
    EXPECT_EQ(EffectsRig::read(*page, 0), g);
}

TEST(TypeConversion, FailureLeavesThePageAsBefore) {
    // 16 slots: the RGB page holds 3 x 4 stored tiles; the grey plane needs
    // 4 more, and the store has only 3 free.
    EffectsRig rig(16, 0);
    const std::int32_t w = 256, h = 256;
    const Plane r = test::patternPlane(w, h, 95), g = test::patternPlane(w, h, 96),
                b = test::patternPlane(w, h, 97);
    auto page = rig.makePage(Page::kTypeRgb, w, h, {r, g, b});
    EXPECT_EQ(convertPageType(*page, Page::kTypeGrey), kErrDisk);
    EXPECT_EQ(page->type(), Page::kTypeRgb);
    EXPECT_EQ(page->planeCount(), 3);
    EXPECT_EQ(page->pageData()->undoCount(), 0);
    EXPECT_EQ(EffectsRig::read(*page, 0), r);
}

}  // namespace
}  // namespace tessary
