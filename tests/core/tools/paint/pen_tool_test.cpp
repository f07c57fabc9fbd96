#include "tools/paint/pen_tool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "app/tool_globals.h"
#include "core/tools/paint_test_support.h"
#include "tools/paint/brush_shapes.h"
#include "tools/paint/brush_tool.h"
#include "tools/paint/clone_tool.h"
#include "tools/paint/eraser_tool.h"
#include "tools/paint/pencil_tool.h"
#include "tools/scripted_tool_view.h"

namespace tessary {
namespace {

using test::channel;
using test::mix;
using test::PaintPage;
using test::rgb;

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kBlack = 0x000000;

// Presses at `press`, moves through `path` and releases at its last point.
ErrorCode stroke(Tool& tool, Page& page, ToolPoint press, std::vector<ToolPoint> path = {},
                 std::int32_t action = 0) {
    ScriptedToolView view(std::move(path));
    ToolEvent event;
    event.view = &view;
    event.page = &page;
    event.windowPoint = event.imagePoint = press;
    event.action = action;
    return tool.mouseDown(event);
}

// A hard square brush of `size` whose spacing comes out as `spacing` pixels.
BrushOptions hardSquare(std::int32_t size, std::int32_t spacing) {
    return {size, size, 1, 0, 0, spacing * 100 / size + (spacing * 100 % size ? 1 : 0), false};
}

class PenToolTest : public ::testing::Test {
protected:
    // Every pixel of an RGB page checked against `expected(x, y)`.
    template <class Expected>
    void expectImage(Expected&& expected) {
        const Rect bounds = paint.page.bounds();
        for (int p = 0; p < 3; ++p) {
            const auto plane = paint.plane(p);
            for (int y = 0; y < bounds.bottom; ++y) {
                for (int x = 0; x < bounds.right; ++x) {
                    ASSERT_EQ(plane[y * bounds.right + x], channel(expected(x, y), p))
                        << "plane " << p << " at " << x << "," << y;
                }
            }
        }
    }

    ToolGlobals globals;
    PaintPage paint;
};

TEST_F(PenToolTest, PencilSetsOnePixelPerColumn) {
    paint.shapeRgb(20, 8, kWhite);
    PencilTool pencil(globals);
    ASSERT_EQ(stroke(pencil, paint.page, {0, 0}, {{10, 3}}), kErrNone);

    const auto red = paint.plane(0);
    int painted = 0;
    int lastRow = 0;
    for (int x = 0; x < 20; ++x) {
        int inColumn = 0;
        for (int y = 0; y < 8; ++y) {
            if (red[y * 20 + x] == 0) {
                ++inColumn;
                EXPECT_GE(y, lastRow);  // the line only descends
                lastRow = y;
            }
        }
        EXPECT_EQ(inColumn, x <= 10 ? 1 : 0) << "column " << x;
        painted += inColumn;
    }
    EXPECT_EQ(painted, 11);
    EXPECT_EQ(red[0], 0);
    EXPECT_EQ(red[3 * 20 + 10], 0);
    EXPECT_EQ(paint.page.undoKind(), PencilTool::kUndoKind);
    EXPECT_EQ(paint.page.pageData()->undoCount(), 1);
    EXPECT_TRUE(paint.page.modified());
}

TEST_F(PenToolTest, PressWithoutMovingStampsOneDabAsOneStep) {
    paint.shapeRgb(20, 20, kWhite);
    BrushTool brush(globals);
    brush.setOptions(hardSquare(5, 2));
    ASSERT_EQ(stroke(brush, paint.page, {10, 10}), kErrNone);
    expectImage(
        [](int x, int y) { return x >= 8 && x < 13 && y >= 8 && y < 13 ? kBlack : kWhite; });
    EXPECT_EQ(paint.page.pageData()->undoCount(), 1);
    EXPECT_EQ(paint.page.undoKind(), BrushTool::kUndoKind);
}

// Dabs fall every `spacing` pixels of path, the distance carried from one
// segment to the next; a 1-pixel brush shows where each dab fell.
TEST_F(PenToolTest, SpacingCarriesAcrossSegments) {
    paint.shapeRgb(40, 3, kWhite);
    BrushTool brush(globals);
    brush.setOptions({1, 1, 1, 0, 0, 500, false});  // 5 pixels
    const std::vector<std::vector<ToolPoint>> paths = {{{33, 1}}, {{3, 1}, {7, 1}, {33, 1}}};
    for (const auto& path : paths) {
        paint.shapeRgb(40, 3, kWhite);
        ASSERT_EQ(stroke(brush, paint.page, {0, 1}, path), kErrNone);
        expectImage([](int x, int y) { return y == 1 && x % 5 == 0 && x <= 33 ? kBlack : kWhite; });
    }
}

TEST_F(PenToolTest, OpacityHoldsWithinAStrokeAndBuildsAcrossStrokes) {
    const std::uint32_t start = rgb(200, 100, 50);
    paint.shapeRgb(40, 20, start);
    globals.opacity = 128;
    globals.foreground = rgb(0, 255, 10);
    BrushTool brush(globals);
    brush.setOptions(hardSquare(5, 1));
    const auto inPath = [](int x, int y) { return x >= 3 && x < 33 && y >= 8 && y < 13; };

    // Out and back over the same pixels: the same as going over them once.
    ASSERT_EQ(stroke(brush, paint.page, {5, 10}, {{30, 10}, {5, 10}, {20, 10}}), kErrNone);
    const auto once = [&](int p) {
        return mix(channel(start, p), channel(globals.foreground, p), 128);
    };
    expectImage(
        [&](int x, int y) { return inPath(x, y) ? rgb(once(0), once(1), once(2)) : start; });

    // A second stroke mixes over the first.
    ASSERT_EQ(stroke(brush, paint.page, {5, 10}, {{30, 10}}), kErrNone);
    const auto twice = [&](int p) { return mix(once(p), channel(globals.foreground, p), 128); };
    expectImage(
        [&](int x, int y) { return inPath(x, y) ? rgb(twice(0), twice(1), twice(2)) : start; });
    EXPECT_EQ(paint.page.pageData()->undoCount(), 2);
}

TEST_F(PenToolTest, SelectionMaskLimitsThePaintInProportion) {
    const std::uint32_t start = rgb(10, 200, 90);
    paint.shapeRgb(30, 10, start);
    ASSERT_EQ(paint.page.addMask(), kErrNone);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 30; ++x) paint.setSample(3, x, y, x < 10 ? 0 : x < 20 ? 100 : 255);
    }
    globals.foreground = rgb(250, 0, 40);
    BrushTool brush(globals);
    brush.setOptions(hardSquare(3, 1));
    ASSERT_EQ(stroke(brush, paint.page, {0, 5}, {{29, 5}}), kErrNone);
    expectImage([&](int x, int y) {
        if (y < 4 || y > 6 || x < 10) return start;
        const int m = x < 20 ? 100 : 255;
        return rgb(mix(10, 250, m), mix(200, 0, m), mix(90, 40, m));
    });
}

