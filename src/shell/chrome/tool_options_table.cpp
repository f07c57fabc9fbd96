#include "shell/chrome/tool_options_table.h"

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
constexpr ToolOptionsRow kToolOptionsRows[] = {
    {ToolBox::kSelection, runSelectionOptionsDlog},
    {ToolBox::kLine, runLineOptionsDlog},
};

}  // namespace

ToolOptionsRunner toolOptionsRunnerFor(int index) {
    for (const ToolOptionsRow& row : kToolOptionsRows)
        if (row.tool == index) return row.run;
    return nullptr;
}

}  // namespace tessary
