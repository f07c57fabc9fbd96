#include "effects/shadow/drop_shadow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <tuple>
#include <vector>

#include "effects_test_support.h"
#include "geometry_test_support.h"
#include "model/grey_weights.h"
#include "model/page_state_record.h"

namespace tessary {
namespace {

using test::EffectsRig;
using test::maskMix;
using test::opacityMix;
using test::PageRecord;
using test::patternPlane;
using test::Plane;
using test::samePlane;

// The shadow from its definition: the selection mask M (0 outside the image)
// box-averaged over (2r + 1)^2 with r = min(feather, 16), inside the
// selection bounds grown by the feather, moved by the offsets; the colour
// painted through it at the opacity, and (unless floating) never over the
// object: exclusion M, inverted.
Plane referenceShadow(const Plane& colour, const Plane& mask, std::int32_t w, std::int32_t h,
                      const Rect& selection, const DropShadowRequest& q, std::uint8_t c,
                      bool exclude) {
    const int r = std::min(q.feather, 16);
    auto m = [&](std::int64_t x, std::int64_t y) -> int {
        if (x < 0 || y < 0 || x >= w || y >= h) return 0;
        return mask[y * w + x];
    };
    const Rect soft{selection.left - q.feather, selection.top - q.feather,
                    selection.right + q.feather, selection.bottom + q.feather};
    Plane out = colour;
    for (std::int32_t y = 0; y < h; ++y) {
        for (std::int32_t x = 0; x < w; ++x) {
            // The soft mask sample that lands here came from (x - dx, y - dy).
            const std::int32_t sx = x - q.horizontalOffset, sy = y - q.verticalOffset;
            if (sx < soft.left || sx >= soft.right || sy < soft.top || sy >= soft.bottom) continue;
            int sum = 0;
            for (int j = -r; j <= r; ++j)
                for (int i = -r; i <= r; ++i) sum += m(sx + i, sy + j);
            const int s = sum / ((2 * r + 1) * (2 * r + 1));
            const int o = colour[y * w + x];
            std::uint8_t v = q.opacity < 255 ? opacityMix(q.opacity, o, c) : c;
            v = maskMix(s, o, v);
            if (exclude) v = maskMix(255 - m(x, y), o, v);
            out[y * w + x] = v;
        }
    }
    return out;
}

class DropShadowTest : public ::testing::Test {
protected:
    EffectsRig rig;
};

TEST_F(DropShadowTest, AHardShadowSixteenPixelsRightAndDownOutsideTheObject) {
    const std::int32_t w = 80, h = 60;
    const Rect object{10, 10, 30, 25};
    const std::vector<Plane> planes = {patternPlane(w, h, 1), patternPlane(w, h, 2),
                                       patternPlane(w, h, 3), test::boxMask(w, h, object)};
    auto page = rig.makePage(Page::kTypeRgb, w, h, planes, object);
    DropShadowRequest q;
    q.colour = 0x0000FF;  // red
    q.feather = 0;
    q.opacity = dropShadowOpacity(100);
    q.horizontalOffset = 16;
    q.verticalOffset = 16;
    Rect painted;
    ASSERT_EQ(dropShadow(*page, q, painted, &rig.factory), kErrNone);
    EXPECT_EQ(painted, (Rect{26, 26, 46, 41}));
    const Plane red = EffectsRig::read(*page, 0), green = EffectsRig::read(*page, 1);
    for (std::int32_t y = 0; y < h; ++y) {
        for (std::int32_t x = 0; x < w; ++x) {
            const bool inObject = x >= 10 && x < 30 && y >= 10 && y < 25;
            const bool inShadow = x >= 26 && x < 46 && y >= 26 && y < 41;
            const std::size_t i = static_cast<std::size_t>(y) * w + x;
            if (inShadow && !inObject) {
                ASSERT_EQ(red[i], 255) << x << "," << y;
                ASSERT_EQ(green[i], 0) << x << "," << y;
            } else {
                ASSERT_EQ(red[i], planes[0][i]) << x << "," << y;
                ASSERT_EQ(green[i], planes[1][i]) << x << "," << y;
            }
        }
    }
    // The selection is as it was.
    EXPECT_EQ(EffectsRig::read(*page, 3), planes[3]);
    EXPECT_EQ(page->planeCount(), 4);
    EXPECT_EQ(page->selectionRect(), object);
    EXPECT_EQ(rig.factory.log.line0, "Working...");
    EXPECT_EQ(rig.factory.log.line1, "Drop Shadow");
    EXPECT_EQ(rig.factory.log.delay, 40u);
}

TEST_F(DropShadowTest, ASoftShadowMatchesTheDefinition) {
    // Near the left and bottom edges; and tall enough to be feathered in
    // several bands of rows.
    for (const auto& [w, h, selection] :
         {std::tuple{70, 50, Rect{3, 20, 40, 49}}, std::tuple{12, 1400, Rect{2, 30, 10, 1390}}}) {
        Plane mask = test::boxMask(w, h, selection);
        const Plane soft = patternPlane(w, h, 17);
        for (std::size_t i = 0; i < mask.size(); ++i) mask[i] = mask[i] ? soft[i] : 0;
        for (std::int32_t type : {Page::kTypeGrey, Page::kTypeRgb}) {
            for (const auto& [feather, dx, dy, opacity] :
                 {std::tuple{5, -7, 3, 200}, std::tuple{20, 6, -9, 255}, std::tuple{1, 0, 0, 90}}) {
                SCOPED_TRACE(::testing::Message() << type << " feather " << feather);
                const int k = type == Page::kTypeGrey ? 1 : 3;
                std::vector<Plane> planes;
                for (int p = 0; p < k; ++p) planes.push_back(patternPlane(w, h, 60 + p));
                planes.push_back(mask);
                auto page = rig.makePage(type, w, h, planes, selection);
                DropShadowRequest q;
                q.colour = 0x10E0A0;
                q.feather = feather;
                q.horizontalOffset = dx;
                q.verticalOffset = dy;
                q.opacity = opacity;
                Rect painted;
                ASSERT_EQ(dropShadow(*page, q, painted, nullptr), kErrNone);
                const std::uint8_t bytes[3] = {0xA0, 0xE0, 0x10};
                for (int p = 0; p < k; ++p) {
                    const std::uint8_t c = k == 1 ? GreyWeights::grey(0xA0, 0xE0, 0x10) : bytes[p];
                    EXPECT_TRUE(
                        samePlane(EffectsRig::read(*page, p),
                                  referenceShadow(planes[p], mask, w, h, selection, q, c, true), w,
                                  "soft_shadow"));
                }
                EXPECT_EQ(EffectsRig::read(*page, k), mask);
                const Rect moved{selection.left - feather + dx, selection.top - feather + dy,
                                 selection.right + feather + dx, selection.bottom + feather + dy};
                EXPECT_EQ(painted, (Rect{std::max(moved.left, 0), std::max(moved.top, 0),
                                         std::min(moved.right, w), std::min(moved.bottom, h)}));
            }
        }
    }
}

TEST_F(DropShadowTest, SamplesPastTheImageEdgeInTheMaskTilesCastNoShadow) {
    // Mask samples beyond the image's right edge (inside its last tile) are
    // 255; a shadow thrown to the left must not pick them up.
    const std::int32_t w = 100, h = 50;
    const Rect object{40, 10, 50, 20};
    auto page = rig.makePage(Page::kTypeGrey, w, h,
                             {patternPlane(w, h, 2), test::boxMask(w, h, object)}, object);
    test::settle(*page);
    const Plane full(28, 255);
    for (std::int32_t y = 0; y < h; ++y)
        ASSERT_TRUE(page->pageData()->writeRow(1, w, y, 28, full.data()));
    const Plane colour = EffectsRig::read(*page, 0);
    const Plane mask = EffectsRig::read(*page, 1);
    for (int feather : {0, 4}) {
        DropShadowRequest q;
        q.colour = 0;
        q.feather = feather;
        q.horizontalOffset = -16;
        q.verticalOffset = 0;
        q.opacity = 255;
        Rect painted;
        ASSERT_EQ(dropShadow(*page, q, painted, nullptr), kErrNone);
        EXPECT_TRUE(samePlane(EffectsRig::read(*page, 0),
                              referenceShadow(colour, mask, w, h, object, q, 0, true), w,
                              "stale_edge"));
        page->undo();
    }
}

TEST_F(DropShadowTest, UnderAFloatTheShadowIsPaintedWithoutExclusion) {
    const std::int32_t w = 60, h = 40;
    const Rect selection{10, 5, 30, 20};
    const Plane mask = test::boxMask(w, h, selection);
    auto page =
        rig.makePage(Page::kTypeGrey, w, h,
                     {patternPlane(w, h, 4), mask, test::constantPlane(w, h, 77)}, selection);
    const Plane colour = EffectsRig::read(*page, 0);
    DropShadowRequest q;
    q.colour = 0xFFFFFF;
    q.feather = 2;
    q.horizontalOffset = 5;
    q.verticalOffset = 5;
    q.opacity = 255;
    Rect painted;
    ASSERT_EQ(dropShadow(*page, q, painted, nullptr), kErrNone);
    EXPECT_TRUE(samePlane(EffectsRig::read(*page, 0),
                          referenceShadow(colour, mask, w, h, selection, q, 255, false), w,
                          "float_shadow"));
    ASSERT_TRUE(page->hasFloat());
    EXPECT_EQ(EffectsRig::read(*page, 1), mask);
    EXPECT_EQ(EffectsRig::read(*page, 2), test::constantPlane(w, h, 77));
}

TEST_F(DropShadowTest, UndoRedoCancelAndNoSelection) {
    const std::int32_t w = 150, h = 140;
    const Rect object{20, 20, 100, 90};
    auto page = rig.makePage(Page::kTypeRgb, w, h,
                             {patternPlane(w, h, 1), patternPlane(w, h, 2), patternPlane(w, h, 3),
                              test::boxMask(w, h, object, 180)},
                             object);
    test::settle(*page);
    const PageRecord before = PageRecord::of(*page);
    DropShadowRequest q;
    q.feather = 12;
    q.opacity = 127;

    for (int cancelAt : {2, 60, 150}) {
        rig.factory.log = {};
        rig.factory.log.cancelAtUpdate = cancelAt;
        Rect painted{1, 1, 2, 2};
        EXPECT_EQ(dropShadow(*page, q, painted, &rig.factory), kErrCancelled);
        EXPECT_TRUE(painted.empty());
        before.expectUntouched(*page);
    }
    rig.factory.log = {};
    Rect painted;
    ASSERT_EQ(dropShadow(*page, q, painted, &rig.factory), kErrNone);
    EXPECT_EQ(painted, (Rect{24, 24, 128, 118}));
    EXPECT_EQ(page->undoKind(), 7u);
    EXPECT_EQ(PageStateRecord::readFrom(*page->pageData()->current()).changed, painted);
    const PageRecord shadowed = PageRecord::of(*page);
    page->undo();
    before.expectSameImage(*page);
    page->redo();
    shadowed.expectSameImage(*page);

    auto plain = rig.makePage(Page::kTypeGrey, 20, 20, {patternPlane(20, 20, 1)});
    const PageRecord plainBefore = PageRecord::of(*plain);
    EXPECT_EQ(dropShadow(*plain, q, painted, nullptr), kErrNone);
    EXPECT_TRUE(painted.empty());
    plainBefore.expectUntouched(*plain);
    EXPECT_EQ(plain->pageData()->undoCount(), 0);
}

TEST(DropShadowOpacityTest, IntensityPercentToOpacity) {
    EXPECT_EQ(dropShadowOpacity(50), 127);
    EXPECT_EQ(dropShadowOpacity(100), 255);
    EXPECT_EQ(dropShadowOpacity(0), 0);
    EXPECT_EQ(dropShadowOpacity(1), 2);
    EXPECT_EQ(dropShadowOpacity(150), 255);
    EXPECT_EQ(dropShadowOpacity(-3), 0);
}

}  // namespace
}  // namespace tessary
