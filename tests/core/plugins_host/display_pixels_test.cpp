// Bitmaps built for modules that show pixels.

#include "plugins/display_pixels.h"

#include <gtest/gtest.h>

#include "core/plugins_host/host_rig.h"

namespace tessary {
namespace {

TsPiPixelMap mapOf(const std::vector<std::uint8_t>& pixels, std::int32_t width, std::int32_t height,
                   std::int32_t mode, std::int32_t colBytes) {
    TsPiPixelMap map{};
    map.version = 1;
    map.bounds = TsPiLongRect{0, 0, height, width};
    map.imageMode = mode;
    map.rowBytes = width * colBytes;
    map.colBytes = colBytes;
    map.planeBytes = 1;
    map.baseAddr = const_cast<std::uint8_t*>(pixels.data());
    return map;
}

TEST(DisplayPixels, GreyIsShownAsItIsRgbAsBgrxClippedToTheMap) {
    BlendTable blend;
    std::vector<std::uint8_t> grey = {0, 10, 20, 30, 40, 50};  // 3 x 2
    TsPiPixelMap map = mapOf(grey, 3, 2, TSPI_MODE_GRAYSCALE, 1);
    TsPiLongRect rect{0, 1, 5, 9};  // cut to columns 1-2, rows 0-1
    HostBitmap bitmap;
    ASSERT_EQ(buildDisplayBitmap(&map, &rect, blend, bitmap), TSPI_NO_ERR);
    EXPECT_EQ(bitmap.bitsPerPixel, 8);
    EXPECT_EQ(bitmap.width, 2);
    EXPECT_EQ(bitmap.height, 2);
    EXPECT_EQ(bitmap.rowBytes, 4);
    EXPECT_EQ(bitmap.palette[200], 0xC8C8C8u);
    EXPECT_EQ(
        (std::vector<int>{bitmap.pixels[0], bitmap.pixels[1], bitmap.pixels[4], bitmap.pixels[5]}),
        (std::vector<int>{10, 20, 40, 50}));

    std::vector<std::uint8_t> rgb = {1, 2, 3, 4, 5, 6};  // 2 x 1, interleaved
    map = mapOf(rgb, 2, 1, TSPI_MODE_RGB, 3);
    rect = TsPiLongRect{0, 0, 1, 2};
    ASSERT_EQ(buildDisplayBitmap(&map, &rect, blend, bitmap), TSPI_NO_ERR);
    EXPECT_EQ(bitmap.pixels, (std::vector<std::uint8_t>{3, 2, 1, 0, 6, 5, 4, 0}));
}

// Grey and RGB alike: grey samples are not inverted, so the squares are the
// same light and dark ones in both modes.
TEST(DisplayPixels, MaskedPixelsAreBlendedOverATenPixelCheckerboard) {
    BlendTable blend;
    const std::int32_t width = 24, height = 12;
    std::vector<std::uint8_t> mask(width * height);
    for (std::size_t i = 0; i < mask.size(); ++i) mask[i] = static_cast<std::uint8_t>(i * 7);
    for (const std::int32_t channels : {3, 1}) {
        SCOPED_TRACE(channels);
        std::vector<std::uint8_t> samples(width * height * channels, 200);
        TsPiPixelMap map = mapOf(samples, width, height,
                                 channels == 3 ? TSPI_MODE_RGB : TSPI_MODE_GRAYSCALE, channels);
        TsPiPixelMask pixelMask{nullptr, mask.data(), width, 1, 0};
        map.mask = &pixelMask;
        map.maskPhaseRow = 3;
        map.maskPhaseCol = 25;  // 5 modulo 10
        TsPiLongRect rect{0, 0, height, width};
        HostBitmap bitmap;
        ASSERT_EQ(buildDisplayBitmap(&map, &rect, blend, bitmap), TSPI_NO_ERR);
        for (std::int32_t y = 0; y < height; ++y) {
            for (std::int32_t x = 0; x < width; ++x) {
                const bool light = (((y + 3) / 10) + ((x + 5) / 10)) % 2 == 0;
                const int expected =
                    test::referenceBlend(mask[y * width + x], 200, light ? 255 : 127);
                const std::int64_t at = y * bitmap.rowBytes + (channels == 3 ? x * 4 + 1 : x);
                ASSERT_EQ(bitmap.pixels[at], expected) << x << "," << y;
            }
        }
    }
}

TEST(DisplayPixels, RefusesOtherModesAndMissingPointers) {
    BlendTable blend;
    std::vector<std::uint8_t> bytes(16);
    TsPiPixelMap map = mapOf(bytes, 4, 4, TSPI_MODE_CMYK, 1);
    TsPiLongRect rect{0, 0, 4, 4};
    HostBitmap bitmap;
    EXPECT_EQ(buildDisplayBitmap(&map, &rect, blend, bitmap), TSPI_ERR_HOST_INSUFFICIENT);
    EXPECT_EQ(buildDisplayBitmap(nullptr, &rect, blend, bitmap), TSPI_ERR_PARAMETER);
    map.imageMode = TSPI_MODE_GRAYSCALE;
    EXPECT_EQ(buildDisplayBitmap(&map, nullptr, blend, bitmap), TSPI_ERR_PARAMETER);
    map.baseAddr = nullptr;
    EXPECT_EQ(buildDisplayBitmap(&map, &rect, blend, bitmap), TSPI_ERR_PARAMETER);
    map.baseAddr = bytes.data();
    map.bounds = TsPiLongRect{0, 0, 1 << 20, 1 << 20};
    rect = map.bounds;
    EXPECT_EQ(buildDisplayBitmap(&map, &rect, blend, bitmap), TSPI_ERR_MEMORY_FULL);
}

TEST(DisplayPixels, TheDisplayPortReceivesTheBitmapAndDestination) {
    test::HostRig rig;
    test::FakeDisplay display;
    rig.host.setPixelDisplay(&display);
    std::vector<std::uint8_t> grey = {255, 0};
    TsPiPixelMap map = mapOf(grey, 2, 1, TSPI_MODE_GRAYSCALE, 1);
    TsPiLongRect rect{0, 0, 1, 2};
    int context = 0;
    ASSERT_EQ(rig.host.displayPixels(&map, &rect, 7, 9, &context), TSPI_NO_ERR);
    ASSERT_EQ(display.drawn.size(), 1u);
    EXPECT_EQ(display.drawn[0].row, 7);
    EXPECT_EQ(display.drawn[0].column, 9);
    EXPECT_EQ(display.drawn[0].context, &context);
    EXPECT_EQ(display.drawn[0].bitmap.pixels[0], 255);
    EXPECT_EQ(display.drawn[0].bitmap.pixels[1], 0);
}

}  // namespace
}  // namespace tessary
