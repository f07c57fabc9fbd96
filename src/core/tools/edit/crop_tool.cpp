#include "tools/edit/crop_tool.h"

namespace tessary {

CropTool::CropTool(ToolGlobals& globals) : TrackingTool(globals) {
    initialise();
}

void CropTool::initialise() {
    setAll(7, 11);
    setOverSelection(8, 9);
    setEntryInAllRanges(kSpace, 3, 4);
}

}  // namespace tessary
