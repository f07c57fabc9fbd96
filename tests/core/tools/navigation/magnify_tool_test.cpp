#include "tools/navigation/magnify_tool.h"

#include <gtest/gtest.h>

#include "app/tool_globals.h"
#include "core/tools/navigation/navigation_view.h"
#include "core/tools/press_test_support.h"

namespace tessary {
namespace {

using test::NavigationView;
using Request = NavigationView::Request;

class MagnifyToolTest : public ::testing::Test {
protected:
    void SetUp() override { paint.shapeRgb(600, 500, 0); }

    NavigationView::ZoomCall press(ToolPoint from, ToolPoint to, std::int32_t action) {
        view.calls.clear();
        MagnifyTool magnify(globals);
        EXPECT_EQ(test::pressTool(magnify, paint.page, view, from, {to}, action), kErrNone);
        EXPECT_EQ(view.calls.size(), 1u);
        EXPECT_TRUE(view.shownFigures().empty());
        return view.calls.empty() ? NavigationView::ZoomCall{} : view.calls.front();
    }

    ToolGlobals globals;
    test::PaintPage paint;
    NavigationView view;
};

TEST_F(MagnifyToolTest, ClicksAndSmallDragsZoomByTheActionAboutTheCentre) {
    struct Case {
        ToolPoint from, to;
        std::int32_t action;
        Request request;
        double requested;
        ToolPoint centre;
    };
    const Case cases[] = {
        {{100, 80}, {100, 80}, MagnifyTool::kZoomIn, Request::In, 0.0, {100, 80}},
        {{100, 80}, {103, 83}, MagnifyTool::kZoomIn, Request::In, 0.0, {101, 81}},
        {{100, 80}, {110, 80}, MagnifyTool::kZoomOut, Request::Out, 0.0, {105, 80}},
        {{50, 40}, {50, 40}, MagnifyTool::kActualPixels, Request::To, 1.0, {50, 40}},
        {{-20, 700}, {-20, 700}, MagnifyTool::kZoomIn, Request::In, 0.0, {0, 499}},
    };
    for (const Case& c : cases) {
        const auto call = press(c.from, c.to, c.action);
        EXPECT_EQ(call.request, c.request);
        EXPECT_EQ(call.requested, c.requested);
        EXPECT_EQ(call.centre, c.centre);
    }
}

// A drag asks for min(area width / its width, area height / its height)
// in whole numbers; the view snaps the request by the zoom table.
TEST_F(MagnifyToolTest, DragsZoomToFitAndTheRequestSnaps) {
    struct Case {
        ToolPoint from, to;
        double requested;
        double snapped;
    };
    const Case cases[] = {
        {{100, 100}, {110, 102}, 40.0, 32.0},   // 400 / 10, 300 / 2 = 150
        {{100, 100}, {104, 101}, 100.0, 32.0},  // one side of 4 is enough
        {{0, 0}, {50, 40}, 7.0, 4.0},           // 400 / 50 = 8, 300 / 40 = 7
        {{10, 10}, {150, 110}, 2.0, 2.0},
        {{0, 0}, {599, 499}, 0.0, 1.0 / 32},  // larger than the area
        {{-50, -50}, {900, 900}, 0.0, 1.0 / 32},
    };
    for (const Case& c : cases) {
        const auto call = press(c.from, c.to, MagnifyTool::kZoomOut);
        EXPECT_EQ(call.request, Request::To);
        EXPECT_EQ(call.requested, c.requested);
        EXPECT_EQ(view.snapped, c.snapped);
    }
}

}  // namespace
}  // namespace tessary
