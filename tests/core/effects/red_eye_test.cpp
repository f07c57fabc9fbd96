#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/effects/effects_test_support.h"
#include "effects/framework/image_map.h"
#include "effects/neighbourhood/neighbourhood_commands.h"
#include "effects/neighbourhood/red_eye_worker.h"

namespace tessary {
namespace {

using test::EffectsRig;
using test::Plane;

// Truncating division toward zero, by magnitudes.
int tdiv(int a, int b) {
    const int q = std::abs(a) / std::abs(b);
    return (a < 0) != (b < 0) ? -q : q;
}

// The red-eye change of one pixel from the formulas, with S' = floor(S x 64 /
// 255) and L' = floor(L x 64 / 255).
void referenceRedEye(int R, int G, int B, int out[3]) {
    const int mx = std::max({R, G, B}), mn = std::min({R, G, B});
    int L = (mx + mn) / 2, S = 0, H = 0;
    if (mx != mn) {
        const int d = mx - mn;
        S = L < 128 ? d * 255 / (mx + mn) : d * 255 / (512 - mx - mn);
        if (mx == R)
            H = tdiv((G - B) * 43, d);
        else if (mx == G)
            H = tdiv((B - R) * 43, d) + 85;
        else
            H = tdiv((R - G) * 43, d) + 170;
        if (H < 0) H += 256;
    }
    S = S * 64 / 255;
    L = L * 64 / 255;
    const int m2 = L < 128 ? (L + test::product(L, S)) % 256 : (L + S - test::product(L, S)) % 256;
    const int m1 = 2 * L - m2;
    const int hues[3] = {H + 85, H, H - 85};
    for (int c = 0; c < 3; ++c) {
        int h = hues[c];
        if (h > 255) h -= 255;
        if (h < 0) h += 255;
        if (h < 43 || (h >= 128 && h < 170)) {
            const int k = h <= 42 ? h : 170 - h;
            const int u = static_cast<int>(std::trunc(255.0 - k * 255.0 / 42.0 + 0.5));
            out[c] = m1 + test::product(m2 - m1, 255 - u);
        } else if (h < 128) {
            out[c] = m2;
        } else {
            out[c] = m1;
        }
    }
}

TEST(RedEye, PureRedBecomesDarkRed) {
    const HslLevels hsl = rgbToHsl(255, 0, 0);
    EXPECT_EQ(hsl.hue, 0);
    EXPECT_EQ(hsl.saturation, 255);
    EXPECT_EQ(hsl.lightness, 127);

    EffectsRig rig;
    auto page = rig.makePage(Page::kTypeRgb, 4, 3,
                             {test::constantPlane(4, 3, 255), test::constantPlane(4, 3, 0),
                              test::constantPlane(4, 3, 0)});
    ASSERT_EQ(redEyeRemovalCommand(*page, rig.context), kErrNone);
    // S' = 64, L' = 31: m2 = 31 + T[31][64] = 38, m1 = 24; red sits in the
    // m2 sector, green starts its ramp at 0, blue is in the m1 sector.
    EXPECT_EQ(EffectsRig::read(*page, 0), test::constantPlane(4, 3, 38));
    EXPECT_EQ(EffectsRig::read(*page, 1), test::constantPlane(4, 3, 24));
    EXPECT_EQ(EffectsRig::read(*page, 2), test::constantPlane(4, 3, 24));
    ASSERT_NE(rig.lastFilter, nullptr);
    EXPECT_EQ(rig.lastFilter->kind(), kFilterKindRedEye);
    EXPECT_EQ(rig.lastFilter->name(), "Red Eye Removal");
}

TEST(RedEye, EveryColourFollowsTheFormulas) {
    EffectsRig rig;
    const std::int32_t w = 256, h = 40;
    const Plane r = test::patternPlane(w, h, 71), g = test::patternPlane(w, h, 72),
                b = test::patternPlane(w, h, 73);
    Plane mask = test::patternPlane(w, h, 74);
    for (int withMask = 0; withMask < 2; ++withMask) {
        std::vector<Plane> planes{r, g, b};
        if (withMask) planes.push_back(mask);
        auto page = rig.makePage(Page::kTypeRgb, w, h, planes);
        rig.context.opacity = withMask ? 255 : 77;
        ASSERT_EQ(redEyeRemovalCommand(*page, rig.context), kErrNone);
        std::vector<Plane> expected{r, g, b};
        for (std::size_t i = 0; i < r.size(); ++i) {
            int out[3];
            referenceRedEye(r[i], g[i], b[i], out);
            for (int c = 0; c < 3; ++c) {
                int v = test::opacityMix(rig.context.opacity,
                                         planes[static_cast<std::size_t>(c)][i], out[c]);
                if (withMask) v = test::maskMix(mask[i], planes[static_cast<std::size_t>(c)][i], v);
                expected[static_cast<std::size_t>(c)][i] = static_cast<std::uint8_t>(v);
            }
        }
        for (int c = 0; c < 3; ++c) {
            EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, c),
                                        expected[static_cast<std::size_t>(c)], w, "red_eye"))
                << c << " mask " << withMask;
        }
        // One step per row.
        EXPECT_EQ(rig.factory.log.lastTotal, h);
    }
}

TEST(RedEye, GreyPagesAreLeftAloneWithoutAFilter) {
    EffectsRig rig;
    const Plane g = test::patternPlane(30, 20, 75);
    auto page = rig.makePage(Page::kTypeGrey, 30, 20, {g});
    EXPECT_EQ(redEyeRemovalCommand(*page, rig.context), kErrNone);
    EXPECT_EQ(rig.lastFilter, nullptr);
    EXPECT_EQ(page->pageData()->undoCount(), 0);
    EXPECT_EQ(EffectsRig::read(*page, 0), g);

    // The map itself: kind 6, slot 0 identity, slots 1 and 2 range (0, 64).
    auto map = makeRedEyeFilter();
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->kind(), kFilterKindRedEye);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(map->table(0)[i], i);
        EXPECT_EQ(map->table(1)[i], i * 64 / 255);
        EXPECT_EQ(map->table(2)[i], i * 64 / 255);
    }
}

}  // namespace
}  // namespace tessary
