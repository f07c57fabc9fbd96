#include "effects/framework/selection_fill.h"

#include <gtest/gtest.h>

#include "effects_test_support.h"
#include "model/page_data.h"

namespace tessary {
namespace {

using test::EffectsRig;
using test::FakeProgressFactory;
using test::maskMix;
using test::patternPlane;
using test::Plane;
using test::samePlane;

constexpr std::int32_t kW = 33, kH = 21;
constexpr std::uint32_t kBackground = 0x204060;  // red 0x60, green 0x40, blue 0x20

// Colour plane p after erasing through `mask` within `area`.
Plane erased(const Plane& colour, const Plane& mask, int p, const Rect& area) {
    const int sample = (kBackground >> (8 * p)) & 0xFF;
    Plane out = colour;
    for (std::int32_t y = area.top; y < area.bottom; ++y)
        for (std::int32_t x = area.left; x < area.right; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * kW + x;
            out[i] = maskMix(mask[i], colour[i], sample);
        }
    return out;
}

class EraseSelectionTest : public ::testing::Test {
protected:
    ErrorCode eraseInChange(Page& page) {
        EXPECT_TRUE(page.pageData()->beginChange());
        const ErrorCode code = eraseSelection(page, kBackground, factory);
        page.pageData()->endChange();
        return code;
    }

    EffectsRig rig;
    FakeProgressFactory factory;
};

TEST_F(EraseSelectionTest, ErasesThroughTheMaskAtFullStrengthInsideTheSelectionOnly) {
    std::vector<Plane> planes;
    for (int p = 0; p < 4; ++p) planes.push_back(patternPlane(kW, kH, 7 + p));
    const Rect selection{5, 3, 20, 17};
    auto page = rig.makePage(Page::kTypeRgb, kW, kH, planes, selection);

    ASSERT_EQ(eraseInChange(*page), kErrNone);
    for (int p = 0; p < 3; ++p)
        EXPECT_TRUE(samePlane(EffectsRig::read(*page, p), erased(planes[p], planes[3], p, selection), kW, "erased"))
            << "plane " << p;
    EXPECT_TRUE(samePlane(EffectsRig::read(*page, 3), planes[3], kW, "mask"));
    EXPECT_EQ(factory.log.line0, "Working...");
    EXPECT_EQ(factory.log.line1, "Erasing Selection");
    EXPECT_EQ(factory.log.delay, 100u);
    EXPECT_TRUE(factory.log.closed);
    EXPECT_EQ(factory.log.windowsDestroyed, factory.log.windowsMade);
}

TEST_F(EraseSelectionTest, AFloatKeepsItsPixelsWhileTheImageUnderItIsErased) {
    std::vector<Plane> planes;
    for (int p = 0; p < 7; ++p) planes.push_back(patternPlane(kW, kH, 30 + p));
    const Rect selection{0, 0, kW, kH};
    auto page = rig.makePage(Page::kTypeRgb, kW, kH, planes, selection);
    ASSERT_TRUE(page->hasFloat());

    ASSERT_EQ(eraseInChange(*page), kErrNone);
    for (int p = 0; p < 3; ++p)
        EXPECT_TRUE(samePlane(EffectsRig::read(*page, p), erased(planes[p], planes[3], p, selection), kW, "erased"));
    for (int p = 4; p < 7; ++p) EXPECT_TRUE(samePlane(EffectsRig::read(*page, p), planes[p], kW, "float"));
}

TEST_F(EraseSelectionTest, NothingSelectedChangesNothingAndShowsNoWindow) {
    std::vector<Plane> planes{patternPlane(kW, kH, 1)};
    auto page = rig.makePage(Page::kTypeGrey, kW, kH, planes);
    ASSERT_EQ(eraseInChange(*page), kErrNone);
    EXPECT_TRUE(samePlane(EffectsRig::read(*page, 0), planes[0], kW, "untouched"));
    EXPECT_EQ(factory.log.windowsMade, 0);
}

TEST_F(EraseSelectionTest, FillWithoutSelectionCoversTheWholeImageAtTheOpacity) {
    std::vector<Plane> planes{patternPlane(kW, kH, 3)};
    auto page = rig.makePage(Page::kTypeGrey, kW, kH, planes);
    ASSERT_TRUE(page->pageData()->beginChange());
    ASSERT_EQ(fillSelection(*page, 0xFFFFFF, 128, nullptr), kErrNone);
    page->pageData()->endChange();
    Plane expected = planes[0];
    for (auto& v : expected) v = test::opacityMix(128, v, 255);
    EXPECT_TRUE(samePlane(EffectsRig::read(*page, 0), expected, kW, "filled"));
}

}  // namespace
}  // namespace tessary
