#include "shell/chrome/tool_options_table.h"

#include "shell/dialogs/brush_options_dlog.h"
#include "shell/dialogs/line_options_dlog.h"
#include "shell/dialogs/selection_options_dlog.h"
#include "tools/tool_box.h"

namespace tessary {

namespace {

struct ToolOptionsRow {
    int tool;
    ToolOptionsRunner run;
};

// The tools whose options the palette's button edits. The text tool's
// options are asked for by the tool itself when it is used.
bool runBrushOptions(ToolBox& tools, QWidget* parent) {
    return runBrushOptionsDlog(tools, parent) == 1;
}

// The clone tool shares the brush's options but has no button of its own:
// its options are set in Brush Options while it is current.
constexpr ToolOptionsRow kToolOptionsRows[] = {
    {ToolBox::kSelection, runSelectionOptionsDlog},
    {ToolBox::kBrush, runBrushOptions},
    {ToolBox::kLine, runLineOptionsDlog},
};

}  // namespace

ToolOptionsRunner toolOptionsRunnerFor(int index) {
    for (const ToolOptionsRow& row : kToolOptionsRows)
        if (row.tool == index) return row.run;
    return nullptr;
}

}  // namespace tessary
