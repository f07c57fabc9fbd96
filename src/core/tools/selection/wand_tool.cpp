#include "tools/selection/wand_tool.h"

namespace tessary {

WandTool::WandTool(ToolGlobals& globals) : Tool(globals) {
    initialise();
}

void WandTool::initialise() {
    setAll(6, 13);
    setOverSelection(21, 1);
    setOverSelectionEntry(kCtrl, 6, 13);
    setOverSelectionEntry(kShift, 6, 13);
    setOverFloatingEntry(kCtrl, 6, 13);
    setOverFloatingEntry(kShift, 6, 13);
    setNormalEntry(kSpace, 3, 4);
    setOverSelectionEntry(kSpace, 3, 4);
}

}  // namespace tessary
