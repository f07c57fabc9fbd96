#include "effects/geometry/crop.h"

#include <algorithm>

#include "effects/geometry/geometry_change.h"
#include "model/image_data.h"
#include "model/page.h"
#include "model/page_data.h"
#include "platform/assert.h"

namespace tessary {

ErrorCode cropPage(Page& page) {
    TS_ASSERT(page.pageData() != nullptr);
    if (!page.hasMask() && !page.hasFloat()) return kErrNone;
    const Rect image = page.bounds();

    GeometryChange change(page);
    if (const ErrorCode code = change.open(); code != kErrNone) return code;
    if (page.hasFloat()) {
        if (const ErrorCode code = page.mergeFloat(); code != kErrNone) return change.fail(code);
    }
    const Rect selection = page.storedSelectionRect();
    const Rect keep{std::max(selection.left, image.left), std::max(selection.top, image.top),
                    std::min(selection.right, image.right),
                    std::min(selection.bottom, image.bottom)};
    if (keep.empty()) {
        // An image cannot shrink to nothing.
        change.abort();
        return kErrNone;
    }
    if (const ErrorCode code = page.removeMask(); code != kErrNone) return change.fail(code);

    PageData& data = *page.pageData();
    std::uint8_t fills[ImageData::kMaxPlanes] = {};
    for (int p = 0; p < data.planeCount(); ++p) {
        if ((keep.left != 0 || keep.top != 0) && !data.offsetPlane(p, -keep.left, -keep.top, 0))
            return change.fail(kErrDisk);
    }
    if (!data.resize(keep.width(), keep.height(), fills)) return change.fail(kErrDisk);
    return change.commit(GeometryChange::kUndoCrop, image);
}

}  // namespace tessary
