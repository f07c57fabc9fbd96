#include "shell/view/view_edits.h"

#include <algorithm>

#include "effects/framework/selection_fill.h"
#include "exchange/page_scrap.h"
#include "model/page.h"
#include "model/page_data.h"

namespace tessary {
namespace {

Rect intersect(const Rect& a, const Rect& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

// Runs `work` inside a change bracket and records `kind` over `*area` (read
// after the work, which may move it). On any failure the change is aborted.
template <class Work>
ViewEditResult inChange(Page& page, std::uint32_t kind, Work&& work) {
    PageData* data = page.pageData();
    if (data == nullptr) return {kErrGeneral, {}};
    if (!data->beginChange()) return {kErrDisk, {}};
    Rect area;
    ErrorCode code = work(area);
    if (code == kErrNone && !page.saveState(kind, 0, area)) code = kErrMemory;
    if (code != kErrNone) {
        data->abortChange();
        page.restoreState();
        return {code, {}};
    }
    data->endChange();
    return {kErrNone, area};
}

// Merges a floating selection into the image; nothing without one.
ErrorCode mergeAnyFloat(Page& page) {
    return page.hasFloat() ? page.mergeFloat() : kErrNone;
}

// The clear step of Clear and Cut (open change): delete the float or fill
// the selected pixels with the background, then drop the selection.
ErrorCode clearSelection(Page& page, std::uint32_t background, std::int32_t opacity) {
    ErrorCode code = kErrNone;
    if (page.hasFloat()) {
        code = page.dropFloat();
    } else {
        code = fillSelection(page, background, opacity, nullptr);
    }
    if (code == kErrNone && page.hasMask()) code = page.removeMask();
    return code;
}

}  // namespace

bool ViewEdits::hasSelection(const Page& page) {
    return page.hasMask() || page.hasFloat();
}

Rect ViewEdits::selectionBounds(const Page& page) {
    if (!hasSelection(page)) return page.bounds();
    const Rect clipped = intersect(page.selectionRect(), page.bounds());
    return clipped.empty() ? Rect{} : clipped;
}

ViewEditResult ViewEdits::fill(Page& page, std::uint32_t colour, std::int32_t opacity) {
    return inChange(page, kUndoFill, [&](Rect& area) {
        area = selectionBounds(page);
        return fillSelection(page, colour, opacity, nullptr);
    });
}

ViewEditResult ViewEdits::clear(Page& page, std::uint32_t background, std::int32_t opacity) {
    if (!hasSelection(page)) return {};
    return inChange(page, kUndoClear, [&](Rect& area) {
        area = selectionBounds(page);
        return clearSelection(page, background, opacity);
    });
}

ErrorCode ViewEdits::copy(const Page& page, PageScrap& scrap) {
    if (!hasSelection(page)) return kErrNone;
    return scrap.copy(page) ? kErrNone : kErrDisk;
}

ViewEditResult ViewEdits::cut(Page& page, PageScrap& scrap, std::uint32_t background,
                              std::int32_t opacity) {
    if (!hasSelection(page)) return {};
    if (!scrap.copy(page)) return {kErrDisk, {}};
    return inChange(page, kUndoCut, [&](Rect& area) {
        area = selectionBounds(page);
        return clearSelection(page, background, opacity);
    });
}

ViewEditResult ViewEdits::paste(Page& page, PageScrap& scrap) {
    if (!scrap.hasImage()) return {kErrGeneral, {}};
    const Rect around = selectionBounds(page);
    const Rect centreOf = around.empty() ? page.bounds() : around;
    const std::int32_t x = centreOf.left + centreOf.width() / 2;
    const std::int32_t y = centreOf.top + centreOf.height() / 2;
    ViewEditResult result = inChange(page, kUndoPaste, [&](Rect& area) {
        ErrorCode code = mergeAnyFloat(page);
        if (code == kErrNone && page.hasMask()) code = page.removeMask();
        if (code == kErrNone) code = scrap.pasteIntoPage(page, x, y);
        area = page.selectionRect();
        return code;
    });
    if (result.code == kErrNone) {
        // The old float's pixels were merged where it lay: repaint both.
        const Rect pasted = result.repaint;
        if (!around.empty()) {
            result.repaint = {std::min(pasted.left, around.left), std::min(pasted.top, around.top),
                              std::max(pasted.right, around.right),
                              std::max(pasted.bottom, around.bottom)};
        }
    }
    return result;
}

ViewEditResult ViewEdits::selectAll(Page& page) {
    return inChange(page, kUndoSelection, [&](Rect& area) {
        ErrorCode code = mergeAnyFloat(page);
        if (code == kErrNone) code = page.addMask();
        area = page.bounds();
        return code;
    });
}

ViewEditResult ViewEdits::selectNone(Page& page) {
    if (!hasSelection(page)) return {};
    return inChange(page, kUndoSelection, [&](Rect& area) {
        area = selectionBounds(page);
        ErrorCode code = mergeAnyFloat(page);
        if (code == kErrNone && page.hasMask()) code = page.removeMask();
        return code;
    });
}

ViewEditResult ViewEdits::selectInverse(Page& page) {
    if (!hasSelection(page)) return {};
    return inChange(page, kUndoSelection, [&](Rect& area) {
        ErrorCode code = mergeAnyFloat(page);
        if (code == kErrNone) code = page.invertSelection();
        area = page.bounds();
        return code;
    });
}

}  // namespace tessary
