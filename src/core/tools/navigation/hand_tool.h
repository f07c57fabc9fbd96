#pragma once

#include "tools/tracking_tool.h"

namespace tessary {

// Scrolls the view while dragging (action 3, also space with most tools);
// over a selection a press moves the selection instead (action 21).
//
// The press point is the anchor (image pixels). Whenever the pointer's
// image point differs from it, the view scrolls by the anchor's window
// point minus the pointer's, which brings the anchor back under the pointer
// as far as the scroll ranges allow; the anchor stays the point held. A
// view that cannot scroll (the batch program) is left alone. Cannot fail.
class HandTool final : public TrackingTool {
public:
    explicit HandTool(ToolGlobals& globals);
    void initialise() override;
    ErrorCode mouseDown(ToolEvent& event) override;

    // The image point held by the last drag.
    ToolPoint anchor() const { return m_anchor; }

private:
    ToolPoint m_anchor;
};

}  // namespace tessary
