#pragma once

#include "tools/tool.h"
#include "tools/tool_point.h"

namespace tessary {

class ToolView;

// A tool that follows the pointer while the button is held. track() runs the
// drag loop over the view's tracker, drawing exclusive-or feedback between
// the drag's start and the pointer; the start and end of the last drag stay
// in the tool (image pixels) until the next one.
class TrackingTool : public Tool {
public:
    using Tool::Tool;

    // Whether the loop calls autoscrollHook() when the pointer moves.
    bool autoscroll() const { return m_autoscroll; }
    void setAutoscroll(bool autoscroll) { m_autoscroll = autoscroll; }
    ToolPoint start() const { return m_start; }
    ToolPoint end() const { return m_end; }

    // The drag loop, from event.imagePoint until the tracker reports the
    // button released: feedback is drawn at the start, redrawn (erase, then
    // draw) whenever the pointer's image point changes, and drawn once more
    // at the release to erase it, so the view is left as it was. The info
    // bar shows the start and the drag size, and the pointer while it moves.
    void track(ToolEvent& event);

protected:
    // Toggles the feedback for a drag from `from` to `to` (image pixels);
    // drawing the same pair twice leaves the view as it was. The base toggles
    // the rectangle with those corners, mapped to window pixels.
    virtual void drawFeedback(ToolView& view, ToolPoint from, ToolPoint to);
    // Called when the pointer moved during a drag with autoscroll on; returns
    // whether the view scrolled. The base neither scrolls nor reports it.
    virtual bool autoscrollHook(ToolView& view, ToolPoint pointer);

private:
    bool m_autoscroll = true;
    ToolPoint m_start;
    ToolPoint m_end;
};

}  // namespace tessary
