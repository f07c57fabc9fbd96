// The outline half of PageDraw: the 1-bit outline of a selection mask at a
// zoom, for the moving selection outline of the image window.

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "platform/assert.h"
#include "render/page_draw.h"
#include "render/wide_arithmetic.h"

namespace tessary {

void PageDraw::readMaskCells(const ImageData& state, int maskPlane, std::uint8_t threshold,
                             const Zoom& zoom, std::int64_t imageY, std::int64_t firstX,
                             std::int64_t cellCount, std::uint8_t* flags) const {
    std::memset(flags, 0, static_cast<std::size_t>(cellCount));
    const std::int64_t red = zoom.red;
    // A cell is shown (and can be selected) only when its whole red x red
    // block lies in the image: the cells drawState draws.
    if (imageY < 0 || imageY + red > state.height()) return;
    const std::int64_t k0 = firstX >= 0 ? 0 : ceilDiv(-firstX, red);
    const std::int64_t room = state.width() - red - firstX;
    if (room < 0) return;
    const std::int64_t k1 = std::min(cellCount, room / red + 1);

    std::uint8_t* line = m_lines.get();
    const std::int64_t chunk = m_bandWidth;
    for (std::int64_t k = k0; k < k1; k += chunk) {
        const std::int64_t n = std::min(chunk, k1 - k);
        const auto x = static_cast<std::int32_t>(firstX + k * red);
        const auto count = static_cast<std::int32_t>((n - 1) * red + 1);
        state.readRowOrFill(maskPlane, x, static_cast<std::int32_t>(imageY), count, line, 0);
        for (std::int64_t t = 0; t < n; ++t) flags[k + t] = line[t * red] >= threshold;
    }
}

bool PageDraw::outlineBitmap(const ImageData& state, const Rect& source, int maskPlane,
                             std::uint8_t threshold, int zoomCode, std::uint8_t* bits,
                             std::size_t bytesPerRow, std::int32_t rows) const {
    if (!bits || bytesPerRow == 0 || rows <= 0) return m_ready;
    std::memset(bits, 0, bytesPerRow * static_cast<std::size_t>(rows));
    if (!m_ready) return false;
    const Zoom zoom = Zoom::of(zoomCode);
    if (source.empty() || maskPlane < 0 || maskPlane >= state.planeCount()) return true;

    const std::int64_t mag = zoom.mag;
    const std::int64_t red = zoom.red;
    const std::int64_t outWidth = std::min<std::int64_t>(
        std::int64_t{source.width()} / red * mag, static_cast<std::int64_t>(bytesPerRow) * 8);
    const std::int64_t outHeight =
        std::min<std::int64_t>(std::int64_t{source.height()} / red * mag, rows);
    if (outWidth <= 0 || outHeight <= 0) return true;

    // Selection flags of three rows of cells (the row of the output row being
    // built and the ones above and below), each with one cell of margin on
    // both sides: flag index k is cell k - 1.
    const std::int64_t cellCount = outWidth / mag + 2;
    std::unique_ptr<std::uint8_t[]> work(new (std::nothrow)
                                             std::uint8_t[static_cast<std::size_t>(cellCount) * 3]);
    if (!work) return false;
    std::uint8_t* above = work.get();
    std::uint8_t* current = above + cellCount;
    std::uint8_t* below = current + cellCount;
    const std::int64_t firstX = std::int64_t{source.left} - red;
    const auto load = [&](std::int64_t cellRow, std::uint8_t* flags) {
        readMaskCells(state, maskPlane, threshold, zoom, source.top + cellRow * red, firstX,
                      cellCount, flags);
    };
    std::int64_t cellRow = 0;
    load(-1, above);
    load(0, current);
    load(1, below);

    for (std::int64_t oy = 0; oy < outHeight; ++oy) {
        while (oy / mag > cellRow) {
            std::swap(above, current);  // above <- current
            std::swap(current, below);  // current <- below, below <- old above
            ++cellRow;
            load(cellRow + 1, below);
        }
        // At n:1 the rows inside a block see their own cell row above or below.
        const std::uint8_t* up = floorDiv(oy - 1, mag) == cellRow ? current : above;
        const std::uint8_t* down = (oy + 1) / mag == cellRow ? current : below;
        std::uint8_t* out = bits + static_cast<std::size_t>(oy) * bytesPerRow;
        for (std::int64_t ox = 0; ox < outWidth; ++ox) {
            const std::int64_t c = ox / mag + 1;
            if (!current[c]) continue;
            const bool inside = current[floorDiv(ox - 1, mag) + 1] && current[(ox + 1) / mag + 1] &&
                                up[c] && down[c];
            if (!inside) out[ox >> 3] |= static_cast<std::uint8_t>(0x80 >> (ox & 7));
        }
    }
    return true;
}

}  // namespace tessary
