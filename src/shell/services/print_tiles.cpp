#include "shell/services/print_tiles.h"

#include <cmath>

namespace tessary {

PrintTileGrid printTileGrid(std::int32_t width, std::int32_t height) {
    PrintTileGrid grid;
    if (width < 1 || height < 1) return grid;
    // 64-bit sums: width + 249 overflows 32 bits near the largest widths.
    grid.columns =
        static_cast<std::int32_t>((std::int64_t{width} + kPrintTileSize - 1) / kPrintTileSize);
    grid.rows =
        static_cast<std::int32_t>((std::int64_t{height} + kPrintTileSize - 1) / kPrintTileSize);
    grid.tileWidth = width / grid.columns;
    grid.tileHeight = height / grid.rows;
    grid.largestWidth = width - grid.tileWidth * (grid.columns - 1);
    grid.largestHeight = height - grid.tileHeight * (grid.rows - 1);
    return grid;
}

std::vector<Rect> printTiles(const PrintTileGrid& grid, std::int32_t width, std::int32_t height) {
    std::vector<Rect> tiles;
    tiles.reserve(static_cast<std::size_t>(grid.columns) * static_cast<std::size_t>(grid.rows));
    for (std::int32_t row = 0; row < grid.rows; ++row) {
        const std::int32_t top = row * grid.tileHeight;
        const std::int32_t bottom = row + 1 == grid.rows ? height : top + grid.tileHeight;
        for (std::int32_t column = 0; column < grid.columns; ++column) {
            const std::int32_t left = column * grid.tileWidth;
            const std::int32_t right = column + 1 == grid.columns ? width : left + grid.tileWidth;
            tiles.push_back({left, top, right, bottom});
        }
    }
    return tiles;
}

PrintRect printDestination(const Rect& tile, double scale) {
    auto scaled = [scale](std::int32_t v) {
        return static_cast<std::int64_t>(std::trunc(static_cast<double>(v) * scale));
    };
    return {scaled(tile.left), scaled(tile.top), scaled(tile.right), scaled(tile.bottom)};
}

double printScale(double printerDpi, double imageResolution) {
    const double resolution =
        std::isfinite(imageResolution) && imageResolution > 0.0 ? imageResolution : 72.0;
    return printerDpi / resolution;
}

}  // namespace tessary
