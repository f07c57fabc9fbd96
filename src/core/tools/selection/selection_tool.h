#pragma once

#include <cstdint>

#include "tools/tracking_tool.h"

namespace tessary {

// The rectangle selection tool: draws a rectangular or elliptical selection
// (action 4), or moves the selection (action 21, a press over it without
// shift or ctrl; the arrow, hand, lasso and wand tools reach it too).
//
// Drawing: the drag's start and end span the shape's box. With shift held
// over an existing selection the shape is added to the mask, with ctrl it is
// taken away; otherwise it replaces the selection. A floating selection is
// first made part of the image. The shape is clipped to the image; with the
// globals' anti-alias switch on, its edge is anti-aliased with
// ToolGlobals::subsamples squared subsamples per pixel. A press released
// where it began (an empty box) clears an existing selection, and does
// nothing without one.
//
// Moving: the outline follows the pointer; on release a fixed selection is
// lifted into a floating selection that leaves the background colour
// behind, and the mask and floating pixels move by the drag. A floating
// selection moves with its pixels.
//
// Each press that changes the page is one undo step of kind 5; a failure
// returns its error code with the page and its selection as before.
class SelectionTool final : public TrackingTool {
public:
    static constexpr std::int32_t kRectangle = 0;
    static constexpr std::int32_t kEllipse = 1;
    static constexpr std::int32_t kDrawAction = 4;
    static constexpr std::int32_t kMoveAction = 21;

    explicit SelectionTool(ToolGlobals& globals);
    void initialise() override;

    ErrorCode mouseDown(ToolEvent& event) override;

    // Record word 16; no record: rectangle.
    void loadOptions(const ToolBoxPrefs* record) override;
    void storeOptions(ToolBoxPrefs& record) const override;

    std::int32_t shape() const { return m_shape; }
    void setShape(std::int32_t shape) { m_shape = shape; }

protected:
    // The shape's outline while drawing; the displaced selection outline
    // while moving.
    void drawFeedback(ToolView& view, ToolPoint from, ToolPoint to) override;

private:
    ErrorCode drawShape(ToolEvent& event);
    ErrorCode move(ToolEvent& event);

    std::int32_t m_shape = kRectangle;
    bool m_moving = false;
};

}  // namespace tessary
