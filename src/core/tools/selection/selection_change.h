#pragma once

#include <cstdint>

#include "model/error_codes.h"
#include "model/image_data.h"

namespace tessary {

class Page;

// One selection change on a page, recorded as one undo step of kind 5
// ("Selection"). It owns the page's change bracket from open() until
// commit() or abort(); destroying it with the change still open aborts it.
// A failed step leaves the change open for the caller to abort, so the page
// and its selection come back exactly as they were before open().
//
// The shape tools use it in this order: open(), mergeFloat(), then either
// dropSelection() for an empty shape, or chooseTarget(), the shape's rows
// through writeTargetRow(), combine(); then takeMaskBounds() and commit().
// All rectangles are in image pixels.
class SelectionChange {
public:
    static constexpr std::uint32_t kUndoSelection = 5;

    // `page` must have page data and outlive this object.
    explicit SelectionChange(Page& page);
    ~SelectionChange();
    SelectionChange(const SelectionChange&) = delete;
    SelectionChange& operator=(const SelectionChange&) = delete;

    // Opens the change and notes the selection rectangle as it was (empty
    // when there was no selection). kErrDisk when it cannot be opened.
    ErrorCode open();
    // Makes a floating selection part of the image; its mask stays as the
    // selection. kErrDisk or kErrMemory on failure.
    ErrorCode mergeFloat();
    // Removes the selection; the selection rectangle becomes empty.
    ErrorCode dropSelection();

    // Chooses the plane the new shape is drawn into. With a selection mask
    // and shift or ctrl held the shape is combined with the mask through a
    // temporary plane after it; otherwise the selection is dropped and the
    // shape becomes the new mask. Either plane starts all 0. kErrDisk when it
    // cannot be made.
    ErrorCode chooseTarget(bool shift, bool ctrl);
    bool combining() const { return m_combine != Combine::Replace; }
    int targetPlane() const { return m_target; }
    // Writes `count` coverage bytes into row y of the target from column x.
    ErrorCode writeTargetRow(std::int32_t x, std::int32_t y, std::int32_t count,
                             const std::uint8_t* coverage);
    // When combining: over `shape` (clipped to the image; the whole image
    // when it is empty) shift gives mask = min(255, mask + target) and ctrl
    // mask = max(0, mask - target); then the temporary plane is removed.
    // Nothing otherwise. kErrMemory when row buffers cannot be had,
    // kErrDisk when a row cannot be written or the plane removed.
    ErrorCode combine(const Rect& shape);
    // The selection rectangle becomes the bounds of the mask's non-zero
    // pixels within the image (empty when there are none).
    void takeMaskBounds();

    // Records the step with `changed` (the area undo and redo repaint),
    // closes the change and counts it on the page. kErrMemory, with the
    // change still open, when the record cannot be stored.
    ErrorCode commit(const Rect& changed);
    // Takes the page back to where open() found it. Nothing when no change
    // is open.
    void abort();

    // The selection rectangle before the change (empty without a selection).
    const Rect& oldSelection() const { return m_oldSelection; }
    // The old selection rectangle united with the current one: the area a
    // shape tool repaints and records.
    Rect changedArea() const;

private:
    enum class Combine { Replace, Add, Subtract };

    Page& m_page;
    bool m_open = false;
    Rect m_oldSelection;
    Combine m_combine = Combine::Replace;
    int m_target = -1;
};

namespace selection_rect {
// The smallest rectangle holding both (an empty one counts for nothing).
Rect unite(const Rect& a, const Rect& b);
// The common part; an empty rectangle when there is none.
Rect intersect(const Rect& a, const Rect& b);
}  // namespace selection_rect

}  // namespace tessary
