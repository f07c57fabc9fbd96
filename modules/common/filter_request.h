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
