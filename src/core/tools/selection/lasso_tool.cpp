#include "tools/selection/lasso_tool.h"

namespace tessary {

LassoTool::LassoTool(ToolGlobals& globals) : TrackingTool(globals) {
    initialise();
}

void LassoTool::initialise() {
    setAll(5, 12);
    setOverSelection(21, 1);
    setOverSelectionEntry(kCtrl, 5, 12);
    setOverSelectionEntry(kShift, 5, 12);
    setOverFloatingEntry(kCtrl, 5, 12);
    setOverFloatingEntry(kShift, 5, 12);
    setEntryInAllRanges(kSpace, 3, 4);
}

}  // namespace tessary
