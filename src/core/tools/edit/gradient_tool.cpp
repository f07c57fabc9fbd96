#include "tools/edit/gradient_tool.h"

namespace tessary {

GradientTool::GradientTool(ToolGlobals& globals) : TrackingTool(globals) {
    initialise();
}

void GradientTool::initialise() {
    setAll(15, 2);
    setEntryInAllRanges(kAlt, 2, 10);
    setEntryInAllRanges(kSpace, 3, 4);
}

}  // namespace tessary
