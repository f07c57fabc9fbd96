#pragma once

#include <cstdint>

#include "model/error_codes.h"
#include "model/image_data.h"

namespace tessary {

class Page;
class PageScrap;

// The edits the image view performs itself, each one change bracket on the
// page: open a change, do the work, and on success record one undo step of
// its kind over the rectangle it touched and close the change; on failure
// abort the change, which puts pixels, planes, selection and undo history
// back as they were. None of them shows anything: the view reports the
// returned code and repaints `repaint`.
//
// Undo kinds recorded: 5 "Selection" (Select All, None, Inverse), 7 "Fill",
// 15 "Cut", 16 "Paste", 17 "Clear".
struct ViewEditResult {
    ErrorCode code = kErrNone;
    // Image pixels to repaint (empty when nothing changed).
    Rect repaint;
};

class ViewEdits {
public:
    static constexpr std::uint32_t kUndoSelection = 5;
    static constexpr std::uint32_t kUndoFill = 7;
    static constexpr std::uint32_t kUndoCut = 15;
    static constexpr std::uint32_t kUndoPaste = 16;
    static constexpr std::uint32_t kUndoClear = 17;

    // A selection exists: the page has a mask plane or a floating selection.
    static bool hasSelection(const Page& page);
    // The rectangle a command repaints: the selection rectangle clipped to
    // the image, or the whole image without a selection.
    static Rect selectionBounds(const Page& page);

    // Fills the selected pixels with `colour` at `opacity` (the whole image
    // without a selection); with a floating selection its own pixels are
    // filled at opacity 255.
    static ViewEditResult fill(Page& page, std::uint32_t colour, std::int32_t opacity);
    // Deletes a floating selection, or fills the selected pixels with
    // `background` at `opacity`; then drops the selection. Nothing happens
    // without a selection.
    static ViewEditResult clear(Page& page, std::uint32_t background, std::int32_t opacity);
    // Copies the selection into `scrap` (no undo step). kErrDisk when the
    // store failed; kErrNone without a selection (nothing copied).
    static ErrorCode copy(const Page& page, PageScrap& scrap);
    // Copy, then clear, recorded as "Cut". A failed copy changes nothing.
    static ViewEditResult cut(Page& page, PageScrap& scrap, std::uint32_t background,
                              std::int32_t opacity);
    // Merges any floating selection, drops the selection, and pastes the
    // scrap as a new floating selection centred on the centre of the old
    // selection bounds (the image's centre without one).
    static ViewEditResult paste(Page& page, PageScrap& scrap);
    // Merges a floating selection, then selects everything, nothing, or
    // inverts the mask.
    static ViewEditResult selectAll(Page& page);
    static ViewEditResult selectNone(Page& page);
    static ViewEditResult selectInverse(Page& page);
};

}  // namespace tessary
