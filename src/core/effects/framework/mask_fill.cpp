#include "effects/framework/mask_fill.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>

#include "effects/framework/effect_target.h"
#include "effects/framework/worker_progress.h"
#include "model/blend_table.h"
#include "model/grey_weights.h"
#include "model/page.h"
#include "model/page_data.h"
#include "model/progress_port.h"
#include "platform/assert.h"

namespace tessary {

namespace {

std::unique_ptr<std::uint8_t[]> buffer(std::size_t bytes) {
    return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[bytes]);
}

// Old samples of `plane`: from the state before the change while the plane
// existed there.
bool readOld(const PageData& data, int plane, const Rect& area, std::int32_t y,
             std::uint8_t* dest) {
    if (plane < data.previous()->planeCount())
        return data.readRowFromPrevious(plane, area.left, y, area.width(), dest);
    return data.readRow(plane, area.left, y, area.width(), dest);
}

}  // namespace

ErrorCode fillThroughMask(Page& page, const MaskFillRequest& request, ProgressPort* progress) {
    TS_ASSERT(page.pageData() != nullptr);
    TS_ASSERT(request.planeCount >= 1 && request.planeCount <= 3);
    PageData& data = *page.pageData();
    const BlendTable& blend = page.blend();

    int mask = -1;
    int exclusion = -1;
    Rect area;
    if (request.planeA >= 0) {
        mask = request.planeA;
        exclusion = request.planeB >= 0 ? request.planeB : -1;
        area = intersectRects(request.rect, request.limit);
    } else {
        mask = request.planeB >= 1 ? request.planeB : -1;
        area = intersectRects(request.limit, request.limit);
    }
    if (area.empty()) return kErrNone;
    TS_ASSERT(mask < data.planeCount() && exclusion < data.planeCount());

    const int opacity = std::clamp(request.opacity, 0, 255);
    std::uint8_t colour[3];
    if (page.colourPlaneCount() == 3) {
        colour[0] = static_cast<std::uint8_t>(request.colour);
        colour[1] = static_cast<std::uint8_t>(request.colour >> 8);
        colour[2] = static_cast<std::uint8_t>(request.colour >> 16);
    } else {
        colour[0] = colour[1] = colour[2] = GreyWeights::greyOfColour(request.colour);
    }

    const auto width = static_cast<std::size_t>(area.width());
    const bool needOld = opacity < 255 || mask >= 0;
    auto row = buffer(width);
    auto old = needOld ? buffer(width) : nullptr;
    auto maskRow = mask >= 0 ? buffer(width) : nullptr;
    auto exclusionRow = exclusion >= 0 ? buffer(width) : nullptr;
    if (!row || (needOld && !old) || (mask >= 0 && !maskRow) || (exclusion >= 0 && !exclusionRow))
        return kErrMemory;

    const std::int32_t rows = area.height();
    if (mask < 0) {
        // Plane by plane, row by row.
        WorkerProgress steps(progress, std::int64_t{rows} * request.planeCount);
        for (int i = 0; i < request.planeCount; ++i) {
            const int plane = request.firstPlane + i;
            const std::uint8_t c = colour[i];
            if (!needOld) std::fill_n(row.get(), width, c);
            for (std::int32_t y = area.top; y < area.bottom; ++y) {
                if (needOld) {
                    if (!readOld(data, plane, area, y, old.get())) return kErrDisk;
                    for (std::size_t x = 0; x < width; ++x)
                        row[x] = blend.blend(static_cast<std::uint8_t>(opacity), c, old[x]);
                }
                if (!data.writeRow(plane, area.left, y, area.width(), row.get())) return kErrDisk;
                if (steps.step()) return kErrCancelled;
            }
        }
        return kErrNone;
    }

    WorkerProgress steps(progress, rows);
    for (std::int32_t y = area.top; y < area.bottom; ++y) {
        if (!data.readRowOrFill(mask, area.left, y, area.width(), maskRow.get(), 0))
            return kErrDisk;
        if (exclusion >= 0 &&
            !data.readRowOrFill(exclusion, area.left, y, area.width(), exclusionRow.get(), 0))
            return kErrDisk;
        for (int i = 0; i < request.planeCount; ++i) {
            const int plane = request.firstPlane + i;
            const std::uint8_t c = colour[i];
            if (!readOld(data, plane, area, y, old.get())) return kErrDisk;
            for (std::size_t x = 0; x < width; ++x) {
                const std::uint8_t o = old[x];
                const std::uint8_t painted =
                    opacity < 255 ? blend.blend(static_cast<std::uint8_t>(opacity), c, o) : c;
                std::uint8_t v = blend.blend(maskRow[x], painted, o);
                if (exclusion >= 0) {
                    const std::uint8_t e = exclusionRow[x];
                    v = request.invert ? blend.blendSwapped(e, v, o) : blend.blend(e, v, o);
                }
                row[x] = v;
            }
            if (!data.writeRow(plane, area.left, y, area.width(), row.get())) return kErrDisk;
        }
        if (steps.step()) return kErrCancelled;
    }
    return kErrNone;
}

}  // namespace tessary
