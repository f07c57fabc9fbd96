#pragma once

#include <cstdint>

#include "model/error_codes.h"
#include "model/image_data.h"

namespace tessary {

class Page;
class ProgressPort;

// One fill of a colour through an optional mask, the routine behind Clear,
// Cut, Fill, the new strips of Canvas Size, Drop Shadow, Extrude and some
// tools.
//
// Planes: with planeA >= 0, planeA is the mask and planeB the exclusion mask
// (none when planeB is -1), and the area is `rect` clipped to `limit`. With
// planeA == -1, planeB is the mask (none when it is below 1), there is no
// exclusion, and the area is `limit`.
struct MaskFillRequest {
    std::uint32_t colour = 0;  // colour reference: red bits 0-7, green 8-15, blue 16-23
    int firstPlane = 0;        // first colour plane written
    int planeCount = 1;        // 1 (grey) or 3 (red, green, blue)
    int planeA = -1;
    Rect rect;
    int opacity = 255;  // 0-255; values outside are clamped
    int planeB = -1;
    Rect limit;
    // With an exclusion mask: set, the colour never covers exclusion pixels
    // (result T[255 - e][c] + T[e][o]); clear, it covers only them
    // (T[e][c] + T[255 - e][o]).
    bool invert = false;
};

// Fills the area of planes firstPlane ... firstPlane + planeCount - 1 of the
// current state. Per plane the colour sample is the red, green and blue byte
// of the colour on an RGB page, or its grey value (the shared colour-to-grey
// weights) on a grey page. Without a mask each sample becomes the colour
// sample, blended over the old sample o by the opacity when it is below 255
// (T[opacity][c] + T[255 - opacity][o]). With a mask sample m: c' = the
// colour sample, opacity-blended over o when below 255; then
// T[m][c'] + T[255 - m][o]; then the exclusion blend above.
//
// Old samples come from the state before the open change (from the current
// state for a plane that did not exist then); mask and exclusion samples
// from the current state, 0 outside their planes. A change must be open.
// `progress` is the progress window already shown, polled once per row, or
// null. Returns kErrNone (also for an empty area), kErrMemory when row
// buffers cannot be had, kErrDisk when a row cannot be read or written, or
// kErrCancelled; a failure leaves the rows written so far, for the caller's
// change bracket to take back.
ErrorCode fillThroughMask(Page& page, const MaskFillRequest& request, ProgressPort* progress);

}  // namespace tessary
