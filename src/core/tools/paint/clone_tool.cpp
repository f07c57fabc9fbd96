#include "tools/paint/clone_tool.h"

#include <algorithm>

#include "app/tool_box_prefs.h"
#include "app/tool_globals.h"
#include "model/page.h"
#include "model/page_data.h"
#include "tools/paint/pen_stroke.h"

namespace tessary {
namespace {

Rect intersect(const Rect& a, const Rect& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

bool contains(const Rect& outer, const Rect& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// Reads the page's present pixels of `area` (inside the image) into the
// paint of every plane, at the place `area` takes within `frame`, a
// rectangle of the dab's size.
void readInto(PenStroke& stroke, const Rect& frame, const Rect& area) {
    const PageData& data = *stroke.page().pageData();
    const auto width = static_cast<std::size_t>(frame.width());
    for (int p = 0; p < stroke.planeCount(); ++p) {
        std::uint8_t* paint = stroke.paintPlane(p);
        for (std::int32_t y = area.top; y < area.bottom; ++y) {
            const std::size_t offset = static_cast<std::size_t>(y - frame.top) * width +
                                       static_cast<std::size_t>(area.left - frame.left);
            data.readRow(p, area.left, y, area.width(), paint + offset);
        }
    }
}

}  // namespace

CloneTool::CloneTool(ToolGlobals& globals) : PenTool(globals) {
    initialise();
}

void CloneTool::initialise() {
    setAll(12, 16);
    setEntryInAllRanges(kAlt, 13, 17);
    setEntryInAllRanges(kSpace, 3, 4);
}

ErrorCode CloneTool::mouseDown(ToolEvent& event) {
    if (event.action == kSetSourceAction) {
        globals().cloneSourceX = event.imagePoint.x;
        globals().cloneSourceY = event.imagePoint.y;
        return kErrNone;
    }
    if (event.action == kPaintAction) return PenTool::mouseDown(event);
    return kErrNone;
}

void CloneTool::loadOptions(const ToolBoxPrefs* record) {
    m_options =
        record == nullptr ? kBuiltIn : loadBrushOptions(*record, kSecondBrushSet, kLoadedThickness);
}

void CloneTool::storeOptions(ToolBoxPrefs& record) const {
    storeBrushOptions(m_options, record, kSecondBrushSet);
}

void CloneTool::prepareStroke(StrokeParams& params, const Page&) {
    params = {};
    strokeFromBrushOptions(m_options, globals().opacity, params);
    params.undoKind = kUndoKind;
    params.colour = globals().foreground;
    params.dabHook = this;
}

void CloneTool::beforeDab(PenStroke& stroke) {
    const Rect& dab = stroke.dabRect();
    const Rect image = stroke.page().bounds();
    // The source centre is the clone source plus the dab's offset; the dab
    // centre minus the dab rectangle's corner places the source rectangle.
    const std::int32_t halfWidth = dab.width() / 2;
    const std::int32_t halfHeight = dab.height() / 2;
    const std::int32_t left = globals().cloneSourceX + stroke.dabOffset().x - halfWidth;
    const std::int32_t top = globals().cloneSourceY + stroke.dabOffset().y - halfHeight;
    const Rect source{left, top, left + dab.width(), top + dab.height()};
    if (!contains(image, source)) readInto(stroke, dab, intersect(dab, image));
    const Rect inside = intersect(source, image);
    if (inside.empty()) return;
    readInto(stroke, source, inside);
}

}  // namespace tessary
