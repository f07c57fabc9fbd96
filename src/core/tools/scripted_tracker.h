#pragma once

#include <cstddef>
#include <vector>

#include "tools/mouse_tracker.h"

namespace tessary {

// A tracker that replays a list of window points, for tests and the batch
// program. Each point() returns the next point of the list; the button stays
// down until every point has been read and the pointer has rested on the
// last one for one more read, so the last point is where the button is
// released and a drag loop sees it while the button is still held. An empty
// list is a press released at once.
class ScriptedTracker : public MouseTracker {
public:
    ScriptedTracker() = default;
    explicit ScriptedTracker(std::vector<ToolPoint> points) : m_points(std::move(points)) {}

    // Starts a new script.
    void setPoints(std::vector<ToolPoint> points);

    ToolPoint point() override;
    bool stillDown() override;
    bool idleHook() override;

    // How often the idle hook ran (once before each point read).
    int idleCalls() const { return m_idleCalls; }

private:
    std::vector<ToolPoint> m_points;
    std::size_t m_reads = 0;
    int m_idleCalls = 0;
};

}  // namespace tessary
