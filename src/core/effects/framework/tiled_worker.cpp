#include "effects/framework/tiled_worker.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "effects/framework/row_operations.h"
#include "effects/framework/scratch_buffer.h"
#include "effects/framework/tile_kernel.h"
#include "effects/framework/worker_progress.h"
#include "model/block_read_plan.h"
#include "model/page.h"
#include "model/page_data.h"
#include "platform/assert.h"
#include "platform/worker_pool.h"

namespace tessary {

namespace {

constexpr int kTile = TileKernel::kTileSize;
// A band's source is read this many tiles across at most, so that its
// buffers stay a few megabytes however wide the image.
constexpr std::int64_t kGroupTiles = 32;
// A job computes a run of up to this many tiles of a group, so that handing
// jobs between threads costs little next to the work of cheap kernels.
constexpr std::int64_t kRunTiles = 4;

// One job's result buffer (a run of tiles side by side) and the kernel that
// computes it (each slot has its own, as kernels keep scratch), and where
// its source and mask lie.
struct TileSlot {
    std::unique_ptr<std::uint8_t[]> result;
    std::unique_ptr<TileKernel> ownKernel;
    TileKernel* kernel = nullptr;
    const std::uint8_t* source = nullptr;
    std::int64_t sourceStride = 0;
    const std::uint8_t* mask = nullptr;
    std::int64_t maskStride = 0;
    // The run's whole tiles opened for the compute to write into directly
    // (samples null for a tile written from `result` by the owner).
    std::array<ImageData::OpenTile, kRunTiles> open{};
    // When the compute reads its own source: the buffer it reads into, and
    // what to copy there from the locked tiles of the state before the
    // change (empty when the owner has read it already).
    std::unique_ptr<std::uint8_t[]> ownSource;
    BlockReadPlan plan;
};

// Buffers and kernels for `count` slots; false when any could not be had.
bool makeSlots(std::vector<TileSlot>& slots, int count, TileKernel& kernel) {
    slots.clear();
    slots.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        TileSlot& slot = slots[static_cast<std::size_t>(i)];
        slot.result = allocateScratch<std::uint8_t>(kRunTiles * kTile * kTile);
        if (i == 0) {
            slot.kernel = &kernel;
        } else {
            slot.ownKernel = kernel.clone();
            slot.kernel = slot.ownKernel.get();
        }
        if (!slot.result || !slot.kernel) return false;
    }
    return true;
}

// The source rows of one band of tiles, or of a group of tiles of it, copied
// from the state before the change once for all its tiles: for each plane
// the band's rows grown by r above and below, each the group's columns grown
// by r left and right; then, for a masked run, the band's mask rows.
struct BandBuffer {
    std::unique_ptr<std::uint8_t[]> samples;
    std::int64_t unit = -1;  // the unit it holds, -1 for none
    Rect area;               // the tiles' rectangle (not grown)
};

}  // namespace

