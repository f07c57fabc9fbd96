#include "tools/selection/selection_tool.h"

#include "app/tool_box_prefs.h"

namespace tessary {

SelectionTool::SelectionTool(ToolGlobals& globals) : TrackingTool(globals) {
    initialise();
}

void SelectionTool::initialise() {
    setAll(4, 2);
    setOverSelection(21, 1);
    setOverSelectionEntry(kShift, 4, 2);
    setOverSelectionEntry(kCtrl, 4, 2);
    setOverFloatingEntry(kShift, 4, 2);
    setOverFloatingEntry(kCtrl, 4, 2);
    setEntryInAllRanges(kSpace, 3, 4);
}

void SelectionTool::loadOptions(const ToolBoxPrefs* record) {
    m_shape = record == nullptr ? kRectangle : record->toolWord16;
}

void SelectionTool::storeOptions(ToolBoxPrefs& record) const {
    record.toolWord16 = m_shape;
}

}  // namespace tessary
