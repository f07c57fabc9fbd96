#include "effects/shadow/extrude.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "effects_test_support.h"
#include "geometry_test_support.h"
#include "model/page_state_record.h"

namespace tessary {
namespace {

using test::EffectsRig;
using test::maskMix;
using test::PageRecord;
using test::patternPlane;
using test::Plane;
using test::samePlane;

// The sweep from its definition: min(255, sum over i = 0 ... n of the
// selection moved by i unit steps), the selection being 0 outside the image.
Plane referenceSweep(const Plane& mask, std::int32_t w, std::int32_t h, int dx, int dy) {
    const int sx = (dx > 0) - (dx < 0), sy = (dy > 0) - (dy < 0);
    const int n = std::max(std::abs(dx), std::abs(dy));
    Plane out(mask.size());
    for (std::int32_t y = 0; y < h; ++y) {
        for (std::int32_t x = 0; x < w; ++x) {
            int sum = 0;
            for (int i = 0; i <= n; ++i) {
                const std::int32_t ox = x - i * sx, oy = y - i * sy;
                if (ox >= 0 && oy >= 0 && ox < w && oy < h) sum += mask[oy * w + ox];
            }
            out[y * w + x] = static_cast<std::uint8_t>(std::min(sum, 255));
        }
    }
    return out;
}

class ExtrudeTest : public ::testing::Test {
protected:
    EffectsRig rig;
};

TEST(ExtrudeOffsetTest, DirectionsRunClockwiseFromUp) {
    const int dx[8] = {0, 5, 5, 5, 0, -5, -5, -5};
    const int dy[8] = {-5, -5, 0, 5, 5, 5, 0, -5};
    for (int d = 0; d < 8; ++d) {
        std::int32_t x = 99, y = 99;
        extrudeOffset(d, 5, x, y);
        EXPECT_EQ(x, dx[d]) << d;
        EXPECT_EQ(y, dy[d]) << d;
    }
    std::int32_t x = 99, y = 99;
    extrudeOffset(8, 5, x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
}

TEST_F(ExtrudeTest, SelectToTheRightOfASquareGivesAStrip) {
    const std::int32_t w = 40, h = 30;
    const Rect square{10, 8, 20, 18};
    auto page = rig.makePage(Page::kTypeGrey, w, h,
                             {patternPlane(w, h, 1), test::boxMask(w, h, square)}, square);
    const Plane colour = EffectsRig::read(*page, 0);
    ExtrudeRequest q;
    extrudeOffset(2, 5, q.dx, q.dy);
    q.select = true;
    Rect affected;
    ASSERT_EQ(extrude(*page, q, affected, &rig.factory), kErrNone);
    EXPECT_EQ(EffectsRig::read(*page, 1), test::boxMask(w, h, Rect{20, 8, 25, 18}));
    EXPECT_EQ(page->selectionRect(), (Rect{10, 8, 25, 18}));
    EXPECT_EQ(affected, (Rect{10, 8, 25, 18}));
    EXPECT_EQ(EffectsRig::read(*page, 0), colour);
    EXPECT_EQ(page->planeCount(), 2);
    EXPECT_EQ(page->undoKind(), 5u);
    EXPECT_EQ(page->changeCounter(), 1u);
    EXPECT_EQ(rig.factory.log.line0, "Working...");
    EXPECT_EQ(rig.factory.log.line1, "Calculating");
}

TEST_F(ExtrudeTest, DistanceZeroAddsNothing) {
    const std::int32_t w = 30, h = 30;
    const Rect square{5, 5, 15, 15};
    const std::vector<Plane> planes = {patternPlane(w, h, 1), patternPlane(w, h, 2),
                                       patternPlane(w, h, 3), test::boxMask(w, h, square)};
    auto fill = rig.makePage(Page::kTypeRgb, w, h, planes, square);
    ExtrudeRequest q;
    q.colour = 0xFFFFFF;
    Rect affected;
    ASSERT_EQ(extrude(*fill, q, affected, nullptr), kErrNone);
    for (int p = 0; p < 4; ++p) EXPECT_EQ(EffectsRig::read(*fill, p), planes[p]) << p;
    // Filling moves no selection: outlines stay.
    EXPECT_EQ(fill->changeCounter(), 0u);

    auto select = rig.makePage(Page::kTypeRgb, w, h, planes, square);
    q.select = true;
    ASSERT_EQ(extrude(*select, q, affected, nullptr), kErrNone);
    EXPECT_EQ(EffectsRig::read(*select, 3), test::constantPlane(w, h, 0));
}

TEST_F(ExtrudeTest, FillSolidPaintsTheSweepOutsideTheObject) {
    const std::int32_t w = 60, h = 45;
    const Rect selection{8, 30, 30, 44};  // sweeping off the bottom for some directions
    Plane mask = test::boxMask(w, h, selection);
    const Plane soft = patternPlane(w, h, 9);
    for (std::size_t i = 0; i < mask.size(); ++i) mask[i] = mask[i] ? soft[i] / 3 : 0;
    for (int direction = 0; direction < 8; ++direction) {
        SCOPED_TRACE(direction);
        const std::vector<Plane> planes = {patternPlane(w, h, 20 + direction),
                                           patternPlane(w, h, 30), patternPlane(w, h, 31), mask};
        auto page = rig.makePage(Page::kTypeRgb, w, h, planes, selection);
        ExtrudeRequest q;
        q.colour = 0x3366CC;
        extrudeOffset(direction, 4, q.dx, q.dy);
        Rect affected;
        ASSERT_EQ(extrude(*page, q, affected, nullptr), kErrNone);

        const Plane sweep = referenceSweep(mask, w, h, q.dx, q.dy);
        const Rect moved{selection.left + q.dx, selection.top + q.dy, selection.right + q.dx,
                         selection.bottom + q.dy};
        const Rect rect{std::max(std::min(selection.left, moved.left), 0),
                        std::max(std::min(selection.top, moved.top), 0),
                        std::min(std::max(selection.right, moved.right), w),
                        std::min(std::max(selection.bottom, moved.bottom), h)};
        EXPECT_EQ(affected, rect);
        const std::uint8_t bytes[3] = {0xCC, 0x66, 0x33};
        for (int p = 0; p < 3; ++p) {
            Plane expected = planes[p];
            for (std::int32_t y = rect.top; y < rect.bottom; ++y) {
                for (std::int32_t x = rect.left; x < rect.right; ++x) {
                    const std::size_t i = static_cast<std::size_t>(y) * w + x;
                    const std::uint8_t v = maskMix(sweep[i], planes[p][i], bytes[p]);
                    expected[i] = maskMix(255 - mask[i], planes[p][i], v);
                }
            }
            EXPECT_TRUE(samePlane(EffectsRig::read(*page, p), expected, w, "extrude_fill"));
        }
        EXPECT_EQ(EffectsRig::read(*page, 3), mask);
        EXPECT_EQ(page->selectionRect(), selection);
        EXPECT_EQ(page->undoKind(), 7u);
    }
}

TEST_F(ExtrudeTest, SelectMatchesTheSweepLessTheObjectOnAGreyPage) {
    const std::int32_t w = 50, h = 40;
    const Rect selection{20, 2, 35, 20};
    Plane mask = test::boxMask(w, h, selection);
    const Plane soft = patternPlane(w, h, 5);
    for (std::size_t i = 0; i < mask.size(); ++i) mask[i] = mask[i] ? soft[i] : 0;
    auto page = rig.makePage(Page::kTypeGrey, w, h, {patternPlane(w, h, 1), mask}, selection);
    ExtrudeRequest q;
    extrudeOffset(7, 6, q.dx, q.dy);  // up-left, past the top edge
    q.select = true;
    Rect affected;
    ASSERT_EQ(extrude(*page, q, affected, nullptr), kErrNone);
    const Plane sweep = referenceSweep(mask, w, h, q.dx, q.dy);
    Plane expected(mask.size());
    for (std::size_t i = 0; i < mask.size(); ++i)
        expected[i] = static_cast<std::uint8_t>(std::max(0, sweep[i] - mask[i]));
    EXPECT_TRUE(samePlane(EffectsRig::read(*page, 1), expected, w, "extrude_select"));
    EXPECT_EQ(page->selectionRect(), (Rect{14, 0, 35, 20}));
}

TEST_F(ExtrudeTest, SelectMergesAFloatFirst) {
    const std::int32_t w = 30, h = 20;
    const Rect square{5, 5, 10, 10};
    auto page = rig.makePage(Page::kTypeGrey, w, h,
                             {test::constantPlane(w, h, 10), test::boxMask(w, h, square),
                              test::constantPlane(w, h, 200)},
                             square);
    ExtrudeRequest q;
    extrudeOffset(4, 3, q.dx, q.dy);
    q.select = true;
    Rect affected;
    ASSERT_EQ(extrude(*page, q, affected, nullptr), kErrNone);
    EXPECT_FALSE(page->hasFloat());
    ASSERT_TRUE(page->hasMask());
    // The float (200, fully selected over the square) is in the image now.
    Plane merged = test::constantPlane(w, h, 10);
    for (std::int32_t y = 5; y < 10; ++y)
        for (std::int32_t x = 5; x < 10; ++x) merged[y * w + x] = 200;
    EXPECT_EQ(EffectsRig::read(*page, 0), merged);
    EXPECT_EQ(EffectsRig::read(*page, 1), test::boxMask(w, h, Rect{5, 10, 10, 13}));
}

TEST_F(ExtrudeTest, UndoRedoAndCancel) {
    const std::int32_t w = 140, h = 100;
    const Rect object{30, 30, 90, 70};
    auto page = rig.makePage(Page::kTypeRgb, w, h,
                             {patternPlane(w, h, 1), patternPlane(w, h, 2), patternPlane(w, h, 3),
                              test::boxMask(w, h, object)},
                             object);
    test::settle(*page);
    const PageRecord before = PageRecord::of(*page);
    for (bool select : {false, true}) {
        ExtrudeRequest q;
        q.colour = 0x00FF00;
        extrudeOffset(3, 12, q.dx, q.dy);
        q.select = select;
        for (int cancelAt : {1, 5, 12}) {
            rig.factory.log = {};
            rig.factory.log.cancelAtUpdate = cancelAt;
            Rect affected;
            EXPECT_EQ(extrude(*page, q, affected, &rig.factory), kErrCancelled);
            EXPECT_TRUE(affected.empty());
            before.expectUntouched(*page);
        }
        rig.factory.log = {};
        Rect affected;
        ASSERT_EQ(extrude(*page, q, affected, &rig.factory), kErrNone);
        EXPECT_EQ(affected, (Rect{30, 30, 102, 82}));
        EXPECT_EQ(page->undoKind(), select ? 5u : 7u);
        const PageRecord done = PageRecord::of(*page);
        page->undo();
        before.expectSameImage(*page);
        page->redo();
        done.expectSameImage(*page);
        page->undo();
    }
}

}  // namespace
}  // namespace tessary
