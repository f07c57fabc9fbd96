#pragma once

#include "tools/tracking_tool.h"

namespace tessary {

// Draws a freehand selection (action 5); over a selection a press moves it
// (action 21) unless shift or ctrl is held.
// The press itself does nothing yet.
class LassoTool final : public TrackingTool {
public:
    explicit LassoTool(ToolGlobals& globals);
    void initialise() override;
};

}  // namespace tessary
