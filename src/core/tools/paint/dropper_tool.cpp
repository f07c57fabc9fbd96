#include "tools/paint/dropper_tool.h"

#include "app/tool_globals.h"
#include "model/page.h"
#include "platform/assert.h"
#include "tools/tool_view.h"

namespace tessary {

DropperTool::DropperTool(ToolGlobals& globals) : TrackingTool(globals) {
    initialise();
}

void DropperTool::initialise() {
    setAll(2, 10);
    setEntryInAllRanges(kSpace, 3, 4);
}

ErrorCode DropperTool::mouseDown(ToolEvent& event) {
    TS_ASSERT(event.page != nullptr && event.view != nullptr);
    m_page = event.page;
    // One off the press point, so that the first pass samples it.
    m_lastSampled = {event.imagePoint.x + 1, event.imagePoint.y + 1};
    track(event);
    m_page = nullptr;
    return kErrNone;
}

void DropperTool::drawFeedback(ToolView& view, ToolPoint, ToolPoint to) {
    if (m_page == nullptr || to == m_lastSampled) return;
    const Rect image = m_page->bounds();
    if (to.x < image.left || to.x >= image.right || to.y < image.top || to.y >= image.bottom) {
        return;
    }
    const std::uint32_t colour = m_page->colourAt(to.x, to.y);
    if (globals().backgroundActive) {
        globals().background = colour;
    } else {
        globals().foreground = colour;
    }
    m_lastSampled = to;
    view.showColours();
}

}  // namespace tessary
