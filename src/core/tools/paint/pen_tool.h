#pragma once

#include "tools/paint/stroke_params.h"
#include "tools/tool.h"

namespace tessary {

class Page;

// A painting tool: a press runs one stroke that follows the pointer until
// the button is released, as one undo step of the tool's undo kind.
//
// The stroke: a floating selection is first merged into the image as its own
// undo step (kind 5); then one change is opened, a dab is stamped at the
// press point and along every segment the pointer moves, and the view is
// repainted after each segment. On release the change is closed and recorded
// over the touched rectangle and the page marked modified. On any failure the
// change is aborted, so the page is exactly as before the stroke with its
// undo history intact, and the error is returned (kErrDisk when the change
// cannot be opened or a dab cannot be written, kErrMemory when the work
// buffers cannot be had).
class PenTool : public Tool {
public:
    static constexpr std::uint32_t kUndoSelection = 5;

    using Tool::Tool;

    // Runs a stroke on event.page from event.imagePoint, following
    // event.view's tracker.
    ErrorCode mouseDown(ToolEvent& event) override;

protected:
    // Fills the stroke parameters from the tool's options and the globals.
    virtual void prepareStroke(StrokeParams& params, const Page& page) = 0;
};

}  // namespace tessary
