#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "core/effects/effects_test_support.h"
#include "effects/framework/effect_run.h"
#include "effects/framework/effect_target.h"
#include "effects/neighbourhood/neighbourhood_commands.h"
#include "effects/neighbourhood/noise_fltr.h"
#include "effects/neighbourhood/noise_generator.h"
#include "effects/neighbourhood/spike_kernel.h"

namespace tessary {
namespace {

using test::EffectsRig;
using test::Plane;

// The generator from its definition, for the references below.
struct Lcg {
    std::uint32_t s = 1;
    int next() {
        s = s * 214013u + 2531011u;
        return static_cast<int>((s >> 16) & 0x7FFF);
    }
};

std::array<int, 1000> referenceTable(int amount, Lcg& lcg) {
    std::vector<int> entries;
    while (entries.size() < 1000) {
        for (long long k = 0; k < 5LL * amount && entries.size() < 1000; ++k) {
            entries.push_back(static_cast<int>(k));
            if (entries.size() < 1000) entries.push_back(static_cast<int>(-k));
        }
    }
    std::array<int, 1000> table{};
    std::copy(entries.begin(), entries.end(), table.begin());
    for (int i = 0; i < 1000; ++i)
        std::swap(table[static_cast<std::size_t>(i)],
                  table[static_cast<std::size_t>(lcg.next() / 40)]);
    return table;
}

TEST(NoiseGenerator, DrawsTheLinearCongruentialSequenceFromOne) {
    NoiseGenerator generator;
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
    for (int v : expected) EXPECT_EQ(generator.draw(), v);
    // The state wraps modulo 2^32.
    generator.setState(0xFFFFFFFFu);
    EXPECT_EQ(generator.draw(),
              static_cast<int>(((0xFFFFFFFFu * 214013u + 2531011u) >> 16) & 0x7FFF));
}

TEST(NoiseGenerator, TableHoldsThePairsShuffledByTheDraws) {
    for (int amount : {1, 3, 50, 100, 1000000}) {
        NoiseGenerator generator;
        Lcg lcg;
        NoiseTable table;
        buildNoiseTable(amount, generator, table);
        const auto expected = referenceTable(amount, lcg);
        for (std::size_t i = 0; i < 1000; ++i)
            ASSERT_EQ(table[i], expected[i]) << amount << " " << i;
        EXPECT_EQ(generator.state(), lcg.s);
    }
    // Amount 1: offsets -4 ... +4, each of them present.
    NoiseGenerator generator;
    NoiseTable table;
    buildNoiseTable(1, generator, table);
    EXPECT_EQ(*std::min_element(table.begin(), table.end()), -4);
    EXPECT_EQ(*std::max_element(table.begin(), table.end()), 4);
    for (int v = -4; v <= 4; ++v)
        EXPECT_NE(std::find(table.begin(), table.end(), v), table.end()) << v;
}

TEST(Noise, AddedNoiseFollowsTheTableRowStartsAndBlends) {
    EffectsRig rig;
    // Rows longer than the table wrap; enough of them for several bands.
    const std::int32_t w = 1234, h = 120;
    const Plane r = test::patternPlane(w, h, 51), g = test::patternPlane(w, h, 52),
                b = test::patternPlane(w, h, 53);
    Plane mask = test::patternPlane(w, h, 54);
    for (int withMask = 0; withMask < 2; ++withMask) {
        std::vector<Plane> planes{r, g, b};
        if (withMask) planes.push_back(mask);
        auto page = rig.makePage(Page::kTypeRgb, w, h, planes);
        rig.noise.setState(12345);
        rig.context.opacity = withMask ? 255 : 150;
        Lcg lcg{12345};
        const auto table = referenceTable(6, lcg);

        ASSERT_TRUE(page->pageData()->beginChange());
        ASSERT_EQ(noiseCommand(*page, page->bounds(), CVector3D{6, 0, 0}, true, rig.context),
                  kErrNone);
        page->pageData()->endChange();

        std::vector<Plane> expected{r, g, b};
        int start = 0;
        for (std::int32_t y = 0; y < h; ++y) {
            for (int p = 0; p < 3; ++p) {
                int index = start;
                for (std::int32_t x = 0; x < w; ++x) {
                    const std::size_t i = static_cast<std::size_t>(y) * w + x;
                    const int orig = planes[static_cast<std::size_t>(p)][i];
                    const int noisy =
                        std::clamp(orig + table[static_cast<std::size_t>(index)], 0, 255);
                    index = (index + 1) % 1000;
                    int v = test::opacityMix(rig.context.opacity, orig, noisy);
                    if (withMask) v = test::maskMix(mask[i], orig, v);
                    expected[static_cast<std::size_t>(p)][i] = static_cast<std::uint8_t>(v);
                }
            }
            start = lcg.next() / 40;
        }
        for (int p = 0; p < 3; ++p) {
            ASSERT_TRUE(test::samePlane(EffectsRig::read(*page, p),
                                        expected[static_cast<std::size_t>(p)], w, "noise"))
                << "plane " << p << " mask " << withMask;
        }
        EXPECT_EQ(rig.noise.state(), lcg.s);
        // One step per row and plane.
        EXPECT_EQ(rig.factory.log.lastTotal, h * 3);
    }
}

TEST(Noise, ZeroAmountDoesNothingAndPreviewsKeepNoLastFilter) {
    EffectsRig rig;
    const Plane g = test::patternPlane(20, 10, 55);
    auto page = rig.makePage(Page::kTypeGrey, 20, 10, {g});
    ASSERT_TRUE(page->pageData()->beginChange());
    EXPECT_EQ(noiseCommand(*page, page->bounds(), CVector3D{0, 0, 0}, true, rig.context), kErrNone);
    EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, 0), g, 20, "zero"));
    EXPECT_EQ(rig.noise.state(), NoiseGenerator::kFirstState);
    // A preview (not final) shows no progress and keeps no filter.
    rig.lastFilter.reset();
    const int windows = rig.factory.log.windowsMade;
    EXPECT_EQ(noiseCommand(*page, page->bounds(), CVector3D{3, 0, 0}, false, rig.context),
              kErrNone);
    EXPECT_EQ(rig.lastFilter, nullptr);
    EXPECT_EQ(rig.factory.log.windowsMade, windows);
    EXPECT_NE(EffectsRig::read(*page, 0), g);
    // An empty rectangle returns at once.
    EXPECT_EQ(noiseCommand(*page, Rect{5, 5, 5, 9}, CVector3D{3, 0, 0}, true, rig.context),
              kErrNone);
    EXPECT_EQ(rig.lastFilter, nullptr);
    page->pageData()->abortChange();
}

