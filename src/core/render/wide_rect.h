#pragma once

#include <algorithm>
#include <cstdint>

#include "model/image_data.h"

namespace tessary {

// A point in window (device) pixels. 64-bit because a large image at 32:1
// reaches window coordinates beyond the 32-bit range.
struct WidePoint {
    std::int64_t x = 0, y = 0;
    friend bool operator==(const WidePoint&, const WidePoint&) = default;
};

// A rectangle in window (device) pixels: (left, top, right, bottom), right
// and bottom exclusive, 64-bit for the same reason as WidePoint.
struct WideRect {
    std::int64_t left = 0, top = 0, right = 0, bottom = 0;

    std::int64_t width() const { return right - left; }
    std::int64_t height() const { return bottom - top; }
    bool empty() const { return right <= left || bottom <= top; }
    bool contains(std::int64_t x, std::int64_t y) const {
        return x >= left && x < right && y >= top && y < bottom;
    }

    static WideRect from(const Rect& r) { return {r.left, r.top, r.right, r.bottom}; }

    // The common part; an empty rectangle (possibly inverted) when there is
    // none, so callers test empty() rather than comparing with {}.
    WideRect intersected(const WideRect& other) const {
        return {std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
                std::min(bottom, other.bottom)};
    }
    WideRect grown(std::int64_t by) const { return {left - by, top - by, right + by, bottom + by}; }

    friend bool operator==(const WideRect&, const WideRect&) = default;
};

}  // namespace tessary