TEST_F(PenToolTest, FloatingSelectionIsMergedFirstAsItsOwnStep) {
    paint.shapeRgb(20, 10, kWhite);
    ASSERT_EQ(paint.page.addMask(), kErrNone);
    ASSERT_EQ(paint.page.liftFloat(), kErrNone);
    ASSERT_TRUE(paint.page.hasFloat());
    // The floating pixels are red over columns 0..9, their mask 0 beyond.
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 20; ++x) {
            paint.setSample(4, x, y, x < 10 ? 255 : 0);
            paint.setSample(5, x, y, 0);
            paint.setSample(6, x, y, 0);
            paint.setSample(3, x, y, x < 10 ? 255 : 0);
        }
    }
    PencilTool pencil(globals);
    ASSERT_EQ(stroke(pencil, paint.page, {2, 2}), kErrNone);

    EXPECT_FALSE(paint.page.hasFloat());
    expectImage([](int x, int y) {
        if (x == 2 && y == 2) return kBlack;
        return x < 10 ? rgb(255, 0, 0) : kWhite;
    });
    EXPECT_EQ(paint.page.pageData()->undoCount(), 2);
    EXPECT_EQ(paint.page.undoKind(), PencilTool::kUndoKind);
    paint.page.undo();
    EXPECT_EQ(paint.page.undoKind(), PenTool::kUndoSelection);
    EXPECT_EQ(paint.sample(0, 2, 2), 255);
}

TEST_F(PenToolTest, EraserPaintsTheBackgroundAtFullStrength) {
    paint.shapeRgb(40, 40, kWhite);
    globals.background = rgb(10, 20, 30);
    globals.opacity = 60;  // not the eraser's
    EraserTool eraser(globals);
    ASSERT_EQ(stroke(eraser, paint.page, {20, 20}, {{29, 20}}), kErrNone);
    // 16 x 16 squares centred at x = 20, 24, 28.
    expectImage([&](int x, int y) {
        return x >= 12 && x < 36 && y >= 12 && y < 28 ? globals.background : kWhite;
    });
    EXPECT_EQ(paint.page.undoKind(), EraserTool::kUndoKind);
}

TEST_F(PenToolTest, SoftRoundBrushNeverCoversFully) {
    paint.shapeRgb(20, 20, kWhite);
    BrushTool brush(globals);
    BrushOptions options;
    ASSERT_TRUE(brush_shapes::applyButton(5, 9, options));
    brush.setOptions(options);
    ASSERT_EQ(stroke(brush, paint.page, {10, 10}), kErrNone);
    // Coverage 254 of black over white.
    EXPECT_EQ(paint.sample(0, 10, 10), mix(255, 0, 254));
    EXPECT_EQ(paint.sample(0, 10, 10), 1);
}

