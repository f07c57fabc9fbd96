#include "effects/geometry/canvas_size.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <memory>
#include <new>

#include "effects/framework/effect_target.h"
#include "effects/framework/mask_fill.h"
#include "effects/geometry/geometry_change.h"
#include "effects/geometry/geometry_progress.h"
#include "model/page.h"
#include "model/page_data.h"
#include "platform/assert.h"

namespace tessary {

namespace {

std::int32_t floorHalf(std::int64_t v) {
    return static_cast<std::int32_t>(v >= 0 ? v / 2 : -((-v + 1) / 2));
}

// 0: the image's start edge stays, 1: centred, 2: the end edge stays.
int horizontalPlace(CanvasAnchor a) {
    switch (a) {
        case CanvasAnchor::kTopLeft:
        case CanvasAnchor::kLeft:
        case CanvasAnchor::kBottomLeft:
            return 0;
        case CanvasAnchor::kTop:
        case CanvasAnchor::kCentre:
        case CanvasAnchor::kBottom:
            return 1;
        default:
            return 2;
    }
}

int verticalPlace(CanvasAnchor a) {
    switch (a) {
        case CanvasAnchor::kTopLeft:
        case CanvasAnchor::kTop:
        case CanvasAnchor::kTopRight:
            return 0;
        case CanvasAnchor::kLeft:
        case CanvasAnchor::kCentre:
        case CanvasAnchor::kRight:
            return 1;
        default:
            return 2;
    }
}

std::int32_t offsetFor(int place, std::int32_t oldLength, std::int32_t newLength) {
    const std::int64_t difference = std::int64_t{newLength} - oldLength;
    if (place == 0) return 0;
    if (place == 1) return floorHalf(difference);
    return static_cast<std::int32_t>(difference);
}

std::int32_t clampCoordinate(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// Writes the samples of `row` over `area` of a plane. Writing a constant
// tile's own value allocates nothing, so only tiles that held other samples
// take storage.
bool fillArea(PageData& data, int plane, const Rect& area, const std::uint8_t* row) {
    for (std::int32_t y = area.top; y < area.bottom; ++y) {
        if (!data.writeRow(plane, area.left, y, area.width(), row)) return false;
    }
    return true;
}

}  // namespace

void canvasOffset(CanvasAnchor anchor, std::int32_t oldWidth, std::int32_t oldHeight,
                  std::int32_t newWidth, std::int32_t newHeight, std::int32_t& dx,
                  std::int32_t& dy) {
    dx = offsetFor(horizontalPlace(anchor), oldWidth, newWidth);
    dy = offsetFor(verticalPlace(anchor), oldHeight, newHeight);
}

CanvasStrips canvasNewArea(std::int32_t oldWidth, std::int32_t oldHeight, std::int32_t newWidth,
                           std::int32_t newHeight, CanvasAnchor anchor) {
    std::int32_t dx = 0, dy = 0;
    canvasOffset(anchor, oldWidth, oldHeight, newWidth, newHeight, dx, dy);
    const Rect canvas{0, 0, newWidth, newHeight};
    // The old image on the new canvas, clipped.
    const Rect image = intersectRects(Rect{dx, dy, dx + oldWidth, dy + oldHeight}, canvas);
    CanvasStrips out;
    if (image.empty()) {
        out.strips[0] = canvas;
        return out;
    }
    out.strips[0] = intersectRects(Rect{image.right, image.top, newWidth, image.bottom}, canvas);
    out.strips[1] = intersectRects(Rect{0, image.bottom, newWidth, newHeight}, canvas);
    out.strips[2] = intersectRects(Rect{0, image.top, image.left, image.bottom}, canvas);
    out.strips[3] = intersectRects(Rect{0, 0, newWidth, image.top}, canvas);
    return out;
}

ErrorCode resizeCanvas(Page& page, std::int32_t newWidth, std::int32_t newHeight,
                       CanvasAnchor anchor) {
    TS_ASSERT(page.pageData() != nullptr);
    if (newWidth < 1 || newHeight < 1) return kErrGeneral;
    PageData& data = *page.pageData();
    const std::int32_t oldWidth = data.width();
    const std::int32_t oldHeight = data.height();
    const int k = page.colourPlaneCount();
    std::int32_t dx = 0, dy = 0;
    canvasOffset(anchor, oldWidth, oldHeight, newWidth, newHeight, dx, dy);

    std::uint8_t fills[ImageData::kMaxPlanes] = {};
    for (int p = 0; p < data.planeCount(); ++p) fills[p] = p < k ? 255 : 0;
    // The colour planes and the mask, and the area their tiles covered before
    // the resize, moved with the image: only there can old samples show
    // through in the new area.
    const int filled = page.hasMask() || page.hasFloat() ? k + 1 : k;
    Rect covered[ImageData::kMaxPlanes];
    for (int p = 0; p < filled; ++p) {
        const ImageData::PlaneRecord& r = data.current()->plane(p);
        const std::int64_t left = std::int64_t{r.originX} + dx;
        const std::int64_t top = std::int64_t{r.originY} + dy;
        covered[p] = Rect{clampCoordinate(left), clampCoordinate(top),
                          clampCoordinate(r.right() + dx), clampCoordinate(r.bottom() + dy)};
    }
    if (dx != 0 || dy != 0) {
        for (int p = 0; p < data.planeCount(); ++p) {
            if (!data.offsetPlane(p, dx, dy, fills[p])) return kErrDisk;
        }
    }
    if (!data.resize(newWidth, newHeight, fills)) return kErrDisk;

    // Tiles that the old image only partly covered keep whatever lay beyond
    // its edge: set the new area explicitly on the colour planes and the
    // mask (a float is positioned by its own planes and is not touched).
    const CanvasStrips area = canvasNewArea(oldWidth, oldHeight, newWidth, newHeight, anchor);
    std::unique_ptr<std::uint8_t[]> row(new (std::nothrow)
                                            std::uint8_t[static_cast<std::size_t>(newWidth)]);
    if (!row) return kErrMemory;
    for (int p = 0; p < filled; ++p) {
        std::fill_n(row.get(), newWidth, fills[p]);
        for (const Rect& strip : area.strips) {
            const Rect stale = intersectRects(strip, covered[p]);
            if (!stale.empty() && !fillArea(data, p, stale, row.get())) return kErrDisk;
        }
    }
    if (page.hasMask() || page.hasFloat()) {
        Rect s = page.storedSelectionRect();
        s = Rect{s.left + dx, s.top + dy, s.right + dx, s.bottom + dy};
        page.setSelectionRect(s);
    }
    return kErrNone;
}

ErrorCode changeCanvasSize(Page& page, std::int32_t newWidth, std::int32_t newHeight,
                           CanvasAnchor anchor, std::uint32_t background,
                           ProgressFactory* progressFactory) {
    TS_ASSERT(page.pageData() != nullptr);
    if (newWidth < 1 || newHeight < 1) return kErrGeneral;
    const std::int32_t oldWidth = page.bounds().width();
    const std::int32_t oldHeight = page.bounds().height();
    GeometryChange change(page);
    if (const ErrorCode code = change.open(); code != kErrNone) return code;
    if (const ErrorCode code = resizeCanvas(page, newWidth, newHeight, anchor); code != kErrNone)
        return change.fail(code);

    GeometryProgress progress(progressFactory);
    const CanvasStrips area = canvasNewArea(oldWidth, oldHeight, newWidth, newHeight, anchor);
    for (const Rect& strip : area.strips) {
        if (strip.empty()) continue;
        MaskFillRequest fill;
        fill.colour = background;
        fill.firstPlane = 0;
        fill.planeCount = page.colourPlaneCount();
        fill.planeA = -1;
        fill.planeB = -1;
        fill.opacity = 255;
        fill.limit = strip;
        if (const ErrorCode code = fillThroughMask(page, fill, progress.port()); code != kErrNone)
            return change.fail(code);
    }
    progress.finish(true);
    return change.commit(GeometryChange::kUndoResize, page.bounds());
}

}  // namespace tessary
