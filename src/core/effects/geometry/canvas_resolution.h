#pragma once

#include "model/error_codes.h"

namespace tessary {

class Page;

// Stores a new horizontal and vertical resolution (pixels per inch) in the
// page; the pixels do not change. Runs as a change with undo kind 10
// ("Resolution") over the whole image, so that undo and redo, which restore
// the resolutions recorded with each state, take it back and forth like any
// other edit. kErrNone; kErrGeneral for a resolution that is not a positive
// finite number (nothing changes); kErrDisk when the change cannot be had.
ErrorCode setCanvasResolution(Page& page, double horizontal, double vertical);

}  // namespace tessary
