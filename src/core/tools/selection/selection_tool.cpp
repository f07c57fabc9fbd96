#include "tools/selection/selection_tool.h"

#include <algorithm>
#include <memory>
#include <new>

#include "app/tool_box_prefs.h"
#include "app/tool_globals.h"
#include "model/page.h"
#include "model/page_data.h"
#include "platform/assert.h"
#include "tools/selection/selection_change.h"
#include "tools/selection/selection_move.h"
#include "tools/selection/shape_coverage.h"
#include "tools/tool_view.h"

namespace tessary {
namespace {

// Writes the rows of `shape` (image pixels, not empty) that lie inside the
// image into the change's target plane.
ErrorCode fillShape(SelectionChange& change, const Page& page, const Rect& shape,
                    ShapeCoverage::Shape kind, int subsamples) {
    const Rect visible = selection_rect::intersect(shape, page.bounds());
    if (visible.empty()) return kErrNone;
    ShapeCoverage coverage(kind, std::int64_t{shape.right} - shape.left,
                           std::int64_t{shape.bottom} - shape.top, subsamples);
    const std::int32_t count = visible.width();
    std::unique_ptr<std::uint8_t[]> row(new (std::nothrow) std::uint8_t[count]);
    if (!row || !coverage.reserve(count)) return kErrMemory;
    const std::int64_t firstColumn = std::int64_t{visible.left} - shape.left;
    for (std::int32_t y = visible.top; y < visible.bottom; ++y) {
        coverage.row(std::int64_t{y} - shape.top, firstColumn, count, row.get());
        if (const ErrorCode code = change.writeTargetRow(visible.left, y, count, row.get());
            code != kErrNone)
            return code;
    }
    return kErrNone;
}

}  // namespace

SelectionTool::SelectionTool(ToolGlobals& globals) : TrackingTool(globals) {
    initialise();
}

void SelectionTool::initialise() {
    setAll(kDrawAction, 2);
    setOverSelection(kMoveAction, 1);
    setOverSelectionEntry(kShift, kDrawAction, 2);
    setOverSelectionEntry(kCtrl, kDrawAction, 2);
    setOverFloatingEntry(kShift, kDrawAction, 2);
    setOverFloatingEntry(kCtrl, kDrawAction, 2);
    setEntryInAllRanges(kSpace, 3, 4);
}

void SelectionTool::loadOptions(const ToolBoxPrefs* record) {
    m_shape = record == nullptr ? kRectangle : record->toolWord16;
}

void SelectionTool::storeOptions(ToolBoxPrefs& record) const {
    record.toolWord16 = m_shape;
}

ErrorCode SelectionTool::mouseDown(ToolEvent& event) {
    TS_ASSERT(event.page != nullptr && event.view != nullptr);
    if (event.page->pageData() == nullptr) return kErrGeneral;
    return event.action == kMoveAction ? move(event) : drawShape(event);
}

ErrorCode SelectionTool::move(ToolEvent& event) {
    m_moving = true;
    track(event);
    m_moving = false;
    return finishDraggedMove(*event.page, *event.view, start(), end(), SelectionMove::WithPixels,
                             globals().background);
}

ErrorCode SelectionTool::drawShape(ToolEvent& event) {
    Page& page = *event.page;
    track(event);
    const Rect shape{std::min(start().x, end().x), std::min(start().y, end().y),
                     std::max(start().x, end().x), std::max(start().y, end().y)};
    // Without a selection an empty shape has nothing to clear.
    if (!page.hasMask() && !page.hasFloat() && shape.empty()) return kErrNone;

    SelectionChange change(page);
    ErrorCode code = change.open();
    if (code == kErrNone) code = change.mergeFloat();
    if (code == kErrNone && shape.empty()) {
        code = change.dropSelection();
    } else if (code == kErrNone) {
        const int subsamples = globals().antiAlias ? std::max(globals().subsamples, 1) : 0;
        const auto kind =
            m_shape == kEllipse ? ShapeCoverage::Shape::Ellipse : ShapeCoverage::Shape::Rectangle;
        code = change.chooseTarget(event.shift != 0, event.ctrl != 0);
        if (code == kErrNone) code = fillShape(change, page, shape, kind, subsamples);
        if (code == kErrNone) code = change.combine(shape);
        if (code == kErrNone) change.takeMaskBounds();
    }
    const Rect changed = change.changedArea();
    if (code == kErrNone) code = change.commit(changed);
    if (code != kErrNone) return code;  // the change aborts as it goes
    event.view->invalidateImage(changed);
    return kErrNone;
}

void SelectionTool::drawFeedback(ToolView& view, ToolPoint from, ToolPoint to) {
    if (m_moving) {
        view.toggleMovedOutline(from, to);
        return;
    }
    const auto kind =
        m_shape == kEllipse ? FeedbackFigure::Kind::Ellipse : FeedbackFigure::Kind::Rectangle;
    view.toggleFeedback({kind, view.imageToWindow(from), view.imageToWindow(to)});
}

}  // namespace tessary
