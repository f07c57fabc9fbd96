#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/effects/effects_test_support.h"
#include "effects/framework/effect_run.h"
#include "effects/framework/effect_target.h"
#include "effects/neighbourhood/despeckle_fltr.h"
#include "effects/neighbourhood/median_kernel.h"
#include "effects/neighbourhood/neighbourhood_commands.h"

namespace tessary {
namespace {

using test::EffectsRig;
using test::Plane;

// The median from its definition: sort the window (edges repeated) and take
// the element at trunc(n^2 / 2); with a threshold below 255 keep the centre
// unless the median differs from it by more than the threshold.
Plane referenceMedian(const Plane& in, std::int32_t width, std::int32_t height, int radius,
                      int threshold, const Rect& rect) {
    Plane out = in;
    const int n = 2 * radius + 1;
    std::vector<std::uint8_t> window(static_cast<std::size_t>(n) * n);
    for (std::int32_t y = rect.top; y < rect.bottom; ++y) {
        for (std::int32_t x = rect.left; x < rect.right; ++x) {
            std::size_t k = 0;
            for (int dy = -radius; dy <= radius; ++dy) {
                for (int dx = -radius; dx <= radius; ++dx) {
                    const int sx = std::clamp(x + dx, 0, width - 1);
                    const int sy = std::clamp(y + dy, 0, height - 1);
                    window[k++] = in[static_cast<std::size_t>(sy) * width + sx];
                }
            }
            std::sort(window.begin(), window.end());
            const int median = window[window.size() / 2];
            const int centre = in[static_cast<std::size_t>(y) * width + x];
            const bool take = threshold >= 255 || std::abs(median - centre) > threshold;
            out[static_cast<std::size_t>(y) * width + x] =
                static_cast<std::uint8_t>(take ? median : centre);
        }
    }
    return out;
}

ErrorCode run(EffectsRig& rig, Page& page, const Filter& filter) {
    return runEffect(page, filter, standardTarget(page), false, true, rig.context);
}

TEST(Median, MatchesSortedWindowsForEveryRadius) {
    EffectsRig rig(1024);
    const std::int32_t w = 290, h = 140;
    // Few distinct levels make ties, which a median must handle like a sort.
    Plane g = test::patternPlane(w, h, 41);
    for (std::size_t i = 0; i < g.size(); i += 3) g[i] = static_cast<std::uint8_t>(g[i] & 0xE0);
    for (int radius : {1, 2, 3, 5, 16}) {
        auto page = rig.makePage(Page::kTypeGrey, w, h, {g});
        DespeckleFltr filter;
        filter.radius = radius;
        ASSERT_EQ(run(rig, *page, filter), kErrNone);
        const Plane expected = referenceMedian(g, w, h, radius, 255, Rect{0, 0, w, h});
        ASSERT_TRUE(test::samePlane(EffectsRig::read(*page, 0), expected, w, "median")) << radius;
    }
}

TEST(Median, ThresholdKeepsSamplesCloseToTheMedian) {
    EffectsRig rig;
    // Scratch Removal: a pixel 20 above its flat neighbourhood stays, one 21
    // above (or below) becomes the median.
    const std::int32_t w = 9, h = 3;
    Plane g = test::constantPlane(w, h, 100);
    g[1 * w + 1] = 120;
    g[1 * w + 4] = 121;
    g[1 * w + 7] = 79;
    auto page = rig.makePage(Page::kTypeGrey, w, h, {g});
    ASSERT_EQ(scratchRemovalCommand(*page, rig.context), kErrNone);
    const Plane out = EffectsRig::read(*page, 0);
    EXPECT_EQ(out[1 * w + 1], 120);
    EXPECT_EQ(out[1 * w + 4], 100);
    EXPECT_EQ(out[1 * w + 7], 100);
    ASSERT_NE(rig.lastFilter, nullptr);
    EXPECT_EQ(rig.lastFilter->name(), "Scratch Removal");
    const auto* kept = dynamic_cast<const DespeckleFltr*>(rig.lastFilter.get());
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->radius, 1);
    EXPECT_EQ(kept->threshold, 20);

