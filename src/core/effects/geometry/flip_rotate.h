#pragma once

#include <cstdint>

#include "model/error_codes.h"
#include "model/image_data.h"

namespace tessary {

class Page;
class ProgressFactory;

// Operation codes of Flip & Rotate.
enum FlipRotateOperation : int {
    kFlipHorizontal = 1,               // left-right
    kFlipVertical = 2,                 // top-bottom
    kHalfTurn = 3,                     // 180 degrees
    kQuarterTurnCounterClockwise = 4,  // 90 degrees left
    kQuarterTurnClockwise = 5,         // 90 degrees right
};

// Flips or turns the whole image, or the selected pixels: a plain selection
// is lifted into a floating selection first, and the float is transformed
// around its own centre (a quarter turn swaps its width and height there,
// so a 41 x 10 float at (0, 0, 41, 10) lands at (15, -15, 25, 26)). The whole
// image is resized for a quarter turn, and its horizontal and vertical
// resolutions trade places so that its printed size turns with it.
//
// Runs as its own change with undo kind 13 ("Flip") or 14 ("Rotate"); the
// recorded area is the rectangle before the change together with the one
// after it. Progress shows "Effect..." and "Flip" or "Rotate". Returns
// kErrNone, kErrDisk (a plane operation or a tile read failed), kErrMemory
// (no buffers), kErrCancelled, or kErrGeneral for an unknown operation; on
// any failure the page is as before. `progress` may be null.
ErrorCode flipRotate(Page& page, int operation, ProgressFactory* progress);

// The undo kind an operation records: 13 for the flips, 14 for the turns,
// 0 for an unknown code.
std::uint32_t flipRotateUndoKind(int operation);

}  // namespace tessary
