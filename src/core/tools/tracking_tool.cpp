#include "tools/tracking_tool.h"

#include "platform/assert.h"
#include "tools/mouse_tracker.h"
#include "tools/tool_view.h"

namespace tessary {

void TrackingTool::track(ToolEvent& event) {
    TS_ASSERT(event.view != nullptr);
    ToolView& view = *event.view;
    MouseTracker& tracker = view.tracker();

    const ToolPoint start = event.imagePoint;
    ToolPoint last = start;
    m_start = m_end = start;
    drawFeedback(view, start, last);
    view.showDrag(start, 0, 0);

    while (tracker.stillDown()) {
        if (!tracker.idleHook()) break;
        const ToolPoint pointer = tracker.imagePoint(view);
        if (pointer != last) {
            drawFeedback(view, start, last);
            if (m_autoscroll) autoscrollHook(view, pointer);
            drawFeedback(view, start, pointer);
            view.showPoint(pointer);
            last = pointer;
        }
        tracker.stepHook();
    }

    drawFeedback(view, start, last);
    view.showDrag(start, last.x - start.x, last.y - start.y);
    m_start = start;
    m_end = last;
}

void TrackingTool::drawFeedback(ToolView& view, ToolPoint from, ToolPoint to) {
    view.toggleFeedback(
        {FeedbackFigure::Kind::Rectangle, view.imageToWindow(from), view.imageToWindow(to)});
}

bool TrackingTool::autoscrollHook(ToolView&, ToolPoint) {
    return false;
}

}  // namespace tessary
