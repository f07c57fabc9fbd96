#include "tools/navigation/hand_tool.h"

#include <gtest/gtest.h>

#include "app/tool_globals.h"
#include "core/tools/navigation/navigation_view.h"
#include "core/tools/press_test_support.h"

namespace tessary {
namespace {

using test::NavigationView;

// The pointer's window path of a drag, the zoom, the scroll range and where
// the scroll positions end up.
TEST(HandToolTest, DragScrollsByTheWindowDistanceWithinTheRanges) {
    struct Case {
        const char* name;
        int zoom;
        std::int64_t startX, startY, range;
        std::vector<ToolPoint> windowPath;
        std::int64_t endX, endY;
    };
    const Case cases[] = {
        {"left and up", 1, 100, 100, 1000, {{40, 45}, {30, 40}}, 120, 110},
        {"right and down", 1, 100, 100, 1000, {{60, 58}, {70, 80}}, 80, 70},
        {"zoomed", 4, 100, 100, 1000, {{40, 45}, {30, 38}}, 120, 112},
        {"clamped at the start", 1, 5, 8, 1000, {{90, 90}}, 0, 0},
        {"clamped at the end", 2, 990, 0, 1000, {{0, 50}}, 1000, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NavigationView view;
        view.setZoom(c.zoom);
        view.scrollX = c.startX;
        view.scrollY = c.startY;
        view.rangeX = view.rangeY = c.range;
        // The press at window (50, 50).
        const ToolPoint press = view.windowToImage({50, 50});
        ToolGlobals globals;
        HandTool hand(globals);
        test::PaintPage paint;
        paint.shapeRgb(64, 64, 0);
        view.scriptedTracker().setPoints(c.windowPath);
        ToolEvent event;
        event.view = &view;
        event.page = &paint.page;
        event.imagePoint = press;
        event.windowPoint = {50, 50};
        event.action = 3;
        ASSERT_EQ(hand.mouseDown(event), kErrNone);
        EXPECT_EQ(view.scrollX, c.endX);
        EXPECT_EQ(view.scrollY, c.endY);
        EXPECT_EQ(hand.anchor(), press);
        if (c.endX != 0 && c.endX != c.range && c.endY != 0) {
            // Unclamped: the anchor lies under the pointer again.
            EXPECT_EQ(view.windowToImage(c.windowPath.back()), press);
        }
    }
}

}  // namespace
}  // namespace tessary
