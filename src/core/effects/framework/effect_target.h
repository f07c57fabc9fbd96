#pragma once

#include "model/image_data.h"

namespace tessary {

class Page;

// The planes and the rectangle a filter works on.
struct EffectTarget {
    int firstPlane = 0;  // first colour plane (the floating pixels' first plane on a float)
    int planeCount = 1;  // 1 for 256 Grays, 3 for RGB-Millions
    int maskPlane = -1;  // selection mask plane, or -1 for none
    Rect rect;           // image pixels
    // Nothing reads the state before the change once the worker is done
    // (the run owns the change, or is a dialog's final run), so the worker
    // may let go of what it has read (PageData::releasePreviousAbove();
    // pages with history ignore it).
    bool releasesPrevious = false;

    int lastPlane() const { return firstPlane + planeCount - 1; }
    bool floating() const { return firstPlane != 0; }
};

// The target every command computes from its page:
//   first plane  the floating pixels' first plane when a selection floats,
//                otherwise 0;
//   plane count  1 for 256 Grays, 3 for RGB-Millions;
//   mask plane   the selection mask when the page has a selection and
//                nothing floats, otherwise -1;
//   rectangle    the selection bounds when a selection exists or floats
//                (clipped to the image unless it floats, since the floating
//                pixels may lie partly outside it), otherwise the whole
//                image.
// The page must have been shaped.
EffectTarget standardTarget(const Page& page);

// The intersection of two rectangles; empty (all zero) when they do not meet.
Rect intersectRects(const Rect& a, const Rect& b);

}  // namespace tessary
