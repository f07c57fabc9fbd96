#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/batch_operation_info.h"
#include "cli/batch_options.h"
#include "cli/batch_tool_operations.h"
#include "cli/scripted_questions.h"
#include "effects/framework/selection_shape.h"
#include "effects/geometry/canvas_size.h"
#include "model/error_codes.h"
#include "model/image_data.h"

namespace tessary {

class BatchEngine;
class Page;

// The operations tessary-batch knows, one per menu command.
enum class BatchOp {
    Invert,
    NtscVideoSafe,
    ScratchRemoval,
    RedEyeRemoval,
    AutoContrast,
    AutoEnhance,
    BrightnessContrast,
    ColorVariations,
    BlurSharpen,
    Despeckle,
    Noise,
    DeInterlace,
    Grayscale,
    Rgb,
    FlipRotate,
    Scale,
    CanvasSize,
    Resolution,
    Crop,
    SelectRect,
    SelectEllipse,
    SelectAll,
    SelectNone,
    SelectInverse,
    DropShadow,
    Extrude,
    PlugIn,
    Import,
    Export,
    Tool,  // a press with a tool, or a tool option (BatchCommand::tool)
};

// The operation table, as --help lists it: the menu commands, then the tool
// operations.
const std::vector<BatchOperationInfo>& batchOperationTable();

// An operation with its parameters checked and converted.
struct BatchCommand {
    BatchOp op = BatchOp::Invert;
    std::string label;                 // the step as typed
    std::vector<std::int32_t> ints;    // numeric parameters in the order of the form
    int code = 0;                      // flip/rotate code 1-5; extrude: 1 select, 0 fill
    bool percent[2] = {false, false};  // scale: width, height given in percent
    double percentValue[2] = {0.0, 0.0};
    bool smooth = true;  // scale
    bool flag = false;   // de-interlace: replace odd fields; ...
    bool flag2 = false;  // de-interlace: interpolate
    double resolution[2] = {0.0, 0.0};
    CanvasAnchor anchor = CanvasAnchor::kTopLeft;
    std::string text;       // plug-in name
    QuestionScript script;  // plug-ins: the answers to their questions
    BatchToolCommand tool;
};

// Checks an operation step's name and parameters before any image is read.
// Nothing with `error` set to a one-line message for an unknown operation or
// parameters that do not fit its form.
std::optional<BatchCommand> prepareBatchCommand(const BatchStep& step, std::string& error);

// What running a command gave.
struct BatchOutcome {
    bool ok = true;
    ErrorCode code = kErrNone;  // the engine's code when it failed
    std::string message;        // for the user when !ok
};

// Runs `command` on `page` the way the editor's command does, through the
// engine's command functions with their change brackets and undo steps.
// Plug-in steps answer their module's questions from the step's script; a
// module the user cancels (no script answer declines, so only the module
// itself) leaves the page as it was and counts as done, as in the editor.
// Import needs runBatchStep().
BatchOutcome runBatchCommand(BatchEngine& engine, Page& page, const BatchCommand& command);

// Any step, import included: an import replaces `page` (which may be null
// before it) with the first image its module delivers; every other step
// needs a page.
BatchOutcome runBatchStep(BatchEngine& engine, std::unique_ptr<Page>& page,
                          const BatchCommand& command);

// The selection the editor's rectangle and ellipse selection makes: in one
// change (undo kind 5, "Selection") a floating selection is merged and the
// mask becomes the shape inscribed in `rect`, clipped to the image, 0
// elsewhere; with `subsamples` N > 0 the shape's edge is anti-aliased with
// N x N subsamples per pixel. The selection rectangle becomes the bounds of
// the mask. A shape that misses the image selects nothing (any selection is
// removed). kErrNone, kErrDisk or kErrMemory; on failure the page is as
// before.
ErrorCode selectShape(Page& page, const Rect& rect, ShapeClass shape, int subsamples);
inline ErrorCode selectRectangle(Page& page, const Rect& rect) {
    return selectShape(page, rect, ShapeClass::Rectangle, 0);
}

}  // namespace tessary
