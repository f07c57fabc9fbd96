#include "tools/selection/selection_change.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "model/page.h"
#include "model/page_data.h"
#include "platform/assert.h"

namespace tessary {

namespace selection_rect {

Rect unite(const Rect& a, const Rect& b) {
    if (a.empty()) return b.empty() ? Rect{} : b;
    if (b.empty()) return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

Rect intersect(const Rect& a, const Rect& b) {
    const Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                 std::min(a.bottom, b.bottom)};
    return r.empty() ? Rect{} : r;
}

}  // namespace selection_rect

namespace {

// The bounds of the non-zero samples of `plane` within `within` (which the
// plane covers), or an empty rectangle. Constant tiles are judged by their
// value; a stored tile is read only as far as it can still widen what was
// found: a tile between the found columns only for its first and last
// non-zero rows.
Rect nonZeroBounds(const ImageData& state, int plane, const Rect& within) {
    constexpr std::int32_t kTile = 128;
    const ImageData::PlaneRecord& record = state.plane(plane);
    std::uint8_t row[kTile];
    bool found = false;
    Rect bounds;
    const auto include = [&](std::int32_t left, std::int32_t top, std::int32_t right,
                             std::int32_t bottom) {
        bounds = found ? selection_rect::unite(bounds, {left, top, right, bottom})
                       : Rect{left, top, right, bottom};
        found = true;
    };
    // The first and last non-zero column of row y of `part`, or -1.
    const auto scanRow = [&](const Rect& part, std::int32_t y, std::int32_t& first,
                             std::int32_t& last) {
        state.readRow(plane, part.left, y, part.width(), row);
        first = last = -1;
        for (std::int32_t i = 0; i < part.width(); ++i) {
            if (row[i] == 0) continue;
            if (first < 0) first = i;
            last = i;
        }
    };
    for (std::int32_t tileRow = 0; tileRow < record.tilesDown; ++tileRow) {
        const std::int64_t top = record.originY + std::int64_t{kTile} * tileRow;
        if (top >= within.bottom || top + kTile <= within.top) continue;
        for (std::int32_t column = 0; column < record.tilesAcross; ++column) {
            const std::int64_t left = record.originX + std::int64_t{kTile} * column;
            if (left >= within.right || left + kTile <= within.left) continue;
            const Rect part = selection_rect::intersect(
                {static_cast<std::int32_t>(std::max<std::int64_t>(left, within.left)),
                 static_cast<std::int32_t>(std::max<std::int64_t>(top, within.top)),
                 static_cast<std::int32_t>(std::min<std::int64_t>(left + kTile, within.right)),
                 static_cast<std::int32_t>(std::min<std::int64_t>(top + kTile, within.bottom))},
                within);
            if (part.empty()) continue;
            const ImageData::TileEntry entry = state.entry(plane, column, tileRow);
            if (ImageData::isConstant(entry)) {
                if ((entry & 0xFF) != 0) include(part.left, part.top, part.right, part.bottom);
                continue;
            }
            const bool betweenColumns =
                found && part.left >= bounds.left && part.right <= bounds.right;
            if (betweenColumns && part.top >= bounds.top && part.bottom <= bounds.bottom) continue;
            std::int32_t first = -1, last = -1;
            if (betweenColumns) {
                for (std::int32_t y = part.top; y < part.bottom && y < bounds.top; ++y) {
                    scanRow(part, y, first, last);
                    if (first >= 0) {
                        include(bounds.left, y, bounds.right, y + 1);
                        break;
                    }
                }
                for (std::int32_t y = part.bottom - 1; y >= part.top && y >= bounds.bottom; --y) {
                    scanRow(part, y, first, last);
                    if (first >= 0) {
                        include(bounds.left, y, bounds.right, y + 1);
                        break;
                    }
                }
                continue;
            }
            for (std::int32_t y = part.top; y < part.bottom; ++y) {
                scanRow(part, y, first, last);
                if (first >= 0) include(part.left + first, y, part.left + last + 1, y + 1);
            }
        }
    }
    return found ? bounds : Rect{};
}

}  // namespace

SelectionChange::SelectionChange(Page& page) : m_page(page) {
    TS_ASSERT(page.pageData() != nullptr);
}

SelectionChange::~SelectionChange() {
    abort();
}

ErrorCode SelectionChange::open() {
    TS_ASSERT(!m_open);
    const bool selected = m_page.hasMask() || m_page.hasFloat();
    m_oldSelection = selected ? m_page.storedSelectionRect() : Rect{};
    if (!m_page.pageData()->beginChange()) return kErrDisk;
    m_open = true;
    return kErrNone;
}

ErrorCode SelectionChange::mergeFloat() {
    TS_ASSERT(m_open);
    return m_page.mergeFloat();
}

ErrorCode SelectionChange::dropSelection() {
    TS_ASSERT(m_open);
    if (const ErrorCode code = m_page.dropFloat(); code != kErrNone) return code;
    return m_page.removeMask();
}

ErrorCode SelectionChange::chooseTarget(bool shift, bool ctrl) {
    TS_ASSERT(m_open && !m_page.hasFloat());
    const int mask = m_page.colourPlaneCount();
    m_combine = !m_page.hasMask() || (!shift && !ctrl) ? Combine::Replace
                : shift                                ? Combine::Add
                                                       : Combine::Subtract;
    if (m_combine == Combine::Replace) {
        if (const ErrorCode code = m_page.removeMask(); code != kErrNone) return code;
        m_target = mask;
    } else {
        m_target = mask + 1;
    }
    return m_page.pageData()->insertPlane(m_target, 0) ? kErrNone : kErrDisk;
}

ErrorCode SelectionChange::writeTargetRow(std::int32_t x, std::int32_t y, std::int32_t count,
                                          const std::uint8_t* coverage) {
    TS_ASSERT(m_target >= 0);
    return m_page.pageData()->writeRow(m_target, x, y, count, coverage) ? kErrNone : kErrDisk;
}

ErrorCode SelectionChange::combine(const Rect& shape) {
    if (m_combine == Combine::Replace) return kErrNone;
    PageData& data = *m_page.pageData();
    const int mask = m_target - 1;
    const Rect image = m_page.bounds();
    const Rect area = shape.empty() ? image : selection_rect::intersect(shape, image);
    if (!area.empty()) {
        const auto width = static_cast<std::size_t>(area.width());
        std::unique_ptr<std::uint8_t[]> old(new (std::nothrow) std::uint8_t[width]);
        std::unique_ptr<std::uint8_t[]> target(new (std::nothrow) std::uint8_t[width]);
        std::unique_ptr<std::uint8_t[]> combined(new (std::nothrow) std::uint8_t[width]);
        if (!old || !target || !combined) return kErrMemory;
        for (std::int32_t y = area.top; y < area.bottom; ++y) {
            data.readRowOrFill(mask, area.left, y, area.width(), old.get(), 0);
            data.readRowOrFill(m_target, area.left, y, area.width(), target.get(), 0);
            for (std::size_t i = 0; i < width; ++i) {
                const int m = old[i];
                const int t = target[i];
                combined[i] = static_cast<std::uint8_t>(
                    m_combine == Combine::Add ? std::min(255, m + t) : std::max(0, m - t));
            }
            // A row the shape left alone is not written, so its tiles stay
            // shared with the state before the change.
            if (std::memcmp(old.get(), combined.get(), width) == 0) continue;
            if (!data.writeRow(mask, area.left, y, area.width(), combined.get())) return kErrDisk;
        }
    }
    if (!data.removePlane(m_target)) return kErrDisk;
    m_target = mask;
    m_combine = Combine::Replace;
    return kErrNone;
}

void SelectionChange::takeMaskBounds() {
    // Mask samples beyond the image (in the last tiles, or left there by a
    // move) are not part of the selection.
    m_page.setSelectionRect(m_page.hasMask()
                                ? nonZeroBounds(*m_page.pageData()->current(),
                                                m_page.colourPlaneCount(), m_page.bounds())
                                : Rect{});
}

ErrorCode SelectionChange::commit(const Rect& changed) {
    TS_ASSERT(m_open);
    if (!m_page.saveState(kUndoSelection, 0, changed)) return kErrMemory;
    m_page.pageData()->endChange();
    m_open = false;
    m_page.countChange();
    return kErrNone;
}

void SelectionChange::abort() {
    if (!m_open) return;
    m_page.pageData()->abortChange();
    m_page.restoreState();
    m_open = false;
}

Rect SelectionChange::changedArea() const {
    const bool selected = m_page.hasMask() || m_page.hasFloat();
    return selection_rect::unite(m_oldSelection, selected ? m_page.storedSelectionRect() : Rect{});
}

}  // namespace tessary
