#include "effects/lookup_table_worker.h"

#include <algorithm>
#include <cstdint>

#include "effects/image_map.h"
#include "effects/row_operations.h"
#include "effects/scratch_buffer.h"
#include "effects/worker_progress.h"
#include "model/page.h"
#include "model/page_data.h"
#include "platform/assert.h"

namespace tessary {

ErrorCode runLookupTableWorker(Page& page, const ImageMap& map, const EffectTarget& target,
                               int opacity, ProgressPort* progress) {
    PageData* data = page.pageData();
    TS_ASSERT(data != nullptr && map.valid());
    const Rect& rect = target.rect;
    if (rect.empty()) return kErrNone;
    const auto width = static_cast<std::size_t>(rect.width());
    const auto amount = static_cast<std::uint8_t>(std::clamp(opacity, 0, 255));
    const bool blendOpacity = amount < 255;
    const bool masked = target.maskPlane >= 0;
    const BlendTable& blend = page.blend();

    auto source = allocateScratch<std::uint8_t>(width);
    std::unique_ptr<std::uint8_t[]> result;
    std::unique_ptr<std::uint8_t[]> mask;
    if (blendOpacity || masked) result = allocateScratch<std::uint8_t>(width);
    if (masked) mask = allocateScratch<std::uint8_t>(width);
    if (!source || ((blendOpacity || masked) && !result) || (masked && !mask)) return kErrMemory;

    WorkerProgress steps(progress, std::int64_t{rect.height()} * target.planeCount);

    // One row of one plane: read, map, blend, write.
    auto processRow = [&](int plane, std::int32_t y) -> ErrorCode {
        const int slot = plane - target.firstPlane;
        if (map.hasSlot(slot)) {
            data->readRowFromPrevious(plane, rect.left, y, rect.width(), source.get());
            const std::uint8_t* out = source.get();
            if (!blendOpacity && !masked) {
                mapRow(source.get(), source.get(), map.table(slot), rect.width());
            } else {
                mapRow(source.get(), result.get(), map.table(slot), rect.width());
                if (blendOpacity) {
                    opacityBlendRow(source.get(), result.get(), result.get(), amount, blend,
                                    rect.width());
                }
                if (masked) {
                    maskBlendRow(mask.get(), source.get(), result.get(), result.get(), blend,
                                 rect.width());
                }
                out = result.get();
            }
            if (!data->writeRow(plane, rect.left, y, rect.width(), out)) return kErrDisk;
        }
        return steps.step() ? kErrCancelled : kErrNone;
    };

    if (!masked) {
        for (int plane = target.firstPlane; plane <= target.lastPlane(); ++plane) {
            for (std::int32_t y = rect.top; y < rect.bottom; ++y) {
                if (const ErrorCode code = processRow(plane, y)) return code;
            }
        }
    } else {
        for (std::int32_t y = rect.top; y < rect.bottom; ++y) {
            data->readRowFromPrevious(target.maskPlane, rect.left, y, rect.width(), mask.get());
            for (int plane = target.firstPlane; plane <= target.lastPlane(); ++plane) {
                if (const ErrorCode code = processRow(plane, y)) return code;
            }
        }
    }
    return kErrNone;
}

}  // namespace tessary
