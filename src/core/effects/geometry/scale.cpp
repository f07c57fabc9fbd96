#include "effects/geometry/scale.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>

#include "effects/geometry/geometry_change.h"
#include "effects/geometry/geometry_names.h"
#include "effects/geometry/geometry_progress.h"
#include "effects/geometry/geometry_target.h"
#include "effects/geometry/scale_resampler.h"
#include "model/page.h"
#include "model/page_data.h"

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

// Scales one plane: source rectangle `from` of the state before the change
// into rectangle `to` of the new state.
ErrorCode scalePlane(PageData& data, int source, int target, const Rect& from, const Rect& to,
                     const ScaleResampler& vertical, const ScaleResampler& horizontal,
                     GeometryProgress& progress) {
    const auto oldWidth = static_cast<std::size_t>(from.width());
    SourceRows rows(data, source, from);
    std::unique_ptr<std::uint8_t[]> blended(new (std::nothrow) std::uint8_t[oldWidth]);
    std::unique_ptr<std::uint8_t[]> out(new (std::nothrow)
                                            std::uint8_t[static_cast<std::size_t>(to.width())]);
    std::unique_ptr<std::uint64_t[]> sums;
    if (vertical.mode() == ScaleResampler::Mode::kArea) {
        sums.reset(new (std::nothrow) std::uint64_t[oldWidth]);
        if (!sums) return kErrMemory;
    }
    if (!rows.valid() || !blended || !out) return kErrMemory;

    const std::int32_t lastRow = from.height() - 1;
    const std::uint32_t unit = vertical.unit();
    const ExactDivider& divider = vertical.divider();
    for (std::int32_t j = 0; j < to.height(); ++j) {
        const ScaleResampler::Tap& tap = vertical.tap(j);
        const std::uint8_t* row = nullptr;
        switch (vertical.mode()) {
            case ScaleResampler::Mode::kNearest:
                row = rows.row(tap.first);
                break;
            case ScaleResampler::Mode::kLinear: {
                if (tap.weight == 0) {
                    row = rows.row(tap.first);
                    break;
                }
                const std::uint8_t* a = rows.row(tap.first);
                const std::uint8_t* b = rows.row(std::min(tap.first + 1, lastRow));
                if (unit == 2) {
                    for (std::size_t x = 0; x < oldWidth; ++x)
                        blended[x] = static_cast<std::uint8_t>((unsigned{a[x]} + b[x]) >> 1);
                } else {
                    const std::uint32_t wa = unit - tap.weight;
                    const std::uint32_t wb = tap.weight;
                    for (std::size_t x = 0; x < oldWidth; ++x) {
                        blended[x] = static_cast<std::uint8_t>(
                            divider.divide(std::uint64_t{wa} * a[x] + std::uint64_t{wb} * b[x]));
                    }
                }
                row = blended.get();
                break;
            }
            case ScaleResampler::Mode::kArea: {
                if (divider.divisor() == 2 && unit == 1) {
                    // Halving: the truncated mean of two whole rows.
                    const std::uint8_t* a = rows.row(2 * j);
                    const std::uint8_t* b = rows.row(2 * j + 1);
                    for (std::size_t x = 0; x < oldWidth; ++x)
                        blended[x] = static_cast<std::uint8_t>((unsigned{a[x]} + b[x]) >> 1);
                    row = blended.get();
                    break;
                }
                const std::uint8_t* first = rows.row(tap.first);
                for (std::size_t x = 0; x < oldWidth; ++x)
                    sums[x] = std::uint64_t{tap.firstWeight} * first[x];
                for (std::int32_t k = 1; k <= tap.whole; ++k) {
                    const std::uint8_t* r = rows.row(tap.first + k);
                    for (std::size_t x = 0; x < oldWidth; ++x)
                        sums[x] += std::uint64_t{unit} * r[x];
                }
                if (tap.lastWeight > 0) {
                    const std::uint8_t* r = rows.row(tap.first + tap.whole + 1);
                    for (std::size_t x = 0; x < oldWidth; ++x)
                        sums[x] += std::uint64_t{tap.lastWeight} * r[x];
                }
                for (std::size_t x = 0; x < oldWidth; ++x)
                    blended[x] = static_cast<std::uint8_t>(divider.divide(sums[x]));
                row = blended.get();
                break;
            }
        }
        if (rows.failed()) return kErrDisk;
        horizontal.resampleRow(row, out.get());
        if (!data.writeRow(target, to.left, to.top + j, to.width(), out.get())) return kErrDisk;
        if (progress.step()) return kErrCancelled;
    }
    return kErrNone;
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
    for (int i = 0; i < target.planesUsed; ++i) {
        const auto& plane = target.planes[i];
        const ErrorCode code = scalePlane(*page.pageData(), plane.source, plane.target, from, to,
                                          *vertical, *horizontal, progress);
        if (code != kErrNone) return change.fail(code);
    }
    progress.finish(true);
    const ErrorCode code = change.commit(GeometryChange::kUndoScale, unite(from, to));
    if (code == kErrNone && target.floating) page.countChange();
    return code;
}

}  // namespace tessary
