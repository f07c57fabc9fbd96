#pragma once

#include "tools/tracking_tool.h"

namespace tessary {

// Moves the selection outline (action 1) without its pixels.
// The press itself does nothing yet.
class ArrowTool final : public TrackingTool {
public:
    explicit ArrowTool(ToolGlobals& globals);
    void initialise() override;
};

}  // namespace tessary
