#include "tools/selection/selection_move.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <new>

#include "model/blend_table.h"
#include "model/grey_weights.h"
#include "model/page.h"
#include "model/page_data.h"
#include "platform/assert.h"
#include "tools/selection/selection_change.h"
#include "tools/tool_point.h"
#include "tools/tool_view.h"

namespace tessary {
namespace {

bool fitsInt32(std::int64_t value) {
    return value >= std::numeric_limits<std::int32_t>::min() &&
           value <= std::numeric_limits<std::int32_t>::max();
}

// Fills the selected pixels of the colour planes with `background` through
// the mask (open change). Rows without a selected pixel are not written.
ErrorCode fillBackground(Page& page, std::uint32_t background) {
    PageData& data = *page.pageData();
    const int planes = page.colourPlaneCount();
    const int mask = planes;
    const Rect area = selection_rect::intersect(page.selectionRect(), page.bounds());
    if (area.empty()) return kErrNone;
    std::uint8_t colour[3] = {static_cast<std::uint8_t>(background),
                              static_cast<std::uint8_t>(background >> 8),
                              static_cast<std::uint8_t>(background >> 16)};
    if (planes == 1) colour[0] = GreyWeights::greyOfColour(background);

    const auto width = static_cast<std::size_t>(area.width());
    std::unique_ptr<std::uint8_t[]> weights(new (std::nothrow) std::uint8_t[width]);
    std::unique_ptr<std::uint8_t[]> samples(new (std::nothrow) std::uint8_t[width]);
    if (!weights || !samples) return kErrMemory;
    const BlendTable& blend = page.blend();
    for (std::int32_t y = area.top; y < area.bottom; ++y) {
        data.readRowOrFill(mask, area.left, y, area.width(), weights.get(), 0);
        if (std::all_of(weights.get(), weights.get() + width,
                        [](std::uint8_t m) { return m == 0; }))
            continue;
        for (int p = 0; p < planes; ++p) {
            data.readRow(p, area.left, y, area.width(), samples.get());
            for (std::size_t i = 0; i < width; ++i) {
                samples[i] = blend.blend(weights[i], colour[p], samples[i]);
            }
            if (!data.writeRow(p, area.left, y, area.width(), samples.get())) return kErrDisk;
        }
    }
    return kErrNone;
}

}  // namespace

ErrorCode moveSelection(Page& page, std::int64_t dx, std::int64_t dy, SelectionMove move,
                        std::uint32_t background, Rect& changed) {
    TS_ASSERT(move == SelectionMove::OutlineOnly ? page.hasMask()
                                                 : page.hasMask() || page.hasFloat());
    changed = Rect{};
    const Rect old = page.storedSelectionRect();
    if (!fitsInt32(dx) || !fitsInt32(dy) || !fitsInt32(old.left + dx) || !fitsInt32(old.top + dy) ||
        !fitsInt32(old.right + dx) || !fitsInt32(old.bottom + dy))
        return kErrDisk;
    const Rect moved{
        static_cast<std::int32_t>(old.left + dx), static_cast<std::int32_t>(old.top + dy),
        static_cast<std::int32_t>(old.right + dx), static_cast<std::int32_t>(old.bottom + dy)};

    SelectionChange change(page);
    if (const ErrorCode code = change.open(); code != kErrNone) return code;
    PageData& data = *page.pageData();
    if (move == SelectionMove::WithPixels && !page.hasFloat()) {
        // The floating planes must be taken before the background is laid:
        // liftFloat() copies the colour planes as they were when the change
        // was opened.
        if (const ErrorCode code = page.liftFloat(); code != kErrNone) return code;
        if (const ErrorCode code = fillBackground(page, background); code != kErrNone) return code;
    }
    const int mask = page.colourPlaneCount();
    const int last = move == SelectionMove::WithPixels ? page.planeCount() - 1 : mask;
    for (int p = mask; p <= last; ++p) {
        if (!data.offsetPlane(p, static_cast<std::int32_t>(dx), static_cast<std::int32_t>(dy), 0))
            return kErrDisk;
    }
    page.setSelectionRect(moved);
    const Rect area = selection_rect::unite(old, moved);
    if (const ErrorCode code = change.commit(area); code != kErrNone) return code;
    changed = area;
    return kErrNone;
}

ErrorCode finishDraggedMove(Page& page, ToolView& view, ToolPoint start, ToolPoint end,
                            SelectionMove move, std::uint32_t background) {
    view.endMovedOutline();
    if (end == start) return kErrNone;
    const bool movable =
        move == SelectionMove::OutlineOnly ? page.hasMask() : page.hasMask() || page.hasFloat();
    if (!movable) return kErrNone;
    Rect changed;
    const ErrorCode code = moveSelection(page, std::int64_t{end.x} - start.x,
                                         std::int64_t{end.y} - start.y, move, background, changed);
    if (code == kErrNone) view.invalidateImage(changed);
    return code;
}

}  // namespace tessary
