#include "effects/tonal/lookup_table_worker.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "effects/framework/image_map.h"
#include "effects/framework/row_operations.h"
#include "effects/framework/scratch_buffer.h"
#include "effects/framework/worker_progress.h"
#include "model/page.h"
#include "model/page_data.h"
#include "platform/assert.h"

namespace tessary {

namespace {

constexpr std::int32_t kTileRows = VMTile::kTileSize;

}  // namespace

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

    // One mapper per plane with a table, its table examined once per run.
    std::vector<std::optional<RowMapper>> mappers(static_cast<std::size_t>(target.planeCount));
    for (int slot = 0; slot < target.planeCount; ++slot) {
        if (map.hasSlot(slot)) mappers[static_cast<std::size_t>(slot)].emplace(map.table(slot));
    }

    WorkerProgress steps(progress, std::int64_t{rect.height()} * target.planeCount);

    // Columns [left, right) of one row of one plane: read, map, blend,
    // write. The mask row, when there is a mask, is in `mask` already.
    auto processSpan = [&](int plane, std::int32_t y, std::int32_t left,
                           std::int32_t right) -> bool {
        const std::int32_t count = right - left;
        if (count <= 0) return true;
        const RowMapper& mapRows = *mappers[static_cast<std::size_t>(plane - target.firstPlane)];
        const std::size_t at = static_cast<std::size_t>(left - rect.left);
        std::uint8_t* in = source.get() + at;
        data->readRowFromPrevious(plane, left, y, count, in);
        const std::uint8_t* out = in;
        if (!blendOpacity && !masked) {
            mapRows(in, in, count);
        } else {
            std::uint8_t* mapped = result.get() + at;
            mapRows(in, mapped, count);
            if (blendOpacity) opacityBlendRow(in, mapped, mapped, amount, blend, count);
            if (masked) maskBlendRow(mask.get() + at, in, mapped, mapped, blend, count);
            out = mapped;
        }
        return data->writeRow(plane, left, y, count, out);
    };

    if (!masked) {
        for (int plane = target.firstPlane; plane <= target.lastPlane(); ++plane) {
            const int slot = plane - target.firstPlane;
            // At full strength each whole tile of the rectangle is mapped in
            // one pass from the previous state's tile into a fresh tile (a
            // constant tile stays constant), a band of tiles when the rows
            // reach it; the rest of each row, and every row outside the
            // bands, goes through the row buffer.
            Rect tiles;
            if (!blendOpacity && map.hasSlot(slot))
                tiles = data->wholeTilesFromPrevious(plane, rect);
            const std::optional<RowMapper>& mapRows = mappers[static_cast<std::size_t>(slot)];
            const ImageData::SampleMap lookUp = [&mapRows](const std::uint8_t* in,
                                                           std::uint8_t* out, std::size_t count) {
                (*mapRows)(in, out, static_cast<std::int64_t>(count));
            };
            for (std::int32_t y = rect.top; y < rect.bottom; ++y) {
                bool written = true;
                if (!map.hasSlot(slot)) {
                    // A plane without a table is left as it is.
                } else if (y >= tiles.top && y < tiles.bottom) {
                    if ((y - tiles.top) % kTileRows == 0) {
                        const Rect band{tiles.left, y, tiles.right, y + kTileRows};
                        written = data->mapTilesFromPrevious(plane, band, lookUp);
                    }
                    written = written && processSpan(plane, y, rect.left, tiles.left) &&
                              processSpan(plane, y, tiles.right, rect.right);
                } else {
                    written = processSpan(plane, y, rect.left, rect.right);
                }
                if (!written) return kErrDisk;
                if (steps.step()) return kErrCancelled;
            }
        }
    } else {
        for (std::int32_t y = rect.top; y < rect.bottom; ++y) {
            data->readRowFromPrevious(target.maskPlane, rect.left, y, rect.width(), mask.get());
            for (int plane = target.firstPlane; plane <= target.lastPlane(); ++plane) {
                if (map.hasSlot(plane - target.firstPlane) &&
                    !processSpan(plane, y, rect.left, rect.right)) {
                    return kErrDisk;
                }
                if (steps.step()) return kErrCancelled;
            }
        }
    }
    return kErrNone;
}

}  // namespace tessary
