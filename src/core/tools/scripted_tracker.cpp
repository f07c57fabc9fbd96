#include "tools/scripted_tracker.h"

#include <utility>

namespace tessary {

void ScriptedTracker::setPoints(std::vector<ToolPoint> points) {
    m_points = std::move(points);
    m_reads = 0;
}

ToolPoint ScriptedTracker::point() {
    if (m_points.empty()) return MouseTracker::point();
    const std::size_t index = m_reads < m_points.size() ? m_reads : m_points.size() - 1;
    ++m_reads;
    return m_points[index];
}

bool ScriptedTracker::stillDown() {
    return !m_points.empty() && m_reads <= m_points.size();
}

bool ScriptedTracker::idleHook() {
    ++m_idleCalls;
    return true;
}

}  // namespace tessary