TEST_F(PenToolTest, GreyPagePaintsTheGreyOfTheColour) {
    paint.shapeGrey(10, 10, 0);
    globals.foreground = rgb(255, 0, 0);
    PencilTool pencil(globals);
    ASSERT_EQ(stroke(pencil, paint.page, {4, 4}), kErrNone);
    EXPECT_EQ(paint.sample(0, 4, 4), 77);  // red's share of white's 77 + 150 + 28
    EXPECT_EQ(paint.sample(0, 5, 4), 0);
}

TEST_F(PenToolTest, CloneCopiesFromTheSourceAndRestartsThereEachStroke) {
    paint.shapeRgb(40, 20, kWhite);
    const auto original = [](int x, int y) { return rgb(x * 5, y * 10, 7); };
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 40; ++x) {
            for (int p = 0; p < 3; ++p) paint.setSample(p, x, y, channel(original(x, y), p));
        }
    }
    CloneTool clone(globals);
    clone.setOptions(hardSquare(3, 1));
    ASSERT_EQ(stroke(clone, paint.page, {5, 5}, {}, CloneTool::kSetSourceAction), kErrNone);
    EXPECT_EQ(globals.cloneSourceX, 5);
    EXPECT_EQ(globals.cloneSourceY, 5);
    EXPECT_EQ(paint.page.pageData()->undoCount(), 0);

    // Two strokes, both starting at the source: (25, 10) shows (5, 5).
    ASSERT_EQ(stroke(clone, paint.page, {25, 10}, {{30, 10}}, CloneTool::kPaintAction), kErrNone);
    ASSERT_EQ(stroke(clone, paint.page, {12, 16}, {}, CloneTool::kPaintAction), kErrNone);
    expectImage([&](int x, int y) {
        if (x >= 24 && x <= 31 && y >= 9 && y <= 11) return original(x - 20, y - 5);
        if (x >= 11 && x <= 13 && y >= 15 && y <= 17) return original(x - 7, y - 11);
        return original(x, y);
    });

    // A source at the corner: the part of its rectangle outside the image
    // leaves the dab's own pixels.
    globals.cloneSourceX = globals.cloneSourceY = 0;
    ASSERT_EQ(stroke(clone, paint.page, {35, 5}, {}, CloneTool::kPaintAction), kErrNone);
    for (int y = 4; y <= 6; ++y) {
        for (int x = 34; x <= 36; ++x) {
            const bool fromSource = x >= 35 && y >= 5;
            const std::uint32_t expected = fromSource ? original(x - 35, y - 5) : original(x, y);
            EXPECT_EQ(paint.page.colourAt(x, y), expected) << x << "," << y;
        }
    }
}

TEST_F(PenToolTest, DabsOutsideTheImagePaintOnlyTheInside) {
    paint.shapeRgb(20, 20, kWhite);
    BrushTool brush(globals);
    brush.setOptions(hardSquare(8, 2));
    // Far outside: nothing painted, nothing written.
    ASSERT_EQ(stroke(brush, paint.page, {-5000, -5000}, {{5000, -3000}, {-3000, 4000}}), kErrNone);
    expectImage([](int, int) { return kWhite; });
    // Across the corner: the inside part only; the plane beyond the image
    // (its tile reaches to 128) stays as it was.
    ASSERT_EQ(stroke(brush, paint.page, {19, 19}), kErrNone);
    expectImage([](int x, int y) { return x >= 15 && y >= 15 ? kBlack : kWhite; });
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(paint.sample(p, 20, 19), 255);
        EXPECT_EQ(paint.sample(p, 22, 22), 255);
    }
}

// A stroke that runs out of tiles stops, and the page returns to where it
// was before the stroke, history included.
TEST(PenToolShortageTest, AbortedStrokeLeavesThePageAsBefore) {
    PaintPage paint(8, false);
    paint.shapeRgb(1024, 128, kWhite);
    ToolGlobals globals;
    PencilTool pencil(globals);
    ASSERT_EQ(stroke(pencil, paint.page, {0, 0}), kErrNone);
    std::vector<std::uint8_t> before[3];
    for (int p = 0; p < 3; ++p) before[p] = paint.plane(p);
    const ImageData* undoState = paint.page.pageData()->undoNewest();

    BrushTool brush(globals);
    brush.setOptions(hardSquare(9, 2));
    EXPECT_EQ(stroke(brush, paint.page, {0, 60}, {{1023, 60}}), kErrDisk);

    for (int p = 0; p < 3; ++p) EXPECT_EQ(paint.plane(p), before[p]) << "plane " << p;
    const PageData& data = *paint.page.pageData();
    EXPECT_FALSE(data.changeOpen());
    EXPECT_EQ(data.undoCount(), 1);
    EXPECT_EQ(data.undoNewest(), undoState);
    EXPECT_EQ(paint.page.undoKind(), PencilTool::kUndoKind);
    paint.page.undo();
    EXPECT_EQ(paint.sample(0, 0, 0), 255);
}

}  // namespace
}  // namespace tessary
