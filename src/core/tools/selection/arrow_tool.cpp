#include "tools/selection/arrow_tool.h"

namespace tessary {

ArrowTool::ArrowTool(ToolGlobals& globals) : TrackingTool(globals) {
    initialise();
}

void ArrowTool::initialise() {
    setAll(1, 0);
    setOverFloating(21, 1);
    setEntryInAllRanges(kAlt, 2, 10);
    setEntryInAllRanges(kSpace, 3, 4);
}

}  // namespace tessary
