#include "effects/geometry/canvas_size.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "effects/geometry/canvas_resolution.h"
#include "effects_test_support.h"
#include "geometry_test_support.h"
#include "model/grey_weights.h"
#include "model/page_state_record.h"

namespace tessary {
namespace {

using test::EffectsRig;
using test::PageRecord;
using test::patternPlane;
using test::Plane;
using test::samePlane;

constexpr CanvasAnchor kAnchors[] = {
    CanvasAnchor::kTopLeft,    CanvasAnchor::kTop,    CanvasAnchor::kTopRight,
    CanvasAnchor::kLeft,       CanvasAnchor::kCentre, CanvasAnchor::kRight,
    CanvasAnchor::kBottomLeft, CanvasAnchor::kBottom, CanvasAnchor::kBottomRight};

// Where the old image goes for anchor number a (row-major 3 x 3 grid):
// column 0 keeps the left edge, 1 centres (half the growth, rounded down),
// 2 keeps the right edge; the same for rows.
std::int32_t expectedOffset(int place, std::int32_t oldLength, std::int32_t newLength) {
    const std::int32_t grow = newLength - oldLength;
    if (place == 0) return 0;
    if (place == 2) return grow;
    return grow >= 0 ? grow / 2 : -((-grow + 1) / 2);
}

// The new canvas: the old image moved by (dx, dy), `fill` elsewhere.
Plane placed(const Plane& old, std::int32_t w, std::int32_t h, std::int32_t nw, std::int32_t nh,
             std::int32_t dx, std::int32_t dy, std::uint8_t fill) {
    Plane out(static_cast<std::size_t>(nw) * nh, fill);
    for (std::int32_t y = 0; y < nh; ++y) {
        for (std::int32_t x = 0; x < nw; ++x) {
            const std::int32_t sx = x - dx, sy = y - dy;
            if (sx >= 0 && sx < w && sy >= 0 && sy < h) out[y * nw + x] = old[sy * w + sx];
        }
    }
    return out;
}

class CanvasSizeTest : public ::testing::Test {
protected:
    // A grey page whose last tiles hold samples (7) past the image's right
    // and bottom edges: growing the canvas must not show them.
    std::unique_ptr<Page> greyWithStaleEdges(std::int32_t w, std::int32_t h) {
        auto page = rig.makePage(Page::kTypeGrey, w, h, {patternPlane(w, h, 21)});
        const Plane seven(128, 7);
        PageData& data = *page->pageData();
        for (std::int32_t y = 0; y < h; ++y) EXPECT_TRUE(data.writeRow(0, w, y, 20, seven.data()));
        for (std::int32_t y = h; y < h + 20; ++y)
            EXPECT_TRUE(data.writeRow(0, 0, y, w + 20, Plane(w + 20, 7).data()));
        return page;
    }

