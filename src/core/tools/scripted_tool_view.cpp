#include "tools/scripted_tool_view.h"

#include <algorithm>

namespace tessary {

void ScriptedToolView::toggleFeedback(const FeedbackFigure& figure) {
    m_toggles.push_back(figure);
    const auto shown = std::find(m_shown.begin(), m_shown.end(), figure);
    if (shown != m_shown.end()) {
        m_shown.erase(shown);
    } else {
        m_shown.push_back(figure);
    }
}

void ScriptedToolView::showDrag(ToolPoint image, std::int32_t width, std::int32_t height) {
    m_dragStart = image;
    m_dragWidth = width;
    m_dragHeight = height;
}

}  // namespace tessary
