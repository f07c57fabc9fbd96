#pragma once

#include <cstdint>

#include "model/error_codes.h"
#include "model/image_data.h"

namespace tessary {

class Page;
class ProgressFactory;

// Where the old image sits on a resized canvas. Growing puts the new area on
// the other side(s); shrinking cuts from the other side(s). A centred axis
// splits an odd difference with the smaller half before the image (growing)
// or cut from its start (shrinking): half the difference, rounded down.
enum class CanvasAnchor {
    kTopLeft,
    kTop,
    kTopRight,
    kLeft,
    kCentre,
    kRight,
    kBottomLeft,
    kBottom,
    kBottomRight,
};

// Where the old image's top-left corner lands on a newWidth x newHeight
// canvas.
void canvasOffset(CanvasAnchor anchor, std::int32_t oldWidth, std::int32_t oldHeight,
                  std::int32_t newWidth, std::int32_t newHeight, std::int32_t& dx,
                  std::int32_t& dy);

// Resizes the page's planes to newWidth x newHeight, the old image placed by
// the anchor (kTopLeft keeps it at the top-left corner). Every sample of the
// new area reads 255 on the colour planes and 0 on the selection mask (new
// area is never selected); a floating selection and the selection rectangle
// move with the image. Opens no change: the caller holds it. kErrNone,
// kErrDisk, or kErrGeneral for a size below 1.
ErrorCode resizeCanvas(Page& page, std::int32_t newWidth, std::int32_t newHeight,
                       CanvasAnchor anchor = CanvasAnchor::kTopLeft);

// The new area of a canvas resize: up to four strips of the new canvas not
// covered by the old image (right, then bottom, then left, then top), empty
// rectangles where there is none. Right and left strips span the old image's
// rows; top and bottom strips span the whole new width.
struct CanvasStrips {
    Rect strips[4];
};
CanvasStrips canvasNewArea(std::int32_t oldWidth, std::int32_t oldHeight, std::int32_t newWidth,
                           std::int32_t newHeight, CanvasAnchor anchor);

// The Canvas Size command: in its own change, resizes the canvas, fills each
// new strip of the colour planes with `background` (a 0x00BBGGRR colour) at
// opacity 255 through the fill-through-mask routine, and records undo kind 9
// ("Resize") over the new image bounds. kErrNone or the failing step's code;
// on failure the page is as before.
ErrorCode changeCanvasSize(Page& page, std::int32_t newWidth, std::int32_t newHeight,
                           CanvasAnchor anchor, std::uint32_t background,
                           ProgressFactory* progress);

}  // namespace tessary
