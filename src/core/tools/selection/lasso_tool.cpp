#include "tools/selection/lasso_tool.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "model/page.h"
#include "model/page_data.h"
#include "platform/assert.h"
#include "tools/selection/selection_change.h"
#include "tools/tool_view.h"

namespace tessary {
namespace {

std::int32_t clampToInt32(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// The pixels of a lasso box (whose right column is inside) grown by one on
// every side: where the feedback lines were drawn.
Rect feedbackArea(const Rect& box) {
    return {clampToInt32(std::int64_t{box.left} - 1), clampToInt32(std::int64_t{box.top} - 1),
            clampToInt32(std::int64_t{box.right} + 2), clampToInt32(std::int64_t{box.bottom} + 1)};
}

}  // namespace

LassoTool::LassoTool(ToolGlobals& globals) : TrackingTool(globals) {
    initialise();
}

void LassoTool::initialise() {
    setAll(kDrawAction, 12);
    setOverSelection(21, 1);
    setOverSelectionEntry(kCtrl, kDrawAction, 12);
    setOverSelectionEntry(kShift, kDrawAction, 12);
    setOverFloatingEntry(kCtrl, kDrawAction, 12);
    setOverFloatingEntry(kShift, kDrawAction, 12);
    setEntryInAllRanges(kSpace, 3, 4);
}

void LassoTool::releaseResources() {
    m_edges.release();
}

void LassoTool::toggleEdge(ToolView& view, const LassoEdge& edge) const {
    view.toggleFeedback({FeedbackFigure::Kind::Line, view.imageToWindow({edge.x1, edge.y1}),
                         view.imageToWindow({edge.x2, edge.y2})});
}

void LassoTool::drawFeedback(ToolView& view, ToolPoint, ToolPoint to) {
    if (m_outOfMemory || to == m_edges.anchor()) return;
    // A lengthened edge's old line goes before the longer one shows.
    const bool hadEdge = !m_edges.edges().empty();
    const LassoEdge before = hadEdge ? m_edges.edges().back() : LassoEdge{};
    LassoEdges::Added added = LassoEdges::Added::Nothing;
    if (!m_edges.add(to, added)) {
        m_outOfMemory = true;
        return;
    }
    if (added == LassoEdges::Added::Lengthened) toggleEdge(view, before);
    if (added != LassoEdges::Added::Nothing) toggleEdge(view, m_edges.edges().back());
}

ErrorCode LassoTool::mouseDown(ToolEvent& event) {
    TS_ASSERT(event.page != nullptr && event.view != nullptr);
    Page& page = *event.page;
    ToolView& view = *event.view;
    if (page.pageData() == nullptr) return kErrGeneral;

    m_outOfMemory = !m_edges.start(event.imagePoint);
    track(event);
    // Every line shown during the drag goes again (exclusive-or), newest
    // first, the order in which a view keeping a stack of figures finds them
    // at once.
    const std::vector<LassoEdge>& shown = m_edges.edges();
    for (auto edge = shown.rbegin(); edge != shown.rend(); ++edge) toggleEdge(view, *edge);
    if (m_outOfMemory || !m_edges.close(start(), end())) {
        m_edges.release();
        return kErrMemory;
    }

    const Rect box = m_edges.box();
    if (box.empty() && !page.hasMask() && !page.hasFloat()) {
        m_edges.release();
        return kErrNone;
    }
    SelectionChange change(page);
    ErrorCode code = change.open();
    if (code == kErrNone) code = change.mergeFloat();
    if (code == kErrNone && box.empty()) {
        code = change.dropSelection();
    } else if (code == kErrNone) {
        code = change.chooseTarget(event.shift != 0, event.ctrl != 0);
        if (code == kErrNone) {
            code = m_edges.fill(page.bounds(), [&](std::int32_t y, std::int32_t left,
                                                   std::int32_t count, const std::uint8_t* row) {
                return change.writeTargetRow(left, y, count, row) == kErrNone;
            });
        }
        // The box's pixels include its right column.
        const Rect shape{box.left, box.top, clampToInt32(std::int64_t{box.right} + 1), box.bottom};
        if (code == kErrNone) code = change.combine(shape);
        if (code == kErrNone) change.takeMaskBounds();
    }
    m_edges.release();
    const Rect changed = change.changedArea();
    if (code == kErrNone) code = change.commit(changed);
    if (code != kErrNone) return code;

    view.invalidateImage(selection_rect::unite(changed, feedbackArea(box)));
    return kErrNone;
}

}  // namespace tessary
