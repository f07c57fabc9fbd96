#include "effects/geometry/geometry_target.h"

#include "model/page.h"
#include "model/page_data.h"
#include "platform/assert.h"

namespace tessary {

namespace {

std::int32_t floorHalf(std::int64_t v) {
    return static_cast<std::int32_t>(v >= 0 ? v / 2 : -((-v + 1) / 2));
}

}  // namespace

ErrorCode liftGeometryTarget(Page& page, GeometryTarget& target) {
    TS_ASSERT(page.pageData() != nullptr);
    const int k = page.colourPlaneCount();
    const bool liftedNow = page.hasMask();
    if (liftedNow) {
        const ErrorCode code = page.liftFloat();
        if (code != kErrNone) return code;
    }
    target = GeometryTarget{};
    target.planeCount = k;
    target.floating = page.hasFloat();
    if (!target.floating) {
        target.firstPlane = 0;
        target.maskPlane = -1;
        target.rect = page.bounds();
        for (int p = 0; p < k; ++p) target.planes[target.planesUsed++] = {p, p};
        return kErrNone;
    }
    target.firstPlane = k + 1;
    target.maskPlane = k;
    target.rect = page.selectionRect();
    target.planes[target.planesUsed++] = {k, k};
    for (int p = 0; p < k; ++p) {
        target.planes[target.planesUsed++] = {k + 1 + p, liftedNow ? p : k + 1 + p};
    }
    return kErrNone;
}

Rect geometryResultRect(const GeometryTarget& target, std::int32_t width, std::int32_t height) {
    if (!target.floating) return Rect{0, 0, width, height};
    const Rect& old = target.rect;
    const std::int32_t cx = floorHalf(std::int64_t{old.left} + old.right);
    const std::int32_t cy = floorHalf(std::int64_t{old.top} + old.bottom);
    const std::int32_t left = cx - width / 2;
    const std::int32_t top = cy - height / 2;
    return Rect{left, top, left + width, top + height};
}

ErrorCode reshapeGeometryTarget(Page& page, const GeometryTarget& target, const Rect& result) {
    PageData& data = *page.pageData();
    const std::uint8_t fill = target.floating ? 0 : 255;
    for (int i = 0; i < target.planesUsed; ++i) {
        const int plane = target.planes[i].target;
        if (!data.removePlane(plane) || !data.insertPlane(plane, fill)) return kErrDisk;
    }
    if (!target.floating) {
        std::uint8_t fills[ImageData::kMaxPlanes];
        for (auto& f : fills) f = 255;
        return data.resize(result.width(), result.height(), fills) ? kErrNone : kErrDisk;
    }
    for (int i = 0; i < target.planesUsed; ++i) {
        if (!data.extendPlane(target.planes[i].target, result, 0)) return kErrDisk;
    }
    page.setSelectionRect(result);
    return kErrNone;
}

}  // namespace tessary