    // Against the reference on an RGB page with a selection, radius 1 and 3.
    const std::int32_t W = 200, H = 130;
    const Plane r = test::patternPlane(W, H, 42), gg = test::patternPlane(W, H, 43),
                b = test::patternPlane(W, H, 44), mask = test::constantPlane(W, H, 255);
    const Rect selection{3, 4, 190, 129};
    for (int radius : {1, 3}) {
        for (int threshold : {0, 20, 100}) {
            auto rgb = rig.makePage(Page::kTypeRgb, W, H, {r, gg, b, mask}, selection);
            DespeckleFltr filter;
            filter.radius = radius;
            filter.threshold = threshold;
            ASSERT_EQ(run(rig, *rgb, filter), kErrNone);
            const Plane* planes[3] = {&r, &gg, &b};
            for (int p = 0; p < 3; ++p) {
                const Plane expected =
                    referenceMedian(*planes[p], W, H, radius, threshold, selection);
                ASSERT_TRUE(test::samePlane(EffectsRig::read(*rgb, p), expected, W, "threshold"))
                    << radius << " " << threshold << " plane " << p;
            }
        }
    }
}

TEST(Median, DespeckleRadiusComesFromTheDialogValue) {
    EXPECT_EQ(makeDespeckleFilter(0)->radius, 1);
    EXPECT_EQ(makeDespeckleFilter(-4)->radius, 1);
    EXPECT_EQ(makeDespeckleFilter(5)->radius, 5);
    EXPECT_EQ(makeDespeckleFilter(40)->radius, 16);
    EXPECT_EQ(makeDespeckleFilter(3)->threshold, 255);
    EXPECT_EQ(makeDespeckleFilter(3)->name(), "Despeckle");

    // x = 0 from the dialog's OK still runs a radius-1 median.
    EffectsRig rig;
    const std::int32_t w = 40, h = 30;
    const Plane g = test::patternPlane(w, h, 45);
    auto page = rig.makePage(Page::kTypeGrey, w, h, {g});
    ASSERT_TRUE(page->pageData()->beginChange());
    ASSERT_EQ(despeckleCommand(*page, page->bounds(), CVector3D{}, true, rig.context), kErrNone);
    page->pageData()->endChange();
    EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, 0),
                                referenceMedian(g, w, h, 1, 255, Rect{0, 0, w, h}), w,
                                "dialog_zero"));
}

TEST(Median, KernelAloneAgreesWithSortingOnRandomTiles) {
    // Network and histogram paths straight on buffers, with every tile size
    // from 1 x 1 upward to catch edge handling in the row kernels.
    std::uint32_t s = 7;
    for (int radius : {1, 2, 4}) {
        DespeckleFltr filter;
        filter.radius = radius;
        MedianKernel kernel(filter);
        ASSERT_TRUE(kernel.valid());
        for (int size : {1, 2, 3, 17, 128}) {
            const int stride = size + 2 * radius;
            std::vector<std::uint8_t> source(static_cast<std::size_t>(stride) * stride);
            for (auto& v : source)
                v = static_cast<std::uint8_t>((s = s * 1664525u + 1013904223u) >> 24);
            std::vector<std::uint8_t> out(static_cast<std::size_t>(size) * size);
            kernel.computeTile(source.data(), stride, size, size, out.data(), size);
            const int n = 2 * radius + 1;
            std::vector<std::uint8_t> window;
            for (int y = 0; y < size; ++y) {
                for (int x = 0; x < size; ++x) {
                    window.clear();
                    for (int ky = 0; ky < n; ++ky) {
                        for (int kx = 0; kx < n; ++kx)
                            window.push_back(
                                source[static_cast<std::size_t>((y + ky) * stride + x + kx)]);
                    }
                    std::nth_element(window.begin(), window.begin() + n * n / 2, window.end());
                    ASSERT_EQ(out[static_cast<std::size_t>(y) * size + x],
                              window[static_cast<std::size_t>(n * n / 2)])
                        << "radius " << radius << " size " << size << " at " << x << "," << y;
                }
            }
        }
    }
}

}  // namespace
}  // namespace tessary
