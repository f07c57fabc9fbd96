#include "tools/paint/eraser_tool.h"

#include "app/tool_globals.h"

namespace tessary {

namespace {
constexpr std::int32_t kSize = 16;
constexpr std::int32_t kSpacing = 4;
}  // namespace

EraserTool::EraserTool(ToolGlobals& globals) : PenTool(globals) {
    initialise();
}

void EraserTool::initialise() {
    setAll(10, 19);
    setEntryInAllRanges(kAlt, 2, 10);
    setEntryInAllRanges(kSpace, 3, 4);
}

void EraserTool::prepareStroke(StrokeParams& params, const Page&) {
    params = {};
    params.undoKind = kUndoKind;
    params.width = params.height = kSize;
    params.shapeClass = 0;
    params.profile = 0;
    params.spacing = kSpacing;
    params.opacity = 255;
    params.colour = globals().background;
}

}  // namespace tessary
