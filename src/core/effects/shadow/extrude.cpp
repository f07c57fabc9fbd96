#include "effects/shadow/extrude.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <limits>
#include <memory>
#include <new>

#include "effects/framework/effect_target.h"
#include "effects/framework/mask_fill.h"
#include "effects/geometry/geometry_change.h"
#include "effects/geometry/geometry_names.h"
#include "effects/geometry/geometry_progress.h"
#include "model/page.h"
#include "model/page_data.h"

namespace tessary {

namespace {

constexpr std::uint32_t kStepDelayMs = 40;

std::int32_t clampCoordinate(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

Rect moved(const Rect& r, std::int64_t dx, std::int64_t dy) {
    return Rect{clampCoordinate(r.left + dx), clampCoordinate(r.top + dy),
                clampCoordinate(r.right + dx), clampCoordinate(r.bottom + dy)};
}

Rect unite(const Rect& a, const Rect& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

int sign(std::int32_t v) {
    return v > 0 ? 1 : (v < 0 ? -1 : 0);
}

enum class Combine { kAdd, kSubtract };

// Over `area` of the current state: mask = min(255, mask + work) or
// max(0, mask - work), row by row.
ErrorCode combine(PageData& data, int mask, int work, const Rect& area, Combine how,
                  std::uint8_t* maskRow, std::uint8_t* workRow) {
    const auto width = static_cast<std::size_t>(area.width());
    for (std::int32_t y = area.top; y < area.bottom; ++y) {
        if (!data.readRowOrFill(mask, area.left, y, area.width(), maskRow, 0) ||
            !data.readRowOrFill(work, area.left, y, area.width(), workRow, 0))
            return kErrDisk;
        if (how == Combine::kAdd) {
            for (std::size_t x = 0; x < width; ++x) {
                const unsigned sum = unsigned{maskRow[x]} + workRow[x];
                maskRow[x] = static_cast<std::uint8_t>(sum > 255 ? 255 : sum);
            }
        } else {
            for (std::size_t x = 0; x < width; ++x) {
                maskRow[x] = maskRow[x] > workRow[x]
                                 ? static_cast<std::uint8_t>(maskRow[x] - workRow[x])
                                 : 0;
            }
        }
        if (!data.writeRow(mask, area.left, y, area.width(), maskRow)) return kErrDisk;
    }
    return kErrNone;
}

ErrorCode sweep(Page& page, const ExtrudeRequest& request, GeometryProgress& progress,
                Rect& affected) {
    PageData& data = *page.pageData();
    const int k = page.colourPlaneCount();
    const int mask = k;
    const int work = k + 1;
    const bool floating = page.hasFloat();
    const Rect image = page.bounds();
    // A plain selection lies in the image; samples of the mask plane past the
    // image's edge are not part of it and must not be swept in.
    const Rect selection =
        floating ? page.selectionRect() : intersectRects(page.selectionRect(), image);

    progress.setText(0, geometry_name::kWorking.text);
    progress.setText(1, geometry_name::kCalculating.text);
    progress.setDelay(kStepDelayMs);
    if (!data.insertPlane(work, 0) || !data.sharePlane(work, data, mask)) return kErrDisk;

    const int sx = sign(request.dx);
    const int sy = sign(request.dy);
    const std::int64_t steps =
        std::max(std::abs(std::int64_t{request.dx}), std::abs(std::int64_t{request.dy}));
    const Rect swept = unite(selection, moved(selection, sx * steps, sy * steps));
    // A float's mask is positioned by its own plane: let it reach the swept
    // area (a plain mask covers the image, which is all that matters there).
    if (floating && !data.extendPlane(mask, swept, 0)) return kErrDisk;

    const auto width = static_cast<std::size_t>(std::max(swept.width(), 1));
    std::unique_ptr<std::uint8_t[]> maskRow(new (std::nothrow) std::uint8_t[width]);
    std::unique_ptr<std::uint8_t[]> workRow(new (std::nothrow) std::uint8_t[width]);
    if (!maskRow || !workRow) return kErrMemory;

    progress.begin(steps + 1);
    Rect rect = selection;
    for (std::int64_t i = 0; i < steps; ++i) {
        if (!data.offsetPlane(work, sx, sy, 0)) return kErrDisk;
        rect = moved(rect, sx, sy);
        const Rect area = floating ? rect : intersectRects(rect, image);
        if (!area.empty()) {
            if (const ErrorCode code =
                    combine(data, mask, work, area, Combine::kAdd, maskRow.get(), workRow.get());
                code != kErrNone)
                return code;
        }
        if (progress.step()) return kErrCancelled;
    }
    // The working plane holds the selection again.
    if (steps > 0 && !data.offsetPlane(work, -static_cast<std::int32_t>(sx * steps),
                                       -static_cast<std::int32_t>(sy * steps), 0))
        return kErrDisk;
    rect = unite(rect, selection);
    if (!floating) rect = intersectRects(rect, image);

    if (request.select) {
        if (!rect.empty()) {
            if (const ErrorCode code = combine(data, mask, work, rect, Combine::kSubtract,
                                               maskRow.get(), workRow.get());
                code != kErrNone)
                return code;
        }
        if (!data.removePlane(work)) return kErrDisk;
        page.setSelectionRect(rect);
    } else {
        progress.setText(1, geometry_name::kExtrude.text);
        MaskFillRequest fill;
        fill.colour = request.colour;
        fill.firstPlane = 0;
        fill.planeCount = k;
        fill.planeA = mask;
        fill.rect = rect;
        fill.opacity = 255;
        fill.planeB = work;
        fill.limit = image;
        fill.invert = true;
        if (const ErrorCode code = fillThroughMask(page, fill, progress.port()); code != kErrNone)
            return code;
        // The working plane becomes the selection mask again.
        if (!data.removePlane(mask)) return kErrDisk;
    }
    progress.step();
    affected = floating ? rect : intersectRects(rect, image);
    return kErrNone;
}

}  // namespace

void extrudeOffset(int direction, std::int32_t distance, std::int32_t& dx, std::int32_t& dy) {
    static constexpr int kX[8] = {0, 1, 1, 1, 0, -1, -1, -1};
    static constexpr int kY[8] = {-1, -1, 0, 1, 1, 1, 0, -1};
    if (direction < 0 || direction > 7) {
        dx = dy = 0;
        return;
    }
    dx = kX[direction] * distance;
    dy = kY[direction] * distance;
}

ErrorCode extrude(Page& page, const ExtrudeRequest& request, Rect& affected,
                  ProgressFactory* progressFactory) {
    affected = Rect{};
    if (!page.pageData() || (!page.hasMask() && !page.hasFloat())) return kErrNone;
    GeometryChange change(page);
    if (const ErrorCode code = change.open(); code != kErrNone) return code;
    if (request.select && page.hasFloat()) {
        if (const ErrorCode code = page.mergeFloat(); code != kErrNone) return change.fail(code);
    }
    Rect result;
    {
        GeometryProgress progress(progressFactory);
        const ErrorCode code = sweep(page, request, progress, result);
        progress.finish(code == kErrNone);
        if (code != kErrNone) return change.fail(code);
    }
    const std::uint32_t kind =
        request.select ? GeometryChange::kUndoSelection : GeometryChange::kUndoFill;
    if (const ErrorCode code = change.commit(kind, result); code != kErrNone) return code;
    if (request.select) page.countChange();
    affected = result;
    return kErrNone;
}

}  // namespace tessary
