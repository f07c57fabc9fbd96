#include "effects/geometry/canvas_resolution.h"

#include <cmath>

#include "effects/geometry/geometry_change.h"
#include "model/page.h"

namespace tessary {

ErrorCode setCanvasResolution(Page& page, double horizontal, double vertical) {
    if (!std::isfinite(horizontal) || !std::isfinite(vertical) || horizontal <= 0 || vertical <= 0)
        return kErrGeneral;
    GeometryChange change(page);
    if (const ErrorCode code = change.open(); code != kErrNone) return code;
    page.setResolution(horizontal, vertical);
    return change.commit(GeometryChange::kUndoResolution, page.bounds());
}

}  // namespace tessary
