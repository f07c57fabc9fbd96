#include "plugins/page_transfer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "model/page.h"
#include "model/page_data.h"

namespace tessary {

namespace {

// True when `inner` lies wholly inside `outer`.
bool within(const Rect& inner, const Rect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// The rectangle a plane's tiles cover (clipped to 32 bits).
Rect tilesOf(const ImageData& state, int plane) {
    const ImageData::PlaneRecord& r = state.plane(plane);
    auto clip = [](std::int64_t v) {
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(
            v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
    };
    return Rect{r.originX, r.originY, clip(r.right()), clip(r.bottom())};
}

bool readInside(const PageData& data, PageState state, int plane, std::int32_t x, std::int32_t y,
                std::int32_t count, std::uint8_t* dest) {
    return state == PageState::Previous ? data.readRowFromPrevious(plane, x, y, count, dest)
                                        : data.readRow(plane, x, y, count, dest);
}

}  // namespace

Rect intersection(const Rect& a, const Rect& b) {
    Rect out{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
             std::min(a.bottom, b.bottom)};
    if (out.empty()) return Rect{};
    return out;
}

Rect planeArea(const Page& page, int plane) {
    const int k = page.colourPlaneCount();
    if (page.hasFloat() && plane >= k) return page.storedSelectionRect();
    return page.bounds();
}

bool readRowClamped(const PageData& data, PageState state, int plane, std::int32_t x,
                    std::int32_t y, std::int32_t count, std::uint8_t* dest, const Rect& area) {
    if (count <= 0) return true;
    if (area.empty()) {
        std::memset(dest, 0, static_cast<std::size_t>(count));
        return true;
    }
    const std::int32_t row = std::clamp(y, area.top, area.bottom - 1);
    const std::int64_t end = std::int64_t{x} + count;
    const std::int64_t inside0 = std::max<std::int64_t>(x, area.left);
    const std::int64_t inside1 = std::min<std::int64_t>(end, area.right);
    if (inside0 >= inside1) {
        // Wholly left or right of the area: the nearest column repeats.
        const std::int32_t column = end <= area.left ? area.left : area.right - 1;
        std::uint8_t sample = 0;
        const bool ok = readInside(data, state, plane, column, row, 1, &sample);
        std::memset(dest, sample, static_cast<std::size_t>(count));
        return ok;
    }
    const auto offset = static_cast<std::size_t>(inside0 - x);
    const auto length = static_cast<std::int32_t>(inside1 - inside0);
    const bool ok = readInside(data, state, plane, static_cast<std::int32_t>(inside0), row, length,
                               dest + offset);
    if (offset > 0) std::memset(dest, dest[offset], offset);
    const std::size_t tail = static_cast<std::size_t>(end - inside1);
    if (tail > 0) std::memset(dest + offset + length, dest[offset + length - 1], tail);
    return ok;
}

bool readPageIntoBuffer(const Page& page, PageState state, DataBuffer& buffer, int rate) {
    const PageData* data = page.pageData();
    if (data == nullptr || buffer.storage() == nullptr) return false;
    if (rate < 1) rate = 1;
    const std::int32_t width = buffer.width();
    const std::int32_t height = buffer.height();
    if (width <= 0 || height <= 0) return true;
    const std::int32_t step = buffer.sampleStep();
    const Rect bufferRect{buffer.left(), buffer.top(), buffer.right(), buffer.bottom()};
    bool ok = true;
    std::vector<std::uint8_t> row;
    for (int plane = buffer.firstPlane(); plane <= buffer.lastPlane(); ++plane) {
        if (plane >= data->planeCount()) continue;
        const Rect area = planeArea(page, plane);
        const ImageData& source =
            state == PageState::Previous ? *data->previous() : *data->current();
        if (rate == 1 && within(bufferRect, area) && within(bufferRect, tilesOf(source, plane))) {
            // Inside the area nothing is clamped: tile by tile.
            ok = source.readBlock(plane, bufferRect, buffer.row(plane, 0), buffer.rowBytes(),
                                  step) &&
                 ok;
            continue;
        }
        if (rate == 1) {
            if (step != 1) row.resize(static_cast<std::size_t>(width));
            for (std::int32_t r = 0; r < height; ++r) {
                std::uint8_t* out = buffer.row(plane, r);
                const std::int64_t y = std::int64_t{buffer.top()} + r;
                const auto yc = static_cast<std::int32_t>(std::clamp<std::int64_t>(
                    y, std::int64_t{area.top}, std::max<std::int64_t>(area.top, area.bottom - 1)));
                std::uint8_t* target = step == 1 ? out : row.data();
                ok = readRowClamped(*data, state, plane, buffer.left(), yc, width, target, area) &&
                     ok;
                if (step != 1) {
                    for (std::int32_t c = 0; c < width; ++c) out[std::int64_t{c} * step] = row[c];
                }
            }
            continue;
        }
        // Sampled: one whole row of the area per output row, then every
        // rate-th sample of it.
        if (area.empty()) continue;
        row.resize(static_cast<std::size_t>(area.width()));
        for (std::int32_t r = 0; r < height; ++r) {
            const std::int64_t y = (std::int64_t{buffer.top()} + r) * rate;
            const auto yc = static_cast<std::int32_t>(
                std::clamp<std::int64_t>(y, area.top, std::int64_t{area.bottom} - 1));
            ok = readRowClamped(*data, state, plane, area.left, yc, area.width(), row.data(),
                                area) &&
                 ok;
            std::uint8_t* out = buffer.row(plane, r);
            for (std::int32_t c = 0; c < width; ++c) {
                const std::int64_t x = (std::int64_t{buffer.left()} + c) * rate;
                const std::int64_t xc =
                    std::clamp<std::int64_t>(x, area.left, std::int64_t{area.right} - 1);
                out[std::int64_t{c} * step] = row[static_cast<std::size_t>(xc - area.left)];
            }
        }
    }
    return ok;
}

namespace {

// Writes `part` of one plane from the buffer row by row.
bool writeRowsOfBuffer(PageData& data, const DataBuffer& buffer, int plane, const Rect& part,
                       std::vector<std::uint8_t>& row) {
    if (part.empty()) return true;
    const std::int32_t step = buffer.sampleStep();
    const std::int32_t count = part.width();
    const std::int64_t column0 = std::int64_t{part.left} - buffer.left();
    row.resize(static_cast<std::size_t>(count));
    for (std::int32_t y = part.top; y < part.bottom; ++y) {
        const std::uint8_t* in = buffer.row(plane, y - buffer.top()) + column0 * step;
        const std::uint8_t* source = in;
        if (step != 1) {
            for (std::int32_t c = 0; c < count; ++c) row[c] = in[std::int64_t{c} * step];
            source = row.data();
        }
        if (!data.writeRow(plane, part.left, y, count, source)) return false;
    }
    return true;
}

}  // namespace

bool writeBufferIntoPage(Page& page, const DataBuffer& buffer, int firstPlane, int lastPlane,
                         const Rect& clip) {
    PageData* data = page.pageData();
    if (data == nullptr || buffer.storage() == nullptr) return false;
    const Rect bufferRect{buffer.left(), buffer.top(), buffer.right(), buffer.bottom()};
    const std::int32_t step = buffer.sampleStep();
    std::vector<std::uint8_t> row;
    for (int plane = std::max(firstPlane, 0); plane <= lastPlane; ++plane) {
        if (plane >= data->planeCount()) continue;
        const Rect area = intersection(intersection(planeArea(page, plane), clip), bufferRect);
        if (area.empty()) continue;
        // The tiles the area covers whole are written straight from the
        // buffer, each in one piece (a new tile is not filled first); the
        // rest, around them, row by row.
        const Rect whole = data->current()->wholeTilesInside(plane, area);
        if (whole.empty()) {
            if (!writeRowsOfBuffer(*data, buffer, plane, area, row)) return false;
            continue;
        }
        if (!writeRowsOfBuffer(*data, buffer, plane, {area.left, area.top, area.right, whole.top},
                               row))
            return false;
        for (std::int32_t top = whole.top; top < whole.bottom; top += VMTile::kTileSize) {
            const std::int32_t bottom = top + VMTile::kTileSize;
            const std::uint8_t* tileRow =
                buffer.row(plane, top - buffer.top()) + std::int64_t{whole.left - buffer.left()} * step;
            for (std::int32_t left = whole.left; left < whole.right; left += VMTile::kTileSize) {
                const Rect tile{left, top, left + VMTile::kTileSize, bottom};
                if (!data->writeTile(plane, tile, tileRow, buffer.rowBytes(), step)) return false;
                tileRow += std::int64_t{VMTile::kTileSize} * step;
            }
            if (!writeRowsOfBuffer(*data, buffer, plane, {area.left, top, whole.left, bottom}, row) ||
                !writeRowsOfBuffer(*data, buffer, plane, {whole.right, top, area.right, bottom},
                                   row))
                return false;
        }
        if (!writeRowsOfBuffer(*data, buffer, plane,
                               {area.left, whole.bottom, area.right, area.bottom}, row))
            return false;
    }
    return true;
}

}  // namespace tessary
