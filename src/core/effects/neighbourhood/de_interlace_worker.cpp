#include "effects/neighbourhood/de_interlace_worker.h"

#include <algorithm>
#include <cstdint>

#include "effects/framework/row_operations.h"
#include "effects/framework/scratch_buffer.h"
#include "effects/framework/worker_progress.h"
#include "effects/neighbourhood/de_interlace_fltr.h"
#include "model/page.h"
#include "model/page_data.h"
#include "platform/assert.h"

namespace tessary {

namespace {

// Row numbers (from 0 at the rectangle's top) that the filter replaces.
bool replaces(const DeInterlaceFltr& filter, std::int32_t row) {
    const bool odd = (row & 1) != 0;
    return filter.field == DeInterlaceFltr::kReplaceOddRows ? odd : !odd;
}

}  // namespace

ErrorCode runDeInterlaceWorker(Page& page, const DeInterlaceFltr& filter,
                               const EffectTarget& target, ProgressPort* progress) {
    PageData* data = page.pageData();
    TS_ASSERT(data != nullptr);
    const Rect& rect = target.rect;
    if (rect.empty()) return kErrNone;
    const std::int32_t rows = rect.height();
    const auto width = static_cast<std::size_t>(rect.width());
    auto above = allocateScratch<std::uint8_t>(width);
    auto below = allocateScratch<std::uint8_t>(width);
    if (!above || !below) return kErrMemory;

    WorkerProgress steps(progress, std::int64_t{rows} * target.planeCount / 2);
    const bool interpolate = filter.method == DeInterlaceFltr::kInterpolation;

    for (std::int32_t r = 0; r < rows; ++r) {
        if (!replaces(filter, r)) continue;
        std::int32_t first = 0;  // rows read (from the rectangle's top)
        std::int32_t second = 0;
        bool rebuild = true;
        if (interpolate) {
            first = r > 0 ? r - 1 : r + 1;
            second = r < rows - 1 ? r + 1 : r - 1;
            rebuild = rows > 1;
        } else {
            first = second = filter.field == DeInterlaceFltr::kReplaceOddRows ? r - 1 : r + 1;
            rebuild = first >= 0 && first < rows;
        }
        for (int plane = target.firstPlane; plane <= target.lastPlane(); ++plane) {
            if (rebuild) {
                data->readRowFromPrevious(plane, rect.left, rect.top + first, rect.width(),
                                          above.get());
                if (second != first) {
                    data->readRowFromPrevious(plane, rect.left, rect.top + second, rect.width(),
                                              below.get());
                    for (std::size_t i = 0; i < width; ++i) {
                        above[i] = static_cast<std::uint8_t>((above[i] + below[i]) / 2);
                    }
                }
                if (!data->writeRow(plane, rect.left, rect.top + r, rect.width(), above.get())) {
                    return kErrDisk;
                }
            }
            if (steps.step()) return kErrCancelled;
        }
    }
    return kErrNone;
}

ErrorCode runDeInterlaceOpacityPass(Page& page, const DeInterlaceFltr& filter,
                                    const EffectTarget& target, int opacity) {
    PageData* data = page.pageData();
    TS_ASSERT(data != nullptr);
    const auto level = static_cast<std::uint8_t>(std::clamp(opacity, 0, 255));
    const bool masked = target.maskPlane >= 0;
    const Rect& rect = target.rect;
    if (rect.empty() || (level == 255 && !masked)) return kErrNone;
    const auto width = static_cast<std::size_t>(rect.width());
    auto before = allocateScratch<std::uint8_t>(width);
    auto after = allocateScratch<std::uint8_t>(width);
    auto mask = allocateScratch<std::uint8_t>(width);
    if (!before || !after || !mask) return kErrMemory;
    const BlendTable& blend = page.blend();

    for (std::int32_t r = 0; r < rect.height(); ++r) {
        if (!replaces(filter, r)) continue;
        const std::int32_t y = rect.top + r;
        if (masked) data->readRow(target.maskPlane, rect.left, y, rect.width(), mask.get());
        for (int plane = target.firstPlane; plane <= target.lastPlane(); ++plane) {
            data->readRowFromPrevious(plane, rect.left, y, rect.width(), before.get());
            data->readRow(plane, rect.left, y, rect.width(), after.get());
            if (level < 255)
                opacityBlendRow(before.get(), after.get(), after.get(), level, blend, rect.width());
            if (masked)
                maskBlendRow(mask.get(), before.get(), after.get(), after.get(), blend,
                             rect.width());
            if (!data->writeRow(plane, rect.left, y, rect.width(), after.get())) return kErrDisk;
        }
    }
    return kErrNone;
}

}  // namespace tessary
