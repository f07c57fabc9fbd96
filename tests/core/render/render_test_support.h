#pragma once

// Shared pieces of the render tests: a 32-bit image with a PPM writer for
// failure reports, a page builder over a real tile store, and random plane
// contents.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/model/test_store.h"
#include "model/page_data.h"
#include "render/page_draw.h"

namespace tessary::test {

using Bytes = std::vector<std::uint8_t>;

// A 32-bit buffer of 0x00RRGGBB pixels showing a device rectangle, with a
// DrawTarget over it.
struct Image32 {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int64_t originX = 0;
    std::int64_t originY = 0;
    std::vector<std::uint32_t> pixels;

    Image32(std::int32_t w, std::int32_t h, std::int64_t x, std::int64_t y, std::uint32_t fill)
        : width(w),
          height(h),
          originX(x),
          originY(y),
          pixels(static_cast<std::size_t>(w) * h, fill) {}

    DrawTarget target() {
        DrawTarget t;
        t.pixels = pixels.data();
        t.strideBytes = static_cast<std::ptrdiff_t>(width) * 4;
        t.width = width;
        t.height = height;
        t.originX = originX;
        t.originY = originY;
        return t;
    }
    // The pixel at device (x, y).
    std::uint32_t& at(std::int64_t x, std::int64_t y) {
        return pixels[static_cast<std::size_t>(y - originY) * width +
                      static_cast<std::size_t>(x - originX)];
    }
};

// Writes a binary PPM (the top byte of each pixel is dropped).
void writePpm(const std::filesystem::path& path, const Image32& image);

// Passes when both images have the same pixels. On a mismatch fails with the
// first differing pixel and writes <name>-actual.ppm and <name>-expected.ppm
// into the folder "render_failures" beside the test log. Returns whether the
// images matched.
bool expectSameImage(const Image32& actual, const Image32& expected, const std::string& name);

Bytes randomBytes(std::size_t count, std::uint32_t seed);

// A page's planes as image-sized sample arrays, and a PageData over a real
// tile store holding them.
class PageRig {
public:
    PageRig() : m_store(512, 0), m_data(m_store.store(), nullptr) {}

    PageData& data() { return m_data; }
    VMTile& store() { return m_store.store(); }

    // Creates the current state with one plane per entry of `planes`, each
    // width x height samples (an empty entry leaves the plane constant
    // `fill`).
    void create(std::int32_t width, std::int32_t height, const std::vector<Bytes>& planes,
                std::uint8_t fill = 0);
    // Writes plane `plane` of the current state from width x height samples.
    void writePlane(int plane, const Bytes& samples);

private:
    TestStore m_store;
    PageData m_data;
};

}  // namespace tessary::test
