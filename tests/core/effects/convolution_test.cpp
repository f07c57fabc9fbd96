#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/effects/effects_test_support.h"
#include "effects/framework/effect_run.h"
#include "effects/framework/effect_target.h"
#include "effects/neighbourhood/convolution_fltr.h"
#include "effects/neighbourhood/convolution_kernel.h"
#include "effects/neighbourhood/neighbourhood_commands.h"

namespace tessary {
namespace {

using test::EffectsRig;
using test::Plane;

// Truncating division written out by magnitudes.
long long truncDiv(long long a, long long b) {
    const long long q = (a < 0 ? -a : a) / (b < 0 ? -b : b);
    return (a < 0) != (b < 0) ? -q : q;
}

// The convolution of one plane from the formula: window samples outside the
// image repeat its edge; only pixels inside `rect` change.
Plane referenceConvolution(const Plane& in, std::int32_t width, std::int32_t height,
                           const ConvolutionFltr& f, const Rect& rect) {
    Plane out = in;
    const int r = f.radius, n = 2 * r + 1;
    const long long divisor = f.divisor == 0 ? 1 : f.divisor;
    for (std::int32_t y = rect.top; y < rect.bottom; ++y) {
        for (std::int32_t x = rect.left; x < rect.right; ++x) {
            long long sum = 0;
            for (int ky = 0; ky < n; ++ky) {
                for (int kx = 0; kx < n; ++kx) {
                    const int sx = std::clamp(x + kx - r, 0, width - 1);
                    const int sy = std::clamp(y + ky - r, 0, height - 1);
                    sum +=
                        static_cast<long long>(f.weights[static_cast<std::size_t>(ky * n + kx)]) *
                        in[static_cast<std::size_t>(sy) * width + sx];
                }
            }
            const int centre = in[static_cast<std::size_t>(y) * width + x];
            long long v = 0;
            bool lowByte = false;
            switch (f.mode) {
                case 0:
                    v = truncDiv(sum, divisor);
                    break;
                case 1:
                    v = truncDiv(sum, divisor) + f.offset;
                    break;
                case 2:
                    v = truncDiv(sum, divisor) - centre;
                    v = v < 0 ? -v : v;
                    break;
                case 3:
                    v = 2LL * centre - truncDiv(sum, divisor);
                    break;
                default:
                    lowByte = true;
            }
            std::uint8_t result = 0;
            if (lowByte) {
                result = static_cast<std::uint8_t>(sum & 0xFF);
            } else {
                if (v < f.low) v = f.low;
                if (v > f.high) v = f.high;
                result = static_cast<std::uint8_t>(std::clamp<long long>(v, 0, 255));
            }
            out[static_cast<std::size_t>(y) * width + x] = result;
        }
    }
    return out;
}

// Runs `filter` on the page's standard target (or `rect`) in its own change.
ErrorCode run(EffectsRig& rig, Page& page, const Filter& filter, const Rect* rect = nullptr) {
    EffectTarget target = standardTarget(page);
    if (rect) target.rect = *rect;
    return runEffect(page, filter, target, false, true, rig.context);
}

TEST(Convolution, BlurOfAWhitePixelSpreadsTwentyEight) {
    EffectsRig rig;
    Plane samples = test::constantPlane(9, 9, 0);
    samples[4 * 9 + 4] = 255;
    auto page = rig.makePage(Page::kTypeGrey, 9, 9, {samples});
    ASSERT_TRUE(page->pageData()->beginChange());
    ASSERT_EQ(blurSharpenCommand(*page, page->bounds(), CVector3D{-1, 0, 0}, true, rig.context),
              kErrNone);
    page->pageData()->endChange();
    const Plane out = EffectsRig::read(*page, 0);
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 9; ++x) {
            const bool near = std::abs(x - 4) <= 1 && std::abs(y - 4) <= 1;
            EXPECT_EQ(out[static_cast<std::size_t>(y) * 9 + x], near ? 28 : 0) << x << "," << y;
        }
    }
    ASSERT_NE(rig.lastFilter, nullptr);
    EXPECT_EQ(rig.lastFilter->name(), "Blur & Sharpen");
}

