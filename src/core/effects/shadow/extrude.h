#pragma once

#include <cstdint>

#include "model/error_codes.h"
#include "model/image_data.h"

namespace tessary {

class Page;
class ProgressFactory;

struct ExtrudeRequest {
    std::uint32_t colour = 0;  // colour reference (red bits 0-7)
    std::int32_t dx = 0;       // sweep, pixels (negative to the left)
    std::int32_t dy = 0;       // sweep, pixels (negative upward)
    bool select = false;       // "Select" instead of "Fill Solid"
};

// The sweep of a compass direction 0-7 (0 up, then clockwise) at a distance:
// dx and dy of the Extrude command. Unknown directions give no sweep.
void extrudeOffset(int direction, std::int32_t distance, std::int32_t& dx, std::int32_t& dy);

// Sweeps the selection along (dx, dy): the selection mask becomes the union
// of the selection moved one pixel step at a time, max(|dx|, |dy|) steps of
// (sign dx, sign dy). "Fill Solid" then paints the colour at full opacity
// through the swept mask, never over the selected object, and the selection
// stays as it was. "Select" (which first merges a floating selection into the
// image) makes the swept outline without the object the new selection, with
// the swept rectangle as its bounds.
//
// Needs a selection (mask or float); without one nothing happens, `affected`
// is empty and kErrNone is returned. Runs as its own change with undo kind 7
// ("Fill") or 5 ("Selection"); `affected` receives the union of the
// selection bounds and the swept rectangle (clipped to the image for a plain
// selection) for repainting. Progress shows "Working..." with "Calculating",
// then "Extrude". kErrNone, kErrDisk, kErrMemory or kErrCancelled; on
// failure the page, its selection and its planes are as before.
ErrorCode extrude(Page& page, const ExtrudeRequest& request, Rect& affected,
                  ProgressFactory* progress);

}  // namespace tessary
