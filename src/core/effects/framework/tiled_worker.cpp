#include "effects/framework/tiled_worker.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "effects/framework/row_operations.h"
#include "effects/framework/scratch_buffer.h"
#include "effects/framework/tile_kernel.h"
#include "effects/framework/worker_progress.h"
#include "model/page.h"
#include "model/page_data.h"
#include "platform/assert.h"
#include "platform/worker_pool.h"

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

// One job's buffers: the grown source, the result and the mask tile, and the
// kernel that computes it (each slot has its own, as kernels keep scratch).
struct TileSlot {
    std::unique_ptr<std::uint8_t[]> source;
    std::unique_ptr<std::uint8_t[]> result;
    std::unique_ptr<std::uint8_t[]> mask;
    std::unique_ptr<TileKernel> ownKernel;
    TileKernel* kernel = nullptr;
};

// Buffers and kernels for `count` slots; false when any could not be had.
bool makeSlots(std::vector<TileSlot>& slots, int count, TileKernel& kernel, int grown) {
    slots.clear();
    slots.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        TileSlot& slot = slots[static_cast<std::size_t>(i)];
        slot.source = allocateScratch<std::uint8_t>(static_cast<std::size_t>(grown) * grown);
        slot.result = allocateScratch<std::uint8_t>(kTile * kTile);
        slot.mask = allocateScratch<std::uint8_t>(kTile * kTile);
        if (i == 0) {
            slot.kernel = &kernel;
        } else {
            slot.ownKernel = kernel.clone();
            slot.kernel = slot.ownKernel.get();
        }
        if (!slot.source || !slot.result || !slot.mask || !slot.kernel) return false;
    }
    return true;
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

    // Several slots let the pool's threads compute tiles while this thread
    // reads and writes; when their buffers or kernels cannot all be had the
    // tiles are done one at a time.
    WorkerPool* workers = page.workers();
    std::vector<TileSlot> slots;
    if (!makeSlots(slots, OrderedJobs::slotsFor(workers), kernel, grown)) {
        workers = nullptr;
        if (!makeSlots(slots, 1, kernel, grown)) return kErrMemory;
    }

    const auto amount = static_cast<std::uint8_t>(std::clamp(opacity, 0, 255));
    const bool masked = target.maskPlane >= 0;
    const BlendTable& blend = page.blend();
    const Rect image = page.bounds();

    const double across = 0.5 + (static_cast<double>(rect.width()) + 2 * r) / kTile;
    const double down = 0.5 + (static_cast<double>(rect.height()) + 2 * r) / kTile;
    WorkerProgress steps(progress,
                         static_cast<std::int64_t>(std::trunc(across * down * target.planeCount)));

    std::vector<Rect> tiles;
    for (Rect tile = firstTile(rect); !tile.empty(); tile = nextTile(tile, rect))
        tiles.push_back(tile);
    const auto tileCount = static_cast<std::int64_t>(tiles.size());
    const int planes = target.planeCount;

    // Without a mask the planes are done one after the other; with a mask
    // all planes of a tile follow each other, so its mask is read once.
    auto jobAt = [&](std::int64_t job, int& plane) -> const Rect& {
        if (masked) {
            plane = target.firstPlane + static_cast<int>(job % planes);
            return tiles[static_cast<std::size_t>(job / planes)];
        }
        plane = target.firstPlane + static_cast<int>(job / tileCount);
        return tiles[static_cast<std::size_t>(job % tileCount)];
    };

    // Reads the tile's grown source (and its mask) on this thread.
    auto prepare = [&](std::int64_t job, int slotIndex) {
        TileSlot& slot = slots[static_cast<std::size_t>(slotIndex)];
        int plane = 0;
        const Rect& tile = jobAt(job, plane);
        const int tw = tile.width();
        const int stride = tw + 2 * r;
        // Tiles go band by band: no later job of this plane reads above
        // this band's source, and without a mask none reads the plane
        // before once this one has begun.
        if (target.releasesPrevious && tile.left == rect.left) {
            data->releasePreviousAbove(plane, tile.top - r);
            if (!masked && plane > target.firstPlane && tile.top == rect.top)
                data->releasePreviousAbove(plane - 1, std::numeric_limits<std::int32_t>::max());
        }
        for (int row = 0; row < tile.height() + 2 * r; ++row) {
            std::uint8_t* dest = slot.source.get() + static_cast<std::ptrdiff_t>(row) * stride;
            const std::int32_t y = tile.top - r + row;
            if (target.floating()) {
                data->readRowFromPrevious(plane, tile.left - r, y, stride, dest);
            } else {
                data->readRowWithinFromPrevious(plane, tile.left - r, y, stride, dest, image);
            }
        }
        if (!masked) return true;
        if (plane == target.firstPlane) {
            for (int row = 0; row < tile.height(); ++row) {
                data->readRowFromPrevious(target.maskPlane, tile.left, tile.top + row, tw,
                                          slot.mask.get() + static_cast<std::ptrdiff_t>(row) * tw);
            }
        } else {
            // The tile's previous job holds its mask: its slot is not
            // prepared again before this job.
            const auto before = static_cast<std::size_t>((job - 1) % std::ssize(slots));
            if (before != static_cast<std::size_t>(slotIndex)) {
                std::copy_n(slots[before].mask.get(), tw * tile.height(), slot.mask.get());
            }
        }
        return true;
    };

    // Computes and blends the tile; runs on any thread of the pool.
    auto compute = [&](std::int64_t job, int slotIndex) {
        TileSlot& slot = slots[static_cast<std::size_t>(slotIndex)];
        int plane = 0;
        const Rect& tile = jobAt(job, plane);
        const int tw = tile.width();
        const int th = tile.height();
        const int stride = tw + 2 * r;
        slot.kernel->computeTile(slot.source.get(), stride, tw, th, slot.result.get(), tw);
        const std::uint8_t* centre =
            slot.source.get() + static_cast<std::ptrdiff_t>(r) * stride + r;
        if (amount < 255)
            opacityBlendRows(centre, stride, slot.result.get(), tw, tw, th, amount, blend);
        if (masked)
            maskBlendRows(slot.mask.get(), tw, centre, stride, slot.result.get(), tw, tw, th,
                          blend);
    };

    // Writes the tile on this thread and counts the step.
    ErrorCode code = kErrNone;
    auto finish = [&](std::int64_t job, int slotIndex) {
        TileSlot& slot = slots[static_cast<std::size_t>(slotIndex)];
        int plane = 0;
        const Rect& tile = jobAt(job, plane);
        const int tw = tile.width();
        // A whole tile of the plane is written in one go, without first
        // copying the previous state's tile that it replaces.
        if (data->isWholeTile(plane, tile)) {
            if (!data->writeTile(plane, tile, slot.result.get(), tw)) code = kErrDisk;
        } else {
            for (int row = 0; row < tile.height() && code == kErrNone; ++row) {
                if (!data->writeRow(plane, tile.left, tile.top + row, tw,
                                    slot.result.get() + static_cast<std::ptrdiff_t>(row) * tw)) {
                    code = kErrDisk;
                }
            }
        }
        if (code == kErrNone && steps.step()) code = kErrCancelled;
        return code == kErrNone;
    };

    OrderedJobs::run(workers, tileCount * planes, static_cast<int>(slots.size()), prepare, compute,
                     finish);
    return code;
}

}  // namespace tessary