// Spike removal from its definition.
Plane referenceSpikes(const Plane& in, std::int32_t w, std::int32_t h, int t) {
    Plane out = in;
    for (std::int32_t y = 0; y < h; ++y) {
        for (std::int32_t x = 0; x < w; ++x) {
            int lo = 255, hi = 0, sum = 0;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    if (dx == 0 && dy == 0) continue;
                    const int v = in[static_cast<std::size_t>(std::clamp(y + dy, 0, h - 1)) * w +
                                     static_cast<std::size_t>(std::clamp(x + dx, 0, w - 1))];
                    lo = std::min(lo, v);
                    hi = std::max(hi, v);
                    sum += v;
                }
            }
            const int c = in[static_cast<std::size_t>(y) * w + x];
            if (c > hi + t || c < lo - t)
                out[static_cast<std::size_t>(y) * w + x] = static_cast<std::uint8_t>(sum / 8);
        }
    }
    return out;
}

TEST(Noise, NegativeAmountsRemoveSpikes) {
    EXPECT_EQ(SpikeKernel::thresholdForAmount(-16), 0);
    EXPECT_EQ(SpikeKernel::thresholdForAmount(-100), 0);
    EXPECT_EQ(SpikeKernel::thresholdForAmount(-1), 75);
    EXPECT_EQ(SpikeKernel::thresholdForAmount(-2147483647 - 1), 0);

    EffectsRig rig;
    const std::int32_t w = 150, h = 140;
    // Smooth ramps with spikes, so that both branches occur at every threshold.
    Plane g(static_cast<std::size_t>(w) * h);
    const Plane noise = test::patternPlane(w, h, 56);
    for (std::int32_t y = 0; y < h; ++y) {
        for (std::int32_t x = 0; x < w; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * w + x;
            g[i] = static_cast<std::uint8_t>(60 + (x + y) / 3 + (noise[i] % 7));
            if (noise[i] > 240) g[i] = 255;
            if (noise[i] < 12) g[i] = 0;
        }
    }
    for (int amount : {-16, -12, -1}) {
        auto page = rig.makePage(Page::kTypeGrey, w, h, {g});
        NoiseFltr filter;
        filter.amount = amount;
        ASSERT_EQ(runEffect(*page, filter, standardTarget(*page), false, true, rig.context),
                  kErrNone);
        const Plane expected = referenceSpikes(g, w, h, SpikeKernel::thresholdForAmount(amount));
        EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, 0), expected, w, "spikes")) << amount;
    }
    // Threshold 0: a pixel strictly above all eight neighbours becomes their
    // mean; one equal to its largest neighbour stays. At the image edge the
    // repeated edge makes a pixel its own neighbour.
    Plane tiny = test::constantPlane(5, 5, 10);
    tiny[2 * 5 + 2] = 11;
    tiny[0 * 5 + 3] = 12;
    tiny[0 * 5 + 4] = 12;
    auto page = rig.makePage(Page::kTypeGrey, 5, 5, {tiny});
    NoiseFltr filter;
    filter.amount = -16;
    ASSERT_EQ(runEffect(*page, filter, standardTarget(*page), false, true, rig.context), kErrNone);
    const Plane out = EffectsRig::read(*page, 0);
    EXPECT_EQ(out[2 * 5 + 2], 10);
    EXPECT_EQ(out[0 * 5 + 4], 12);
    EXPECT_EQ(out[0 * 5 + 3], 12);
}

}  // namespace
}  // namespace tessary
