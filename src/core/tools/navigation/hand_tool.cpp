#include "tools/navigation/hand_tool.h"

namespace tessary {

HandTool::HandTool(ToolGlobals& globals) : TrackingTool(globals) {
    initialise();
}

void HandTool::initialise() {
    setAll(3, 4);
    setOverSelection(21, 4);
}

}  // namespace tessary
