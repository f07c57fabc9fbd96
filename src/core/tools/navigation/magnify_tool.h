#pragma once

#include "tools/tracking_tool.h"

namespace tessary {

// Zooms in (action 17), out with alt (action 18), or to a dragged rectangle.
// The press itself does nothing yet.
class MagnifyTool final : public TrackingTool {
public:
    explicit MagnifyTool(ToolGlobals& globals);
    void initialise() override;
};

}  // namespace tessary
