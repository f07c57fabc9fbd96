#include "tools/paint/pencil_tool.h"

#include "app/tool_globals.h"

namespace tessary {

PencilTool::PencilTool(ToolGlobals& globals) : PenTool(globals) {
    initialise();
}

void PencilTool::initialise() {
    setAll(9, 14);
    setEntryInAllRanges(kAlt, 2, 10);
    setEntryInAllRanges(kSpace, 3, 4);
}

void PencilTool::prepareStroke(StrokeParams& params, const Page&) {
    params = {};
    params.undoKind = kUndoKind;
    params.width = params.height = 1;
    params.shapeClass = 0;
    params.profile = 0;
    params.spacing = 1;
    params.opacity = 255;
    params.colour = globals().foreground;
}

}  // namespace tessary
