#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/effects/effects_test_support.h"
#include "effects/framework/effect_run.h"
#include "effects/framework/effect_target.h"
#include "effects/neighbourhood/de_interlace_fltr.h"
#include "effects/neighbourhood/de_interlace_worker.h"
#include "effects/neighbourhood/neighbourhood_commands.h"

namespace tessary {
namespace {

using test::EffectsRig;
using test::Plane;

// De-interlacing of the rows of `rect` from the definitions: rows numbered
// from the rectangle's top; "odd fields" replaces 0, 2, 4, ..., "even
// fields" 1, 3, 5, ....
Plane referenceDeInterlace(const Plane& in, std::int32_t width, const Rect& rect, bool evenFields,
                           bool interpolate) {
    Plane out = in;
    const int rows = rect.height();
    auto at = [&](int row, std::int32_t x) {
        return in[static_cast<std::size_t>(rect.top + row) * width + x];
    };
    for (int r = 0; r < rows; ++r) {
        const bool replaced = evenFields ? (r % 2 == 1) : (r % 2 == 0);
        if (!replaced) continue;
        for (std::int32_t x = rect.left; x < rect.right; ++x) {
            int v = at(r, x);
            if (interpolate) {
                if (rows > 1) {
                    const int above = r == 0 ? at(r + 1, x) : at(r - 1, x);
                    const int below = r == rows - 1 ? at(r - 1, x) : at(r + 1, x);
                    v = (above + below) / 2;
                }
            } else {
                const int partner = evenFields ? r - 1 : r + 1;
                if (partner >= 0 && partner < rows) v = at(partner, x);
            }
            out[static_cast<std::size_t>(rect.top + r) * width + x] = static_cast<std::uint8_t>(v);
        }
    }
    return out;
}

TEST(DeInterlace, BothMethodsAndBothFieldsOnEvenAndOddHeights) {
    EffectsRig rig;
    const std::int32_t w = 70;
    for (std::int32_t h : {1, 2, 7, 10}) {
        const Plane g = test::patternPlane(w, h, 61 + h);
        for (bool evenFields : {false, true}) {
            for (bool interpolate : {false, true}) {
                auto page = rig.makePage(Page::kTypeGrey, w, h, {g});
                ASSERT_EQ(deInterlaceCommand(*page, DeInterlaceChoice{!evenFields, interpolate},
                                             rig.context),
                          kErrNone);
                const Plane expected =
                    referenceDeInterlace(g, w, Rect{0, 0, w, h}, evenFields, interpolate);
                EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, 0), expected, w, "deinterlace"))
                    << "height " << h << " even " << evenFields << " interpolate " << interpolate;
            }
        }
    }
}

TEST(DeInterlace, EvenFieldsByInterpolationCopiesTheRowAboveIntoTheLastRow) {
    EffectsRig rig;
    const std::int32_t w = 5, h = 6;
    const Plane g = test::patternPlane(w, h, 62);
    auto page = rig.makePage(Page::kTypeGrey, w, h, {g});
    ASSERT_EQ(deInterlaceCommand(*page, DeInterlaceChoice{false, true}, rig.context), kErrNone);
    const Plane out = EffectsRig::read(*page, 0);
    for (std::int32_t x = 0; x < w; ++x) {
        EXPECT_EQ(out[static_cast<std::size_t>(h - 1) * w + x],
                  g[static_cast<std::size_t>(h - 2) * w + x]);
        EXPECT_EQ(out[static_cast<std::size_t>(1) * w + x],
                  (g[x] + g[static_cast<std::size_t>(2) * w + x]) / 2);
    }
    const auto* kept = dynamic_cast<const DeInterlaceFltr*>(rig.lastFilter.get());
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->field, 1);
    EXPECT_EQ(kept->method, 1);
    EXPECT_EQ(kept->name(), "De-Interlace");
    // One step per replaced row and plane, of rows x planes / 2.
    EXPECT_EQ(rig.factory.log.updates, 3);
    EXPECT_EQ(rig.factory.log.lastTotal, 3);
}

TEST(DeInterlace, OpacityPassBlendsReplacedRowsThroughOpacityAndMask) {
    EffectsRig rig;
    const std::int32_t w = 40, h = 21;
    const Plane r = test::patternPlane(w, h, 63), g = test::patternPlane(w, h, 64),
                b = test::patternPlane(w, h, 65), mask = test::patternPlane(w, h, 66);
    const Rect selection{3, 2, 37, 19};
    for (int opacity : {255, 90}) {
        auto page = rig.makePage(Page::kTypeRgb, w, h, {r, g, b, mask}, selection);
        rig.context.opacity = opacity;
        ASSERT_EQ(deInterlaceCommand(*page, DeInterlaceChoice{true, false}, rig.context), kErrNone);
        const Plane* planes[3] = {&r, &g, &b};
        for (int p = 0; p < 3; ++p) {
            const Plane filtered = referenceDeInterlace(*planes[p], w, selection, false, false);
            Plane expected = *planes[p];
            for (std::int32_t y = selection.top; y < selection.bottom; ++y) {
                for (std::int32_t x = selection.left; x < selection.right; ++x) {
                    const std::size_t i = static_cast<std::size_t>(y) * w + x;
                    const int blended = test::opacityMix(opacity, (*planes[p])[i], filtered[i]);
                    expected[i] = test::maskMix(mask[i], (*planes[p])[i], blended);
                }
            }
            EXPECT_TRUE(
                test::samePlane(EffectsRig::read(*page, p), expected, w, "deinterlace_pass"))
                << "plane " << p << " opacity " << opacity;
        }
    }
}

TEST(DeInterlace, ChoicesMapToFieldAndMethod) {
    auto odd = makeDeInterlaceFilter(DeInterlaceChoice{true, true});
    EXPECT_EQ(odd->field, 0);
    EXPECT_EQ(odd->method, 1);
    auto even = makeDeInterlaceFilter(DeInterlaceChoice{false, false});
    EXPECT_EQ(even->field, 1);
    EXPECT_EQ(even->method, 0);
    EXPECT_EQ(even->kind(), kFilterKindDeInterlace);
}

}  // namespace
}  // namespace tessary
