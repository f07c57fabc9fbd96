#pragma once

#include <array>
#include <cstdint>

#include "model/error_codes.h"
#include "model/image_data.h"

namespace tessary {

class Page;

// What Flip & Rotate and Scale transform: the whole image when nothing is
// selected, otherwise the floating selection (a plain selection is lifted
// into one first), and where the pixels to transform come from.
//
// Workers read the state before the change and write the new state. The
// float's pixels in the state before the change are its own planes when it
// floated already, and the colour planes when it was lifted inside this
// change; the mask is plane K in both. `sources` records that mapping.
struct GeometryTarget {
    // One plane to transform: where it is written and where it is read.
    struct PlanePair {
        int target = 0;  // plane of the new state
        int source = 0;  // plane of the state before the change
    };

    bool floating = false;
    int firstPlane = 0;  // first colour plane: 0, or the float base K + 1
    int planeCount = 1;  // K: 1 for grey, 3 for RGB
    int maskPlane = -1;  // the float's mask (K), -1 for the whole image
    Rect rect;           // the rectangle before the change

    // The planes in worker order: the mask first, then the colour planes.
    std::array<PlanePair, 4> planes{};
    int planesUsed = 0;
};

// Inside an open change: lifts a plain selection into a floating selection
// and fills in `target` from the page. kErrNone, or the lift's error code.
ErrorCode liftGeometryTarget(Page& page, GeometryTarget& target);

// The rectangle a transform that makes a width x height result lands in: at
// (0, 0) for the whole image; for a float, around the old rectangle's centre
// (halves rounded down, so the position of a float partly above or left of
// the image is kept by transforms that keep its size).
Rect geometryResultRect(const GeometryTarget& target, std::int32_t width, std::int32_t height);

// Inside an open change: replaces every target plane of the new state by a
// constant plane (255 for the whole image, 0 for a float and its mask), so
// that every sample is written afresh, and lays out `result`: the whole
// image's planes are resized to its size; a float's planes are grown to cover
// it and it becomes the page's selection rectangle. kErrNone or kErrDisk.
ErrorCode reshapeGeometryTarget(Page& page, const GeometryTarget& target, const Rect& result);

}  // namespace tessary
