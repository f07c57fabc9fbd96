#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/batch_operation_info.h"
#include "cli/batch_options.h"
#include "model/error_codes.h"
#include "tools/paint/brush_options.h"
#include "tools/tool_point.h"

namespace tessary {

class Page;
class ToolBox;
struct ToolGlobals;

// The batch operations that drive the tool box: a press of one of the
// sixteen tools with its drag, and the tool options later presses use. Each
// kind is one row of the tool table, one case of the check and one case of
// the run.
enum class BatchToolOp {
    Press,           // tool=NAME[,shift|alt|ctrl|space...],X1,Y1[,X2,Y2...]
    BrushOptions,    // brush-options=W,H,THICKNESS,CLASS,PROFILE[,SPACING]
    CloneOptions,    // clone-options=... (the same form)
    BrushShape,      // brush-shape=N,SIZE
    AntiAlias,       // anti-alias=on|off
    SelectionShape,  // selection-shape=rectangle|ellipse
    LineWidth,       // line-width=N
    TextOptions,     // text=TEXT[,font=NAME][,size=N][,style=S][,align=A]
};

// A tool operation with its parameters checked.
struct BatchToolCommand {
    BatchToolOp op = BatchToolOp::Press;
    // Press: the ToolBox index made current, the keys held, and the points in
    // image pixels: the press, the drag, the release at the last one.
    int tool = 0;
    bool shift = false;
    bool alt = false;
    bool ctrl = false;
    bool space = false;
    std::vector<ToolPoint> points;
    // BrushOptions, CloneOptions: the options to set; the tool's own spacing
    // and flag are kept unless `hasSpacing`.
    BrushOptions brush;
    bool hasSpacing = false;
    // BrushShape: the button 1..24 and the size 1..32.
    int button = 0;
    std::int32_t size = 0;
    // AntiAlias: the switch.
    bool on = false;
    // SelectionShape: SelectionTool::kRectangle or kEllipse.
    std::int32_t shape = 0;
    // LineWidth: the line tool's width 1..32.
    std::int32_t lineWidth = 0;
    // TextOptions: the text (line breaks as '\n') and the options given;
    // those left out keep the tool's values.
    std::string text;
    std::optional<std::string> typeface;
    std::optional<std::int32_t> textSize;
    std::optional<std::int32_t> textStyle;
    std::optional<std::int32_t> alignment;
};

// Largest distance of a scripted point from the image origin in either
// direction: far beyond any image the tile store holds, and small enough
// that a point plus a dab or a figure stays within the tools' 32-bit
// rectangles.
inline constexpr std::int32_t kMaxToolCoordinate = 1 << 24;

// The tool operations' rows of the operation table.
const std::vector<BatchOperationInfo>& batchToolOperationTable();

// Whether `name` names a tool operation.
bool isBatchToolOperation(std::string_view name);

// The ToolBox index of the tool called `name` (the palette's names in lower
// case; "rectangle" is the selection tool), or 0 for none.
int batchToolIndex(std::string_view name);

// Checks a tool operation's parameters. A press of the text tool is refused
// here: the batch program has no fonts to draw text with. Nothing, with `error` set to a
// one-line message naming the parameter and its range, when they do not fit.
std::optional<BatchToolCommand> prepareBatchToolCommand(const BatchStep& step, std::string& error);

// Runs `command` on `page` with `box`, which must be built on `globals`.
// A press makes its tool current and goes through ToolBox::pressOnPage with a
// ScriptedToolView, whose window pixels are image pixels, so it does what the
// same drag does in the editor at 1:1. Returns the tool's error code (a tool
// that does nothing on a press returns kErrNone); the tools leave the page as
// it was when they fail. Options and switches cannot fail.
ErrorCode runBatchToolCommand(ToolBox& box, ToolGlobals& globals, Page& page,
                              const BatchToolCommand& command);

}  // namespace tessary
