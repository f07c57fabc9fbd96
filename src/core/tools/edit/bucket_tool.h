#pragma once

#include <cstdint>

#include "tools/tool.h"

namespace tessary {

// Fills the connected area of similar colour with the foreground (action
// 14).
//
// A press inside the image opens one change, makes any floating selection
// part of the image, and marks in a temporary plane (after the colour planes
// and the selection mask) the pixels 4-connected to the pressed one whose
// every colour plane lies within 10 of the pressed pixel's. The marked
// pixels are painted with the foreground colour at the global opacity,
// limited by the selection mask, and the temporary plane is removed; the
// change is recorded as undo kind 7 ("Fill") over the area's bounds.
//
// The search and the fill report to the view's progress window ("Working...")
// when it has one. A cancel returns kErrCancelled, any other failure kErrDisk
// (or kErrMemory for the row buffers); either way the page is as before the
// press. Presses outside the image do nothing.
class BucketTool final : public Tool {
public:
    static constexpr std::uint32_t kUndoKind = 7;
    // How far a sample may lie from the pressed pixel's and still match.
    static constexpr std::uint8_t kTolerance = 10;

    explicit BucketTool(ToolGlobals& globals);
    void initialise() override;
    ErrorCode mouseDown(ToolEvent& event) override;
};

}  // namespace tessary
