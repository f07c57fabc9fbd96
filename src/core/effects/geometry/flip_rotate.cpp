#include "effects/geometry/flip_rotate.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>

#include "effects/geometry/geometry_change.h"
#include "effects/geometry/geometry_names.h"
#include "effects/geometry/geometry_progress.h"
#include "effects/geometry/geometry_row_ops.h"
#include "effects/geometry/geometry_target.h"
#include "model/page.h"
#include "model/page_data.h"

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

// Flips and the half turn, row by row: source row y of `from` lands in row
// y (flip left-right) or in the mirrored row (flip top-bottom, half turn) of
// `to`, reversed for the left-right flip and the half turn.
ErrorCode flipPlane(PageData& data, int source, int target, const Rect& from, const Rect& to,
                    int operation, GeometryProgress& progress) {
    const std::int32_t width = from.width();
    const std::int32_t height = from.height();
    auto row = buffer(static_cast<std::size_t>(width));
    auto reversed = buffer(static_cast<std::size_t>(width));
    if (!row || !reversed) return kErrMemory;
    const bool reverse = operation != kFlipVertical;
    const bool mirrorRows = operation != kFlipHorizontal;
    for (std::int32_t i = 0; i < height; ++i) {
        if (!data.readRowFromPrevious(source, from.left, from.top + i, width, row.get()))
            return kErrDisk;
        const std::uint8_t* out = row.get();
        if (reverse) {
            reverseRow(row.get(), reversed.get(), static_cast<std::size_t>(width));
            out = reversed.get();
        }
        const std::int32_t y = mirrorRows ? to.top + (height - 1 - i) : to.top + i;
        if (!data.writeRow(target, to.left, y, width, out)) return kErrDisk;
        if (progress.step()) return kErrCancelled;
    }
    return kErrNone;
}

// A quarter turn, one band of 128 result rows at a time. A result row is a
// source column, so each band gathers a strip of 128 source columns: the
// strip is read 128 source rows at a time into a tile buffer (rows in
// reverse order for the clockwise turn, each row reversed for the
// counter-clockwise one), and each tile is transposed into its place in the
// band. The band's rows are then written whole.
//
// Clockwise, source (x, y) lands in column to.right - 1 - (y - from.top),
// row to.top + (x - from.left); counter-clockwise in column
// to.left + (y - from.top), row to.top + (from.right - 1 - x).
ErrorCode turnPlane(PageData& data, int source, int target, const Rect& from, const Rect& to,
                    bool clockwise, GeometryProgress& progress) {
    const std::int32_t width = from.width();    // result height
    const std::int32_t height = from.height();  // result width
    const auto bandStride = static_cast<std::size_t>(height);
    auto band = buffer(bandStride * kTile);
    auto tile = buffer(std::size_t{kTile} * kTile);
    auto row = buffer(kTile);
    if (!band || !tile || !row) return kErrMemory;

    for (std::int32_t b0 = 0; b0 < width; b0 += kTile) {
        const std::int32_t rows = std::min(kTile, width - b0);
        // The source columns of this band.
        const std::int32_t x0 = clockwise ? from.left + b0 : from.right - b0 - rows;
        for (std::int32_t c0 = 0; c0 < height; c0 += kTile) {
            const std::int32_t count = std::min(kTile, height - c0);
            for (std::int32_t k = 0; k < count; ++k) {
                std::uint8_t* dest = tile.get() + std::size_t{kTile} * k;
                if (clockwise) {
                    const std::int32_t y = from.top + c0 + count - 1 - k;
                    if (!data.readRowFromPrevious(source, x0, y, rows, dest)) return kErrDisk;
                } else {
                    if (!data.readRowFromPrevious(source, x0, from.top + c0 + k, rows, row.get()))
                        return kErrDisk;
                    reverseRow(row.get(), dest, static_cast<std::size_t>(rows));
                }
            }
            // Tile row k becomes band column `first + k`.
            const std::int32_t first = clockwise ? height - c0 - count : c0;
            transposeBlock(tile.get(), kTile, band.get() + first, bandStride,
                           static_cast<std::size_t>(count), static_cast<std::size_t>(rows));
            if (progress.step()) return kErrCancelled;
        }
        for (std::int32_t r = 0; r < rows; ++r) {
            if (!data.writeRow(target, to.left, to.top + b0 + r, height,
                               band.get() + bandStride * r))
                return kErrDisk;
        }
    }
    return kErrNone;
}

ErrorCode transform(Page& page, const GeometryTarget& target, const Rect& to, int operation,
                    GeometryProgress& progress) {
    PageData& data = *page.pageData();
    const Rect& from = target.rect;
    const bool turn = isQuarterTurn(operation);
    const std::int64_t bandsPerPlane = (from.width() + kTile - 1) / kTile;
    const std::int64_t tilesPerBand = (from.height() + kTile - 1) / kTile;
    progress.begin(target.planesUsed * (turn ? bandsPerPlane * tilesPerBand : from.height()));
    for (int i = 0; i < target.planesUsed; ++i) {
        const auto& plane = target.planes[i];
        const ErrorCode code =
            turn ? turnPlane(data, plane.source, plane.target, from, to,
                             operation == kQuarterTurnClockwise, progress)
                 : flipPlane(data, plane.source, plane.target, from, to, operation, progress);
        if (code != kErrNone) return code;
    }
    return kErrNone;
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
