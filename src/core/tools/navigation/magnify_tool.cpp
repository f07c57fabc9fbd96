#include "tools/navigation/magnify_tool.h"

namespace tessary {

MagnifyTool::MagnifyTool(ToolGlobals& globals) : TrackingTool(globals) {
    initialise();
}

void MagnifyTool::initialise() {
    setAll(17, 6);
    setEntryInAllRanges(kAlt, 18, 7);
    setEntryInAllRanges(kSpace, 3, 4);
}

}  // namespace tessary
