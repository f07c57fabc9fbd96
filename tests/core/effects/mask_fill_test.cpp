#include "effects/framework/mask_fill.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "effects_test_support.h"
#include "geometry_test_support.h"
#include "model/grey_weights.h"

namespace tessary {
namespace {

using test::EffectsRig;
using test::maskMix;
using test::opacityMix;
using test::patternPlane;
using test::Plane;
using test::samePlane;

constexpr std::int32_t kW = 40, kH = 30;

// What one sample becomes, from the routine's definition. `m` and `e` are
// the mask and exclusion samples (-1: none).
std::uint8_t expectedSample(int colour, int old, int opacity, int m, int e, bool invert) {
    std::uint8_t v = opacity < 255 ? opacityMix(opacity, old, colour) : colour;
    if (m < 0) return v;
    v = maskMix(m, old, v);
    if (e < 0) return v;
    return invert ? maskMix(255 - e, old, v) : maskMix(e, old, v);
}

class MaskFillTest : public ::testing::Test {
protected:
    // An RGB page with a mask (plane 3) and a second mask plane (4) for
    // exclusions, all holding patterns.
    void SetUp() override {
        for (int p = 0; p < 5; ++p) planes.push_back(patternPlane(kW, kH, 40 + p));
        page = rig.makePage(Page::kTypeRgb, kW, kH, planes);
    }

    // Runs the fill inside a change and checks every sample of the colour
    // planes: inside `area` against the definition, outside unchanged.
    void check(const MaskFillRequest& request, const Rect& area, int mask, int exclusion) {
        ASSERT_TRUE(page->pageData()->beginChange());
        ASSERT_EQ(fillThroughMask(*page, request, nullptr), kErrNone);
        page->pageData()->endChange();
        const std::uint8_t bytes[3] = {static_cast<std::uint8_t>(request.colour),
                                       static_cast<std::uint8_t>(request.colour >> 8),
                                       static_cast<std::uint8_t>(request.colour >> 16)};
        for (int p = 0; p < 3; ++p) {
            Plane expected = planes[p];
            for (std::int32_t y = area.top; y < area.bottom; ++y) {
                for (std::int32_t x = area.left; x < area.right; ++x) {
                    const std::size_t i = static_cast<std::size_t>(y) * kW + x;
                    expected[i] = expectedSample(
                        bytes[p], planes[p][i], request.opacity, mask < 0 ? -1 : planes[mask][i],
                        exclusion < 0 ? -1 : planes[exclusion][i], request.invert);
                }
            }
            EXPECT_TRUE(samePlane(EffectsRig::read(*page, p), expected, kW, "mask_fill"));
        }
        page->undo();
    }

