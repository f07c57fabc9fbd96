#include "plugins/display_pixels.h"

#include <algorithm>
#include <new>

namespace tessary {

namespace {

int phaseOf(std::int64_t value) {
    return static_cast<int>(((value % 10) + 10) % 10);
}

}  // namespace

TsPiResult buildDisplayBitmap(const TsPiPixelMap* source, const TsPiLongRect* rect,
                              const BlendTable& blend, HostBitmap& out) {
    out = HostBitmap{};
    if (source == nullptr || rect == nullptr) return TSPI_ERR_PARAMETER;
    const bool grey = source->imageMode == TSPI_MODE_GRAYSCALE;
    if (!grey && source->imageMode != TSPI_MODE_RGB) return TSPI_ERR_HOST_INSUFFICIENT;
    if (source->baseAddr == nullptr) return TSPI_ERR_PARAMETER;
    const TsPiPixelMask* mask = source->version >= 1 ? source->mask : nullptr;
    if (mask != nullptr && mask->maskData == nullptr) return TSPI_ERR_PARAMETER;

    // The requested area clipped to the map's bounds, in 64 bits so that no
    // edge arithmetic can overflow.
    const std::int64_t top = std::max<std::int64_t>(rect->top, source->bounds.top);
    const std::int64_t left = std::max<std::int64_t>(rect->left, source->bounds.left);
    const std::int64_t bottom = std::min<std::int64_t>(rect->bottom, source->bounds.bottom);
    const std::int64_t right = std::min<std::int64_t>(rect->right, source->bounds.right);
    out.bitsPerPixel = grey ? 8 : 32;
    for (int i = 0; i < 256; ++i) out.palette[i] = static_cast<std::uint32_t>(i) * 0x010101u;
    if (bottom <= top || right <= left) return TSPI_NO_ERR;
    const std::int64_t width = right - left;
    const std::int64_t height = bottom - top;
    if (width > kMaxDisplayPixels / height) return TSPI_ERR_MEMORY_FULL;

    const std::int64_t rowBytes = grey ? (width + 3) / 4 * 4 : width * 4;
    try {
        out.pixels.assign(static_cast<std::size_t>(rowBytes * height), 0);
    } catch (const std::bad_alloc&) {
        out.pixels.clear();
        return TSPI_ERR_MEMORY_FULL;
    }
    out.width = static_cast<std::int32_t>(width);
    out.height = static_cast<std::int32_t>(height);
    out.rowBytes = rowBytes;

    const auto* base = static_cast<const std::uint8_t*>(source->baseAddr);
    const std::int64_t planeStep = source->planeBytes != 0 ? source->planeBytes : 1;
    // Grey samples are shown as they are (0 black, 255 white) through the
    // identity grey palette, not inverted: the page renderer shows grey
    // pages that way. The checkerboard behind masked pixels therefore uses
    // the same light and dark squares in both modes.
    const std::uint8_t light = 255;
    const std::uint8_t dark = 127;
    const int rowPhase = phaseOf(source->maskPhaseRow);
    const int columnPhase = phaseOf(source->maskPhaseCol);
    for (std::int64_t y = 0; y < height; ++y) {
        const std::int64_t mapRow = top + y - source->bounds.top;
        std::uint8_t* dst = out.pixels.data() + y * rowBytes;
        for (std::int64_t x = 0; x < width; ++x) {
            const std::int64_t mapColumn = left + x - source->bounds.left;
            const std::uint8_t* pixel =
                base + mapRow * source->rowBytes + mapColumn * source->colBytes;
            std::uint8_t samples[3];
            if (grey) {
                samples[0] = pixel[0];
            } else {
                samples[0] = pixel[0];
                samples[1] = pixel[planeStep];
                samples[2] = pixel[2 * planeStep];
            }
            const int channels = grey ? 1 : 3;
            if (mask != nullptr) {
                const auto* maskBase = static_cast<const std::uint8_t*>(mask->maskData);
                const std::uint8_t m =
                    maskBase[mapRow * mask->rowBytes + mapColumn * mask->colBytes];
                // Squares alternate every 10 pixels across and down.
                const std::int64_t squareRow = (y + rowPhase) / 10;
                const std::int64_t squareColumn = (x + columnPhase) / 10;
                const std::uint8_t square = (squareRow + squareColumn) % 2 == 0 ? light : dark;
                for (int c = 0; c < channels; ++c) samples[c] = blend.blend(m, samples[c], square);
            }
            if (grey) {
                dst[x] = samples[0];
            } else {
                dst[x * 4 + 0] = samples[2];
                dst[x * 4 + 1] = samples[1];
                dst[x * 4 + 2] = samples[0];
                dst[x * 4 + 3] = 0;
            }
        }
    }
    return TSPI_NO_ERR;
}

}  // namespace tessary
