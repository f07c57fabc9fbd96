#include "effects/tonal/lookup_table_worker.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "effects/framework/image_map.h"
#include "effects/framework/row_operations.h"
#include "effects/framework/scratch_buffer.h"
#include "effects/framework/worker_progress.h"
#include "model/page.h"
#include "model/page_data.h"
#include "platform/assert.h"
#include "platform/worker_pool.h"

namespace tessary {

namespace {

constexpr std::int32_t kTileRows = VMTile::kTileSize;

// Rows per band of the banded passes: about this many samples per plane, so
// a band is worth handing to a thread.
constexpr std::size_t kBandSamples = 64 * 1024;
constexpr std::int32_t kMaxBandRows = 64;

// One band's rows: the source and result rows of every plane, and the mask.
struct MapSlot {
    std::unique_ptr<std::uint8_t[]> source;
    std::unique_ptr<std::uint8_t[]> result;
    std::unique_ptr<std::uint8_t[]> mask;
};

// The map with an opacity below 255 or a mask, in bands of rows spread over
// the page's worker pool: rows are read and written on this thread, mapped
// and blended on any. Without a mask a band is one plane's rows (plane
// after plane); with a mask a band holds every plane's rows and the mask's.
// The writes and progress steps come in the order of a row-by-row pass.
ErrorCode mapBands(Page& page, const std::vector<std::optional<RowMapper>>& mappers,
                   const EffectTarget& target, std::uint8_t amount, WorkerProgress& steps) {
    PageData* data = page.pageData();
    const Rect& rect = target.rect;
    const auto width = static_cast<std::size_t>(rect.width());
    const bool masked = target.maskPlane >= 0;
    const BlendTable& blend = page.blend();
    const int planes = target.planeCount;
    const int bandPlanes = masked ? planes : 1;
    const auto bandRows =
        static_cast<std::int32_t>(std::clamp<std::size_t>(kBandSamples / width, 1, kMaxBandRows));
    const std::int64_t bandsPerPlane = (std::int64_t{rect.height()} + bandRows - 1) / bandRows;
    const std::size_t bandBytes = width * static_cast<std::size_t>(bandRows);

    WorkerPool* workers = page.workers();
    std::vector<MapSlot> slots(static_cast<std::size_t>(OrderedJobs::slotsFor(workers)));
    for (MapSlot& slot : slots) {
        slot.source = allocateScratch<std::uint8_t>(bandBytes * bandPlanes);
        slot.result = allocateScratch<std::uint8_t>(bandBytes * bandPlanes);
        if (masked) slot.mask = allocateScratch<std::uint8_t>(bandBytes);
        if (!slot.source || !slot.result || (masked && !slot.mask)) return kErrMemory;
    }

    // Job j: the band's first row, its row count and its first plane (the
    // only one without a mask).
    struct Band {
        std::int32_t top, rows;
        int plane;
    };
    auto bandOf = [&](std::int64_t job) {
        const std::int64_t index = masked ? job : job % bandsPerPlane;
        const auto top = static_cast<std::int32_t>(rect.top + index * bandRows);
        return Band{
            top, std::min(bandRows, rect.bottom - top),
            masked ? target.firstPlane : target.firstPlane + static_cast<int>(job / bandsPerPlane)};
    };
    auto mapper = [&](int plane) -> const std::optional<RowMapper>& {
        return mappers[static_cast<std::size_t>(plane - target.firstPlane)];
    };
    auto rowAt = [&](std::uint8_t* buffer, int k, std::int32_t row) {
        return buffer + static_cast<std::size_t>(k) * bandBytes +
               static_cast<std::size_t>(row) * width;
    };

    auto prepare = [&](std::int64_t job, int s) {
        MapSlot& slot = slots[static_cast<std::size_t>(s)];
        const Band band = bandOf(job);
        for (std::int32_t row = 0; row < band.rows; ++row) {
            const std::int32_t y = band.top + row;
            if (masked)
                data->readRowFromPrevious(target.maskPlane, rect.left, y, rect.width(),
                                          rowAt(slot.mask.get(), 0, row));
            for (int k = 0; k < bandPlanes; ++k) {
                if (mapper(band.plane + k))
                    data->readRowFromPrevious(band.plane + k, rect.left, y, rect.width(),
                                              rowAt(slot.source.get(), k, row));
            }
        }
        return true;
    };
    auto compute = [&](std::int64_t job, int s) {
        MapSlot& slot = slots[static_cast<std::size_t>(s)];
        const Band band = bandOf(job);
        for (int k = 0; k < bandPlanes; ++k) {
            const std::optional<RowMapper>& mapRows = mapper(band.plane + k);
            if (!mapRows) continue;
            for (std::int32_t row = 0; row < band.rows; ++row) {
                const std::uint8_t* in = rowAt(slot.source.get(), k, row);
                std::uint8_t* out = rowAt(slot.result.get(), k, row);
                (*mapRows)(in, out, rect.width());
                if (amount < 255) opacityBlendRow(in, out, out, amount, blend, rect.width());
                if (masked)
                    maskBlendRow(rowAt(slot.mask.get(), 0, row), in, out, out, blend, rect.width());
            }
        }
    };
    ErrorCode code = kErrNone;
    auto finish = [&](std::int64_t job, int s) {
        MapSlot& slot = slots[static_cast<std::size_t>(s)];
        const Band band = bandOf(job);
        for (std::int32_t row = 0; row < band.rows; ++row) {
            for (int k = 0; k < bandPlanes; ++k) {
                if (mapper(band.plane + k) &&
                    !data->writeRow(band.plane + k, rect.left, band.top + row, rect.width(),
                                    rowAt(slot.result.get(), k, row))) {
                    code = kErrDisk;
                    return false;
                }
                if (steps.step()) {
                    code = kErrCancelled;
                    return false;
                }
            }
        }
        return true;
    };
    OrderedJobs::run(workers, masked ? bandsPerPlane : bandsPerPlane * planes, std::ssize(slots),
                     prepare, compute, finish);
    return code;
}

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

