#pragma once

#include <cstdint>

#include "tools/tracking_tool.h"

namespace tessary {

// The arrow: a press on a selected pixel drags the selection outline (action
// 1); on release the mask alone moves by the drag, the pixels stay where
// they were. One undo step of kind 5; a failure returns its error code with
// the page and its selection as before. Over a floating selection the table
// gives action 21, so the selection tool moves the floating pixels instead.
class ArrowTool final : public TrackingTool {
public:
    static constexpr std::int32_t kMoveOutlineAction = 1;

    explicit ArrowTool(ToolGlobals& globals);
    void initialise() override;

    ErrorCode mouseDown(ToolEvent& event) override;

protected:
    // The selection outline displaced by the drag.
    void drawFeedback(ToolView& view, ToolPoint from, ToolPoint to) override;
};

}  // namespace tessary
