#include "cli/batch_options.h"

#include <gtest/gtest.h>

namespace tessary {
namespace {

TEST(BatchOptions, ColoursAreReadAsRedGreenBlueAndStoredRedLow) {
    EXPECT_EQ(parseHexColour("112233"), 0x332211u);
    EXPECT_EQ(parseHexColour("#FF0000"), 0x0000FFu);
    EXPECT_EQ(parseHexColour("0000ff"), 0xFF0000u);
    for (const char* bad : {"", "12345", "1234567", "GG0000", "12 456", "-12345", "#"})
        EXPECT_FALSE(parseHexColour(bad)) << bad;
}

TEST(BatchOptions, NumbersAreWholeAndInRange) {
    EXPECT_EQ(parseInteger("-16"), -16);
    EXPECT_EQ(parseInteger("+7"), 7);
    EXPECT_EQ(parseInteger("2147483647"), 2147483647);
    for (const char* bad : {"", "+", "1.5", "12a", "2147483648", " 3", "--1"})
        EXPECT_FALSE(parseInteger(bad)) << bad;
    EXPECT_DOUBLE_EQ(*parseDecimal("72"), 72.0);
    EXPECT_DOUBLE_EQ(*parseDecimal("-0.25"), -0.25);
    EXPECT_DOUBLE_EQ(*parseDecimal(".5"), 0.5);
    for (const char* bad : {"", ".", "1.2.3", "1e5", "inf", "nan", "5-"})
        EXPECT_FALSE(parseDecimal(bad)) << bad;
    EXPECT_EQ(splitFields("a,,b"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_TRUE(splitFields("").empty());
}

TEST(BatchOptions, StepsKeepTheirOrderAndSettingsTheirPlace) {
    std::string error;
    const auto options =
        parseBatchArguments({"--time", "--threads", "3", "in.bmp", "--opacity=128", "invert",
                             "blur-sharpen=-2", "--foreground=102030", "-o", "out.png",
                             "plugin=\"A b\""},
                            error);
    ASSERT_TRUE(options) << error;
    EXPECT_TRUE(options->time);
    EXPECT_EQ(options->threads, 3);
    EXPECT_EQ(parseBatchArguments({"in.bmp", "-o", "o.bmp"}, error)->threads, 0);  // all cores
    EXPECT_EQ(options->input, "in.bmp");
    EXPECT_EQ(options->output, "out.png");
    ASSERT_EQ(options->steps.size(), 5u);
    EXPECT_EQ(options->steps[0].kind, BatchStep::Kind::Opacity);
    EXPECT_EQ(options->steps[0].value, 128u);
    EXPECT_EQ(options->steps[1].name, "invert");
    EXPECT_FALSE(options->steps[1].hasArgument);
    EXPECT_EQ(options->steps[2].name, "blur-sharpen");
    EXPECT_EQ(options->steps[2].argument, "-2");
    EXPECT_EQ(options->steps[3].kind, BatchStep::Kind::Foreground);
    EXPECT_EQ(options->steps[3].value, 0x302010u);
    EXPECT_EQ(options->steps[4].argument, "\"A b\"");
}

TEST(BatchOptions, AScanTakesTheInputsPlaceWithItsDevice) {
    std::string error;
    auto options = parseBatchArguments({"--scan", "test:0", "invert", "--scan-mode", "grey",
                                        "--scan-resolution=150.5", "--scan-feeder", "-o", "s.png"},
                                       error);
    ASSERT_TRUE(options) << error;
    EXPECT_TRUE(options->scan);
    EXPECT_TRUE(options->input.empty());
    EXPECT_EQ(options->scanSettings.device, "test:0");
    EXPECT_EQ(options->scanSettings.mode, ScanSettings::Mode::Grey);
    EXPECT_EQ(options->scanSettings.resolution, 150.5);
    EXPECT_TRUE(options->scanSettings.feeder);
    ASSERT_EQ(options->steps.size(), 1u);
    EXPECT_EQ(options->steps[0].name, "invert");

    options = parseBatchArguments({"--scan", "-o", "s.png", "--scan-mode=lineart"}, error);
    ASSERT_TRUE(options) << error;
    EXPECT_TRUE(options->scanSettings.device.empty());
    EXPECT_EQ(options->scanSettings.mode, ScanSettings::Mode::LineArt);
    options = parseBatchArguments({"--list-scanners"}, error);
    ASSERT_TRUE(options) << error;
    EXPECT_TRUE(options->listScanners);
}

TEST(BatchOptions, ModulesRunIsolatedUnlessAskedToRunInProcess) {
    const struct {
        std::vector<std::string> arguments;
        bool inProcess;
    } cases[] = {
        {{"in.bmp", "-o", "out.bmp"}, false},
        {{"--modules=in-process", "in.bmp", "-o", "out.bmp"}, true},
        {{"in.bmp", "--modules", "in-process", "-o", "out.bmp"}, true},
        {{"--modules=in-process", "--modules=isolated", "in.bmp", "-o", "out.bmp"}, false}};
    for (const auto& c : cases) {
        std::string error;
        const auto options = parseBatchArguments(c.arguments, error);
        ASSERT_TRUE(options) << error;
        EXPECT_EQ(options->modulesInProcess, c.inProcess) << ::testing::PrintToString(c.arguments);
    }
}

TEST(BatchOptions, BadCommandLinesAreRefusedWithAMessage) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"in.bmp"},
        {"in.bmp", "invert"},
        {"in.bmp", "-o"},
        {"in.bmp", "-o", "a.bmp", "-o", "b.bmp"},
        {"--frobnicate", "in.bmp", "-o", "out.bmp"},
        {"in.bmp", "--frobnicate", "-o", "out.bmp"},
        {"in.bmp", "--opacity=256", "-o", "out.bmp"},
        {"in.bmp", "--opacity=-1", "-o", "out.bmp"},
        {"in.bmp", "--foreground=red", "-o", "out.bmp"},
        {"in.bmp", "--background=", "-o", "out.bmp"},
        {"in.bmp", "--scan", "-o", "out.bmp"},
        {"--scan", "--scan-mode=sepia", "-o", "out.bmp"},
        {"--scan", "--scan-resolution=0", "-o", "out.bmp"},
        {"--scan", "-o", "out.bmp", "--scan-resolution"},
        {"in.bmp", "--scan-feeder", "-o", "out.bmp"},
        {"--list-scanners", "-o", "out.bmp"},
        {"in.bmp", "--threads=0", "-o", "out.bmp"},
        {"in.bmp", "--threads=65", "-o", "out.bmp"},
        {"in.bmp", "-o", "out.bmp", "--threads"},
        {"in.bmp", "--modules=sandboxed", "-o", "out.bmp"},
        {"in.bmp", "-o", "out.bmp", "--modules"},
    };
    for (const auto& arguments : bad) {
        std::string error;
        EXPECT_FALSE(parseBatchArguments(arguments, error)) << ::testing::PrintToString(arguments);
        EXPECT_FALSE(error.empty());
    }
    std::string error;
    const auto help = parseBatchArguments({"--help"}, error);
    ASSERT_TRUE(help);
    EXPECT_TRUE(help->help);
}

}  // namespace
}  // namespace tessary
