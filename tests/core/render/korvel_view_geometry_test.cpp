#include "render/korvel_view_geometry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "render/page_draw.h"
#include "render_test_support.h"

namespace tessary {
namespace {

using Axis = KorvelViewGeometry::Axis;
using Action = KorvelViewGeometry::ScrollAction;

constexpr double kZooms[] = {1.0 / 32, 1.0 / 16, 1.0 / 8, 1.0 / 4, 1.0 / 2, 1, 2, 4, 8, 16, 32};

// A 400 x 300 client area with 16-pixel scroll bars: the image area is
// 384 x 284, its centre (192, 142).
KorvelViewGeometry window(const Rect& image) {
    KorvelViewGeometry g;
    g.setScrollBarMetrics(16, 16);
    g.setClientSize(400, 300);
    g.setImageBounds(image);
    return g;
}

TEST(KorvelViewGeometryTest, SmallImageIsCentredWithBothBarsHidden) {
    KorvelViewGeometry g = window({0, 0, 100, 50});
    EXPECT_EQ(g.imageArea(), (WideRect{0, 0, 384, 284}));
    // 384 / 2 - 100 / 2 = 142, 284 / 2 - 50 / 2 = 117.
    EXPECT_EQ(g.placement(), (WideRect{142, 117, 242, 167}));
    EXPECT_FALSE(g.scrollBar(Axis::Horizontal).visible);
    EXPECT_FALSE(g.scrollBar(Axis::Vertical).visible);

    ASSERT_TRUE(g.zoomTo(2));
    EXPECT_EQ(g.placement(), (WideRect{92, 92, 292, 192}));
    // At 1:4 the extents are truncated: 25 x 12 (12.5 -> 12).
    ASSERT_TRUE(g.zoomTo(0.25));
    EXPECT_EQ(g.placement(), (WideRect{180, 136, 205, 148}));
}

TEST(KorvelViewGeometryTest, ScaleFollowsScreenAndImageResolution) {
    KorvelViewGeometry g = window({0, 0, 100, 50});
    g.setImageResolution(144, 144);
    EXPECT_DOUBLE_EQ(g.scaleX(), 0.5);
    EXPECT_EQ(g.placement().width(), 50);
    EXPECT_EQ(g.placement().height(), 25);
    g.setScreenResolution(96, 96);
    // 100 x 96 / 144 = 66.7 -> 66; 50 x 96 / 144 = 33.3 -> 33.
    EXPECT_EQ(g.placement().width(), 66);
    EXPECT_EQ(g.placement().height(), 33);
    // Unusable resolutions are ignored.
    g.setImageResolution(0, -3);
    EXPECT_EQ(g.placement().width(), 66);
}

TEST(KorvelViewGeometryTest, WideImageShowsTheHorizontalBarWithExtentMinusArea) {
    KorvelViewGeometry g = window({0, 0, 1000, 200});
    const auto& h = g.scrollBar(Axis::Horizontal);
    EXPECT_TRUE(h.visible);
    EXPECT_EQ(h.range, 1000 - 384);
    EXPECT_EQ(h.position, 0);
    EXPECT_FALSE(g.scrollBar(Axis::Vertical).visible);
    EXPECT_EQ(g.placement(), (WideRect{0, 42, 1000, 242}));
}

TEST(KorvelViewGeometryTest, ScrollStepsClampAndStopAtTheEnds) {
    KorvelViewGeometry g = window({0, 0, 1000, 200});
    EXPECT_EQ(g.scroll(Axis::Horizontal, Action::LineUp), 0);  // already at 0
    EXPECT_EQ(g.scroll(Axis::Horizontal, Action::LineDown), 20);
    EXPECT_EQ(g.placement().left, -20);
    EXPECT_EQ(g.scroll(Axis::Horizontal, Action::PageDown), 50);
    EXPECT_EQ(g.scroll(Axis::Horizontal, Action::ThumbTrack, 600), 530);
    EXPECT_EQ(g.scroll(Axis::Horizontal, Action::PageDown), 16);  // stops at 616
    EXPECT_EQ(g.scrollBar(Axis::Horizontal).position, 616);
    EXPECT_EQ(g.scroll(Axis::Horizontal, Action::LineDown), 0);
    EXPECT_EQ(g.scroll(Axis::Horizontal, Action::LineUp), -20);
    EXPECT_EQ(g.scroll(Axis::Horizontal, Action::PageUp), -50);
    EXPECT_EQ(g.scroll(Axis::Horizontal, Action::ThumbPosition, -5), -546);
    EXPECT_EQ(g.scrollBar(Axis::Horizontal).position, 0);
    EXPECT_EQ(g.scroll(Axis::Horizontal, Action::Other), 0);
    // The vertical bar is hidden: nothing scrolls.
    EXPECT_EQ(g.scroll(Axis::Vertical, Action::PageDown), 0);
    EXPECT_EQ(g.placement().top, 42);
}

TEST(KorvelViewGeometryTest, ResizeKeepsScrollPositionsWhereTheRangesAllow) {
    KorvelViewGeometry g = window({0, 0, 1000, 200});
    g.scroll(Axis::Horizontal, Action::ThumbPosition, 600);
    g.setClientSize(800, 300);  // area 784: range 216
    EXPECT_EQ(g.scrollBar(Axis::Horizontal).position, 216);
    g.setImageBounds({0, 0, 2000, 200});
    EXPECT_EQ(g.scrollBar(Axis::Horizontal).range, 1216);
    EXPECT_EQ(g.scrollBar(Axis::Horizontal).position, 216);
    EXPECT_EQ(g.placement().left, -216);
    // Growing the image past the area shows the vertical bar.
    g.setImageBounds({0, 0, 2000, 400});
    EXPECT_TRUE(g.scrollBar(Axis::Vertical).visible);
    EXPECT_EQ(g.scrollBar(Axis::Vertical).range, 400 - 284);
}

TEST(KorvelViewGeometryTest, ZoomInKeepsTheCentrePointWithEvenScrollPositions) {
    KorvelViewGeometry g = window({0, 0, 1000, 800});
    g.scroll(Axis::Horizontal, Action::ThumbPosition, 300);
    g.scroll(Axis::Vertical, Action::ThumbPosition, 100);
    // Centre (192, 142) shows image (492, 242). At 2:1: 984 - 192 = 792 and
    // 484 - 142 = 342, both even already.
    ASSERT_TRUE(g.zoomIn());
    EXPECT_EQ(g.zoom(), 2.0);
    EXPECT_EQ(g.zoomLabel(), "2:1");
    EXPECT_EQ(g.scrollBar(Axis::Horizontal).position, 792);
    EXPECT_EQ(g.scrollBar(Axis::Vertical).position, 342);
    EXPECT_EQ(g.imageToWindow(WidePoint{492, 242}), (WidePoint{192, 142}));
    // And back: (192 + 792) x 1000 / 2000 = 492 -> 492 - 192 = 300.
    ASSERT_TRUE(g.zoomOut());
    EXPECT_EQ(g.scrollBar(Axis::Horizontal).position, 300);
    EXPECT_EQ(g.scrollBar(Axis::Vertical).position, 100);
}

TEST(KorvelViewGeometryTest, ZoomRoundsOddPositionsDownAndClampsNegativeOnesToZero) {
    // Client 402 wide: area 386, centre x 193 (odd).
    KorvelViewGeometry g;
    g.setScrollBarMetrics(16, 16);
    g.setClientSize(402, 300);
    g.setImageBounds({0, 0, 1000, 800});
    g.scroll(Axis::Horizontal, Action::ThumbPosition, 299);
    g.scroll(Axis::Vertical, Action::ThumbPosition, 101);
    // Centre shows (193 + 299, 142 + 101) = (492, 243).
    ASSERT_TRUE(g.zoomIn());
    // 984 - 193 = 791 -> 790; 486 - 142 = 344.
    EXPECT_EQ(g.scrollBar(Axis::Horizontal).position, 790);
    EXPECT_EQ(g.scrollBar(Axis::Vertical).position, 344);
    const WidePoint p = g.imageToWindow(WidePoint{492, 243});
    EXPECT_EQ(p.x, 194);  // within one pixel of the centre 193
    EXPECT_EQ(p.y, 142);

    // From 1:1 at (299, 102) the centre shows (492, 244); zooming out gives
    // x 492 x 0.5 = 246 - 193 = 53 -> 52 and y 122 - 142 < 0 -> 0.
    ASSERT_TRUE(g.zoomTo(1));
    g.scroll(Axis::Horizontal, Action::ThumbPosition, 299);
    g.scroll(Axis::Vertical, Action::ThumbPosition, 102);
    ASSERT_TRUE(g.zoomOut());
    EXPECT_EQ(g.scrollBar(Axis::Horizontal).position, 52);
    EXPECT_EQ(g.scrollBar(Axis::Vertical).position, 0);
}

TEST(KorvelViewGeometryTest, ZoomNearTheRightEdgeStopsAtTheRangeEnd) {
    KorvelViewGeometry g = window({0, 0, 1000, 800});
    g.scroll(Axis::Horizontal, Action::ThumbPosition, 616);  // right end
    // Centre shows 808; at 1:2: 404 - 192 = 212, past the range 500 - 384.
    ASSERT_TRUE(g.zoomOut());
    EXPECT_EQ(g.scrollBar(Axis::Horizontal).position, 116);
    EXPECT_EQ(g.placement().right, 384);
}

TEST(KorvelViewGeometryTest, ZoomStopsAtBothEnds) {
    KorvelViewGeometry g = window({0, 0, 100, 100});
    ASSERT_TRUE(g.zoomTo(16));
    EXPECT_TRUE(g.canZoomIn());
    EXPECT_TRUE(g.zoomIn());
    EXPECT_EQ(g.zoom(), 32.0);
    EXPECT_EQ(g.zoomLabel(), "32:1");
    EXPECT_FALSE(g.canZoomIn());
    EXPECT_FALSE(g.zoomIn());
    EXPECT_EQ(g.zoom(), 32.0);

    ASSERT_TRUE(g.zoomTo(1.0 / 16));
    EXPECT_TRUE(g.zoomOut());
    EXPECT_EQ(g.zoom(), 1.0 / 32);
    EXPECT_EQ(g.zoomCode(), -32);
    EXPECT_FALSE(g.zoomOut());
    EXPECT_EQ(g.zoom(), 1.0 / 32);
    // Zooming to the current level changes nothing.
    EXPECT_FALSE(g.zoomTo(0.02));
}

TEST(KorvelViewGeometryTest, ZoomMenuCommandsSetTheirLevel) {
    KorvelViewGeometry g = window({0, 0, 100, 100});
    ASSERT_TRUE(g.zoomToCommand(33018));
    EXPECT_EQ(g.zoom(), 0.125);
    EXPECT_EQ(g.zoomLabel(), "1:8");
    EXPECT_EQ(g.zoomCommand(), 33018);
    EXPECT_EQ(g.zoomCode(), -8);
    ASSERT_TRUE(g.zoomToCommand(33010));
    EXPECT_EQ(g.zoomCode(), 32);
    EXPECT_FALSE(g.zoomToCommand(33000));  // Zoom In is not a level
    EXPECT_FALSE(g.zoomToCommand(33021));
    EXPECT_EQ(g.zoom(), 32.0);
}

TEST(KorvelViewGeometryTest, MapsRoundTripAtEveryZoom) {
    // 640 x 480 divides by every reduction, so 1:n extents are exact.
    for (const double zoom : kZooms) {
        KorvelViewGeometry g = window({0, 0, 640, 480});
        g.zoomTo(zoom);
        g.scroll(Axis::Horizontal, Action::ThumbPosition, 1001);
        g.scroll(Axis::Vertical, Action::ThumbPosition, 333);
        const std::int64_t n = zoom < 1 ? static_cast<std::int64_t>(1 / zoom) : 1;
        for (const std::int64_t x : {0, 1, 31, 32, 33, 319, 639, 640}) {
            const WidePoint w = g.imageToWindow(WidePoint{x, x * 3 / 4});
            const WidePoint back = g.windowToImage(w);
            // Image -> window -> image loses only what a reduction drops.
            EXPECT_EQ(back.x, x - x % n) << "zoom " << zoom << " x " << x;
            EXPECT_EQ(back.y, x * 3 / 4 - (x * 3 / 4) % n) << "zoom " << zoom << " x " << x;
        }
        const std::int64_t mag = zoom > 1 ? static_cast<std::int64_t>(zoom) : 1;
        const WideRect& p = g.placement();
        for (const std::int64_t d : {0, 5, 13, 19}) {
            // Window points inside both the placement and the image area.
            const std::int64_t wx = std::max<std::int64_t>(p.left, 0) + d;
            const std::int64_t wy = std::max<std::int64_t>(p.top, 0) + d / 2;
            ASSERT_TRUE(p.contains(wx, wy)) << "zoom " << zoom;
            // Window -> image -> window gives the top-left of the block the
            // window pixel lies in (the pixel itself at 1:1 and below).
            const WidePoint expected{p.left + (wx - p.left) / mag * mag,
                                     p.top + (wy - p.top) / mag * mag};
            EXPECT_EQ(g.imageToWindow(g.windowToImage(WidePoint{wx, wy})), expected)
                << "zoom " << zoom << " window x " << wx;
        }
    }
}

TEST(KorvelViewGeometryTest, MapsTruncateTowardZeroLeftOfTheImage) {
    KorvelViewGeometry g = window({0, 0, 100, 50});
    ASSERT_TRUE(g.zoomTo(2));
    // Placement (92, 92, 292, 192): one window pixel left of the image is
    // -1 x 100 / 200 = -0.5, truncated to 0; three pixels left -1.5 -> -1.
    EXPECT_EQ(g.windowToImage(WidePoint{91, 92}).x, 0);
    EXPECT_EQ(g.windowToImage(WidePoint{89, 92}).x, -1);
    EXPECT_EQ(g.imageToWindow(WidePoint{-3, 0}).x, 86);
}

TEST(KorvelViewGeometryTest, NoOverflowAt32To1OnVeryWideImages) {
    KorvelViewGeometry g = window({0, 0, 100000, 100});
    ASSERT_TRUE(g.zoomTo(32));
    const auto& h = g.scrollBar(Axis::Horizontal);
    EXPECT_EQ(h.extent, 3200000);
    g.scroll(Axis::Horizontal, Action::ThumbPosition, h.range);
    EXPECT_EQ(h.position, 3200000 - 384);
    const WidePoint w = g.imageToWindow(WidePoint{99999, 50});
    EXPECT_EQ(w.x, 99999 * 32 - (3200000 - 384));
    EXPECT_EQ(g.windowToImage(w).x, 99999);

    // An image as wide as 32-bit coordinates allow: window coordinates near
    // 2^36, products near 2^67.
    const std::int32_t wide = 2000000000;
    g.setImageBounds({0, 0, wide, 100});
    const std::int64_t range = std::int64_t{wide} * 32 - 384;
    EXPECT_EQ(h.range, range);
    g.scroll(Axis::Horizontal, Action::ThumbPosition, range);
    const std::int64_t x = wide - 7;
    EXPECT_EQ(g.imageToWindow(WidePoint{x, 0}).x, x * 32 - range);
    EXPECT_EQ(g.windowToImage(WidePoint{x * 32 - range + 31, 0}).x, x);
    EXPECT_EQ(g.invalidRectFor({wide - 1, 0, wide, 1}).right, std::int64_t{wide} * 32 - range + 1);
}

TEST(KorvelViewGeometryTest, InvalidRectIsTheMappedRectangleGrownByOne) {
    const KorvelViewGeometry g = window({0, 0, 100, 50});
    // Placement (142, 117): image (10, 10)-(20, 20) is window (152, 127)-(162, 137).
    EXPECT_EQ(g.invalidRectFor({10, 10, 20, 20}), (WideRect{151, 126, 163, 138}));
}

TEST(KorvelViewGeometryTest, OutlinePartIsGrownClippedAndOnTheSamplingGrid) {
    KorvelViewGeometry g = window({0, 0, 640, 480});
    ASSERT_TRUE(g.zoomTo(0.25));
    // Placement: 192 - 80 = 112, 142 - 60 = 82. Selection grown by one is
    // (12, 20, 51, 61); on the 4-pixel grid: (12, 20, 52, 64), 10 x 11 cells.
    const auto part = g.outlinePart({13, 21, 50, 60});
    ASSERT_TRUE(part.has_value());
    EXPECT_EQ(part->source, (Rect{12, 20, 52, 64}));
    EXPECT_EQ(part->window, (WideRect{115, 87, 125, 98}));
    // Clipped to the image at its edge.
    const auto edge = g.outlinePart({600, 0, 640, 10});
    ASSERT_TRUE(edge.has_value());
    EXPECT_EQ(edge->source, (Rect{596, 0, 640, 12}));
    // A selection outside the visible part gives none.
    ASSERT_TRUE(g.zoomTo(8));
    EXPECT_FALSE(g.outlinePart({0, 0, 5, 5}).has_value());
}

// --- Painting through paint requests ------------------------------------------

class ViewPaintTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::size_t n = std::size_t{kWidth} * kHeight;
        rig.create(kWidth, kHeight,
                   {test::randomBytes(n, 1), test::randomBytes(n, 2), test::randomBytes(n, 3)});
        ASSERT_TRUE(renderer.initialise(128, 128));
    }

