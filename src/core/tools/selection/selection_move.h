#pragma once

#include <cstdint>

#include "model/error_codes.h"
#include "model/image_data.h"

namespace tessary {

class Page;
class ToolView;
struct ToolPoint;

// What a selection move takes along.
enum class SelectionMove {
    // The mask alone: the outline moves, the pixels stay (the arrow tool).
    OutlineOnly,
    // The selected pixels: a fixed selection is first lifted into a floating
    // selection, leaving the background colour behind; a floating one moves
    // with its pixels.
    WithPixels,
};

// Moves the selection of `page` by (dx, dy) image pixels as one selection
// change (undo kind 5): the mask plane, with WithPixels the floating planes
// too, and the selection rectangle are offset. OutlineOnly needs a fixed
// selection mask, WithPixels a mask or a floating selection.
//
// Lifting copies each colour plane as it was before the change into a
// floating plane, then fills the selected pixels of the colour planes with
// `background` (red bits 0-7, green 8-15, blue 16-23; its grey on a grey
// page) weighted by the mask: T[m][background] + T[255 - m][old].
//
// `changed` receives the old selection rectangle united with the moved one,
// the area to repaint (also recorded for undo). On failure (kErrDisk when a
// plane cannot be made, written or offset, or the move would carry the
// selection beyond 32-bit coordinates; kErrMemory when a buffer or the
// record cannot be had) the page and its selection are as before.
ErrorCode moveSelection(Page& page, std::int64_t dx, std::int64_t dy, SelectionMove move,
                        std::uint32_t background, Rect& changed);

// Ends a drag that moved the selection outline from `start` to `end` (image
// pixels): tells `view` the outline drag is over, and when the two differ
// and the page still has what `move` needs, moves the selection by the drag
// and has the view repaint the old and new places.
ErrorCode finishDraggedMove(Page& page, ToolView& view, ToolPoint start, ToolPoint end,
                            SelectionMove move, std::uint32_t background);

}  // namespace tessary
