#include "tools/selection/arrow_tool.h"

#include "app/tool_globals.h"
#include "model/page.h"
#include "platform/assert.h"
#include "tools/selection/selection_move.h"
#include "tools/tool_view.h"

namespace tessary {

ArrowTool::ArrowTool(ToolGlobals& globals) : TrackingTool(globals) {
    initialise();
}

void ArrowTool::initialise() {
    setAll(kMoveOutlineAction, 0);
    setOverFloating(21, 1);
    setEntryInAllRanges(kAlt, 2, 10);
    setEntryInAllRanges(kSpace, 3, 4);
}

ErrorCode ArrowTool::mouseDown(ToolEvent& event) {
    TS_ASSERT(event.page != nullptr && event.view != nullptr);
    Page& page = *event.page;
    if (page.pageData() == nullptr) return kErrGeneral;
    if (!page.isSelected(event.imagePoint.x, event.imagePoint.y)) return kErrNone;
    track(event);
    return finishDraggedMove(page, *event.view, start(), end(), SelectionMove::OutlineOnly,
                             globals().background);
}

void ArrowTool::drawFeedback(ToolView& view, ToolPoint from, ToolPoint to) {
    view.toggleMovedOutline(from, to);
}

}  // namespace tessary