    // Paints the window through paint requests for the given clip boxes.
    test::Image32 paint(const KorvelViewGeometry& g, const std::vector<WideRect>& clips) {
        test::Image32 out(400, 300, 0, 0, 0xA5000000);
        for (const WideRect& clip : clips) {
            const auto request = g.paintRequest(clip);
            if (!request) continue;
            DrawTarget target = out.target();
            target.clip = request->clip;
            renderer.draw(rig.data(), request->source, request->destination, target, g.zoomCode(),
                          PageDraw::kModeRgb, 0);
        }
        return out;
    }

    static constexpr std::int32_t kWidth = 700;
    static constexpr std::int32_t kHeight = 500;
    test::PageRig rig;
    PageDraw renderer;
};

TEST_F(ViewPaintTest, PartialRepaintsComposeToTheWholeWindowPaintAtEveryZoom) {
    for (const double zoom : kZooms) {
        KorvelViewGeometry g = window({0, 0, kWidth, kHeight});
        g.zoomTo(zoom);
        g.scroll(Axis::Horizontal, Action::ThumbPosition, 333);
        g.scroll(Axis::Vertical, Action::ThumbPosition, 77);
        const test::Image32 whole = paint(g, {g.clientRect()});
        // The whole paint is the image drawn from its top-left at the
        // placement, inside the image area.
        test::Image32 direct(400, 300, 0, 0, 0xA5000000);
        DrawTarget target = direct.target();
        target.clip = g.imageArea();
        renderer.draw(rig.data(), {0, 0, kWidth, kHeight}, g.placement(), target, g.zoomCode(),
                      PageDraw::kModeRgb, 0);
        const std::string name = "view-zoom" + std::to_string(g.zoomCode());
        if (!test::expectSameImage(whole, direct, name + "-whole")) return;
        // Clip boxes of 37 x 23 window pixels at odd offsets.
        std::vector<WideRect> clips;
        for (std::int64_t y = -5; y < 300; y += 23) {
            for (std::int64_t x = -3; x < 400; x += 37) clips.push_back({x, y, x + 37, y + 23});
        }
        if (!test::expectSameImage(paint(g, clips), whole, name + "-pieces")) return;
    }
}

TEST_F(ViewPaintTest, NothingToPaintOutsideTheImageOrBehindTheScrollBars) {
    KorvelViewGeometry g = window({0, 0, 100, 50});  // placement (142, 117, 242, 167)
    EXPECT_FALSE(g.paintRequest({0, 0, 142, 300}).has_value());
    EXPECT_FALSE(g.paintRequest({385, 0, 400, 300}).has_value());
    const auto request = g.paintRequest({150, 120, 160, 130});
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(request->source, (Rect{8, 3, 18, 13}));
    EXPECT_EQ(request->clip, (WideRect{150, 120, 160, 130}));
    EXPECT_EQ(g.visibleImagePart(), (Rect{0, 0, 100, 50}));
}

}  // namespace
}  // namespace tessary
