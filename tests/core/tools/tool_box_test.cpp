#include "tools/tool_box.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "app/tool_globals.h"
#include "core/tools/paint_test_support.h"
#include "tools/navigation/magnify_tool.h"
#include "tools/scripted_tool_view.h"
#include "tools/tool.h"

namespace tessary {
namespace {

using test::PaintPage;
using test::rgb;

enum class Where { Away, Selection, Float };

ToolEvent pressEvent(Page& page, ToolView& view, ToolPoint at) {
    ToolEvent event;
    event.page = &page;
    event.view = &view;
    event.windowPoint = event.imagePoint = at;
    return event;
}

class ToolBoxTest : public ::testing::Test {
protected:
    void SetUp() override { paint.shapeRgb(16, 16, 0xFFFFFF); }

    ToolGlobals globals;
    ToolBox box{globals};
    PaintPage paint;
    ScriptedToolView view;
};

TEST_F(ToolBoxTest, PressDispatchByTheCurrentToolsTable) {
    struct Case {
        int tool;
        bool shift, alt, ctrl, space;
        Where where;
        std::int32_t action;
        int performer;
    };
    const Case cases[] = {
        {ToolBox::kBrush, false, false, false, false, Where::Away, 11, ToolBox::kBrush},
        {ToolBox::kBrush, false, true, false, false, Where::Away, 2, ToolBox::kDropper},
        {ToolBox::kBrush, false, false, false, true, Where::Away, 3, ToolBox::kHand},
        {ToolBox::kBrush, true, true, false, false, Where::Away, 11, ToolBox::kBrush},
        {ToolBox::kBrush, false, true, false, false, Where::Float, 2, ToolBox::kDropper},
        {ToolBox::kSelection, false, false, false, false, Where::Away, 4, ToolBox::kSelection},
        {ToolBox::kSelection, false, false, false, false, Where::Selection, 21,
         ToolBox::kSelection},
        {ToolBox::kSelection, true, false, false, false, Where::Selection, 4, ToolBox::kSelection},
        {ToolBox::kSelection, false, false, true, false, Where::Selection, 4, ToolBox::kSelection},
        {ToolBox::kSelection, true, false, true, false, Where::Selection, 21, ToolBox::kSelection},
        {ToolBox::kWand, false, false, false, true, Where::Float, 21, ToolBox::kSelection},
        {ToolBox::kWand, false, false, false, true, Where::Selection, 3, ToolBox::kHand},
        {ToolBox::kHand, false, false, false, false, Where::Selection, 21, ToolBox::kSelection},
        {ToolBox::kHand, false, false, false, false, Where::Away, 3, ToolBox::kHand},
        {ToolBox::kArrow, false, false, false, false, Where::Float, 21, ToolBox::kSelection},
        {ToolBox::kCrop, false, false, false, false, Where::Selection, 8, ToolBox::kCrop},
        {ToolBox::kMagnify, false, true, false, false, Where::Away, 18, ToolBox::kMagnify},
        {ToolBox::kClone, false, true, false, false, Where::Away, 13, ToolBox::kClone},
        {ToolBox::kLine, false, false, false, false, Where::Away, 20, ToolBox::kLine},
    };
    for (const Case& c : cases) {
        box.setCurrentIndex(c.tool);
        ToolEvent event = pressEvent(paint.page, view, {3, 3});
        event.shift = c.shift ? 0x80 : 0;
        event.alt = c.alt ? 0x80 : 0;
        event.ctrl = c.ctrl ? 0x80 : 0;
        event.space = c.space ? 0x80 : 0;
        event.insideSelection = c.where != Where::Away;
        event.insideFloat = c.where == Where::Float;
        EXPECT_EQ(box.mouseDown(event), kErrNone);
        EXPECT_EQ(event.action, c.action) << "tool " << c.tool;
        EXPECT_EQ(ToolBox::performerOf(event.action), c.performer) << "tool " << c.tool;
        EXPECT_EQ(box.cursorFor(modifierMask(event)),
                  box.tool(c.tool)->cursorForMask(modifierMask(event)));
    }
}

TEST_F(ToolBoxTest, PerformerTableCoversEveryAction) {
    const int expected[] = {0,  1,  2,  3,  5,  7, 8, 6, 6,  9, 10, 11,
                            12, 12, 14, 15, 16, 4, 4, 4, 13, 5, 0};
    for (int action = 0; action <= 22; ++action) {
        EXPECT_EQ(ToolBox::performerOf(action), expected[action]) << action;
    }
    EXPECT_EQ(ToolBox::performerOf(-1), 0);
}

TEST_F(ToolBoxTest, AltWithTheBrushPicksAColourAndShiftAltPaints) {
    paint.setSample(0, 3, 3, 10);
    box.setCurrentIndex(ToolBox::kBrush);
    ToolEvent pick = pressEvent(paint.page, view, {3, 3});
    pick.alt = 0x80;
    ASSERT_EQ(box.pressOnPage(pick), kErrNone);
    EXPECT_EQ(globals.foreground, rgb(10, 255, 255));
    EXPECT_FALSE(paint.page.modified());

    ToolEvent paintPress = pressEvent(paint.page, view, {8, 8});
    paintPress.alt = paintPress.shift = 0x80;
    ASSERT_EQ(box.pressOnPage(paintPress), kErrNone);
    EXPECT_TRUE(paint.page.modified());
    EXPECT_EQ(paint.page.pageData()->undoCount(), 1);
}

TEST_F(ToolBoxTest, PressOnPageFillsTheSelectionFlags) {
    ASSERT_EQ(paint.page.addMask(), kErrNone);
    for (int y = 0; y < 16; ++y) {
        for (int x = 8; x < 16; ++x) paint.setSample(3, x, y, 0);
    }
    box.setCurrentIndex(ToolBox::kSelection);
    ToolEvent inside = pressEvent(paint.page, view, {2, 2});
    ToolEvent outside = pressEvent(paint.page, view, {12, 2});
    EXPECT_EQ(box.pressOnPage(inside), kErrNone);
    EXPECT_EQ(box.pressOnPage(outside), kErrNone);
    EXPECT_TRUE(inside.insideSelection);
    EXPECT_FALSE(inside.insideFloat);
    EXPECT_EQ(inside.action, 21);
    EXPECT_FALSE(outside.insideSelection);
    EXPECT_EQ(outside.action, 4);
    // That click away from the selection cleared it; select all again.
    EXPECT_FALSE(paint.page.hasMask());
    ASSERT_EQ(paint.page.addMask(), kErrNone);

    ASSERT_EQ(paint.page.liftFloat(), kErrNone);
    ToolEvent floating = pressEvent(paint.page, view, {2, 2});
    EXPECT_EQ(box.pressOnPage(floating), kErrNone);
    EXPECT_TRUE(floating.insideFloat);
    EXPECT_EQ(modifierMask(floating), 96);
}

TEST_F(ToolBoxTest, NoCurrentToolDoesNothing) {
    box.setCurrentIndex(0);
    ToolEvent event = pressEvent(paint.page, view, {3, 3});
    EXPECT_EQ(box.pressOnPage(event), kErrNone);
    EXPECT_EQ(event.action, 0);
    EXPECT_EQ(box.cursorFor(0), 0);
    EXPECT_FALSE(paint.page.modified());
    box.setCurrentIndex(17);
    EXPECT_EQ(box.currentIndex(), 0);
    EXPECT_EQ(box.tool(0), nullptr);
    EXPECT_EQ(box.tool(17), nullptr);
    for (int i = 1; i <= ToolBox::kToolCount; ++i) EXPECT_NE(box.tool(i), nullptr);
}

TEST_F(ToolBoxTest, DragReturningToItsStartEndsThereWithTheFeedbackErased) {
    MagnifyTool magnify(globals);
    ScriptedToolView drag({{5, 5}, {9, 7}, {3, 3}});
    ToolEvent event = pressEvent(paint.page, drag, {3, 3});
    magnify.track(event);
    EXPECT_EQ(magnify.start(), (ToolPoint{3, 3}));
    EXPECT_EQ(magnify.end(), (ToolPoint{3, 3}));
    EXPECT_TRUE(drag.shownFigures().empty());
    EXPECT_EQ(drag.toggles().size() % 2, 0u);
    const FeedbackFigure widest{FeedbackFigure::Kind::Rectangle, {3, 3}, {9, 7}};
    EXPECT_EQ(std::count(drag.toggles().begin(), drag.toggles().end(), widest), 2);
    EXPECT_EQ(drag.dragWidth(), 0);
    EXPECT_EQ(drag.dragHeight(), 0);
    EXPECT_GE(drag.scriptedTracker().idleCalls(), 3);

    ScriptedToolView away({{5, 5}, {9, 7}});
    ToolEvent second = pressEvent(paint.page, away, {3, 3});
    magnify.track(second);
    EXPECT_EQ(magnify.end(), (ToolPoint{9, 7}));
    EXPECT_EQ(away.dragWidth(), 6);
    EXPECT_EQ(away.dragHeight(), 4);
    EXPECT_TRUE(away.shownFigures().empty());
}

TEST_F(ToolBoxTest, DropperPicksWhileDraggingIntoTheActiveColour) {
    for (int x = 0; x < 16; ++x) paint.setSample(1, x, 4, static_cast<std::uint8_t>(x * 10));
    box.setCurrentIndex(ToolBox::kDropper);
    // Across row 4, then out of the image: the last pixel inside counts.
    ScriptedToolView drag({{5, 4}, {9, 4}, {30, 4}, {-2, 4}});
    ToolEvent event = pressEvent(paint.page, drag, {2, 4});
    ASSERT_EQ(box.pressOnPage(event), kErrNone);
    EXPECT_EQ(globals.foreground, rgb(255, 90, 255));
    EXPECT_EQ(globals.background, 0xFFFFFFu);
    EXPECT_EQ(drag.colourRepaints(), 3);  // (2, 4), (5, 4), (9, 4)

    globals.backgroundActive = true;
    ScriptedToolView still;
    ToolEvent press = pressEvent(paint.page, still, {7, 4});
    ASSERT_EQ(box.pressOnPage(press), kErrNone);
    EXPECT_EQ(globals.background, rgb(255, 70, 255));
    EXPECT_EQ(globals.foreground, rgb(255, 90, 255));
    EXPECT_FALSE(paint.page.modified());
}

}  // namespace
}  // namespace tessary
