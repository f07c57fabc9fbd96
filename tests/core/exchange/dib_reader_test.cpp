#include "exchange/dib_reader.h"

#include <gtest/gtest.h>

#include "core/exchange/dib_builder.h"

namespace tessary::test {
namespace {

// Every pixel of the bitmap, top row first, as rgb() colours.
std::vector<std::uint32_t> decodeAll(const Bytes& bytes) {
    DibReader reader;
    EXPECT_EQ(reader.open(bytes), DibError::kNone);
    std::vector<std::uint32_t> out;
    const auto w = static_cast<std::size_t>(reader.width());
    Bytes r(w), g(w), b(w);
    for (std::int32_t y = 0; reader.isOpen() && y < reader.height(); ++y) {
        reader.readRow(y, r.data(), g.data(), b.data());
        for (std::size_t x = 0; x < w; ++x) out.push_back(rgb(r[x], g[x], b[x]));
    }
    return out;
}

constexpr std::uint32_t kRed = rgb(255, 0, 0), kGreen = rgb(0, 255, 0), kBlue = rgb(0, 0, 255);
constexpr std::uint32_t kWhite = rgb(255, 255, 255), kBlack = 0;

struct Case {
    const char* name;
    DibSpec spec;
    std::vector<std::uint32_t> expected;  // worked out by hand from the bytes
};

std::vector<std::uint32_t> ramp() {  // 256 entries: (i, 255 - i, i / 2)
    std::vector<std::uint32_t> p;
    for (int i = 0; i < 256; ++i) p.push_back(rgb(i, 255 - i, i / 2));
    return p;
}

TEST(DibReader, EveryDepthAndHeaderDecodesToTheHandMadePixels) {
    const auto a = rgb(10, 20, 30), b = rgb(40, 50, 60), c = rgb(70, 80, 90);
    const Bytes rgb24[2] = {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {10, 20, 30, 40, 50, 60, 70, 80, 90}};
    const std::vector<std::uint32_t> rgb24Pixels = {rgb(3, 2, 1),    rgb(6, 5, 4),
                                                    rgb(9, 8, 7),    rgb(30, 20, 10),
                                                    rgb(60, 50, 40), rgb(90, 80, 70)};
    const std::vector<std::uint32_t> m565 = {0xF800, 0x07E0, 0x001F};
    // clang-format off
    const std::vector<Case> cases = {
        {"1-bit, 10 wide", {40, 10, 2, 1, 0, 0, {}, {kRed, kBlue}, {{0xA0, 0xC0}, {0x01, 0x40}}},
         {kBlue, kRed, kBlue, kRed, kRed, kRed, kRed, kRed, kBlue, kBlue,   // 1010000011
          kRed, kRed, kRed, kRed, kRed, kRed, kRed, kBlue, kRed, kBlue}},   // 0000000101
        {"4-bit, 3 of 16 entries: the rest read black",
         {40, 3, 2, 4, 0, 3, {}, {kGreen, kWhite, a}, {{0x01, 0x20}, {0x35, 0xF0}}},
         {kGreen, kWhite, a, kBlack, kBlack, kBlack}},
        {"8-bit top-down, 4 entries",
         {40, 5, -3, 8, 0, 4, {}, {a, b, c, kWhite},
          {{0, 1, 2, 3, 4}, {3, 3, 0, 0, 200}, {1, 2, 1, 2, 1}}},
         {a, b, c, kWhite, kBlack, kWhite, kWhite, a, a, kBlack, b, c, b, c, b}},
        {"8-bit, full table", {40, 2, 1, 8, 0, 0, {}, ramp(), {{255, 17}}},
         {rgb(255, 0, 127), rgb(17, 238, 8)}},
        {"core 8-bit, 3-byte entries", {12, 2, 2, 8, 0, 0, {}, ramp(), {{0, 255}, {17, 128}}},
         {rgb(0, 255, 0), rgb(255, 0, 127), rgb(17, 238, 8), rgb(128, 127, 64)}},
        {"core 1-bit", {12, 3, 1, 1, 0, 0, {}, {kBlack, kWhite}, {{0x40}}},
         {kBlack, kWhite, kBlack}},
        // 5-bit 16: 16 x 255 / 31 = 131.6 -> 132; 5-bit 1: 8.2 -> 8; the top bit is unused.
        {"16-bit 5-5-5",
         {40, 3, 2, 16, 0, 0, {}, {},
          {{0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00}, {0x10, 0x42, 0x21, 0x04, 0x00, 0x80}}},
         {kRed, kGreen, kBlue, rgb(132, 132, 132), rgb(8, 8, 8), kBlack}},
        // 0x0400: green 32 of 63 = 129.5 -> 130; 0x0841: 1/31, 2/63, 1/31 -> 8, 8, 8.
        {"16-bit fields 5-6-5",
         {40, 4, 1, 16, 3, 0, m565, {}, {{0x00, 0xF8, 0xE0, 0x07, 0x00, 0x04, 0x41, 0x08}}},
         {kRed, kGreen, rgb(0, 130, 0), rgb(8, 8, 8)}},
        {"24-bit bottom-up", {40, 3, 2, 24, 0, 0, {}, {}, {rgb24[0], rgb24[1]}}, rgb24Pixels},
        {"24-bit top-down", {40, 3, -2, 24, 0, 0, {}, {}, {rgb24[0], rgb24[1]}}, rgb24Pixels},
        {"32-bit, fourth byte ignored",
         {40, 2, 1, 32, 0, 0, {}, {}, {{1, 2, 3, 0xFF, 4, 5, 6, 0x80}}},
         {rgb(3, 2, 1), rgb(6, 5, 4)}},
        {"32-bit fields, red low",
         {40, 1, 1, 32, 3, 0, {0xFF, 0xFF00, 0xFF0000}, {}, {{1, 2, 3, 0}}}, {rgb(1, 2, 3)}},
        // red 1023, blue 512: 512 x 255 / 1023 = 127.6 -> 128.
        {"32-bit fields 10-10-10",
         {40, 1, 1, 32, 3, 0, {0x3FF00000, 0xFFC00, 0x3FF}, {}, {{0x00, 0x02, 0xF0, 0x3F}}},
         {rgb(255, 0, 128)}},
        {"32-bit alpha fields, four masks",
         {40, 1, 1, 32, 6, 0, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, {}, {{1, 2, 3, 4}}},
         {rgb(3, 2, 1)}},
        {"52-byte header, masks inside", {52, 2, 1, 16, 3, 0, m565, {}, {{0x1F, 0, 0, 0xF8}}},
         {kBlue, kRed}},
        {"108-byte header", {108, 2, 1, 16, 3, 0, m565, {}, {{0x1F, 0, 0, 0xF8}}}, {kBlue, kRed}},
        {"124-byte header, top-down", {124, 1, -1, 24, 0, 0, {}, {}, {{0x11, 0x22, 0x33}}},
         {rgb(0x33, 0x22, 0x11)}},
    };
    // clang-format on
    for (const Case& c : cases) EXPECT_EQ(decodeAll(buildDib(c.spec)), c.expected) << c.name;
}

TEST(DibReader, BitmapFilesAndWhatTheHeaderSays) {
    const DibSpec spec{40, 2, 2, 8, 0, 2, {}, {kRed, kGreen}, {{0, 1}, {1, 0}}};
    const Bytes packed = buildDib(spec);
    for (std::uint32_t gap : {0u, 6u}) {
        const Bytes file = buildBitmapFile(packed, 40 + 8, gap);
        EXPECT_EQ(decodeAll(file), (std::vector<std::uint32_t>{kRed, kGreen, kGreen, kRed})) << gap;
        DibReader reader;
        EXPECT_NE(reader.openPacked(file), DibError::kNone);  // the packed form only
        EXPECT_FALSE(reader.isOpen());
    }
    DibReader reader;
    ASSERT_EQ(
        reader.open(buildDib({40, 7, -5, 24, 0, 0, {}, {}, std::vector<Bytes>(5, Bytes(21))})),
        DibError::kNone);
    EXPECT_EQ(reader.width(), 7);
    EXPECT_EQ(reader.height(), 5);
    EXPECT_TRUE(reader.info().topDown);
    EXPECT_EQ(reader.info().rowBytes, 24u);
    EXPECT_EQ(reader.info().pixelsPerMetreX, 2835);
}

}  // namespace
}  // namespace tessary::test
