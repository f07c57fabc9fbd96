#pragma once

#include <cstdint>

#include "model/error_codes.h"
#include "model/image_data.h"

namespace tessary {

class Page;
class ProgressFactory;

struct DropShadowRequest {
    std::uint32_t colour = 0;            // colour reference (red bits 0-7)
    std::int32_t horizontalOffset = 16;  // pixels, negative to the left
    std::int32_t verticalOffset = 16;    // pixels, negative upward
    std::int32_t feather = 12;           // softening radius in pixels (0: hard)
    std::int32_t opacity = 255;          // 0-255
};

// Paints a shadow of the selection: the selection mask, softened by a box
// average of radius min(feather, 16) over the selection bounds grown by the
// feather, and shifted by the offsets, is the mask through which the colour
// is filled at the opacity. The shadow never covers the selected object
// itself (the selection mask is the inverted exclusion) unless a selection
// floats: the floating pixels lie above the shadow, which is then painted
// without exclusion. The selection and its mask are left as they were.
//
// Needs a selection (mask or float); without one nothing happens, `painted`
// is empty and kErrNone is returned. Runs as its own change with undo kind 7
// ("Fill") over the painted rectangle (clipped to the image), returned in
// `painted` for repainting. Progress shows "Working..." with "Feathering",
// then "Drop Shadow". kErrNone, kErrDisk, kErrMemory or kErrCancelled; on
// failure the page, its selection and its planes are as before and
// `painted` is empty.
ErrorCode dropShadow(Page& page, const DropShadowRequest& request, Rect& painted,
                     ProgressFactory* progress);

// The opacity the Drop Shadow command passes for an intensity in percent:
// trunc(intensity x 255 / 100), the intensity clamped to 0 ... 100.
std::int32_t dropShadowOpacity(std::int32_t intensityPercent);

}  // namespace tessary
