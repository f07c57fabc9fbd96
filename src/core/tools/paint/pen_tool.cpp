#include "tools/paint/pen_tool.h"

#include <algorithm>

#include "model/page.h"
#include "model/page_data.h"
#include "platform/assert.h"
#include "tools/mouse_tracker.h"
#include "tools/paint/pen_stroke.h"
#include "tools/tool_view.h"

namespace tessary {
namespace {

Rect unite(const Rect& a, const Rect& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

Rect intersect(const Rect& a, const Rect& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

// The area a segment from `a` to `b` may have painted: the rectangle the two
// points span, grown by half the dab and one more pixel on every side.
Rect segmentArea(ToolPoint a, ToolPoint b, const StrokeParams& params) {
    const std::int32_t growX = params.width / 2 + 1;
    const std::int32_t growY = params.height / 2 + 1;
    return {std::min(a.x, b.x) - growX, std::min(a.y, b.y) - growY, std::max(a.x, b.x) + growX,
            std::max(a.y, b.y) + growY};
}

// Makes a floating selection part of the image in a change of its own,
// recorded as a selection change over the float's bounds.
ErrorCode mergeFloatAsOwnStep(Page& page) {
    PageData& data = *page.pageData();
    const Rect bounds = page.selectionRect();
    if (!data.beginChange()) return kErrDisk;
    ErrorCode code = page.mergeFloat();
    if (code == kErrNone && !page.saveState(PenTool::kUndoSelection, 0, bounds)) code = kErrMemory;
    if (code != kErrNone) {
        data.abortChange();
        page.restoreState();
        return code;
    }
    data.endChange();
    return kErrNone;
}

}  // namespace

ErrorCode PenTool::mouseDown(ToolEvent& event) {
    TS_ASSERT(event.page != nullptr && event.view != nullptr);
    Page& page = *event.page;
    ToolView& view = *event.view;
    PageData* data = page.pageData();
    if (data == nullptr) return kErrGeneral;

    if (page.hasFloat()) {
        const ErrorCode code = mergeFloatAsOwnStep(page);
        if (code != kErrNone) return code;
    }

    if (!data->beginChange()) return kErrDisk;
    StrokeParams params;
    prepareStroke(params, page);
    PenStroke stroke(page, params);

    ToolPoint previous = event.imagePoint;
    ToolPoint current = previous;
    Rect touched;
    ErrorCode code = stroke.begin(current);
    if (code == kErrNone) {
        view.showDrag(current, 0, 0);
        code = stroke.stamp(current);
        const Rect area = segmentArea(previous, current, stroke.params());
        view.drawNow(area);
        touched = unite(touched, area);
    }

    MouseTracker& tracker = view.tracker();
    while (code == kErrNone && tracker.stillDown()) {
        if (current != previous) {
            view.showPoint(current);
            code = stroke.segment(previous, current);
            const Rect area = segmentArea(previous, current, stroke.params());
            view.drawNow(area);
            touched = unite(touched, area);
            previous = current;
        }
        if (!tracker.idleHook()) break;
        current = tracker.imagePoint(view);
        tracker.stepHook();
    }

    touched = intersect(touched, page.bounds());
    if (touched.empty()) touched = Rect{};
    if (code == kErrNone && !page.saveState(params.undoKind, 0, touched)) code = kErrMemory;
    if (code != kErrNone) {
        data->abortChange();
        page.restoreState();
        // The dabs shown while the button was held are gone again.
        if (!touched.empty()) view.drawNow(touched);
        return code;
    }
    data->endChange();
    page.setModified(true);
    return kErrNone;
}

}  // namespace tessary
