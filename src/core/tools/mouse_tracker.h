#pragma once

#include "tools/tool_point.h"

namespace tessary {

class ToolView;

// Follows the pointer while the left button is held. The base tracks
// nothing: its point is (-1, -1), its hooks return true and the button is
// never down. The editor's tracker reads the real pointer; tests and the
// batch program replay a list of points.
class MouseTracker {
public:
    virtual ~MouseTracker() = default;

    // The pointer in the window's client pixels.
    virtual ToolPoint point() { return {-1, -1}; }
    // Called before each point is read; lets the platform process pending
    // events (repaints, the release of the button). False asks the loop to
    // stop as if the button had been released.
    virtual bool idleHook() { return true; }
    // Called once per pass of a drag loop after the point was used.
    virtual bool stepHook() { return true; }
    // True while the left button is held.
    virtual bool stillDown() { return false; }

    // The pointer in image pixels: the window point mapped by `view`.
    virtual ToolPoint imagePoint(ToolView& view);
};

}  // namespace tessary
