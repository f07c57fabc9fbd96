#include "tools/navigation/hand_tool.h"

#include <algorithm>
#include <cstdint>

#include "platform/assert.h"
#include "tools/mouse_tracker.h"
#include "tools/tool_view.h"

namespace tessary {
namespace {

// A window-pixel difference held within 32 bits.
std::int32_t delta(std::int32_t a, std::int32_t b) {
    const std::int64_t d = std::int64_t{a} - b;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(d, INT32_MIN, INT32_MAX));
}

}  // namespace

HandTool::HandTool(ToolGlobals& globals) : TrackingTool(globals) {
    initialise();
}

void HandTool::initialise() {
    setAll(3, 4);
    setOverSelection(21, 4);
}

ErrorCode HandTool::mouseDown(ToolEvent& event) {
    TS_ASSERT(event.view != nullptr);
    ToolView& view = *event.view;
    MouseTracker& tracker = view.tracker();
    m_anchor = event.imagePoint;
    view.showPoint(m_anchor);
    // The drag scrolls instead of drawing feedback, so it runs its own loop:
    // the pointer's image point changes as the view scrolls under it.
    while (tracker.stillDown()) {
        if (!tracker.idleHook()) break;
        const ToolPoint pointer = tracker.imagePoint(view);
        if (pointer != m_anchor) {
            const ToolPoint from = view.imageToWindow(m_anchor);
            const ToolPoint to = view.imageToWindow(pointer);
            view.scrollBy(delta(from.x, to.x), delta(from.y, to.y));
        }
        tracker.stepHook();
    }
    return kErrNone;
}

}  // namespace tessary
