#pragma once

#include "model/error_codes.h"

namespace tessary {

class Page;

// Crops the image to the selection: a floating selection is merged into the
// image first, the selection's bounds (clipped to the image) become the new
// image and the selection is dropped. Every plane is shifted by the bounds'
// top-left corner and cut to their size.
//
// Runs as its own change with undo kind 18 ("Crop") over the image bounds
// before the crop. With nothing selected, or a selection lying wholly
// outside the image, nothing happens and kErrNone is returned. Otherwise
// kErrNone, kErrMemory (the merge had no buffers) or kErrDisk; on failure the
// page is as before.
ErrorCode cropPage(Page& page);

}  // namespace tessary