TEST(Convolution, BlurAndSharpenParametersFollowTheAmount) {
    auto blur = makeBlurSharpenFilter(-3);
    EXPECT_EQ(blur->mode, 0);
    EXPECT_EQ(blur->radius, 3);
    EXPECT_EQ(blur->divisor, 49);
    auto sharpen = makeBlurSharpenFilter(20);
    EXPECT_EQ(sharpen->mode, 3);
    EXPECT_EQ(sharpen->radius, 16);
    EXPECT_EQ(sharpen->divisor, 33 * 33);
    auto none = makeBlurSharpenFilter(0);
    EXPECT_EQ(none->radius, 0);
    EXPECT_EQ(none->divisor, 1);
    auto most = makeBlurSharpenFilter(-32768);
    EXPECT_EQ(most->radius, 16);
    EXPECT_EQ(most->mode, 0);
}

TEST(Convolution, BoxBlurAndSharpenMatchTheFormulaAcrossTiles) {
    EffectsRig rig(1024);
    // The wide page's bands are read in two groups of tiles.
    const struct {
        std::int32_t w, h;
        std::vector<int> amounts;
    } pages[] = {{300, 170, {-1, -2, -4, -7, -8, -16, 0, 1, 2, 5, 16}}, {4500, 30, {-4, 3}}};
    for (const auto& shape : pages) {
        const std::int32_t w = shape.w, h = shape.h;
        const Plane g = test::patternPlane(w, h, 31);
        for (int x : shape.amounts) {
            auto page = rig.makePage(Page::kTypeGrey, w, h, {g});
            auto filter = makeBlurSharpenFilter(x);
            ASSERT_EQ(run(rig, *page, *filter), kErrNone) << x;
            const Plane expected = referenceConvolution(g, w, h, *filter, Rect{0, 0, w, h});
            ASSERT_TRUE(test::samePlane(EffectsRig::read(*page, 0), expected, w, "box"))
                << w << " wide, x = " << x;
            if (x == 0) {
                EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, 0), g, w, "identity"));
            }
        }
    }
}

TEST(Convolution, EveryPlaneOfAnRgbSelectionUsesNeighboursOutsideIt) {
    EffectsRig rig(1024);
    // A wide selection too, whose bands are read in groups of tiles.
    for (const std::int32_t w : {4400, 260}) {
        const std::int32_t h = 140;
        const Plane r = test::patternPlane(w, h, 32), g = test::patternPlane(w, h, 33),
                    b = test::patternPlane(w, h, 34);
        const Rect selection{1, 2, w - 1, 139};
        const Plane mask = test::constantPlane(w, h, 255);
        auto page = rig.makePage(Page::kTypeRgb, w, h, {r, g, b, mask}, selection);
        auto filter = makeBlurSharpenFilter(2);
        rig.factory.log = {};
        ASSERT_EQ(run(rig, *page, *filter), kErrNone);
        const Plane* planes[3] = {&r, &g, &b};
        for (int p = 0; p < 3; ++p) {
            const Plane expected = referenceConvolution(*planes[p], w, h, *filter, selection);
            EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, p), expected, w, "rgb_selection"))
                << w << " wide, plane " << p;
        }
    }
    // One step per tile and plane: 3 x 2 tiles x 3 planes; the total from
    // the formula trunc((0.5 + 262 / 128) x (0.5 + 141 / 128) x 3).
    EXPECT_EQ(rig.factory.log.updates, 18);
    EXPECT_EQ(rig.factory.log.lastTotal,
              static_cast<std::int32_t>((0.5 + 262.0 / 128) * (0.5 + 141.0 / 128) * 3));
}

TEST(Convolution, GeneralWeightsAndEveryCombineMode) {
    EffectsRig rig;
    const std::int32_t w = 140, h = 135;
    const Plane g = test::patternPlane(w, h, 35);
    struct Case {
        int radius, divisor, offset, low, high, mode;
        std::vector<int> weights;
    };
    const std::vector<Case> cases{
        {1, 1, 0, 0, 255, 0, {0, -1, 0, -1, 5, -1, 0, -1, 0}},   // sharpen kernel
        {1, 4, 128, 0, 255, 1, {-1, -1, 0, -1, 0, 1, 0, 1, 1}},  // emboss with offset
        {1, 3, 0, 10, 200, 2, {1, 2, 1, 0, 0, 0, -1, -2, -1}},   // edge magnitude, clamped
        {2, 0, 0, 0, 255, 3, std::vector<int>(25, 2)},           // divisor 0 divides by 1
        {1, -7, 0, 0, 255, 0, {3, 1, 4, 1, 5, 9, 2, 6, 5}},      // negative divisor truncates
        {1, 9, 0, 0, 255, 7, {1, 1, 1, 1, 1, 1, 1, 1, 1}},       // unknown mode: low byte
        {1, 9, -1000000, -5, 300, 1, std::vector<int>(9, 1)},    // box, huge offset
        {1, 2, 0, 200, 100, 0, std::vector<int>(9, 1)},          // low above high
    };
    for (std::size_t c = 0; c < cases.size(); ++c) {
        ConvolutionFltr f;
        f.radius = cases[c].radius;
        f.divisor = cases[c].divisor;
        f.offset = cases[c].offset;
        f.low = cases[c].low;
        f.high = cases[c].high;
        f.mode = cases[c].mode;
        std::copy(cases[c].weights.begin(), cases[c].weights.end(), f.weights.begin());
        auto page = rig.makePage(Page::kTypeGrey, w, h, {g});
        ASSERT_EQ(run(rig, *page, f), kErrNone);
        const Plane expected = referenceConvolution(g, w, h, f, Rect{0, 0, w, h});
        EXPECT_TRUE(test::samePlane(EffectsRig::read(*page, 0), expected, w, "general"))
            << "case " << c;
    }
}

