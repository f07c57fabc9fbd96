#pragma once

// Images for the scripted source, and reading them back out of pages.

#include <cstdint>
#include <vector>

#include "fake_source_manager.h"
#include "model/page.h"
#include "model/page_data.h"

namespace tessary::test {

// Plane `plane` of the page's current state, row by row over the image.
inline std::vector<std::uint8_t> planeOf(const Page& page, int plane) {
    const PageData& data = *page.pageData();
    std::vector<std::uint8_t> out(static_cast<std::size_t>(data.width()) * data.height());
    for (std::int32_t y = 0; y < data.height(); ++y)
        data.readRow(plane, 0, y, data.width(), out.data() + std::size_t(y) * data.width());
    return out;
}

// An RGB image whose sample (x, y, c) is 40 x c + 7 x x + 3 x y + seed.
inline FakeImage rgbImage(TW_INT32 width, TW_INT32 height, int seed = 0) {
    FakeImage image;
    image.width = width;
    image.height = height;
    image.bytesPerRow = static_cast<TW_UINT32>(width) * 3;
    for (TW_INT32 y = 0; y < height; ++y)
        for (TW_INT32 x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                image.raster.push_back(static_cast<std::uint8_t>(40 * c + 7 * x + 3 * y + seed));
    return image;
}

// Channel c of an rgbImage() raster, `width` pixels per row.
inline std::vector<std::uint8_t> channelOf(const FakeImage& image, int c, TW_INT32 width,
                                           TW_INT32 height) {
    std::vector<std::uint8_t> out;
    for (TW_INT32 y = 0; y < height; ++y)
        for (TW_INT32 x = 0; x < width; ++x)
            out.push_back(
                image.raster[std::size_t(y) * image.bytesPerRow + std::size_t(x) * 3 + c]);
    return out;
}

}  // namespace tessary::test
