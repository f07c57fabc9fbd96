#include "effects/shadow/drop_shadow.h"

#include <algorithm>
#include <limits>

#include "effects/framework/effect_target.h"
#include "effects/framework/mask_fill.h"
#include "effects/geometry/geometry_change.h"
#include "effects/geometry/geometry_names.h"
#include "effects/geometry/geometry_progress.h"
#include "effects/shadow/drop_shadow_feather.h"
#include "model/page.h"
#include "model/page_data.h"

namespace tessary {

namespace {

constexpr std::uint32_t kStepDelayMs = 40;
constexpr int kMaxRadius = 16;

std::int32_t clampCoordinate(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

Rect moved(const Rect& r, std::int64_t dx, std::int64_t dy) {
    return Rect{clampCoordinate(r.left + dx), clampCoordinate(r.top + dy),
                clampCoordinate(r.right + dx), clampCoordinate(r.bottom + dy)};
}

Rect grown(const Rect& r, std::int64_t by) {
    return Rect{clampCoordinate(r.left - by), clampCoordinate(r.top - by),
                clampCoordinate(r.right + by), clampCoordinate(r.bottom + by)};
}

ErrorCode paint(Page& page, const DropShadowRequest& request, GeometryProgress& progress,
                Rect& painted) {
    PageData& data = *page.pageData();
    const int k = page.colourPlaneCount();
    const int mask = k;
    const int kept = k + 1;
    const bool floating = page.hasFloat();
    const Rect image = page.bounds();
    const Rect selection = page.selectionRect();
    const std::int32_t feather = std::max(request.feather, 0);
    Rect rect = grown(selection, feather);

    progress.setText(0, geometry_name::kWorking.text);
    // The kept copy of the selection mask, right after it.
    if (!data.insertPlane(kept, 0) || !data.sharePlane(kept, data, mask)) return kErrDisk;

    progress.setText(1, geometry_name::kFeathering.text);
    progress.setDelay(kStepDelayMs);
    // The soft mask is rebuilt over the whole rectangle even without
    // feathering: samples of the mask plane beyond the selectable area (past
    // the image's edge inside its last tiles) must not be shifted into the
    // shadow. A float's mask is meaningful only within its bounds.
    const Rect limit = floating ? selection : image;
    if (!data.extendPlane(mask, rect, 0)) return kErrDisk;
    progress.begin(rect.height());
    if (const ErrorCode code = featherMask(data, kept, mask, rect, limit,
                                           std::min(feather, kMaxRadius), progress, page.workers());
        code != kErrNone)
        return code;

    if (!data.offsetPlane(mask, request.horizontalOffset, request.verticalOffset, 0))
        return kErrDisk;
    rect = moved(rect, request.horizontalOffset, request.verticalOffset);

    progress.setText(1, geometry_name::kDropShadow.text);
    MaskFillRequest fill;
    fill.colour = request.colour;
    fill.firstPlane = 0;
    fill.planeCount = k;
    fill.planeA = mask;
    fill.rect = rect;
    fill.opacity = std::clamp(request.opacity, 0, 255);
    fill.planeB = floating ? -1 : kept;
    fill.limit = image;
    fill.invert = true;
    if (const ErrorCode code = fillThroughMask(page, fill, progress.port()); code != kErrNone)
        return code;

    // The kept copy becomes the selection mask again.
    if (!data.removePlane(mask)) return kErrDisk;
    painted = intersectRects(rect, image);
    return kErrNone;
}

}  // namespace

std::int32_t dropShadowOpacity(std::int32_t intensityPercent) {
    return std::clamp(intensityPercent, 0, 100) * 255 / 100;
}

ErrorCode dropShadow(Page& page, const DropShadowRequest& request, Rect& painted,
                     ProgressFactory* progressFactory) {
    painted = Rect{};
    if (!page.pageData() || (!page.hasMask() && !page.hasFloat())) return kErrNone;
    GeometryChange change(page);
    if (const ErrorCode code = change.open(); code != kErrNone) return code;
    Rect result;
    {
        GeometryProgress progress(progressFactory);
        const ErrorCode code = paint(page, request, progress, result);
        progress.finish(code == kErrNone);
        if (code != kErrNone) return change.fail(code);
    }
    if (const ErrorCode code = change.commit(GeometryChange::kUndoFill, result); code != kErrNone)
        return code;
    painted = result;
    return kErrNone;
}

}  // namespace tessary