TEST(Convolution, RunningSumsDivideExactlyForEveryDivisor) {
    // The kernel alone, on 128 x 128 tiles of noise and of white (the largest
    // sums), for divisors around the magic-number limits.
    const int r = 4, stride = 128 + 2 * r;
    std::vector<std::uint8_t> noise(static_cast<std::size_t>(stride) * stride);
    std::uint32_t s = 99;
    for (auto& v : noise) v = static_cast<std::uint8_t>((s = s * 1103515245u + 12345u) >> 23);
    const std::vector<std::uint8_t> white(noise.size(), 255);
    for (int divisor :
         {1, 2, 3, 7, 9, 10, 49, 80, 81, 82, 255, 1000, 4097, 20655, 20656, 65535, 70000}) {
        ConvolutionFltr f;
        f.radius = r;
        f.divisor = divisor;
        f.high = 255;
        f.offset = 0;
        f.mode = 2;  // |sum / d - centre| keeps quotients above 255 visible below the clamp
        ConvolutionKernel kernel(f);
        ASSERT_TRUE(kernel.valid());
        EXPECT_TRUE(kernel.usesRunningSums());
        const std::vector<std::uint8_t>* sources[] = {&noise, &white};
        for (const std::vector<std::uint8_t>* source : sources) {
            std::vector<std::uint8_t> out(128 * 128);
            kernel.computeTile(source->data(), stride, 128, 128, out.data(), 128);
            for (int y = 0; y < 128; ++y) {
                for (int x = 0; x < 128; ++x) {
                    long long sum = 0;
                    for (int ky = 0; ky < 9; ++ky) {
                        for (int kx = 0; kx < 9; ++kx)
                            sum += (*source)[static_cast<std::size_t>((y + ky) * stride + x + kx)];
                    }
                    const long long centre =
                        (*source)[static_cast<std::size_t>((y + r) * stride + x + r)];
                    long long v = sum / divisor - centre;
                    v = std::min(255LL, v < 0 ? -v : v);
                    ASSERT_EQ(out[static_cast<std::size_t>(y) * 128 + x], v)
                        << "divisor " << divisor << " at " << x << "," << y;
                }
            }
        }
    }
}

TEST(Convolution, FloatingRowsAreReadAsTheyStand) {
    EffectsRig rig;
    const std::int32_t w = 150, h = 20;
    const Plane g = test::patternPlane(w, h, 36), mask = test::constantPlane(w, h, 255);
    const Plane floating = test::constantPlane(w, h, 90);
    auto page = rig.makePage(Page::kTypeGrey, w, h, {g, mask, floating}, Rect{0, 0, w, h});
    auto filter = makeBlurSharpenFilter(-1);
    ASSERT_EQ(run(rig, *page, *filter), kErrNone);
    const Plane out = EffectsRig::read(*page, 2);
    // Rows and columns past the image inside the floating plane's tile hold
    // 0 and are not replaced by the edge: the last column sees three zero
    // samples of nine, the bottom row three more; the first row repeats the
    // plane's top row.
    for (std::int32_t y = 0; y < h - 1; ++y) {
        EXPECT_EQ(out[static_cast<std::size_t>(y) * w + (w - 1)], 6 * 90 / 9) << y;
        EXPECT_EQ(out[static_cast<std::size_t>(y) * w + (w - 2)], 90) << y;
    }
    EXPECT_EQ(out[static_cast<std::size_t>(h - 1) * w + (w - 1)], 4 * 90 / 9);
    EXPECT_EQ(out[static_cast<std::size_t>(h - 1) * w + (w - 2)], 6 * 90 / 9);
}

}  // namespace
}  // namespace tessary
