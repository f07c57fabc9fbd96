#include "effects/framework/tiled_worker.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "effects/framework/row_operations.h"
#include "effects/framework/scratch_buffer.h"
#include "effects/framework/tile_kernel.h"
#include "effects/framework/worker_progress.h"
#include "model/page.h"
#include "model/page_data.h"
#include "platform/assert.h"

namespace tessary {

namespace {

constexpr int kTile = TileKernel::kTileSize;

// The next tile of the walk after `tile`, or an empty rectangle at the end.
Rect nextTile(const Rect& tile, const Rect& area) {
    std::int32_t left = tile.right;
    std::int32_t top = tile.top;
    if (tile.right >= area.right) {
        if (tile.bottom >= area.bottom) return Rect{};
        left = area.left;
        top = tile.bottom;
    }
    return Rect{left, top,
                static_cast<std::int32_t>(std::min<std::int64_t>(left + kTile, area.right)),
                static_cast<std::int32_t>(std::min<std::int64_t>(top + kTile, area.bottom))};
}

Rect firstTile(const Rect& area) {
    return Rect{area.left, area.top,
                static_cast<std::int32_t>(
                    std::min<std::int64_t>(std::int64_t{area.left} + kTile, area.right)),
                static_cast<std::int32_t>(
                    std::min<std::int64_t>(std::int64_t{area.top} + kTile, area.bottom))};
}

}  // namespace

ErrorCode runTiledWorker(Page& page, TileKernel& kernel, const EffectTarget& target, int opacity,
                         ProgressPort* progress) {
    PageData* data = page.pageData();
    TS_ASSERT(data != nullptr);
    const Rect& rect = target.rect;
    if (rect.empty()) return kErrNone;
    const int r = kernel.radius();
    TS_ASSERT(r >= 0 && r <= 16);
    const int grown = kTile + 2 * r;

    auto source = allocateScratch<std::uint8_t>(static_cast<std::size_t>(grown) * grown);
    auto result = allocateScratch<std::uint8_t>(kTile * kTile);
    auto mask = allocateScratch<std::uint8_t>(kTile * kTile);
    if (!source || !result || !mask) return kErrMemory;

    const auto amount = static_cast<std::uint8_t>(std::clamp(opacity, 0, 255));
    const bool masked = target.maskPlane >= 0;
    const BlendTable& blend = page.blend();
    const Rect image = page.bounds();

    const double across = 0.5 + (static_cast<double>(rect.width()) + 2 * r) / kTile;
    const double down = 0.5 + (static_cast<double>(rect.height()) + 2 * r) / kTile;
    WorkerProgress steps(progress,
                         static_cast<std::int64_t>(std::trunc(across * down * target.planeCount)));

    // Reads, computes, blends and writes one tile of one plane.
    auto processTile = [&](int plane, const Rect& tile) -> ErrorCode {
        const int tw = tile.width();
        const int th = tile.height();
        const int stride = tw + 2 * r;
        for (int row = 0; row < th + 2 * r; ++row) {
            std::uint8_t* dest = source.get() + static_cast<std::ptrdiff_t>(row) * stride;
            const std::int32_t y = tile.top - r + row;
            if (target.floating()) {
                data->readRowFromPrevious(plane, tile.left - r, y, stride, dest);
            } else {
                data->readRowWithinFromPrevious(plane, tile.left - r, y, stride, dest, image);
            }
        }
        kernel.computeTile(source.get(), stride, tw, th, result.get(), tw);
        const std::uint8_t* centre = source.get() + static_cast<std::ptrdiff_t>(r) * stride + r;
        if (amount < 255) opacityBlendRows(centre, stride, result.get(), tw, tw, th, amount, blend);
        if (masked) maskBlendRows(mask.get(), tw, centre, stride, result.get(), tw, tw, th, blend);
        // A whole tile of the plane is written in one go, without first
        // copying the previous state's tile that it replaces.
        if (data->isWholeTile(plane, tile)) {
            if (!data->writeTile(plane, tile, result.get(), tw)) return kErrDisk;
            return steps.step() ? kErrCancelled : kErrNone;
        }
        for (int row = 0; row < th; ++row) {
            if (!data->writeRow(plane, tile.left, tile.top + row, tw,
                                result.get() + static_cast<std::ptrdiff_t>(row) * tw)) {
                return kErrDisk;
            }
        }
        return steps.step() ? kErrCancelled : kErrNone;
    };

    if (!masked) {
        for (int plane = target.firstPlane; plane <= target.lastPlane(); ++plane) {
            for (Rect tile = firstTile(rect); !tile.empty(); tile = nextTile(tile, rect)) {
                if (const ErrorCode code = processTile(plane, tile)) return code;
            }
        }
    } else {
        for (Rect tile = firstTile(rect); !tile.empty(); tile = nextTile(tile, rect)) {
            for (int row = 0; row < tile.height(); ++row) {
                data->readRowFromPrevious(
                    target.maskPlane, tile.left, tile.top + row, tile.width(),
                    mask.get() + static_cast<std::ptrdiff_t>(row) * tile.width());
            }
            for (int plane = target.firstPlane; plane <= target.lastPlane(); ++plane) {
                if (const ErrorCode code = processTile(plane, tile)) return code;
            }
        }
    }
    return kErrNone;
}

}  // namespace tessary