    EffectsRig rig;
    std::vector<Plane> planes;
    std::unique_ptr<Page> page;
};

TEST_F(MaskFillTest, WithoutAMaskTheLimitIsFilledAtTheOpacity) {
    for (int opacity : {255, 100, 0}) {
        SCOPED_TRACE(opacity);
        MaskFillRequest r;
        r.colour = 0x2060A0;
        r.planeCount = 3;
        r.opacity = opacity;
        r.limit = Rect{5, 4, 30, 20};
        r.rect = Rect{0, 0, 1, 1};  // ignored without plane A
        check(r, r.limit, -1, -1);
    }
    // Plane B 0 is a colour plane, never a mask.
    MaskFillRequest r;
    r.colour = 0x010203;
    r.planeCount = 3;
    r.planeB = 0;
    r.limit = Rect{0, 0, kW, kH};
    check(r, r.limit, -1, -1);
}

TEST_F(MaskFillTest, PlaneBAloneIsTheMaskOverTheLimit) {
    for (int opacity : {255, 77}) {
        MaskFillRequest r;
        r.colour = 0xFF8010;
        r.planeCount = 3;
        r.planeB = 3;
        r.opacity = opacity;
        r.limit = Rect{-5, 3, 25, 40};
        check(r, Rect{0, 3, 25, kH}, 3, -1);
    }
}

TEST_F(MaskFillTest, PlaneAIsTheMaskAndPlaneBTheExclusionOverTheClippedRectangle) {
    for (bool invert : {true, false}) {
        for (int opacity : {255, 180}) {
            SCOPED_TRACE(::testing::Message() << invert << " " << opacity);
            MaskFillRequest r;
            r.colour = 0x00C0FF;
            r.planeCount = 3;
            r.planeA = 3;
            r.planeB = 4;
            r.rect = Rect{2, 2, 35, 25};
            r.limit = Rect{0, 0, 20, 40};
            r.opacity = opacity;
            r.invert = invert;
            check(r, Rect{2, 2, 20, 25}, 3, 4);
        }
    }
    MaskFillRequest r;
    r.colour = 0x123456;
    r.planeCount = 3;
    r.planeA = 4;
    r.rect = Rect{0, 0, kW, kH};
    r.limit = Rect{0, 0, kW, kH};
    check(r, r.limit, 4, -1);
}

TEST_F(MaskFillTest, AGreyPageTakesTheColoursGreyValue) {
    const Plane grey = patternPlane(kW, kH, 3);
    auto page = rig.makePage(Page::kTypeGrey, kW, kH, {grey});
    ASSERT_TRUE(page->pageData()->beginChange());
    MaskFillRequest r;
    r.colour = 0x3080F0;
    r.planeCount = 1;
    r.limit = Rect{0, 0, kW, kH};
    ASSERT_EQ(fillThroughMask(*page, r, nullptr), kErrNone);
    page->pageData()->endChange();
    // Red 0xF0, green 0x80, blue 0x30 through the shared weights.
    EXPECT_EQ(EffectsRig::read(*page, 0),
              test::constantPlane(kW, kH, GreyWeights::grey(0xF0, 0x80, 0x30)));
}

TEST_F(MaskFillTest, OldSamplesComeFromTheStateBeforeTheChange) {
    ASSERT_TRUE(page->pageData()->beginChange());
    // Something else written first in the same change.
    const Plane zero(kW, 0);
    for (std::int32_t y = 0; y < kH; ++y)
        ASSERT_TRUE(page->pageData()->writeRow(0, 0, y, kW, zero.data()));
    MaskFillRequest r;
    r.colour = 0x0000C8;
    r.planeCount = 1;
    r.opacity = 64;
    r.limit = Rect{0, 0, kW, kH};
    ASSERT_EQ(fillThroughMask(*page, r, nullptr), kErrNone);
    page->pageData()->endChange();
    Plane expected(planes[0].size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        expected[i] = opacityMix(64, planes[0][i], 0xC8);
    EXPECT_TRUE(samePlane(EffectsRig::read(*page, 0), expected, kW, "old_from_previous"));
}

TEST_F(MaskFillTest, AnEmptyAreaWritesNothingAndCancelStops) {
    ASSERT_TRUE(page->pageData()->beginChange());
    MaskFillRequest r;
    r.planeCount = 3;
    r.planeA = 3;
    r.rect = Rect{0, 0, 10, 10};
    r.limit = Rect{20, 20, 30, 30};
    EXPECT_EQ(fillThroughMask(*page, r, nullptr), kErrNone);
    for (int p = 0; p < 3; ++p) EXPECT_EQ(EffectsRig::read(*page, p), planes[p]);

    test::FakeProgressFactory factory;
    factory.log.cancelAtUpdate = 2;
    auto port = factory.create(0);
    r.limit = Rect{0, 0, kW, kH};
    EXPECT_EQ(fillThroughMask(*page, r, port.get()), kErrCancelled);
    EXPECT_EQ(factory.log.updates, 2);
    page->pageData()->abortChange();
    for (int p = 0; p < 3; ++p) EXPECT_EQ(EffectsRig::read(*page, p), planes[p]);
}

}  // namespace
}  // namespace tessary