    // One mapper per plane with a table, its table examined once per run.
    std::vector<std::optional<RowMapper>> mappers(static_cast<std::size_t>(target.planeCount));
    for (int slot = 0; slot < target.planeCount; ++slot) {
        if (map.hasSlot(slot)) mappers[static_cast<std::size_t>(slot)].emplace(map.table(slot));
    }

    WorkerProgress steps(progress, std::int64_t{rect.height()} * target.planeCount);
    if (masked || blendOpacity) return mapBands(page, mappers, target, amount, steps);

    auto source = allocateScratch<std::uint8_t>(width);
    if (!source) return kErrMemory;
    // Columns [left, right) of one row of one plane: read, map in place,
    // write.
    auto processSpan = [&](int plane, std::int32_t y, std::int32_t left,
                           std::int32_t right) -> bool {
        const std::int32_t count = right - left;
        if (count <= 0) return true;
        const RowMapper& mapRows = *mappers[static_cast<std::size_t>(plane - target.firstPlane)];
        std::uint8_t* in = source.get() + (left - rect.left);
        data->readRowFromPrevious(plane, left, y, count, in);
        mapRows(in, in, count);
        return data->writeRow(plane, left, y, count, in);
    };

    {
        for (int plane = target.firstPlane; plane <= target.lastPlane(); ++plane) {
            const int slot = plane - target.firstPlane;
            // At full strength each whole tile of the rectangle is mapped in
            // one pass from the previous state's tile into a fresh tile (a
            // constant tile stays constant), a band of tiles when the rows
            // reach it; the rest of each row, and every row outside the
            // bands, goes through the row buffer.
            Rect tiles;
            if (map.hasSlot(slot)) tiles = data->wholeTilesFromPrevious(plane, rect);
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
                // The rows above are done with, a band of tiles at a time.
                if (target.releasesPrevious && (y + 1 - rect.top) % kTileRows == 0)
                    data->releasePreviousAbove(plane, y + 1);
                if (target.releasesPrevious && y + 1 == rect.bottom)
                    data->releasePreviousAbove(plane, std::numeric_limits<std::int32_t>::max());
                if (steps.step()) return kErrCancelled;
            }
        }
    }
    return kErrNone;
}

}  // namespace tessary