ErrorCode runTiledWorker(Page& page, TileKernel& kernel, const EffectTarget& target, int opacity,
                         ProgressPort* progress) {
    PageData* data = page.pageData();
    TS_ASSERT(data != nullptr);
    const Rect& rect = target.rect;
    if (rect.empty()) return kErrNone;
    const int r = kernel.radius();
    TS_ASSERT(r >= 0 && r <= 16);

    // Several slots let the pool's threads compute runs while this thread
    // reads and writes; when their buffers or kernels cannot all be had the
    // runs are done one at a time.
    WorkerPool* workers = page.workers();
    std::vector<TileSlot> slots;
    const int slotCount = OrderedJobs::slotsFor(workers);
    if (!makeSlots(slots, slotCount, kernel)) {
        workers = nullptr;
        if (!makeSlots(slots, 1, kernel)) return kErrMemory;
    }

    // Whole tiles are computed straight into fresh tiles, put in place as
    // their job finishes, when the store can keep every slot's run locked
    // meanwhile; else the results are written from the slots' buffers.
    const bool direct = data->canLockTiles(static_cast<std::uint32_t>(slots.size() * kRunTiles));

    const auto amount = static_cast<std::uint8_t>(std::clamp(opacity, 0, 255));
    const bool masked = target.maskPlane >= 0;
    // Unmasked runs on the page's own planes read their source on the thread
    // that computes them, from tiles the owner locks for the job (a run and
    // its border touch at most (kRunTiles + 2) x 3 tiles), so that reading
    // is spread over the threads too. Runs with a mask, and floating pixels,
    // share band buffers the owner reads.
    constexpr std::uint32_t kSourceTiles = (kRunTiles + 2) * 3;
    const bool ownSources = workers != nullptr && !masked && !target.floating() &&
                            data->canLockTiles(static_cast<std::uint32_t>(
                                slots.size() * ((direct ? kRunTiles : 0) + kSourceTiles)));
    const std::int64_t ownStride = kRunTiles * kTile + 2 * r;
    if (ownSources) {
        for (TileSlot& slot : slots) {
            slot.ownSource = allocateScratch<std::uint8_t>(
                static_cast<std::size_t>(ownStride * (kTile + 2 * r)));
            if (!slot.ownSource) return kErrMemory;
        }
    }
    SharedTileLocks locks(data->store());
    const BlendTable& blend = page.blend();
    const Rect image = page.bounds();
    const int planes = target.planeCount;

    const double across = 0.5 + (static_cast<double>(rect.width()) + 2 * r) / kTile;
    const double down = 0.5 + (static_cast<double>(rect.height()) + 2 * r) / kTile;
    WorkerProgress steps(progress, static_cast<std::int64_t>(std::trunc(across * down * planes)));

    // Tiles start at the rectangle's corner; a band's tiles are split into
    // groups of nearly equal size, at most kGroupTiles each.
    const std::int64_t tilesAcross = (std::int64_t{rect.width()} + kTile - 1) / kTile;
    const std::int64_t tilesDown = (std::int64_t{rect.height()} + kTile - 1) / kTile;
    const std::int64_t groups = (tilesAcross + kGroupTiles - 1) / kGroupTiles;
    auto groupStart = [&](std::int64_t group) { return group * tilesAcross / groups; };
    std::vector<std::int32_t> groupOfColumn(static_cast<std::size_t>(tilesAcross));
    for (std::int64_t g = 0; g < groups; ++g) {
        for (std::int64_t c = groupStart(g); c < groupStart(g + 1); ++c)
            groupOfColumn[static_cast<std::size_t>(c)] = static_cast<std::int32_t>(g);
    }
    const std::int64_t widestGroup = (tilesAcross + groups - 1) / groups;

    // Each group is cut into runs of nearly equal size, at most kRunTiles.
    struct Run {
        std::int64_t firstColumn, endColumn, group;
    };
    std::vector<Run> runs;  // of one band, left to right
    std::int64_t fewestRuns = std::numeric_limits<std::int64_t>::max();
    for (std::int64_t g = 0; g < groups; ++g) {
        const std::int64_t first = groupStart(g), end = groupStart(g + 1);
        const std::int64_t count = (end - first + kRunTiles - 1) / kRunTiles;
        fewestRuns = std::min(fewestRuns, count);
        for (std::int64_t k = 0; k < count; ++k)
            runs.push_back(
                Run{first + k * (end - first) / count, first + (k + 1) * (end - first) / count, g});
    }
    const auto runsAcross = static_cast<std::int64_t>(runs.size());

    // Without a mask the planes are done one after the other, and a unit is
    // one plane of one group; with a mask all planes of a run follow each
    // other, so that its mask is read once, and a unit is every plane of a
    // group with its mask.
    struct Job {
        Rect area;  // the run's tiles
        int plane = 0;
        std::int64_t unit = 0;
    };
    auto jobAt = [&](std::int64_t job) {
        Job j;
        const std::int64_t index = masked ? job / planes : job % (tilesDown * runsAcross);
        const int planeIndex =
            static_cast<int>(masked ? job % planes : job / (tilesDown * runsAcross));
        const std::int64_t row = index / runsAcross;
        const Run& run = runs[static_cast<std::size_t>(index % runsAcross)];
        const std::int64_t left = rect.left + run.firstColumn * kTile, top = rect.top + row * kTile;
        j.area = Rect{static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
                      static_cast<std::int32_t>(
                          std::min<std::int64_t>(rect.left + run.endColumn * kTile, rect.right)),
                      static_cast<std::int32_t>(std::min<std::int64_t>(top + kTile, rect.bottom))};
        j.plane = target.firstPlane + planeIndex;
        const std::int64_t bandUnit = row * groups + run.group;
        j.unit = masked ? bandUnit : planeIndex * tilesDown * groups + bandUnit;
        return j;
    };
    const std::int64_t jobCount = tilesDown * runsAcross * planes;

    // A unit's buffer is reused for a later unit only when none of its jobs
    // can still be between prepare and finish: at most slots - 1 jobs are,
    // and every unit has at least jobsPerUnit of them.
    const int unitPlanes = masked ? planes : 1;
    const std::int64_t jobsPerUnit = fewestRuns * unitPlanes;
    const std::int64_t bandCount =
        1 + (static_cast<std::int64_t>(slots.size()) - 1 + jobsPerUnit - 1) / jobsPerUnit;
    const std::int64_t stride = widestGroup * kTile + 2 * r;
    const std::int64_t planeBytes = stride * (kTile + 2 * r);
    const std::int64_t maskBytes = masked ? widestGroup * kTile * kTile : 0;
    std::vector<BandBuffer> bands(static_cast<std::size_t>(ownSources ? 0 : bandCount));
    for (BandBuffer& band : bands) {
        band.samples = allocateScratch<std::uint8_t>(
            static_cast<std::size_t>(planeBytes * unitPlanes + maskBytes));
        if (!band.samples) return kErrMemory;
    }

    // Reads a unit's rows into its buffer. Bands go top to bottom: no later
    // job of these planes reads above this band's source, and without a mask
    // none reads the plane before once this one has begun.
    auto readUnit = [&](BandBuffer& band, const Job& job) {
        const std::int64_t column = (job.area.left - rect.left) / kTile;
        const std::int64_t group = groupOfColumn[static_cast<std::size_t>(column)];
        const std::int64_t left = rect.left + groupStart(group) * kTile;
        const std::int64_t right =
            std::min<std::int64_t>(rect.left + groupStart(group + 1) * kTile, rect.right);
        band.unit = job.unit;
        band.area = Rect{static_cast<std::int32_t>(left), job.area.top,
                         static_cast<std::int32_t>(right), job.area.bottom};
        const int first = masked ? target.firstPlane : job.plane;
        const auto width = static_cast<std::int32_t>(right - left + 2 * r);
        for (int p = 0; p < unitPlanes; ++p) {
            const int plane = first + p;
            if (target.releasesPrevious && group == 0) {
                data->releasePreviousAbove(plane, job.area.top - r);
                if (!masked && plane > target.firstPlane && job.area.top == rect.top)
                    data->releasePreviousAbove(plane - 1, std::numeric_limits<std::int32_t>::max());
            }
            std::uint8_t* rows = band.samples.get() + p * planeBytes;
            const std::int32_t x = band.area.left - r;
            if (!target.floating()) {
                const Rect grown{x, job.area.top - r, x + width, job.area.bottom + r};
                data->readBlockWithinFromPrevious(plane, grown, rows, stride, image);
                continue;
            }
            for (int row = 0; row < job.area.height() + 2 * r; ++row) {
                data->readRowFromPrevious(plane, x, job.area.top - r + row, width,
                                          rows + row * stride);
            }
        }
        if (!masked) return;
        std::uint8_t* maskRows = band.samples.get() + unitPlanes * planeBytes;
        const std::int64_t maskStride = right - left;
        for (int row = 0; row < job.area.height(); ++row) {
            data->readRowFromPrevious(target.maskPlane, band.area.left, job.area.top + row,
                                      static_cast<std::int32_t>(maskStride),
                                      maskRows + row * maskStride);
        }
    };

    ErrorCode code = kErrNone;
    // The k-th tile of a run.
    auto tileOfRun = [](const Rect& area, int k) {
        const std::int32_t left = area.left + k * kTile;
        return Rect{left, area.top, std::min(left + kTile, area.right), area.bottom};
    };

    // Opens the run's whole tiles for the compute to write into, when direct.
    auto openRunTiles = [&](const Job& job, TileSlot& slot) {
        if (!direct) return true;
        for (int k = 0; k * kTile < job.area.width(); ++k) {
            const Rect tile = tileOfRun(job.area, k);
            if (!data->isWholeTile(job.plane, tile)) continue;
            if (!data->openTile(job.plane, tile, slot.open[static_cast<std::size_t>(k)])) {
                code = kErrDisk;
                return false;
            }
        }
        return true;
    };

    // With own sources, locks the tiles the job's source lies on for the
    // compute to copy (or reads it here where nothing can be planned);
    // otherwise reads the unit on this thread when the job is its first, and
    // points the slot at the job's source and mask in the unit's buffer.
    auto prepare = [&](std::int64_t jobIndex, int slotIndex) {
        const Job job = jobAt(jobIndex);
        TileSlot& slot = slots[static_cast<std::size_t>(slotIndex)];
        if (ownSources) {
            slot.source = slot.ownSource.get();
            slot.sourceStride = ownStride;
            const Rect grown{job.area.left - r, job.area.top - r, job.area.right + r,
                             job.area.bottom + r};
            if (!data->planBlockReadWithinFromPrevious(job.plane, grown, image, locks, slot.plan))
                data->readBlockWithinFromPrevious(job.plane, grown, slot.ownSource.get(), ownStride,
                                                  image);
            return openRunTiles(job, slot);
        }
        BandBuffer& band = bands[static_cast<std::size_t>(job.unit % bandCount)];
        if (band.unit != job.unit) readUnit(band, job);
        const std::int64_t dx = job.area.left - band.area.left;
        const std::int64_t dy = job.area.top - band.area.top;
        const int p = masked ? job.plane - target.firstPlane : 0;
        slot.source = band.samples.get() + p * planeBytes + dy * stride + dx;
        slot.sourceStride = stride;
        if (masked) {
            slot.maskStride = band.area.width();
            slot.mask = band.samples.get() + unitPlanes * planeBytes + dy * slot.maskStride + dx;
        }
        return openRunTiles(job, slot);
    };

    // Computes and blends the run's tiles, each into its opened tile or into
    // the slot's result; runs on any thread of the pool.
    auto compute = [&](std::int64_t jobIndex, int slotIndex) {
        TileSlot& slot = slots[static_cast<std::size_t>(slotIndex)];
        if (!slot.plan.empty()) slot.plan.copy(slot.ownSource.get(), ownStride);
        const Rect area = jobAt(jobIndex).area;
        const int width = area.width();
        const int height = area.height();
        for (int k = 0, x = 0; x < width; ++k, x += kTile) {
            const int tw = std::min(kTile, width - x);
            std::uint8_t* out = slot.open[static_cast<std::size_t>(k)].samples;
            std::int64_t outStride = kTile;
            if (!out) {
                out = slot.result.get() + x;
                outStride = width;
            }
            const std::uint8_t* source = slot.source + x;
            slot.kernel->computeTile(source, slot.sourceStride, tw, height, out, outStride);
            const std::uint8_t* centre = source + r * slot.sourceStride + r;
            if (amount < 255)
                opacityBlendRows(centre, slot.sourceStride, out, outStride, tw, height, amount,
                                 blend);
            if (masked)
                maskBlendRows(slot.mask + x, slot.maskStride, centre, slot.sourceStride, out,
                              outStride, tw, height, blend);
        }
    };

    // Closes the run's opened tiles and writes the others on this thread,
    // counting a step for each tile.
    auto finish = [&](std::int64_t jobIndex, int slotIndex) {
        TileSlot& slot = slots[static_cast<std::size_t>(slotIndex)];
        const Job job = jobAt(jobIndex);
        slot.plan.release(locks);
        // Jobs finish in order, and later ones read no higher than this one:
        // the tiles of the state before the change above its source are done
        // with, and so is the whole plane before its plane.
        if (ownSources && target.releasesPrevious && job.area.left == rect.left) {
            data->releasePreviousAbove(job.plane, job.area.top - r);
            if (job.plane > target.firstPlane && job.area.top == rect.top)
                data->releasePreviousAbove(job.plane - 1, std::numeric_limits<std::int32_t>::max());
        }
        const int width = job.area.width();
        for (int k = 0, x = 0; x < width && code == kErrNone; ++k, x += kTile) {
            ImageData::OpenTile& open = slot.open[static_cast<std::size_t>(k)];
            const Rect tile = tileOfRun(job.area, k);
            const std::uint8_t* result = slot.result.get() + x;
            if (open.samples) {
                data->closeTile(open);
                open = {};
            } else if (data->isWholeTile(job.plane, tile)) {
                // In one go, without first copying the previous state's
                // tile that it replaces.
                if (!data->writeTile(job.plane, tile, result, width)) code = kErrDisk;
            } else {
                for (int row = 0; row < tile.height() && code == kErrNone; ++row) {
                    if (!data->writeRow(job.plane, tile.left, tile.top + row, tile.width(),
                                        result + static_cast<std::ptrdiff_t>(row) * width)) {
                        code = kErrDisk;
                    }
                }
            }
            if (code == kErrNone && steps.step()) code = kErrCancelled;
        }
        return code == kErrNone;
    };

    OrderedJobs::run(workers, jobCount, static_cast<int>(slots.size()), prepare, compute, finish);
    // Jobs prepared but not finished (after a failure or a cancel) still
    // hold tiles that were never put in place.
    for (TileSlot& slot : slots) {
        slot.plan.release(locks);
        for (ImageData::OpenTile& open : slot.open) {
            if (open.samples) data->discardTile(open);
            open = {};
        }
    }
    return code;
}

}  // namespace tessary
