#include "tools/scripted_tool_view.h"

#include <algorithm>
#include <functional>
#include <iterator>

namespace tessary {

std::size_t ScriptedToolView::FigureHash::operator()(const FeedbackFigure& figure) const {
    std::size_t hash = static_cast<std::size_t>(figure.kind);
    for (const std::int32_t value : {figure.from.x, figure.from.y, figure.to.x, figure.to.y}) {
        hash = hash * 1000003u ^ std::hash<std::int32_t>{}(value);
    }
    return hash;
}

void ScriptedToolView::toggleFeedback(const FeedbackFigure& figure) {
    m_toggles.push_back(figure);
    int& count = m_shownCount[figure];
    if (count > 0) {
        // Figures are mostly taken away in the reverse order they came, so
        // the search starts at the newest.
        const auto shown = std::find(m_shown.rbegin(), m_shown.rend(), figure);
        m_shown.erase(std::next(shown).base());
        count = 0;
    } else {
        m_shown.push_back(figure);
        count = 1;
    }
}

void ScriptedToolView::toggleMovedOutline(ToolPoint from, ToolPoint to) {
    const std::pair<ToolPoint, ToolPoint> outline{from, to};
    m_outlineToggles.push_back(outline);
    const auto shown = std::find(m_shownOutlines.begin(), m_shownOutlines.end(), outline);
    if (shown != m_shownOutlines.end()) {
        m_shownOutlines.erase(shown);
    } else {
        m_shownOutlines.push_back(outline);
    }
}

std::unique_ptr<ProgressPort> ScriptedToolView::createProgress() {
    return m_progressFactory ? m_progressFactory() : nullptr;
}

void ScriptedToolView::showDrag(ToolPoint image, std::int32_t width, std::int32_t height) {
    m_dragStart = image;
    m_dragWidth = width;
    m_dragHeight = height;
}

}  // namespace tessary