    EffectsRig rig;
};

TEST_F(CanvasSizeTest, EveryAnchorGrowingAndShrinking) {
    const std::int32_t w = 100, h = 70;
    const std::pair<std::int32_t, std::int32_t> sizes[] = {{131, 77}, {61, 40}, {140, 51}};
    for (int a = 0; a < 9; ++a) {
        for (const auto& [nw, nh] : sizes) {
            SCOPED_TRACE(::testing::Message() << "anchor " << a << " to " << nw << "x" << nh);
            auto page = greyWithStaleEdges(w, h);
            const Plane old = EffectsRig::read(*page, 0);
            const std::int32_t dx = expectedOffset(a % 3, w, nw);
            const std::int32_t dy = expectedOffset(a / 3, h, nh);
            std::int32_t gotX = 0, gotY = 0;
            canvasOffset(kAnchors[a], w, h, nw, nh, gotX, gotY);
            EXPECT_EQ(gotX, dx);
            EXPECT_EQ(gotY, dy);

            ASSERT_TRUE(page->pageData()->beginChange());
            ASSERT_EQ(resizeCanvas(*page, nw, nh, kAnchors[a]), kErrNone);
            page->pageData()->endChange();
            ASSERT_EQ(page->bounds(), (Rect{0, 0, nw, nh}));
            EXPECT_TRUE(samePlane(EffectsRig::read(*page, 0),
                                  placed(old, w, h, nw, nh, dx, dy, 255), nw, "canvas_anchor"));
        }
    }
}

TEST_F(CanvasSizeTest, TheNewStripsAreTheCanvasLessTheImage) {
    for (int a = 0; a < 9; ++a) {
        const CanvasStrips strips = canvasNewArea(10, 8, 15, 11, kAnchors[a]);
        // Every canvas sample lies in the image or in exactly one strip.
        const std::int32_t dx = expectedOffset(a % 3, 10, 15), dy = expectedOffset(a / 3, 8, 11);
        for (std::int32_t y = 0; y < 11; ++y) {
            for (std::int32_t x = 0; x < 15; ++x) {
                int count = (x >= dx && x < dx + 10 && y >= dy && y < dy + 8) ? 1 : 0;
                for (const Rect& s : strips.strips)
                    count += x >= s.left && x < s.right && y >= s.top && y < s.bottom;
                ASSERT_EQ(count, 1) << "anchor " << a << " at " << x << "," << y;
            }
        }
    }
    // Top-left: the right strip beside the image, then the bottom strip.
    const CanvasStrips topLeft = canvasNewArea(10, 8, 15, 11, CanvasAnchor::kTopLeft);
    EXPECT_EQ(topLeft.strips[0], (Rect{10, 0, 15, 8}));
    EXPECT_EQ(topLeft.strips[1], (Rect{0, 8, 15, 11}));
}

TEST_F(CanvasSizeTest, TheMaskOfTheNewAreaIsNotSelectedAndTheSelectionMoves) {
    // A select-all mask: constant 255 tiles reaching past the image's edges.
    const std::int32_t w = 100, h = 60;
    auto page = rig.makePage(Page::kTypeRgb, w, h,
                             {patternPlane(w, h, 1), patternPlane(w, h, 2), patternPlane(w, h, 3),
                              test::constantPlane(w, h, 255)},
                             Rect{0, 0, w, h});
    ASSERT_TRUE(page->pageData()->beginChange());
    ASSERT_EQ(resizeCanvas(*page, 150, 90, CanvasAnchor::kBottomRight), kErrNone);
    page->pageData()->endChange();
    EXPECT_EQ(EffectsRig::read(*page, 3),
              placed(test::constantPlane(w, h, 255), w, h, 150, 90, 50, 30, 0));
    EXPECT_EQ(page->storedSelectionRect(), (Rect{50, 30, 150, 90}));
}

TEST_F(CanvasSizeTest, TheCommandFillsTheNewStripsWithTheBackground) {
    const std::uint32_t background = 0x203040;  // red 0x40, green 0x30, blue 0x20
    const std::int32_t w = 90, h = 50;
    std::vector<Plane> planes = {patternPlane(w, h, 1), patternPlane(w, h, 2),
                                 patternPlane(w, h, 3)};
    auto page = rig.makePage(Page::kTypeRgb, w, h, planes);
    const PageRecord before = PageRecord::of(*page);
    ASSERT_EQ(changeCanvasSize(*page, 130, 70, CanvasAnchor::kCentre, background, &rig.factory),
              kErrNone);
    const std::uint8_t bytes[3] = {0x40, 0x30, 0x20};
    for (int p = 0; p < 3; ++p) {
        EXPECT_TRUE(samePlane(EffectsRig::read(*page, p),
                              placed(planes[p], w, h, 130, 70, 20, 10, bytes[p]), 130,
                              "canvas_command"));
    }
    EXPECT_EQ(page->undoKind(), 9u);
    EXPECT_EQ(PageStateRecord::readFrom(*page->pageData()->current()).changed,
              (Rect{0, 0, 130, 70}));
    const PageRecord resized = PageRecord::of(*page);
    page->undo();
    before.expectSameImage(*page);
    page->redo();
    resized.expectSameImage(*page);

    // On a grey page the strips take the colour's grey value.
    auto grey = greyWithStaleEdges(100, 70);
    const Plane old = EffectsRig::read(*grey, 0);
    ASSERT_EQ(changeCanvasSize(*grey, 120, 90, CanvasAnchor::kTopLeft, background, nullptr),
              kErrNone);
    EXPECT_EQ(EffectsRig::read(*grey, 0),
              placed(old, 100, 70, 120, 90, 0, 0, GreyWeights::grey(0x40, 0x30, 0x20)));
}

TEST_F(CanvasSizeTest, FailuresLeaveThePageAsItWas) {
    auto page = greyWithStaleEdges(100, 70);
    const PageRecord before = PageRecord::of(*page);
    EXPECT_EQ(changeCanvasSize(*page, 0, 10, CanvasAnchor::kTopLeft, 0, nullptr), kErrGeneral);
    before.expectUntouched(*page);
    rig.factory.log.cancelAtUpdate = 5;
    EXPECT_EQ(changeCanvasSize(*page, 300, 300, CanvasAnchor::kTopLeft, 0, &rig.factory),
              kErrCancelled);
    before.expectUntouched(*page);
}

TEST(CanvasResolutionTest, ANewResolutionIsAnEditThatUndoTakesBack) {
    EffectsRig rig;
    auto page = rig.makePage(Page::kTypeGrey, 20, 10, {patternPlane(20, 10, 1)});
    const Plane pixels = EffectsRig::read(*page, 0);
    ASSERT_EQ(setCanvasResolution(*page, 300.0, 150.0), kErrNone);
    EXPECT_EQ(page->horizontalResolution(), 300.0);
    EXPECT_EQ(page->verticalResolution(), 150.0);
    EXPECT_EQ(EffectsRig::read(*page, 0), pixels);
    EXPECT_EQ(page->undoKind(), 10u);
    EXPECT_TRUE(page->modified());

    page->undo();
    EXPECT_EQ(page->horizontalResolution(), 72.0);
    EXPECT_EQ(page->verticalResolution(), 72.0);
    page->redo();
    EXPECT_EQ(page->horizontalResolution(), 300.0);

    const PageRecord before = PageRecord::of(*page);
    EXPECT_EQ(setCanvasResolution(*page, 0.0, 72.0), kErrGeneral);
    EXPECT_EQ(setCanvasResolution(*page, 72.0, -1.0), kErrGeneral);
    EXPECT_EQ(setCanvasResolution(*page, std::numeric_limits<double>::infinity(), 72.0),
              kErrGeneral);
    before.expectUntouched(*page);
}

}  // namespace
}  // namespace tessary
