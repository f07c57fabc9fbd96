#pragma once

#include "tools/tracking_tool.h"

namespace tessary {

// Fills the selection with a gradient along a dragged line (action 15).
// The press itself does nothing yet.
class GradientTool final : public TrackingTool {
public:
    explicit GradientTool(ToolGlobals& globals);
    void initialise() override;
};

}  // namespace tessary
