#include "effects/framework/effect_target.h"

#include <algorithm>

#include "model/page.h"

namespace tessary {

Rect intersectRects(const Rect& a, const Rect& b) {
    const Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                 std::min(a.bottom, b.bottom)};
    return r.empty() ? Rect{} : r;
}

EffectTarget standardTarget(const Page& page) {
    EffectTarget target;
    target.planeCount = page.colourPlaneCount();
    if (page.hasFloat()) {
        target.firstPlane = page.floatBase();
        target.maskPlane = -1;
        target.rect = page.selectionRect();
    } else if (page.hasMask()) {
        target.firstPlane = 0;
        target.maskPlane = page.maskPlane();
        target.rect = intersectRects(page.selectionRect(), page.bounds());
    } else {
        target.firstPlane = 0;
        target.maskPlane = -1;
        target.rect = page.bounds();
    }
    return target;
}

}  // namespace tessary
