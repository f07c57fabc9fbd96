#include "effects/geometry/flip_rotate.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "effects/geometry/geometry_change.h"
#include "effects/geometry/geometry_names.h"
#include "effects/geometry/geometry_progress.h"
#include "effects/geometry/geometry_row_ops.h"
#include "effects/geometry/geometry_target.h"
#include "model/page.h"
#include "model/page_data.h"
#include "platform/worker_pool.h"

namespace tessary {

namespace {

constexpr std::int32_t kTile = 128;

std::unique_ptr<std::uint8_t[]> buffer(std::size_t bytes) {
    return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[bytes == 0 ? 1 : bytes]);
}

bool isQuarterTurn(int operation) {
    return operation == kQuarterTurnCounterClockwise || operation == kQuarterTurnClockwise;
}

Rect unite(const Rect& a, const Rect& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

// Rows per band of a flip: about this many samples, so a band is worth
// handing to a thread.
constexpr std::size_t kBandSamples = 64 * 1024;
constexpr std::int32_t kMaxBandRows = 64;

// Flips and the half turn, in bands of rows spread over the page's worker
// pool: source row y of `from` lands in row y (flip left-right) or in the
// mirrored row (flip top-bottom, half turn) of `to`, reversed for the
// left-right flip and the half turn. Rows are read and written on this
// thread, in source order; the reversal runs on any thread.
ErrorCode flipPlanes(Page& page, const GeometryTarget& target, const Rect& to, int operation,
                     GeometryProgress& progress) {
    PageData& data = *page.pageData();
    const Rect& from = target.rect;
    const std::int32_t width = from.width();
    const std::int32_t height = from.height();
    const auto bandRows = static_cast<std::int32_t>(
        std::clamp<std::size_t>(kBandSamples / static_cast<std::size_t>(width), 1, kMaxBandRows));
    const std::size_t bandBytes = static_cast<std::size_t>(width) * bandRows;
    const std::int64_t bandsPerPlane = (std::int64_t{height} + bandRows - 1) / bandRows;
    const bool reverse = operation != kFlipVertical;
    const bool mirrorRows = operation != kFlipHorizontal;

    struct Slot {
        std::unique_ptr<std::uint8_t[]> rows, reversed;
    };
    WorkerPool* workers = page.workers();
    std::vector<Slot> slots(static_cast<std::size_t>(OrderedJobs::slotsFor(workers)));
    for (Slot& slot : slots) {
        slot.rows = buffer(bandBytes);
        slot.reversed = buffer(bandBytes);
        if (!slot.rows || !slot.reversed) return kErrMemory;
    }
    auto top = [&](std::int64_t job) {
        return static_cast<std::int32_t>((job % bandsPerPlane) * bandRows);
    };
    auto count = [&](std::int64_t job) { return std::min(bandRows, height - top(job)); };
    auto plane = [&](std::int64_t job) {
        return target.planes[static_cast<std::size_t>(job / bandsPerPlane)];
    };

    ErrorCode code = kErrNone;
    auto prepare = [&](std::int64_t job, int s) {
        for (std::int32_t k = 0; k < count(job); ++k) {
            if (!data.readRowFromPrevious(plane(job).source, from.left, from.top + top(job) + k,
                                          width, slots[s].rows.get() + k * std::size_t(width))) {
                code = kErrDisk;
                return false;
            }
        }
        return true;
    };
    auto compute = [&](std::int64_t job, int s) {
        if (!reverse) return;
        for (std::int32_t k = 0; k < count(job); ++k) {
            const std::size_t at = k * static_cast<std::size_t>(width);
            reverseRow(slots[s].rows.get() + at, slots[s].reversed.get() + at,
                       static_cast<std::size_t>(width));
        }
    };
    auto finish = [&](std::int64_t job, int s) {
        // Source bands are read once, top to bottom: the rows above this
        // one's end are done with (prepare() has read ahead, never back).
        const bool last = top(job) + count(job) == height;
        data.releasePreviousAbove(plane(job).source,
                                  last ? std::numeric_limits<std::int32_t>::max()
                                       : from.top + top(job) + count(job));
        const std::uint8_t* out = reverse ? slots[s].reversed.get() : slots[s].rows.get();
        for (std::int32_t k = 0; k < count(job); ++k) {
            const std::int32_t i = top(job) + k;
            const std::int32_t y = mirrorRows ? to.top + (height - 1 - i) : to.top + i;
            if (!data.writeRow(plane(job).target, to.left, y, width,
                               out + k * static_cast<std::size_t>(width))) {
                code = kErrDisk;
                return false;
            }
            if (progress.step()) {
                code = kErrCancelled;
                return false;
            }
        }
        return true;
    };
    OrderedJobs::run(workers, bandsPerPlane * target.planesUsed, std::ssize(slots), prepare,
                     compute, finish);
    return code;
}

// A quarter turn, one band of 128 result rows at a time. A result row is a
// source column, so each band gathers a strip of 128 source columns: the
// strip is read 128 source rows at a time into a tile buffer (rows in
// reverse order for the clockwise turn, each row reversed for the
// counter-clockwise one), each tile is transposed, and the transposed tile
// is copied into its place in the band. The band's rows are then written
// whole. Tiles are read, placed and written on this thread; the reversal and
// the transposition run on any thread of the page's worker pool.
//
// Clockwise, source (x, y) lands in column to.right - 1 - (y - from.top),
// row to.top + (x - from.left); counter-clockwise in column
// to.left + (y - from.top), row to.top + (from.right - 1 - x).
ErrorCode turnPlanes(Page& page, const GeometryTarget& target, const Rect& to, bool clockwise,
                     GeometryProgress& progress) {
    PageData& data = *page.pageData();
    const Rect& from = target.rect;
    const std::int32_t width = from.width();    // result height
    const std::int32_t height = from.height();  // result width
    const auto bandStride = static_cast<std::size_t>(height);
    const std::int64_t bandsPerPlane = (std::int64_t{width} + kTile - 1) / kTile;
    const std::int64_t tilesPerBand = (std::int64_t{height} + kTile - 1) / kTile;
    auto band = buffer(bandStride * kTile);
    if (!band) return kErrMemory;

    struct Slot {
        std::unique_ptr<std::uint8_t[]> tile, turned;
    };
    WorkerPool* workers = page.workers();
    std::vector<Slot> slots(static_cast<std::size_t>(OrderedJobs::slotsFor(workers)));
    for (Slot& slot : slots) {
        slot.tile = buffer(std::size_t{kTile} * kTile);
        slot.turned = buffer(std::size_t{kTile} * kTile);
        if (!slot.tile || !slot.turned) return kErrMemory;
    }
    // Job j: band b0 (its first result row), tile c0 (its first source row)
    // of one plane, the band's row count and the tile's row count.
    struct Job {
        const GeometryTarget::PlanePair* plane;
        std::int32_t b0, rows, c0, count;
    };
    auto jobOf = [&](std::int64_t job) {
        const std::int64_t perPlane = bandsPerPlane * tilesPerBand;
        const auto b0 = static_cast<std::int32_t>((job % perPlane) / tilesPerBand * kTile);
        const auto c0 = static_cast<std::int32_t>(job % tilesPerBand * kTile);
        return Job{&target.planes[static_cast<std::size_t>(job / perPlane)], b0,
                   std::min(kTile, width - b0), c0, std::min(kTile, height - c0)};
    };

    ErrorCode code = kErrNone;
    auto prepare = [&](std::int64_t index, int s) {
        const Job job = jobOf(index);
        // The source columns of this band.
        const std::int32_t x0 = clockwise ? from.left + job.b0 : from.right - job.b0 - job.rows;
        for (std::int32_t k = 0; k < job.count; ++k) {
            const std::int32_t y =
                clockwise ? from.top + job.c0 + job.count - 1 - k : from.top + job.c0 + k;
            if (!data.readRowFromPrevious(job.plane->source, x0, y, job.rows,
                                          slots[s].tile.get() + std::size_t{kTile} * k)) {
                code = kErrDisk;
                return false;
            }
        }
        return true;
    };
    auto compute = [&](std::int64_t index, int s) {
        const Job job = jobOf(index);
        std::uint8_t* tile = slots[s].tile.get();
        if (!clockwise) {
            // Each row reversed, through the other buffer.
            std::uint8_t* scratch = slots[s].turned.get();
            for (std::int32_t k = 0; k < job.count; ++k) {
                std::uint8_t* row = tile + std::size_t{kTile} * k;
                reverseRow(row, scratch, static_cast<std::size_t>(job.rows));
                std::copy_n(scratch, job.rows, row);
            }
        }
        transposeBlock(tile, kTile, slots[s].turned.get(), kTile,
                       static_cast<std::size_t>(job.count), static_cast<std::size_t>(job.rows));
    };
    auto finish = [&](std::int64_t index, int s) {
        const Job job = jobOf(index);
        // Tile row k becomes band column `first + k`.
        const std::int32_t first = clockwise ? height - job.c0 - job.count : job.c0;
        for (std::int32_t r = 0; r < job.rows; ++r) {
            std::copy_n(slots[s].turned.get() + std::size_t{kTile} * r, job.count,
                        band.get() + bandStride * r + first);
        }
        if (progress.step()) {
            code = kErrCancelled;
            return false;
        }
        if (job.c0 + job.count < height) return true;
        // The band's source columns are read: clockwise bands go left to
        // right through the source, counter-clockwise ones right to left.
        if (clockwise) data.releasePreviousLeftOf(job.plane->source, from.left + job.b0 + job.rows);
        for (std::int32_t r = 0; r < job.rows; ++r) {
            if (!data.writeRow(job.plane->target, to.left, to.top + job.b0 + r, height,
                               band.get() + bandStride * r)) {
                code = kErrDisk;
                return false;
            }
        }
        return true;
    };
    OrderedJobs::run(workers, bandsPerPlane * tilesPerBand * target.planesUsed, std::ssize(slots),
                     prepare, compute, finish);
    return code;
}

ErrorCode transform(Page& page, const GeometryTarget& target, const Rect& to, int operation,
                    GeometryProgress& progress) {
    const Rect& from = target.rect;
    const bool turn = isQuarterTurn(operation);
    const std::int64_t bandsPerPlane = (from.width() + kTile - 1) / kTile;
    const std::int64_t tilesPerBand = (from.height() + kTile - 1) / kTile;
    progress.begin(target.planesUsed * (turn ? bandsPerPlane * tilesPerBand : from.height()));
    return turn ? turnPlanes(page, target, to, operation == kQuarterTurnClockwise, progress)
                : flipPlanes(page, target, to, operation, progress);
}

}  // namespace

std::uint32_t flipRotateUndoKind(int operation) {
    switch (operation) {
        case kFlipHorizontal:
        case kFlipVertical:
            return GeometryChange::kUndoFlip;
        case kHalfTurn:
        case kQuarterTurnCounterClockwise:
        case kQuarterTurnClockwise:
            return GeometryChange::kUndoRotate;
        default:
            return 0;
    }
}

ErrorCode flipRotate(Page& page, int operation, ProgressFactory* progressFactory) {
    const std::uint32_t undoKind = flipRotateUndoKind(operation);
    if (undoKind == 0) return kErrGeneral;

    GeometryChange change(page);
    if (const ErrorCode code = change.open(); code != kErrNone) return code;
    GeometryTarget target;
    if (const ErrorCode code = liftGeometryTarget(page, target); code != kErrNone)
        return change.fail(code);
    if (target.rect.empty()) {
        // Nothing to move: leave the page as it was.
        change.abort();
        return kErrNone;
    }
    const bool turn = isQuarterTurn(operation);
    const Rect to = turn ? geometryResultRect(target, target.rect.height(), target.rect.width())
                         : geometryResultRect(target, target.rect.width(), target.rect.height());
    if (const ErrorCode code = reshapeGeometryTarget(page, target, to); code != kErrNone)
        return change.fail(code);
    // A turned image keeps its printed size: its axes trade resolutions.
    if (turn && !target.floating)
        page.setResolution(page.verticalResolution(), page.horizontalResolution());

    GeometryProgress progress(progressFactory);
    progress.setText(0, geometry_name::kEffect.text);
    progress.setText(1, undoKind == GeometryChange::kUndoFlip ? geometry_name::kFlip.text
                                                              : geometry_name::kRotate.text);
    if (const ErrorCode code = transform(page, target, to, operation, progress); code != kErrNone)
        return change.fail(code);
    progress.finish(true);
    const ErrorCode code = change.commit(undoKind, unite(target.rect, to));
    if (code == kErrNone) page.countChange();
    return code;
}

}  // namespace tessary
