#pragma once

#include "tools/tool.h"

namespace tessary {

// Selects the connected area of similar colour (action 6); over a selection a
// press moves it (action 21) unless shift or ctrl is held. Space scrolls,
// except over a floating selection, which it moves.
// The press itself does nothing yet.
class WandTool final : public Tool {
public:
    explicit WandTool(ToolGlobals& globals);
    void initialise() override;
};

}  // namespace tessary
