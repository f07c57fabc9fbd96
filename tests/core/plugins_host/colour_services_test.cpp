// Colour services, with expected values worked out by hand.

#include "plugins/colour_services.h"

#include <gtest/gtest.h>

#include <array>

#include "core/plugins_host/host_fakes.h"

namespace tessary {
namespace {

TsPiColorServicesInfo request(std::int16_t selector, std::int16_t source, std::int16_t result,
                              std::array<std::int16_t, 4> components) {
    TsPiColorServicesInfo info{};
    info.infoSize = sizeof info;
    info.selector = selector;
    info.sourceSpace = source;
    info.resultSpace = result;
    info.resultGamutInfoValid = 1;
    info.resultInGamut = 1;
    for (int i = 0; i < 4; ++i) info.colorComponents[i] = components[i];
    return info;
}

std::array<int, 4> components(const TsPiColorServicesInfo& info) {
    return {info.colorComponents[0], info.colorComponents[1], info.colorComponents[2],
            info.colorComponents[3]};
}

TEST(ColourServices, ConvertsBetweenRgbCmykAndGrey) {
    ColourServicesContext context;
    struct Case {
        std::int16_t source, result;
        std::array<std::int16_t, 4> in;
        std::array<int, 4> out;
    } cases[] = {
        // k = min x max / 255 = 0: pure red stays (255, 0, 0, 0).
        {TSPI_SPACE_RGB, TSPI_SPACE_CMYK, {255, 0, 0, 9}, {255, 0, 0, 0}},
        // (200, 100, 50): k = 50 x 200 / 255 = 39.
        {TSPI_SPACE_RGB, TSPI_SPACE_CMYK, {200, 100, 50, 0}, {161, 61, 11, 39}},
        // Grey 128 x 257 = 0x8080 per channel: RGB 128, 128, 128.
        {TSPI_SPACE_GRAY, TSPI_SPACE_RGB, {128, 0, 0, 0}, {128, 128, 128, 0}},
        // RGB takes the low byte of each component: 0x1FF -> 255.
        {TSPI_SPACE_RGB, TSPI_SPACE_RGB, {0x1FF, 7, 300, 5}, {255, 7, 44, 5}},
        // CMYK (100, 0, 255, 50): trunc(205.6 x c + 51.4 x 50) = 23130, 2570,
        // 54998 -> high bytes 90, 10, 214.
        {TSPI_SPACE_CMYK, TSPI_SPACE_RGB, {100, 0, 255, 50}, {90, 10, 214, 50}},
        // Grey result: (90 + 30 + 60) x 256 / 3 / 256 = 60.
        {TSPI_SPACE_CHOSEN, TSPI_SPACE_GRAY, {90, 30, 60, 4}, {60, 30, 60, 4}},
        // Out-of-range CMYK components are clamped instead of overflowing.
        {TSPI_SPACE_CMYK, TSPI_SPACE_RGB, {32767, -32768, 32767, 32767}, {255, 0, 255, 32767}},
        // HSB is not converted: black; HSB results leave the components.
        {TSPI_SPACE_HSB, TSPI_SPACE_RGB, {10, 20, 30, 40}, {0, 0, 0, 40}},
        {TSPI_SPACE_RGB, TSPI_SPACE_HSL, {10, 20, 30, 40}, {10, 20, 30, 40}},
    };
    for (const Case& c : cases) {
        TsPiColorServicesInfo info = request(TSPI_COLOR_CONVERT, c.source, c.result, c.in);
        EXPECT_EQ(serveColourServices(&info, context), TSPI_NO_ERR);
        EXPECT_EQ(components(info), c.out) << c.source << " -> " << c.result;
        EXPECT_EQ(info.resultGamutInfoValid, 0);
        EXPECT_EQ(info.resultInGamut, 0);
    }
}

TEST(ColourServices, RefusesWhatTheHostCannotDo) {
    ColourServicesContext context;
    int reservedCell = 0;
    TsPiColorServicesInfo info =
        request(TSPI_COLOR_CONVERT, TSPI_SPACE_RGB, TSPI_SPACE_RGB, {1, 2, 3, 4});
    info.reserved = &reservedCell;
    EXPECT_EQ(serveColourServices(&info, context), -30000);
    EXPECT_EQ(serveColourServices(nullptr, context), -30000);
    for (int result : {TSPI_SPACE_LAB, TSPI_SPACE_XYZ, 42}) {
        info = request(TSPI_COLOR_CONVERT, TSPI_SPACE_RGB, static_cast<std::int16_t>(result),
                       {1, 2, 3, 4});
        EXPECT_EQ(serveColourServices(&info, context), TSPI_ERR_HOST_INSUFFICIENT);
        EXPECT_EQ(components(info), (std::array<int, 4>{1, 2, 3, 4}));
    }
    info = request(TSPI_COLOR_CONVERT, TSPI_SPACE_LAB, TSPI_SPACE_RGB, {1, 2, 3, 4});
    EXPECT_EQ(serveColourServices(&info, context), TSPI_ERR_HOST_INSUFFICIENT);
    info = request(TSPI_COLOR_SAMPLE_POINT, TSPI_SPACE_RGB, TSPI_SPACE_RGB, {1, 2, 3, 4});
    EXPECT_EQ(serveColourServices(&info, context), TSPI_ERR_HOST_INSUFFICIENT);
}

TEST(ColourServices, SpecialColoursAndTheColourDialog) {
    test::FakeChooser chooser;
    ColourServicesContext context;
    context.foreground = 0x332211;  // red 0x11, green 0x22, blue 0x33
    context.background = 0x0000FF;
    context.chooser = &chooser;
    TsPiColorServicesInfo info =
        request(TSPI_COLOR_GET_SPECIAL, TSPI_SPACE_RGB, TSPI_SPACE_CHOSEN, {0, 0, 0, 0});
    info.selectorParameter.specialColorId = TSPI_SPECIAL_FOREGROUND;
    ASSERT_EQ(serveColourServices(&info, context), TSPI_NO_ERR);
    EXPECT_EQ(info.resultSpace, TSPI_SPACE_RGB);
    EXPECT_EQ(components(info), (std::array<int, 4>{0x11, 0x22, 0x33, 0}));
    info = request(TSPI_COLOR_GET_SPECIAL, TSPI_SPACE_RGB, TSPI_SPACE_RGB, {0, 0, 0, 0});
    info.selectorParameter.specialColorId = TSPI_SPECIAL_BACKGROUND;
    ASSERT_EQ(serveColourServices(&info, context), TSPI_NO_ERR);
    EXPECT_EQ(components(info), (std::array<int, 4>{255, 0, 0, 0}));

    chooser.answer = 0x0A0B0C;
    info = request(TSPI_COLOR_CHOOSE, TSPI_SPACE_RGB, TSPI_SPACE_RGB, {1, 2, 3, 0});
    ASSERT_EQ(serveColourServices(&info, context), TSPI_NO_ERR);
    EXPECT_EQ(chooser.initials.back(), 0x030201u);
    EXPECT_EQ(components(info), (std::array<int, 4>{0x0C, 0x0B, 0x0A, 0}));
    chooser.confirm = false;
    info = request(TSPI_COLOR_CHOOSE, TSPI_SPACE_RGB, TSPI_SPACE_RGB, {1, 2, 3, 0});
    ASSERT_EQ(serveColourServices(&info, context), TSPI_NO_ERR);
    EXPECT_EQ(components(info), (std::array<int, 4>{1, 2, 3, 0}));
}

}  // namespace
}  // namespace tessary
