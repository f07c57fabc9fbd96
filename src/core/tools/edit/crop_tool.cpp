#include "tools/edit/crop_tool.h"

#include <algorithm>

#include "effects/geometry/crop.h"
#include "effects/geometry/geometry_change.h"
#include "model/page.h"
#include "model/page_data.h"
#include "platform/assert.h"
#include "tools/tool_view.h"

namespace tessary {

CropTool::CropTool(ToolGlobals& globals) : TrackingTool(globals) {
    initialise();
}

void CropTool::initialise() {
    setAll(7, 11);
    setOverSelection(8, 9);
    setEntryInAllRanges(kSpace, 3, 4);
}

ErrorCode CropTool::mouseDown(ToolEvent& event) {
    TS_ASSERT(event.page != nullptr && event.view != nullptr);
    Page& page = *event.page;
    ToolView& view = *event.view;
    PageData* data = page.pageData();
    if (data == nullptr) return kErrGeneral;
    const Rect image = page.bounds();
    const Rect oldArea{image.left - 1, image.top - 1, image.right + 1, image.bottom + 1};

    if (event.action == kCropToSelection) {
        if (const ErrorCode code = cropPage(page); code != kErrNone) return code;
        if (page.bounds() != image) {
            page.setModified(true);
            view.resetLayout(page.bounds());
            view.invalidateImage(oldArea);
        }
        return kErrNone;
    }

    track(event);
    const ToolPoint a = start();
    const ToolPoint b = end();
    if (a == b) return kErrNone;
    const Rect keep{
        std::max(std::min(a.x, b.x), image.left), std::max(std::min(a.y, b.y), image.top),
        std::min(std::max(a.x, b.x), image.right), std::min(std::max(a.y, b.y), image.bottom)};
    if (keep.empty()) return kErrNone;

    GeometryChange change(page);
    if (const ErrorCode code = change.open(); code != kErrNone) return code;
    if (const ErrorCode code = page.mergeFloat(); code != kErrNone) return change.fail(code);
    if (const ErrorCode code = page.removeMask(); code != kErrNone) return change.fail(code);
    if (keep.left != 0 || keep.top != 0) {
        for (int p = 0; p < data->planeCount(); ++p) {
            if (!data->offsetPlane(p, -keep.left, -keep.top, 0)) return change.fail(kErrDisk);
        }
    }
    std::uint8_t fills[ImageData::kMaxPlanes] = {};
    if (!data->resize(keep.width(), keep.height(), fills)) return change.fail(kErrDisk);
    if (const ErrorCode code = change.commit(kUndoKind, oldArea); code != kErrNone) return code;

    page.setModified(true);
    view.invalidateImage(oldArea);
    view.resetLayout(page.bounds());
    return kErrNone;
}

}  // namespace tessary
