#include "tools/paint/brush_tool.h"

#include "app/tool_box_prefs.h"
#include "app/tool_globals.h"

namespace tessary {

BrushTool::BrushTool(ToolGlobals& globals) : PenTool(globals) {
    initialise();
}

void BrushTool::initialise() {
    setAll(11, 15);
    setEntryInAllRanges(kAlt, 2, 10);
    setEntryInAllRanges(kSpace, 3, 4);
}

void BrushTool::loadOptions(const ToolBoxPrefs* record) {
    m_options =
        record == nullptr ? kBuiltIn : loadBrushOptions(*record, kFirstBrushSet, kLoadedThickness);
}

void BrushTool::storeOptions(ToolBoxPrefs& record) const {
    storeBrushOptions(m_options, record, kFirstBrushSet);
}

void BrushTool::prepareStroke(StrokeParams& params, const Page&) {
    params = {};
    strokeFromBrushOptions(m_options, globals().opacity, params);
    params.undoKind = kUndoKind;
    params.colour = globals().foreground;
}

}  // namespace tessary
