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
    if (record == nullptr) {
        m_options = kBuiltIn;
        return;
    }
    m_options.width = m_options.height = record->firstSetSize;
    m_options.thickness = kLoadedThickness;
    m_options.shapeClass = record->firstSetShapeClass;
    m_options.profile = record->firstSetProfile;
    m_options.spacingPercent = record->firstSetSpacing;
    m_options.flag = record->firstSetFlag;
}

void BrushTool::storeOptions(ToolBoxPrefs& record) const {
    record.firstSetSize = m_options.width;
    record.firstSetShapeClass = m_options.shapeClass;
    record.firstSetProfile = m_options.profile;
    record.firstSetSpacing = m_options.spacingPercent;
    record.firstSetFlag = m_options.flag;
}

void BrushTool::prepareStroke(StrokeParams& params, const Page&) {
    params = {};
    strokeFromBrushOptions(m_options, globals().opacity, params);
    params.undoKind = kUndoKind;
    params.colour = globals().foreground;
}

}  // namespace tessary
