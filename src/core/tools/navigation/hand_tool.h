#pragma once

#include "tools/tracking_tool.h"

namespace tessary {

// Scrolls the view while dragging (action 3); over a selection a press moves
// the selection instead (action 21).
// The press itself does nothing yet.
class HandTool final : public TrackingTool {
public:
    explicit HandTool(ToolGlobals& globals);
    void initialise() override;
};

}  // namespace tessary
