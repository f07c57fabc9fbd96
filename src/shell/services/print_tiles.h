#pragma once

#include <cstdint>
#include <vector>

#include "model/image_data.h"

namespace tessary {

// How an image is cut for printing: nx x ny tiles of at most about 250 x 250
// pixels, so that no bitmap of the whole image is ever built.
struct PrintTileGrid {
    std::int32_t columns = 0;     // nx = (width + 249) / 250
    std::int32_t rows = 0;        // ny = (height + 249) / 250
    std::int32_t tileWidth = 0;   // width / nx
    std::int32_t tileHeight = 0;  // height / ny
    // The last column and row reach the image's right and bottom edges, so
    // they may be up to nx - 1 (ny - 1) pixels larger: the work bitmap's size.
    std::int32_t largestWidth = 0;
    std::int32_t largestHeight = 0;
};

inline constexpr std::int32_t kPrintTileSize = 250;

// The grid of an image of width x height pixels (an empty grid for a size
// below 1).
PrintTileGrid printTileGrid(std::int32_t width, std::int32_t height);

// Every tile (image pixels, right and bottom exclusive), left to right within
// each row of tiles, rows top to bottom.
std::vector<Rect> printTiles(const PrintTileGrid& grid, std::int32_t width, std::int32_t height);

// A rectangle on the printed page, in printer device pixels (64-bit: a large
// image at a high printer resolution exceeds 32 bits).
struct PrintRect {
    std::int64_t left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const PrintRect&, const PrintRect&) = default;
};

// Where a tile lands: its corners multiplied by `scale` (printer pixels per
// image pixel) and truncated toward zero.
PrintRect printDestination(const Rect& tile, double scale);

// The scale of a print: printer dots per inch / the image's horizontal
// resolution (pixels per inch); the same for both axes. A resolution that is
// not a positive number counts as 72.
double printScale(double printerDpi, double imageResolution);

}  // namespace tessary
