#pragma once

#include <cstdint>

#include "tools/tracking_tool.h"

namespace tessary {

// Draws a straight line of its width along a drag (action 20).
//
// The line is the slanted band of the painting engine's shape classes 3
// (falling to the right) and 4 (rising) over the rectangle from the drag's
// smaller corner to its larger corner plus the width, with the width as the
// band's thickness: a horizontal or vertical line is a rectangle of
// (length + width) x width. It is painted with the foreground colour at the
// global opacity, limited by the selection mask; with anti-aliasing the band
// is worked out at N-fold resolution (N the global subsample count) and each
// pixel is weighted by its covered subsamples, count x opacity / N^2.
//
// One change, undo kind 23 ("Line"), over the rectangle grown by the width;
// a floating selection is made part of the image first. On failure the page
// is as before the press and the code is returned (kErrDisk: no change could
// be opened or a row not written; kErrMemory: no row buffers).
class LineTool final : public TrackingTool {
public:
    static constexpr std::int32_t kDefaultWidth = 3;
    static constexpr std::int32_t kMinWidth = 1;
    static constexpr std::int32_t kMaxWidth = 32;
    static constexpr std::uint32_t kUndoKind = 23;

    explicit LineTool(ToolGlobals& globals);
    void initialise() override;
    ErrorCode mouseDown(ToolEvent& event) override;

    // Record word 27; no record: 3 pixels. Values outside 1..32 are clamped.
    void loadOptions(const ToolBoxPrefs* record) override;
    void storeOptions(ToolBoxPrefs& record) const override;

    // Pixels, 1..32.
    std::int32_t lineWidth() const { return m_lineWidth; }
    // Clamped to 1..32.
    void setLineWidth(std::int32_t width);

protected:
    // The line from `from` to `to` in an exclusive-or grey pen as wide as the
    // line at the view's zoom (at least one window pixel).
    void drawFeedback(ToolView& view, ToolPoint from, ToolPoint to) override;

private:
    std::int32_t m_lineWidth = kDefaultWidth;
};

}  // namespace tessary
