#pragma once

// Helpers of the geometry, shadow, extrude and fill tests: reading a plane
// over any rectangle (a float may lie partly outside the image), a record of
// everything about a page that an aborted edit must leave as it was, and
// pages with a selection made from a mask.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "effects_test_support.h"
#include "model/page.h"
#include "model/page_data.h"

namespace tessary::test {

// The samples of `rect` of a plane of the current state, 0 outside the
// plane.
inline Plane readRect(const Page& page, int plane, const Rect& rect) {
    Plane out(static_cast<std::size_t>(rect.width()) * rect.height());
    for (std::int32_t y = rect.top; y < rect.bottom; ++y) {
        page.pageData()->readRowOrFill(
            plane, rect.left, y, rect.width(),
            out.data() + static_cast<std::size_t>(y - rect.top) * rect.width(), 0);
    }
    return out;
}

// A w x h sub-rectangle of a plane given as a whole image of `width`.
inline Plane crop(const Plane& plane, std::int32_t width, const Rect& r) {
    Plane out;
    for (std::int32_t y = r.top; y < r.bottom; ++y) {
        for (std::int32_t x = r.left; x < r.right; ++x)
            out.push_back(plane[static_cast<std::size_t>(y) * width + x]);
    }
    return out;
}

// Everything an aborted edit must restore: the state object itself, the
// history, the page's fields and every plane's samples over the image (and
// over the selection rectangle, where a float lives).
struct PageRecord {
    const ImageData* current = nullptr;
    int undoCount = 0;
    int redoCount = 0;
    int planeCount = 0;
    Rect bounds;
    Rect selection;
    std::int32_t type = 0;
    double horizontalResolution = 0;
    double verticalResolution = 0;
    std::vector<Plane> planes;
    std::vector<Plane> selected;

    static PageRecord of(const Page& page) {
        PageRecord r;
        const PageData& data = *page.pageData();
        r.current = data.current();
        r.undoCount = data.undoCount();
        r.redoCount = data.redoCount();
        r.planeCount = data.planeCount();
        r.bounds = page.bounds();
        r.selection = page.storedSelectionRect();
        r.type = page.type();
        r.horizontalResolution = page.horizontalResolution();
        r.verticalResolution = page.verticalResolution();
        for (int p = 0; p < r.planeCount; ++p) {
            r.planes.push_back(readRect(page, p, r.bounds));
            if (!r.selection.empty()) r.selected.push_back(readRect(page, p, r.selection));
        }
        return r;
    }

    // Same pixels, fields and history length; the state object may differ.
    void expectSameImage(const Page& page) const {
        const PageRecord now = of(page);
        EXPECT_EQ(now.planeCount, planeCount);
        EXPECT_EQ(now.bounds, bounds);
        EXPECT_EQ(now.selection, selection);
        EXPECT_EQ(now.type, type);
        EXPECT_EQ(now.horizontalResolution, horizontalResolution);
        EXPECT_EQ(now.verticalResolution, verticalResolution);
        EXPECT_TRUE(now.planes == planes);
        EXPECT_TRUE(now.selected == selected);
    }

    // What an aborted change leaves: the very state the change began from,
    // the same undo history, no redo.
    void expectUntouched(const Page& page) const {
        expectSameImage(page);
        EXPECT_EQ(page.pageData()->current(), current);
        EXPECT_EQ(page.pageData()->undoCount(), undoCount);
        EXPECT_EQ(page.pageData()->redoCount(), 0);
    }
};

// Records the page's fields (selection rectangle, resolutions) in its
// current state, as the edit that made the selection would have, so that an
// undo comes back to them; the page counts as unmodified again.
inline void settle(Page& page) {
    ASSERT_TRUE(page.saveState(0, 0, page.bounds()));
    page.setModified(false);
}

// A mask plane of `width` x `height` that is `inside` over `r` and 0
// elsewhere.
inline Plane boxMask(std::int32_t width, std::int32_t height, const Rect& r,
                     std::uint8_t inside = 255) {
    Plane out(static_cast<std::size_t>(width) * height, 0);
    for (std::int32_t y = r.top; y < r.bottom; ++y) {
        for (std::int32_t x = r.left; x < r.right; ++x)
            out[static_cast<std::size_t>(y) * width + x] = inside;
    }
    return out;
}

}  // namespace tessary::test
