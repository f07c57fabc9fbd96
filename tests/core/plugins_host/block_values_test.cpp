// Conversions between the engine's values and block fields.

#include "plugins/block_values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "model/pro_data_buffer.h"

namespace tessary {
namespace {

TEST(BlockValues, ImageModesOfPageTypesAndBack) {
    const std::pair<std::int32_t, std::int16_t> table[] = {{1, 0}, {2, 1},  {3, 10}, {4, 2},
                                                           {5, 3}, {6, 11}, {7, 6},  {8, 4}};
    for (const auto& [type, mode] : table) EXPECT_EQ(imageModeOfPageType(type), mode) << type;
    EXPECT_EQ(imageModeOfPageType(12), 12);

    EXPECT_EQ(deliveredModeOf(TSPI_MODE_BITMAP).pageType, 2);
    EXPECT_EQ(deliveredModeOf(TSPI_MODE_BITMAP).conversion, ProDataBuffer::kSourceOneBit);
    EXPECT_EQ(deliveredModeOf(TSPI_MODE_INDEXED).pageType, 5);
    EXPECT_EQ(deliveredModeOf(TSPI_MODE_INDEXED).conversion, ProDataBuffer::kSourceIndexed);
    EXPECT_EQ(deliveredModeOf(TSPI_MODE_GRAYSCALE).conversion, ProDataBuffer::kSourceNone);
    EXPECT_EQ(deliveredModeOf(TSPI_MODE_RGB).pageType, 5);
    EXPECT_EQ(deliveredModeOf(TSPI_MODE_CMYK).pageType, 8);
    EXPECT_EQ(deliveredModeOf(TSPI_MODE_HSB).pageType, 7);
    EXPECT_EQ(deliveredModeOf(TSPI_MODE_GRAY16).pageType, 3);
    EXPECT_EQ(deliveredModeOf(TSPI_MODE_RGB48).pageType, 6);
    EXPECT_EQ(deliveredModeOf(9).pageType, 9);

    EXPECT_EQ(depthOfPageType(1), 1);
    for (std::int32_t type : {2, 4, 5, 7, 8}) EXPECT_EQ(depthOfPageType(type), 8);
    for (std::int32_t type : {3, 6}) EXPECT_EQ(depthOfPageType(type), 16);
}

TEST(BlockValues, ResolutionsAndColours) {
    EXPECT_EQ(fixedResolution(72.0), 72 * 65536);
    EXPECT_EQ(fixedResolution(299.99999), 19660799);  // truncated, not rounded
    EXPECT_EQ(fixedResolution(1e9), std::numeric_limits<TsPiFixed>::max());
    EXPECT_EQ(fixedResolution(std::nan("")), 0);
    EXPECT_DOUBLE_EQ(resolutionFromFixed(fixedResolution(299.99999)), 300.0);
    EXPECT_DOUBLE_EQ(resolutionFromFixed(65535), 1.0);   // 0.99998 rounds to 1.0
    EXPECT_DOUBLE_EQ(resolutionFromFixed(61603), 72.0);  // 0.94 rounds to 0.9

    const TsPiRgbColor c = rgbColourOf(0x80FF01);
    EXPECT_EQ(c.red, 257);
    EXPECT_EQ(c.green, 65535);
    EXPECT_EQ(c.blue, 128 * 257);
    TsPiModeColor mode;
    modeColourOf(0x80FF01, false, mode);
    EXPECT_EQ((std::vector<int>{mode[0], mode[1], mode[2], mode[3]}),
              (std::vector<int>{1, 255, 128, 0}));
    modeColourOf(0x80FF01, true, mode);
    EXPECT_EQ((std::vector<int>{mode[0], mode[1], mode[2], mode[3]}),
              (std::vector<int>{128, 0, 0, 0}));
}

TEST(BlockValues, RequestTestsAndReversedRectangles) {
    TsPiRect r{};
    EXPECT_FALSE(blockRectOf(Rect{0, 0, 32768, 1}, r));
    EXPECT_TRUE(requestsSomething(TsPiRect{5, 5, 1, 9}));  // reversed still asks
    EXPECT_FALSE(coversPixels(TsPiRect{5, 5, 1, 9}));
    EXPECT_FALSE(requestsSomething(TsPiRect{3, 0, 3, 9}));
    EXPECT_FALSE(isUnitRequest(TsPiRect{0, 0, 1, 2}));
}

}  // namespace
}  // namespace tessary
