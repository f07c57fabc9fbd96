#include "tools/edit/line_tool.h"

#include "app/tool_box_prefs.h"

namespace tessary {

LineTool::LineTool(ToolGlobals& globals) : TrackingTool(globals) {
    initialise();
}

void LineTool::initialise() {
    setAll(20, 2);
    setEntryInAllRanges(kAlt, 2, 10);
    setEntryInAllRanges(kSpace, 3, 4);
}

void LineTool::loadOptions(const ToolBoxPrefs* record) {
    m_lineWidth = record == nullptr ? kDefaultWidth : record->toolWord27;
}

void LineTool::storeOptions(ToolBoxPrefs& record) const {
    record.toolWord27 = m_lineWidth;
}

}  // namespace tessary
