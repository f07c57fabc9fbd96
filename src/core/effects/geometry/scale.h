#pragma once

#include <cstdint>

#include "model/error_codes.h"

namespace tessary {

class Page;
class ProgressFactory;

// Scales the whole image, or the selected pixels, to newWidth x newHeight
// pixels (each at least 1). A plain selection is lifted into a floating
// selection first and the float is scaled around its own centre; the whole
// image is resized to the new size. Smooth scaling works per plane,
// destination row by destination row: the vertical step first (bilinear
// blend of two source rows when the height grows, area average of the rows
// covered when it shrinks), then the same along the row; see
// ScaleResampler. Not smooth: nearest sample.
//
// Runs as its own change with undo kind 11 ("Scale") over the union of the
// rectangles before and after. Progress shows "Working..." and "Scale", one
// step per destination row and plane. Returns kErrNone, kErrDisk,
// kErrMemory, kErrCancelled, or kErrGeneral for a size below 1; on failure
// the page is as before. `progress` may be null.
ErrorCode scalePage(Page& page, std::int32_t newWidth, std::int32_t newHeight, bool smooth,
                    ProgressFactory* progress);

}  // namespace tessary
