#include "tools/navigation/magnify_tool.h"

#include <algorithm>
#include <cstdlib>

#include "model/page.h"
#include "platform/assert.h"
#include "tools/tool_view.h"

namespace tessary {
namespace {

ToolPoint clampInto(ToolPoint point, const Rect& image) {
    if (image.empty()) return point;
    return {std::clamp(point.x, image.left, image.right - 1),
            std::clamp(point.y, image.top, image.bottom - 1)};
}

}  // namespace

MagnifyTool::MagnifyTool(ToolGlobals& globals) : TrackingTool(globals) {
    initialise();
}

void MagnifyTool::initialise() {
    setAll(17, 6);
    setEntryInAllRanges(kAlt, 18, 7);
    setEntryInAllRanges(kSpace, 3, 4);
}

std::int64_t MagnifyTool::zoomRequest(std::int64_t areaWidth, std::int64_t areaHeight,
                                      std::int64_t width, std::int64_t height) {
    TS_ASSERT(width > 0 && height > 0);
    return std::min(std::max<std::int64_t>(areaWidth, 0) / width,
                    std::max<std::int64_t>(areaHeight, 0) / height);
}

ErrorCode MagnifyTool::mouseDown(ToolEvent& event) {
    TS_ASSERT(event.view != nullptr);
    ToolView& view = *event.view;
    track(event);
    const Rect image = event.page != nullptr ? event.page->bounds() : Rect{};
    const ToolPoint a = clampInto(start(), image);
    const ToolPoint b = clampInto(end(), image);
    const ToolPoint centre{static_cast<std::int32_t>((std::int64_t{a.x} + b.x) / 2),
                           static_cast<std::int32_t>((std::int64_t{a.y} + b.y) / 2)};
    const std::int64_t width = std::llabs(std::int64_t{b.x} - a.x);
    const std::int64_t height = std::llabs(std::int64_t{b.y} - a.y);

    if (width > 0 && height > 0 && (width >= kMinDragSide || height >= kMinDragSide)) {
        const Rect area = view.imageArea();
        const std::int64_t request = zoomRequest(area.width(), area.height(), width, height);
        view.zoomToAbout(static_cast<double>(request), centre);
        return kErrNone;
    }
    switch (event.action) {
        case kZoomOut:
            view.zoomOutAbout(centre);
            break;
        case kActualPixels:
            view.zoomToAbout(1.0, centre);
            break;
        default:
            view.zoomInAbout(centre);
            break;
    }
    return kErrNone;
}

}  // namespace tessary
