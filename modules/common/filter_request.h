#pragma once

#include <cstdint>

#include "tessary_plugin.h"

namespace tessary::modules {

// Helpers for the rectangles of a filter block. Rectangles are (top, left,
// bottom, right), right and bottom exclusive, in the coordinates of the
// block's image size.

inline bool isEmpty(const TsPiRect& rect) {
    return rect.bottom <= rect.top || rect.right <= rect.left;
}

inline std::int32_t heightOf(const TsPiRect& rect) {
    return rect.bottom - rect.top;
}
inline std::int32_t widthOf(const TsPiRect& rect) {
    return rect.right - rect.left;
}

// The rectangle to put into the block for the pixels of `rect`: the host
// never answers a request of exactly (0, 0, 1, 1), so that one pixel is
// asked for with the column to its right (which the host fills with the
// edge pixel when it lies outside the image, and does not store there).
// The answer holds `rect`'s pixels first in each row; a module that writes
// output touches only those, so the extra column goes back as it came.
inline TsPiRect servableRequest(const TsPiRect& rect) {
    if (rect.top == 0 && rect.left == 0 && rect.bottom == 1 && rect.right == 1)
        return TsPiRect{0, 0, 1, 2};
    return rect;
}

// Asks for nothing more: input, output and mask rectangles empty.
inline void clearFilterRequests(TsPiFilterBlock* block) {
    block->inRect = TsPiRect{0, 0, 0, 0};
    block->outRect = TsPiRect{0, 0, 0, 0};
    block->maskRect = TsPiRect{0, 0, 0, 0};
}

// The colour planes of a filter block's image: 1 for greyscale, 3 for RGB,
// 0 for any other image mode.
inline int colourPlanesOf(const TsPiFilterBlock* block) {
    if (block->imageMode == TSPI_MODE_GRAYSCALE && block->planes >= 1) return 1;
    if (block->imageMode == TSPI_MODE_RGB && block->planes >= 3) return 3;
    return 0;
}

}  // namespace tessary::modules
