#include "render/page_draw.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "model/page_data.h"
#include "platform/assert.h"
#include "render/wide_arithmetic.h"

namespace tessary {
namespace {

// Line and channel slots: three colour planes, three float planes, the mask.
constexpr int kColourSlot = 0;
constexpr int kFloatSlot = 3;
constexpr int kMaskSlot = 6;
constexpr int kSlotCount = 7;

// The floating selection over the image with the mask as coverage:
// (f * m + (256 - m) * old + 128) >> 8. The weights are m and 256 - m, so a
// mask of 0 keeps `old` exactly and a mask of 255 gives a value within one
// level of `f`.
inline void blendFloat(std::uint8_t* colour, const std::uint8_t* floating, const std::uint8_t* mask,
                       std::int32_t count) {
    for (std::int32_t k = 0; k < count; ++k) {
        const unsigned m = mask[k];
        colour[k] = static_cast<std::uint8_t>((floating[k] * m + (256 - m) * colour[k] + 128) >> 8);
    }
}

}  // namespace

PageDraw::Zoom PageDraw::Zoom::of(int code) {
    TS_ASSERT(code >= -kMaxReduction && code <= kMaxReduction);
    Zoom z;
    if (code > 1) z.mag = code;
    if (code < -1) z.red = -code;
    return z;
}

PageDraw::~PageDraw() {
    release();
}

bool PageDraw::initialise(std::uint32_t bandWidth, std::uint32_t bandHeight) {
    release();
    if (bandWidth == 0 || bandHeight == 0 || bandWidth > 4096 || bandHeight > 4096) return false;
    const std::size_t w = bandWidth;
    const std::size_t h = bandHeight;
    m_colourBand.reset(new (std::nothrow) std::uint32_t[w * h]);
    m_lines.reset(new (std::nothrow) std::uint8_t[w * kMaxReduction * kSlotCount]);
    m_channels.reset(new (std::nothrow) std::uint8_t[w * kSlotCount]);
    if (!m_colourBand || !m_lines || !m_channels) {
        release();
        return false;
    }
    m_bandWidth = bandWidth;
    m_bandHeight = bandHeight;
    m_ready = true;
    return true;
}

void PageDraw::release() {
    m_colourBand.reset();
    m_lines.reset();
    m_channels.reset();
    m_bandWidth = 0;
    m_bandHeight = 0;
    m_ready = false;
}

std::size_t PageDraw::workBytes() const {
    if (!m_ready) return 0;
    const std::size_t w = m_bandWidth;
    return w * m_bandHeight * 4 + w * kMaxReduction * kSlotCount + w * kSlotCount;
}

int PageDraw::drawModeFor(std::int32_t pageType, bool hasFloat) {
    if (pageType == 2) return hasFloat ? kModeGreyFloat : kModeGrey;
    return hasFloat ? kModeRgbFloat : kModeRgb;
}

const ImageData* PageDraw::stateAt(const PageData& data, int historyOffset) {
    const ImageData* state = data.current();
    if (!state || historyOffset == 0) return state;
    // Both chains are walked from their newest end through the older links:
    // the newest undo state is one step back, the newest redo state one step
    // forward.
    const ImageData* walk = historyOffset > 0 ? data.undoNewest() : data.redoNewest();
    const std::int64_t steps =
        historyOffset > 0 ? std::int64_t{historyOffset} : -std::int64_t{historyOffset};
    for (std::int64_t i = 1; walk && i <= steps; ++i) {
        state = walk;
        walk = walk->older();
    }
    return state;
}

void PageDraw::draw(const PageData& data, const Rect& source, const WideRect& destination,
                    const DrawTarget& target, int zoomCode, int drawMode, int historyOffset) const {
    const ImageData* state = stateAt(data, historyOffset);
    if (!state) return;
    drawState(*state, source, destination, target, zoomCode, drawMode);
}

void PageDraw::drawState(const ImageData& state, const Rect& source, const WideRect& destination,
                         const DrawTarget& target, int zoomCode, int drawMode) const {
    if (!m_ready || !target.pixels) return;
    TS_ASSERT(drawMode >= kModeRgb && drawMode <= kModeGreyFloat);
    const Zoom zoom = Zoom::of(zoomCode);
    if (source.empty()) return;

    // Clip the source to the image. At 1:n the first pixel read stays on the
    // source's grid of every n-th pixel, so a clipped draw reads the same
    // pixels as the unclipped one would.
    const std::int64_t red = zoom.red;
    const std::int64_t mag = zoom.mag;
    std::int64_t left = source.left;
    std::int64_t top = source.top;
    if (left < 0) left += ceilDiv(-left, red) * red;
    if (top < 0) top += ceilDiv(-top, red) * red;
    const std::int64_t right = std::min<std::int64_t>(source.right, state.width());
    const std::int64_t bottom = std::min<std::int64_t>(source.bottom, state.height());
    if (left >= right || top >= bottom) return;

    // Cells: device pixels at 1:n and 1:1, n x n blocks at n:1. A reduced
    // row yields floor(width / n) cells.
    const std::int64_t cellsAcross = (right - left) / red;
    const std::int64_t cellsDown = (bottom - top) / red;
    const std::int64_t deviceLeft = destination.left + (left - source.left) / red * mag;
    const std::int64_t deviceTop = destination.top + (top - source.top) / red * mag;

    const WideRect clip = destination.intersected(target.writable());
    if (clip.empty()) return;
    // The cells that reach the clip.
    const std::int64_t cx0 = std::max<std::int64_t>(0, floorDiv(clip.left - deviceLeft, mag));
    const std::int64_t cx1 = std::min(cellsAcross, ceilDiv(clip.right - deviceLeft, mag));
    const std::int64_t cy0 = std::max<std::int64_t>(0, floorDiv(clip.top - deviceTop, mag));
    const std::int64_t cy1 = std::min(cellsDown, ceilDiv(clip.bottom - deviceTop, mag));
    if (cx0 >= cx1 || cy0 >= cy1) return;

    const std::int64_t w = m_bandWidth;
    const std::int64_t h = m_bandHeight;
    // Rows of bands from top to bottom, bands from left to right, each cut at
    // the edge of the visible cells.
    for (std::int64_t by = cy0 / h; by <= (cy1 - 1) / h; ++by) {
        BandCells cells;
        cells.j0 = static_cast<std::int32_t>(std::max(cy0 - by * h, std::int64_t{0}));
        cells.j1 = static_cast<std::int32_t>(std::min(cy1 - by * h, h));
        for (std::int64_t bx = cx0 / w; bx <= (cx1 - 1) / w; ++bx) {
            cells.i0 = static_cast<std::int32_t>(std::max(cx0 - bx * w, std::int64_t{0}));
            cells.i1 = static_cast<std::int32_t>(std::min(cx1 - bx * w, w));
            const auto x = static_cast<std::int32_t>(left + bx * w * red);
            const auto y = static_cast<std::int32_t>(top + by * h * red);
            fillBand(state, drawMode, zoom, x, y, cells);
            const WideRect bandDevice{deviceLeft + bx * w * mag, deviceTop + by * h * mag,
                                      deviceLeft + (bx * w + cells.i1) * mag,
                                      deviceTop + (by * h + cells.j1) * mag};
            blitBand(target, bandDevice, bandDevice.intersected(clip), zoom.mag, cells);
        }
    }
}

std::uint8_t* PageDraw::readSamples(const ImageData& state, int plane, bool fillOutside,
                                    std::int32_t x, std::int32_t y, std::int32_t cells,
                                    std::int32_t step, int line, int channel) const {
    std::uint8_t* samples = m_lines.get() + std::size_t{m_bandWidth} * kMaxReduction * line;
    const std::int32_t count = (cells - 1) * step + 1;
    if (fillOutside) {
        state.readRowOrFill(plane, x, y, count, samples, 0);
    } else {
        state.readRow(plane, x, y, count, samples);
    }
    if (step == 1) return samples;
    std::uint8_t* out = m_channels.get() + std::size_t{m_bandWidth} * channel;
    for (std::int32_t k = 0; k < cells; ++k) out[k] = samples[static_cast<std::size_t>(k) * step];
    return out;
}

void PageDraw::fillBand(const ImageData& state, int drawMode, const Zoom& zoom, std::int32_t x,
                        std::int32_t y, const BandCells& cells) const {
    const bool grey = drawMode == kModeGrey || drawMode == kModeGreyFloat;
    const int colourPlanes = grey ? 1 : 3;
    const int planes = state.planeCount();
    const int maskPlane = colourPlanes;
    // Which colours have a float to blend: RGB needs plane 4 + c (and with it
    // the mask plane 3); grey needs at least 3 planes.
    bool floats[3] = {false, false, false};
    bool anyFloat = false;
    if (drawMode == kModeRgbFloat) {
        for (int c = 0; c < 3; ++c) {
            floats[c] = planes > maskPlane + 1 + c;
            anyFloat = anyFloat || floats[c];
        }
    } else if (drawMode == kModeGreyFloat) {
        anyFloat = floats[0] = planes >= 3;
    }

    const std::int32_t cellCount = cells.i1 - cells.i0;
    const std::int32_t red = zoom.red;
    const std::int32_t sx = x + cells.i0 * red;
    std::uint8_t* channels = m_channels.get();
    const std::size_t w = m_bandWidth;

    for (std::int32_t j = cells.j0; j < cells.j1; ++j) {
        const std::int32_t sy = y + j * red;
        // Colour samples, one writable row per colour (the line itself at
        // 1:1, the subsampled channel otherwise); a missing plane reads 0.
        std::uint8_t* colour[3] = {nullptr, nullptr, nullptr};
        for (int c = 0; c < colourPlanes; ++c) {
            if (c < planes) {
                colour[c] = readSamples(state, c, false, sx, sy, cellCount, red, kColourSlot + c,
                                        kColourSlot + c);
            } else {
                colour[c] = channels + w * (kColourSlot + c);
                std::memset(colour[c], 0, static_cast<std::size_t>(cellCount));
            }
        }
        if (anyFloat) {
            const std::uint8_t* mask =
                readSamples(state, maskPlane, true, sx, sy, cellCount, red, kMaskSlot, kMaskSlot);
            for (int c = 0; c < colourPlanes; ++c) {
                if (!floats[c]) continue;
                const std::uint8_t* floating =
                    readSamples(state, maskPlane + 1 + c, true, sx, sy, cellCount, red,
                                kFloatSlot + c, kFloatSlot + c);
                blendFloat(colour[c], floating, mask, cellCount);
            }
        }
        std::uint32_t* out = m_colourBand.get() + static_cast<std::size_t>(j) * w + cells.i0;
        if (grey) {
            const std::uint8_t* g = colour[0];
            for (std::int32_t k = 0; k < cellCount; ++k) out[k] = g[k] * 0x010101u;
        } else {
            const std::uint8_t* r = colour[0];
            const std::uint8_t* g = colour[1];
            const std::uint8_t* b = colour[2];
            for (std::int32_t k = 0; k < cellCount; ++k) {
                out[k] = (std::uint32_t{r[k]} << 16) | (std::uint32_t{g[k]} << 8) | b[k];
            }
        }
    }
}

void PageDraw::blitBand(const DrawTarget& target, const WideRect& bandDevice,
                        const WideRect& visible, std::int32_t mag, const BandCells& cells) const {
    if (visible.empty()) return;
    const std::size_t w = m_bandWidth;
    const auto visibleWidth = static_cast<std::size_t>(visible.width());
    for (std::int32_t j = cells.j0; j < cells.j1; ++j) {
        const std::int64_t rowTop = std::max(bandDevice.top + std::int64_t{j} * mag, visible.top);
        const std::int64_t rowBottom =
            std::min(bandDevice.top + std::int64_t{j + 1} * mag, visible.bottom);
        if (rowTop >= rowBottom) continue;
        const std::uint32_t* band = m_colourBand.get() + static_cast<std::size_t>(j) * w;
        std::uint32_t* first = target.row(rowTop) + (visible.left - target.originX);
        if (mag == 1) {
            std::memcpy(first, band + (visible.left - bandDevice.left), visibleWidth * 4);
        } else {
            // Replicate each cell over its mag pixels, cut at the visible edges.
            std::uint32_t* out = first;
            std::int64_t dx = visible.left;
            std::int64_t i = (visible.left - bandDevice.left) / mag;
            while (dx < visible.right) {
                const std::int64_t cellRight =
                    std::min(bandDevice.left + (i + 1) * mag, visible.right);
                const auto n = static_cast<std::size_t>(cellRight - dx);
                std::fill_n(out, n, band[i]);
                out += n;
                dx = cellRight;
                ++i;
            }
        }
        for (std::int64_t dy = rowTop + 1; dy < rowBottom; ++dy) {
            std::memcpy(target.row(dy) + (visible.left - target.originX), first, visibleWidth * 4);
        }
    }
}

}  // namespace tessary
