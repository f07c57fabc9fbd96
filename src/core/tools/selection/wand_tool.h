#pragma once

#include <cstdint>

#include "tools/tool.h"

namespace tessary {

// The magic wand: selects the connected area of similar colour around the
// press (action 6); over a selection a press moves it (action 21) unless
// shift or ctrl is held. Space scrolls, except over a floating selection,
// which it moves.
//
// A pixel is similar when each of its colour planes lies within kTolerance
// of the pressed pixel's; the area is 4-connected (ConnectedArea). Shift and
// ctrl combine the area with an existing selection as the rectangle
// selection does. The search shows the view's progress window ("Working...")
// and can be cancelled there: the press then returns kErrCancelled, and any
// failure (tiles running out) kErrDisk, with the page and its selection as
// before. A press outside the image does nothing. One undo step of kind 5.
class WandTool final : public Tool {
public:
    static constexpr std::int32_t kSelectAction = 6;
    static constexpr int kTolerance = 10;

    explicit WandTool(ToolGlobals& globals);
    void initialise() override;

    ErrorCode mouseDown(ToolEvent& event) override;
};

}  // namespace tessary
