#include "effects/framework/image_map.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "effects/framework/histogram.h"

namespace tessary {
namespace {

int clampLevel(long long v) {
    return static_cast<int>(std::min(255LL, std::max(0LL, v)));
}

std::vector<int> tableOf(const ImageMap& map, int slot) {
    return std::vector<int>(map.table(slot), map.table(slot) + 256);
}

TEST(ImageMap, NewMapIsIdentityAndSlotsAreItsOwn) {
    ImageMap map(2, 4);
    ASSERT_TRUE(map.valid());
    EXPECT_EQ(map.kind(), kFilterKindImageMap);
    EXPECT_FALSE(map.hasSlot(1));
    EXPECT_FALSE(map.hasSlot(5));
    for (int s = 2; s <= 4; ++s) {
        for (int i = 0; i < 256; ++i) ASSERT_EQ(map.table(s)[i], i);
    }
    // Operations outside the map's slots are clipped away.
    map.invert(0, 1);
    map.add(5, 9, 40);
    EXPECT_EQ(map.table(2)[10], 10);
    map.invert(0, 2);
    EXPECT_EQ(map.table(2)[10], 245);
    EXPECT_EQ(map.table(3)[10], 10);
}

TEST(ImageMap, InvertAddAndContrastFollowTheirRules) {
    // Invert and identity replace the table whatever it held.
    ImageMap map(0, 2);
    map.add(0, 2, 30);
    map.invert(0, 2);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(map.table(1)[i], 255 - i);
    map.identity(1, 1);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(map.table(1)[i], i);
    EXPECT_EQ(map.table(2)[0], 255);

    for (int d : {-300, -40, -1, 0, 1, 40, 255, 300}) {
        ImageMap added(0, 0);
        added.add(0, 0, d);
        for (int i = 0; i < 256; ++i) ASSERT_EQ(added.table(0)[i], clampLevel(i + d)) << d;
    }
    // Brightness 40 on 230 gives 255.
    ImageMap bright(0, 0);
    bright.add(0, 0, 40);
    EXPECT_EQ(bright.table(0)[230], 255);

    for (int c : {-200, -64, -10, -1, 0, 1, 10, 64, 127, 128, 200}) {
        ImageMap contrasted(0, 0);
        contrasted.add(0, 0, 17);
        contrasted.contrast(0, 0, c);
        for (int i = 0; i < 256; ++i) {
            const long long t = clampLevel(i + 17);
            // Truncation toward zero, written out for negative products.
            const long long product = (255 - 2LL * c) * t;
            const long long quotient = product >= 0 ? product / 255 : -((-product) / 255);
            ASSERT_EQ(contrasted.table(0)[i], clampLevel(c + quotient)) << "c " << c << " i " << i;
        }
    }
    // Contrast 0 keeps every entry.
    ImageMap plain(0, 0);
    plain.contrast(0, 0, 0);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(plain.table(0)[i], i);
}

TEST(ImageMap, RangeMapsOntoTheSpanOrStaysIdentity) {
    ImageMap map(0, 2);
    map.invert(0, 2);
    map.range(1, 0, 64);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(map.table(1)[i], i * 64 / 255);
    EXPECT_EQ(map.table(1)[255], 64);
    EXPECT_EQ(map.table(1)[127], 31);
    map.range(2, 100, 150);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(map.table(2)[i], 100 + i * 50 / 255);
    // Slot 0 untouched by both.
    EXPECT_EQ(map.table(0)[0], 255);
    // A span of 255 or more, or a reversed one (huge as unsigned), gives the identity.
    map.range(0, 0, 255);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(map.table(0)[i], i);
    map.invert(0, 0);
    map.range(0, 200, 100);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(map.table(0)[i], i);
}

TEST(ImageMap, StretchScalesFromLowHighAndIgnoresAnEmptySpan) {
    for (auto [lo, hi] : {std::pair{10, 200}, std::pair{0, 255}, std::pair{100, 101},
                          std::pair{129, 127}, std::pair{-20, 300}}) {
        ImageMap map(0, 0);
        map.stretch(0, 0, lo, hi);
        for (int i = 0; i < 256; ++i) {
            const long long num = (static_cast<long long>(i) - lo) * 255;
            const long long den = hi - lo;
            // trunc toward zero of num / den, by magnitudes.
            long long q = (num < 0 ? -num : num) / (den < 0 ? -den : den);
            if ((num < 0) != (den < 0)) q = -q;
            ASSERT_EQ(map.table(0)[i], clampLevel(q)) << lo << ".." << hi << " at " << i;
        }
    }
    // The uniform-image case of Auto Contrast: low v + 1, high v - 1 sends v to 127.
    ImageMap uniform(0, 0);
    uniform.stretch(0, 0, 91, 89);
    EXPECT_EQ(uniform.table(0)[90], 127);
    // hi == lo leaves the table as it was.
    ImageMap flat(0, 0);
    flat.invert(0, 0);
    flat.stretch(0, 0, 50, 50);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(flat.table(0)[i], 255 - i);
}

TEST(ImageMap, CurveIsTheLogisticOfItsParameter) {
    for (double a : {-2.5, -0.6, 0.0, 0.3, 1.7}) {
        ImageMap map(0, 2);
        map.invert(0, 2);  // the curve replaces whatever was there
        map.curve(a);
        for (int x = 0; x < 256; ++x) {
            const int xp = x == 0 ? 1 : (x == 255 ? 254 : x);
            const double p = xp / 255.0;
            const double expected =
                std::floor(255.0 / (1.0 + (1.0 - p) / p * std::exp(-0.75 * a)) + 0.5);
            for (int s = 0; s <= 2; ++s) {
                ASSERT_EQ(map.table(s)[x], clampLevel(static_cast<long long>(expected)))
                    << "a " << a << " x " << x;
            }
        }
    }
    // a = 0 is the identity except at the two ends.
    ImageMap flat(0, 0);
    flat.curve(0.0);
    EXPECT_EQ(flat.table(0)[0], 1);
    EXPECT_EQ(flat.table(0)[255], 254);
    for (int x = 1; x < 255; ++x) ASSERT_EQ(flat.table(0)[x], x);
}

TEST(ImageMap, StretchByHistogramUsesTheDarkestAndLightestChannels) {
    Histogram histogram(3);
    histogram.clear();
    histogram.setCount(0, 40, 5);  // red 40 ... 180
    histogram.setCount(0, 180, 5);
    histogram.setCount(1, 30, 5);  // green 30 ... 100 (darkest)
    histogram.setCount(1, 100, 5);
    histogram.setCount(2, 60, 5);  // blue 60 ... 220 (lightest)
    histogram.setCount(2, 220, 5);
    histogram.computeStatistics();

    ImageMap map(0, 2);
    map.add(0, 2, 5);  // the table values at min and max are used, not the levels
    map.stretchByHistogram(histogram);
    const int lo = 30 + 5, hi = 220 + 5;
    for (int s = 0; s <= 2; ++s) {
        for (int i = 0; i < 256; ++i) {
            const int t = std::min(255, i + 5);
            ASSERT_EQ(map.table(s)[i], clampLevel((t - lo) * 255LL / (hi - lo))) << s << " " << i;
        }
    }
    // Two channels with the same smallest min: the first one's table decides.
    Histogram tie(3);
    tie.clear();
    tie.setCount(0, 50, 1);
    tie.setCount(1, 50, 1);
    tie.setCount(2, 60, 1);
    tie.setCount(0, 200, 1);
    tie.computeStatistics();
    ImageMap tables(0, 2);
    tables.add(1, 1, 20);  // green's table would give a different low
    tables.stretchByHistogram(tie);
    EXPECT_EQ(tables.table(0)[50], 0);
    EXPECT_EQ(tables.table(0)[200], 255);

    // Nothing to stretch (an empty histogram): the map stays.
    Histogram empty(1);
    empty.clear();
    empty.computeStatistics();
    ImageMap kept(0, 0);
    kept.invert(0, 0);
    kept.stretchByHistogram(empty);
    EXPECT_EQ(tableOf(kept, 0)[0], 255);
    EXPECT_EQ(tableOf(kept, 0)[255], 0);
}

}  // namespace
}  // namespace tessary
