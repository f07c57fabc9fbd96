#pragma once

#include <cstdint>

#include "tools/selection/lasso_edges.h"
#include "tools/tracking_tool.h"

namespace tessary {

// The lasso: draws a freehand selection (action 5); over a selection a press
// moves it (action 21) unless shift or ctrl is held.
//
// While the button is held every pointer position extends the edge list
// (LassoEdges) and the new edge shows as a feedback line. On release the
// polygon is closed back to the press point and filled by the even-odd
// rule; shift and ctrl combine it with an existing selection as the
// rectangle selection does, and a lasso with no area clears the selection.
// The lasso is never anti-aliased. One undo step of kind 5; kErrMemory when
// the edge list cannot grow, kErrDisk when the page cannot be written, the
// page and its selection then as before.
class LassoTool final : public TrackingTool {
public:
    static constexpr std::int32_t kDrawAction = 5;

    explicit LassoTool(ToolGlobals& globals);
    void initialise() override;

    ErrorCode mouseDown(ToolEvent& event) override;
    // Frees the edge list.
    void releaseResources() override;

protected:
    // Takes `to` into the edge list and toggles the line of the edge it
    // made or lengthened; the lines stay until the drag ends.
    void drawFeedback(ToolView& view, ToolPoint from, ToolPoint to) override;

private:
    // Toggles the feedback line of `edge` (image pixels mapped to the
    // window).
    void toggleEdge(ToolView& view, const LassoEdge& edge) const;

    LassoEdges m_edges;
    bool m_outOfMemory = false;
};

}  // namespace tessary
