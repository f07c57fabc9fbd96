#pragma once

#include <array>
#include <cstdint>

#include "model/image_data.h"
#include "tools/tracking_tool.h"

namespace tessary {

// Fills the selection (the image when nothing is selected) with a gradient
// along a dragged line (action 15): the background colour on the press
// point's side, the foreground colour on the release point's side.
//
// The mode follows the drag: equal y is horizontal, equal x vertical, any
// other general, where the colour is constant along lines perpendicular to
// the drag. With c1 the colour at the lower coordinate end and c2 at the
// higher, per plane:
//   horizontal  lo, hi the drag's x range; x <= lo gives c1, x >= hi c2,
//               else p = (x - lo) x 100 / (hi - lo), trunc((c2 p +
//               (100 - p) c1) x 0.01)
//   vertical    the same per row in y, t = (y - lo) / (hi - lo),
//               trunc(c2 t + (1 - t) c1)
//   general     k = dy / dx; the perpendicular through (px, py) crosses row
//               y at trunc((py - y) k + px); lo, hi the two crossings;
//               x <= lo gives c1, x >= hi - 1 c2, else as vertical with
//               t = (x - lo) / (hi - lo)
// Each row is mixed over the image by the global opacity and then by the
// selection mask. One change, undo kind 24 ("Gradient"); a floating
// selection is made part of the image first. A drag that ends where it
// started does nothing. On failure the page is as before the press and the
// code is returned (kErrDisk, or kErrMemory for the row buffers).
class GradientTool final : public TrackingTool {
public:
    static constexpr std::uint32_t kUndoKind = 24;
    enum class Mode { Horizontal, Vertical, General };

    explicit GradientTool(ToolGlobals& globals);
    void initialise() override;
    ErrorCode mouseDown(ToolEvent& event) override;

    // The mode of a drag from `from` to `to` (which differ).
    static Mode modeOf(ToolPoint from, ToolPoint to);

protected:
    // Three lines: the drag, and the perpendiculars through its two ends,
    // clipped to the image (no perpendiculars while the two ends coincide).
    void drawFeedback(ToolView& view, ToolPoint from, ToolPoint to) override;

private:
    // The image the feedback is clipped to (image pixels).
    Rect m_image;
    // The perpendiculars' end points of the last feedback (image pixels).
    std::array<ToolPoint, 4> m_perpendiculars{};
};

}  // namespace tessary
