#include "effects/tonal/auto_tone.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/effects/effects_test_support.h"
#include "effects/framework/histogram.h"

namespace tessary {
namespace {

using test::EffectsRig;
using test::Plane;

int stretchLevel(int v, int lo, int hi) {
    const long long num = (static_cast<long long>(v) - lo) * 255, den = hi - lo;
    long long q = std::llabs(num) / std::llabs(den);
    if ((num < 0) != (den < 0)) q = -q;
    return static_cast<int>(std::clamp<long long>(q, 0, 255));
}

TEST(AutoContrast, UniformImageBecomesMidGrey) {
    EffectsRig rig;
    for (int v : {1, 60, 200, 254}) {
        auto page = rig.makePage(Page::kTypeRgb, 30, 20,
                                 {test::constantPlane(30, 20, static_cast<std::uint8_t>(v)),
                                  test::constantPlane(30, 20, static_cast<std::uint8_t>(v)),
                                  test::constantPlane(30, 20, static_cast<std::uint8_t>(v))});
        ASSERT_EQ(autoContrastCommand(*page, rig.context), kErrNone);
        for (int p = 0; p < 3; ++p)
            EXPECT_EQ(EffectsRig::read(*page, p), test::constantPlane(30, 20, 127)) << v;
        EXPECT_EQ(rig.lastFilter->name(), "Auto Contrast");
    }
}

// Images whose darkest or lightest 1 % is empty have percentile points that
// cross; the stretch must not turn them into their negatives. Black and white
// pages, a white page with 0.8 % ink and a black star field stay as they are.
TEST(AutoContrast, ImagesWithAnEmptyEndAreNotInverted) {
    constexpr int kW = 50, kH = 50;
    const auto dotted = [](std::uint8_t ground, std::uint8_t dot, int every) {
        Plane plane = test::constantPlane(kW, kH, ground);
        for (std::size_t i = 0; i < plane.size(); i += static_cast<std::size_t>(every))
            plane[i] = dot;
        return plane;
    };
    const Plane cases[] = {test::constantPlane(kW, kH, 0), test::constantPlane(kW, kH, 255),
                           dotted(255, 0, 125),   // 20 of 2,500 pixels: 0.8 % ink
                           dotted(0, 255, 200)};  // a sparse star field
    EffectsRig rig;
    for (const Plane& plane : cases) {
        auto page = rig.makePage(Page::kTypeRgb, kW, kH, {plane, plane, plane});
        ASSERT_EQ(autoContrastCommand(*page, rig.context), kErrNone);
        for (int p = 0; p < 3; ++p) EXPECT_EQ(EffectsRig::read(*page, p), plane);
    }
}

TEST(AutoContrast, StretchesFromThePercentilePointsOfTheSelection) {
    EffectsRig rig;
    const std::int32_t w = 100, h = 50;
    // Inside the selection (mask not 0): levels 40 ... 139 in the left
    // columns; outside and under mask 0: extremes that must not count.
    Plane g(static_cast<std::size_t>(w) * h), mask(g.size(), 0);
    for (std::int32_t y = 0; y < h; ++y) {
        for (std::int32_t x = 0; x < w; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * w + x;
            g[i] = static_cast<std::uint8_t>(x < 50 ? 40 + (x * 2 + y) % 100 : (x % 2 ? 0 : 255));
            mask[i] = static_cast<std::uint8_t>(x < 50 && y < 40 ? 200 : 0);
        }
    }
    const Rect selection{0, 0, 60, 45};
    auto page = rig.makePage(Page::kTypeGrey, w, h, {g, mask}, selection);
    // The percentile points from an independent count of the masked samples.
    std::vector<long long> counts(256, 0);
    long long total = 0;
    for (std::int32_t y = selection.top; y < selection.bottom; ++y) {
        for (std::int32_t x = selection.left; x < selection.right; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * w + x;
            if (mask[i]) {
                ++counts[g[i]];
                ++total;
            }
        }
    }
    const long long threshold = static_cast<long long>(0.01 * total + 0.5);
    int low = 0;
    for (long long run = 0; run < threshold && low < 255;)
        run += counts[static_cast<std::size_t>(low++)];
    int high = 255;
    for (long long run = 0; run < threshold && high >= 1;)
        run += counts[static_cast<std::size_t>(high--)];
    ASSERT_LT(low, high);

    ASSERT_EQ(autoContrastCommand(*page, rig.context), kErrNone);
    const Plane out = EffectsRig::read(*page, 0);
    for (std::int32_t y = 0; y < h; ++y) {
        for (std::int32_t x = 0; x < w; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * w + x;
            const bool inside = x < selection.right && y < selection.bottom;
            const int expected =
                inside ? test::maskMix(mask[i], g[i], stretchLevel(g[i], low, high)) : g[i];
            ASSERT_EQ(out[i], expected) << x << "," << y;
        }
    }
}

TEST(AutoEnhance, CurveParameterSendsTheLevelToTheMiddle) {
    EXPECT_DOUBLE_EQ(autoEnhanceCurveParameter(128.0), 0.0);
    const auto expectedA = [](int level) {
        const double p = level / 255.0, q = 128.0 / 255.0;
        return (std::log((1 - p) / p) - std::log((1 - q) / q)) / 0.75;
    };
    double limited = 0;
    EXPECT_NEAR(autoEnhanceCurveParameter(110.7, &limited), expectedA(110), 1e-12);
    EXPECT_DOUBLE_EQ(limited, 110.7);
    EXPECT_NEAR(autoEnhanceCurveParameter(97.9, &limited), expectedA(98), 1e-12);
    EXPECT_DOUBLE_EQ(limited, 98.0);
    EXPECT_NEAR(autoEnhanceCurveParameter(0.0, &limited), expectedA(98), 1e-12);
    EXPECT_NEAR(autoEnhanceCurveParameter(158.0, &limited), expectedA(158), 1e-12);
    EXPECT_NEAR(autoEnhanceCurveParameter(250.0, &limited), expectedA(158), 1e-12);
    EXPECT_DOUBLE_EQ(limited, 158.0);
    // The curve with that parameter sends the level close to 128.
    for (int level : {98, 110, 140, 158}) {
        const double a = autoEnhanceCurveParameter(level);
        const double p = level / 255.0;
        const double y = 255.0 / (1.0 + (1.0 - p) / p * std::exp(-0.75 * a));
        EXPECT_NEAR(y, 128.0, 1e-9) << level;
    }
}

TEST(AutoEnhance, MidGreyGivesTheIdentityCurveThenTheStretch) {
    EffectsRig rig;
    const std::int32_t w = 64, h = 48;
    // Every cell has mean 128 and deviation 20: level 128, a = 0.
    Plane g(static_cast<std::size_t>(w) * h);
    for (std::int32_t y = 0; y < h; ++y) {
        for (std::int32_t x = 0; x < w; ++x)
            g[static_cast<std::size_t>(y) * w + x] = (x + y) % 2 ? 108 : 148;
    }
    auto page = rig.makePage(Page::kTypeGrey, w, h, {g});
    AutoEnhanceMeasure measure;
    ASSERT_EQ(measureAutoEnhance(*page, measure), kErrNone);
    EXPECT_EQ(measure.levels[0], 128);
    EXPECT_DOUBLE_EQ(measure.curve, 0.0);
    ASSERT_EQ(autoEnhanceCommand(*page, rig.context), kErrNone);
    // Curve a = 0 keeps 108 and 148; the stretch sends them to 0 and 255.
    const Plane out = EffectsRig::read(*page, 0);
    for (std::size_t i = 0; i < g.size(); ++i) ASSERT_EQ(out[i], g[i] == 108 ? 0 : 255);
    EXPECT_EQ(rig.lastFilter->name(), "Auto Enhance");
}

TEST(AutoEnhance, ChannelLevelsWeighCellsByDeviationAndCombineByMajority) {
    EffectsRig rig;
    const std::int32_t w = 40, h = 40;  // cells of 10 x 10
    // Red: left half cells alternate 20/60 (mean 40, dev 20), right half flat
    // 200 (dev 0, no weight): level 40. Green: every cell alternates 180/220:
    // level 200. Blue: every cell alternates 10/50: level 30.
    Plane r(static_cast<std::size_t>(w) * h), g(r.size()), b(r.size());
    for (std::int32_t y = 0; y < h; ++y) {
        for (std::int32_t x = 0; x < w; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * w + x;
            const bool odd = (x + y) % 2 != 0;
            r[i] = static_cast<std::uint8_t>(x < 20 ? (odd ? 20 : 60) : 200);
            g[i] = static_cast<std::uint8_t>(odd ? 180 : 220);
            b[i] = static_cast<std::uint8_t>(odd ? 10 : 50);
        }
    }
    auto page = rig.makePage(Page::kTypeRgb, w, h, {r, g, b});
    AutoEnhanceMeasure measure;
    ASSERT_EQ(measureAutoEnhance(*page, measure), kErrNone);
    EXPECT_EQ(measure.levels[0], 40);
    EXPECT_EQ(measure.levels[1], 200);
    EXPECT_EQ(measure.levels[2], 30);
    // Two dark channels outvote one bright: m = 35, limited to 98.
    EXPECT_DOUBLE_EQ(measure.level, 98.0);
    EXPECT_NEAR(measure.curve, autoEnhanceCurveParameter(98.0), 1e-12);

    // An image under 4 pixels has no cells: the whole image is the one cell.
    Plane tiny{100, 140, 100};
    auto small = rig.makePage(Page::kTypeGrey, 3, 1, {tiny});
    ASSERT_EQ(measureAutoEnhance(*small, measure), kErrNone);
    // Mean 113.3 -> 113, deviation 18.86 -> 18: level 113.
    EXPECT_EQ(measure.levels[0], 113);
    ASSERT_EQ(autoEnhanceCommand(*small, rig.context), kErrNone);
}

}  // namespace
}  // namespace tessary
