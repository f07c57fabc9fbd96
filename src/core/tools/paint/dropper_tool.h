#pragma once

#include "tools/tracking_tool.h"

namespace tessary {

class Page;

// Picks colours while dragging: every image pixel the pointer reaches inside
// the image sets the colour the palette edits (the background colour when the
// background is active, else the foreground) to the colour shown there. A
// release outside the image keeps the last colour picked inside. Nothing is
// recorded for undo; the dropper cannot fail.
class DropperTool final : public TrackingTool {
public:
    explicit DropperTool(ToolGlobals& globals);
    void initialise() override;
    ErrorCode mouseDown(ToolEvent& event) override;

    // The last point sampled (image pixels).
    ToolPoint lastSampled() const { return m_lastSampled; }

protected:
    // Samples at `to` when it differs from the last sampled point; draws no
    // figure.
    void drawFeedback(ToolView& view, ToolPoint from, ToolPoint to) override;

private:
    const Page* m_page = nullptr;  // during a drag only
    ToolPoint m_lastSampled;
};

}  // namespace tessary
