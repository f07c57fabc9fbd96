#include "effects/geometry/scale.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "effects/geometry/geometry_change.h"
#include "effects/geometry/geometry_names.h"
#include "effects/geometry/geometry_progress.h"
#include "effects/geometry/geometry_target.h"
#include "effects/geometry/scale_resampler.h"
#include "model/page.h"
#include "model/page_data.h"
#include "platform/worker_pool.h"

namespace tessary {

namespace {

// Source rows of one plane read from the state before the change, keeping
// the two most recent so that neighbouring destination rows share them.
class SourceRows {
public:
    SourceRows(const PageData& data, int plane, const Rect& from)
        : m_data(data), m_plane(plane), m_from(from) {
        const auto width = static_cast<std::size_t>(from.width());
        for (auto& slot : m_slots) slot.samples.reset(new (std::nothrow) std::uint8_t[width]);
    }

    bool valid() const { return m_slots[0].samples && m_slots[1].samples; }
    bool failed() const { return m_failed; }

    // Row `index` (0 = the rectangle's top row).
    const std::uint8_t* row(std::int32_t index) {
        for (auto& slot : m_slots) {
            if (slot.index == index) return slot.samples.get();
        }
        Slot& slot = m_slots[m_next];
        m_next ^= 1;
        slot.index = index;
        if (!m_data.readRowFromPrevious(m_plane, m_from.left, m_from.top + index, m_from.width(),
                                        slot.samples.get()))
            m_failed = true;
        return slot.samples.get();
    }

private:
    struct Slot {
        std::int32_t index = -1;
        std::unique_ptr<std::uint8_t[]> samples;
    };
    const PageData& m_data;
    int m_plane;
    Rect m_from;
    Slot m_slots[2];
    int m_next = 0;
    bool m_failed = false;
};

// The source rows [first, last] (0 = the rectangle's top row) that
// destination row j of the vertical resampler reads.
void sourceSpan(const ScaleResampler& vertical, std::int32_t j, std::int32_t& first,
                std::int32_t& last) {
    const ScaleResampler::Tap& tap = vertical.tap(j);
    const std::int32_t lastRow = vertical.oldLength() - 1;
    first = last = tap.first;
    switch (vertical.mode()) {
        case ScaleResampler::Mode::kNearest:
            break;
        case ScaleResampler::Mode::kLinear:
            if (tap.weight != 0) last = std::min(tap.first + 1, lastRow);
            break;
        case ScaleResampler::Mode::kArea:
            if (vertical.divider().divisor() == 2 && vertical.unit() == 1) {
                first = 2 * j;
                last = 2 * j + 1;
            } else {
                last = tap.first + tap.whole + (tap.lastWeight > 0 ? 1 : 0);
            }
            break;
    }
}

// Destination row j resampled vertically from the source rows `rows(i)`
// gives (i = 0 for the rectangle's top row): the row itself, or `blended`
// filled with the blend. `sums` holds a row of 64-bit sums for the area mode.
template <class Rows>
const std::uint8_t* verticalRow(const ScaleResampler& vertical, std::int32_t j, Rows&& rows,
                                std::size_t width, std::uint8_t* blended, std::uint64_t* sums) {
    const ScaleResampler::Tap& tap = vertical.tap(j);
    const std::int32_t lastRow = vertical.oldLength() - 1;
    const std::uint32_t unit = vertical.unit();
    const ExactDivider& divider = vertical.divider();
    switch (vertical.mode()) {
        case ScaleResampler::Mode::kNearest:
            return rows(tap.first);
        case ScaleResampler::Mode::kLinear: {
            if (tap.weight == 0) return rows(tap.first);
            const std::uint8_t* a = rows(tap.first);
            const std::uint8_t* b = rows(std::min(tap.first + 1, lastRow));
            if (unit == 2) {
                for (std::size_t x = 0; x < width; ++x)
                    blended[x] = static_cast<std::uint8_t>((unsigned{a[x]} + b[x]) >> 1);
            } else {
                const std::uint32_t wa = unit - tap.weight;
                const std::uint32_t wb = tap.weight;
                for (std::size_t x = 0; x < width; ++x) {
                    blended[x] = static_cast<std::uint8_t>(
                        divider.divide(std::uint64_t{wa} * a[x] + std::uint64_t{wb} * b[x]));
                }
            }
            return blended;
        }
        case ScaleResampler::Mode::kArea: {
            if (divider.divisor() == 2 && unit == 1) {
                // Halving: the truncated mean of two whole rows.
                const std::uint8_t* a = rows(2 * j);
                const std::uint8_t* b = rows(2 * j + 1);
                for (std::size_t x = 0; x < width; ++x)
                    blended[x] = static_cast<std::uint8_t>((unsigned{a[x]} + b[x]) >> 1);
                return blended;
            }
            const std::uint8_t* first = rows(tap.first);
            for (std::size_t x = 0; x < width; ++x)
                sums[x] = std::uint64_t{tap.firstWeight} * first[x];
            for (std::int32_t k = 1; k <= tap.whole; ++k) {
                const std::uint8_t* r = rows(tap.first + k);
                for (std::size_t x = 0; x < width; ++x) sums[x] += std::uint64_t{unit} * r[x];
            }
            if (tap.lastWeight > 0) {
                const std::uint8_t* r = rows(tap.first + tap.whole + 1);
                for (std::size_t x = 0; x < width; ++x)
                    sums[x] += std::uint64_t{tap.lastWeight} * r[x];
            }
            for (std::size_t x = 0; x < width; ++x)
                blended[x] = static_cast<std::uint8_t>(divider.divide(sums[x]));
            return blended;
        }
    }
    return nullptr;
}

// Scales one plane row by row: source rectangle `from` of the state before
// the change into rectangle `to` of the new state, holding two source rows.
ErrorCode scalePlaneByRows(PageData& data, int source, int target, const Rect& from, const Rect& to,
                           const ScaleResampler& vertical, const ScaleResampler& horizontal,
                           GeometryProgress& progress) {
    const auto oldWidth = static_cast<std::size_t>(from.width());
    SourceRows rows(data, source, from);
    std::unique_ptr<std::uint8_t[]> blended(new (std::nothrow) std::uint8_t[oldWidth]);
    std::unique_ptr<std::uint8_t[]> out(new (std::nothrow)
                                            std::uint8_t[static_cast<std::size_t>(to.width())]);
    std::unique_ptr<std::uint64_t[]> sums(new (std::nothrow) std::uint64_t[oldWidth]);
    if (!rows.valid() || !blended || !out || !sums) return kErrMemory;

    for (std::int32_t j = 0; j < to.height(); ++j) {
        const std::uint8_t* row = verticalRow(
            vertical, j, [&](std::int32_t i) { return rows.row(i); }, oldWidth, blended.get(),
            sums.get());
        if (rows.failed()) return kErrDisk;
        horizontal.resampleRow(row, out.get());
        if (!data.writeRow(target, to.left, to.top + j, to.width(), out.get())) return kErrDisk;
        if (progress.step()) return kErrCancelled;
    }
    return kErrNone;
}

// One band of destination rows of one plane: rows [top, bottom) of plane
// `plane` (an index into the target's planes), reading source rows
// [first, last].
struct ScaleBand {
    int plane = 0;
    std::int32_t top = 0, bottom = 0;
    std::int32_t first = 0, last = 0;
};

// A band's buffers: its source rows, the blended row and sums, and its
// destination rows.
struct ScaleSlot {
    std::unique_ptr<std::uint8_t[]> source;
    std::unique_ptr<std::uint8_t[]> blended;
    std::unique_ptr<std::uint64_t[]> sums;
    std::unique_ptr<std::uint8_t[]> out;
};

// About this many bytes of source rows, and of destination rows, make one
// band: enough work per band to keep the threads busy, little memory per
// slot.
constexpr std::size_t kBandBytes = 256 * 1024;
constexpr std::int32_t kMaxBandRows = 32;

// Bands over every plane in order, each at most `sourceRows` source rows
// and `destRows` destination rows. False when one destination row alone
// needs more source rows than a band may hold.
bool makeBands(const ScaleResampler& vertical, int planes, std::int32_t sourceRows,
               std::int32_t destRows, std::vector<ScaleBand>& bands) {
    for (std::int32_t j = 0; j < vertical.newLength();) {
        ScaleBand band{0, j, j, 0, 0};
        sourceSpan(vertical, j, band.first, band.last);
        if (band.last - band.first + 1 > sourceRows) return false;
        for (band.bottom = j + 1;
             band.bottom < vertical.newLength() && band.bottom - band.top < destRows;
             ++band.bottom) {
            std::int32_t first = 0, last = 0;
            sourceSpan(vertical, band.bottom, first, last);
            if (std::max(last, band.last) - band.first + 1 > sourceRows) break;
            band.last = std::max(last, band.last);
        }
        bands.push_back(band);
        j = band.bottom;
    }
    const std::size_t perPlane = bands.size();
    for (int plane = 1; plane < planes; ++plane) {
        for (std::size_t i = 0; i < perPlane; ++i) {
            bands.push_back(bands[i]);
            bands.back().plane = plane;
        }
    }
    return true;
}

// Scales every plane of the target in bands spread over the page's worker
// pool: source rows are read and destination rows written on this thread,
// the resampling is computed by any thread. Returns false in `banded` (and
// 0) when the bands' memory cannot be had or a destination row needs more
// source rows than a band holds; the planes are then done row by row.
ErrorCode scaleBands(Page& page, const GeometryTarget& target, const Rect& from, const Rect& to,
                     const ScaleResampler& vertical, const ScaleResampler& horizontal,
                     GeometryProgress& progress, bool& banded) {
    banded = false;
    PageData& data = *page.pageData();
    const auto oldWidth = static_cast<std::size_t>(from.width());
    const auto newWidth = static_cast<std::size_t>(to.width());
    const auto sourceRows =
        static_cast<std::int32_t>(std::max<std::size_t>(2, kBandBytes / oldWidth));
    const auto destRows =
        static_cast<std::int32_t>(std::clamp<std::size_t>(kBandBytes / newWidth, 1, kMaxBandRows));
    std::vector<ScaleBand> bands;
    try {
        if (!makeBands(vertical, target.planesUsed, sourceRows, destRows, bands)) return kErrNone;
    } catch (const std::bad_alloc&) {
        return kErrNone;
    }

    WorkerPool* workers = page.workers();
    std::vector<ScaleSlot> slots(static_cast<std::size_t>(OrderedJobs::slotsFor(workers)));
    for (ScaleSlot& slot : slots) {
        slot.source.reset(new (std::nothrow) std::uint8_t[oldWidth * sourceRows]);
        slot.blended.reset(new (std::nothrow) std::uint8_t[oldWidth]);
        slot.sums.reset(new (std::nothrow) std::uint64_t[oldWidth]);
        slot.out.reset(new (std::nothrow) std::uint8_t[newWidth * destRows]);
        if (!slot.source || !slot.blended || !slot.sums || !slot.out) return kErrNone;
    }
    banded = true;

    ErrorCode code = kErrNone;
    auto prepare = [&](std::int64_t job, int s) {
        const ScaleBand& band = bands[static_cast<std::size_t>(job)];
        ScaleSlot& slot = slots[static_cast<std::size_t>(s)];
        const int plane = target.planes[band.plane].source;
        // Bands read each plane's rows top to bottom, one plane after the
        // other: no later band reads the rows above this one's first, nor
        // the plane before once this one has begun.
        data.releasePreviousAbove(plane, from.top + band.first);
        if (band.plane > 0 && band.top == 0) {
            data.releasePreviousAbove(target.planes[band.plane - 1].source,
                                      std::numeric_limits<std::int32_t>::max());
        }
        for (std::int32_t i = band.first; i <= band.last; ++i) {
            if (!data.readRowFromPrevious(plane, from.left, from.top + i, from.width(),
                                          slot.source.get() + (i - band.first) * oldWidth)) {
                code = kErrDisk;
                return false;
            }
        }
        return true;
    };
    auto compute = [&](std::int64_t job, int s) {
        const ScaleBand& band = bands[static_cast<std::size_t>(job)];
        ScaleSlot& slot = slots[static_cast<std::size_t>(s)];
        auto rows = [&](std::int32_t i) {
            return slot.source.get() + static_cast<std::size_t>(i - band.first) * oldWidth;
        };
        for (std::int32_t j = band.top; j < band.bottom; ++j) {
            const std::uint8_t* row =
                verticalRow(vertical, j, rows, oldWidth, slot.blended.get(), slot.sums.get());
            horizontal.resampleRow(row, slot.out.get() + (j - band.top) * newWidth);
        }
    };
    auto finish = [&](std::int64_t job, int s) {
        const ScaleBand& band = bands[static_cast<std::size_t>(job)];
        ScaleSlot& slot = slots[static_cast<std::size_t>(s)];
        const int plane = target.planes[band.plane].target;
        for (std::int32_t j = band.top; j < band.bottom; ++j) {
            if (!data.writeRow(plane, to.left, to.top + j, to.width(),
                               slot.out.get() + (j - band.top) * newWidth)) {
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
    OrderedJobs::run(workers, std::ssize(bands), std::ssize(slots), prepare, compute, finish);
    return code;
}

Rect unite(const Rect& a, const Rect& b) {
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

}  // namespace

ErrorCode scalePage(Page& page, std::int32_t newWidth, std::int32_t newHeight, bool smooth,
                    ProgressFactory* progressFactory) {
    if (newWidth < 1 || newHeight < 1) return kErrGeneral;
    GeometryChange change(page);
    if (const ErrorCode code = change.open(); code != kErrNone) return code;
    GeometryTarget target;
    if (const ErrorCode code = liftGeometryTarget(page, target); code != kErrNone)
        return change.fail(code);
    if (target.rect.empty()) {
        change.abort();
        return kErrNone;
    }
    const Rect from = target.rect;
    const Rect to = geometryResultRect(target, newWidth, newHeight);
    if (const ErrorCode code = reshapeGeometryTarget(page, target, to); code != kErrNone)
        return change.fail(code);

    GeometryProgress progress(progressFactory);
    progress.setText(0, geometry_name::kWorking.text);
    progress.setText(1, geometry_name::kScale.text);
    progress.begin(std::int64_t{target.planesUsed} * newHeight);
    // The resamplers hold one entry per destination sample; building them can
    // run out of memory like any buffer.
    std::unique_ptr<ScaleResampler> vertical, horizontal;
    try {
        vertical = std::make_unique<ScaleResampler>(from.height(), newHeight, smooth);
        horizontal = std::make_unique<ScaleResampler>(from.width(), newWidth, smooth);
    } catch (const std::bad_alloc&) {
        return change.fail(kErrMemory);
    }
    bool banded = false;
    if (const ErrorCode code =
            scaleBands(page, target, from, to, *vertical, *horizontal, progress, banded);
        code != kErrNone) {
        return change.fail(code);
    }
    for (int i = 0; i < target.planesUsed && !banded; ++i) {
        const auto& plane = target.planes[i];
        const ErrorCode code = scalePlaneByRows(*page.pageData(), plane.source, plane.target, from,
                                                to, *vertical, *horizontal, progress);
        if (code != kErrNone) return change.fail(code);
    }
    progress.finish(true);
    const ErrorCode code = change.commit(GeometryChange::kUndoScale, unite(from, to));
    if (code == kErrNone && target.floating) page.countChange();
    return code;
}

}  // namespace tessary
