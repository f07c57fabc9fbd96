#include "render/zoom_levels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace tessary {
namespace {

TEST(ZoomLevelsTest, TableHasTheLabelsCommandsAndCodesOfEachLevel) {
    struct Row {
        double zoom;
        const char* label;
        int command;
        int code;
    };
    const Row expected[] = {
        {1.0 / 32, "1:32", 33020, -32}, {1.0 / 16, "1:16", 33019, -16}, {0.125, "1:8", 33018, -8},
        {0.25, "1:4", 33017, -4},       {0.5, "1:2", 33016, -2},        {1, "1:1", 33015, 1},
        {2, "2:1", 33014, 2},           {4, "4:1", 33013, 4},           {8, "8:1", 33012, 8},
        {16, "16:1", 33011, 16},        {32, "32:1", 33010, 32},
    };
    ASSERT_EQ(ZoomLevels::all().size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const ZoomLevel& level = ZoomLevels::all()[i];
        EXPECT_EQ(level.zoom, expected[i].zoom);
        EXPECT_EQ(level.label, expected[i].label);
        EXPECT_EQ(level.command, expected[i].command);
        EXPECT_EQ(level.code, expected[i].code);
        EXPECT_EQ(ZoomLevels::forCommand(expected[i].command), &level);
    }
    EXPECT_EQ(ZoomLevels::forCommand(33009), nullptr);
    EXPECT_EQ(ZoomLevels::forCommand(33021), nullptr);
    EXPECT_EQ(ZoomLevels::forCommand(zoom_commands::kZoomIn), nullptr);
}

TEST(ZoomLevelsTest, RequestsSnapDownToTheLevelWhoseRangeHoldsThem) {
    const struct {
        double requested;
        const char* label;
    } cases[] = {
        {0.0, "1:32"},    {-5.0, "1:32"},
        {0.0624, "1:32"}, {0.0625, "1:16"},
        {0.1249, "1:16"}, {0.125, "1:8"},
        {0.3, "1:4"},     {0.5, "1:2"},
        {0.9999, "1:2"},  {1.0, "1:1"},
        {1.9999, "1:1"},  {2.0, "2:1"},
        {3.9, "2:1"},     {4.0, "4:1"},
        {8.5, "8:1"},     {16.0, "16:1"},
        {31.99, "16:1"},  {32.0, "32:1"},
        {1e9, "32:1"},    {std::numeric_limits<double>::infinity(), "32:1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ZoomLevels::snap(c.requested).label, c.label) << c.requested;
    }
    EXPECT_EQ(ZoomLevels::snap(std::nan("")).label, "1:1");
}

TEST(ZoomLevelsTest, CodeIsTheTruncatedZoomOrMinusTheReduction) {
    EXPECT_EQ(ZoomLevels::codeFor(1.0), 1);
    EXPECT_EQ(ZoomLevels::codeFor(16.0), 16);
    EXPECT_EQ(ZoomLevels::codeFor(0.5), -2);
    EXPECT_EQ(ZoomLevels::codeFor(1.0 / 32), -32);
    EXPECT_EQ(ZoomLevels::codeFor(3.0), 2);  // snapped first
}

}  // namespace
}  // namespace tessary
