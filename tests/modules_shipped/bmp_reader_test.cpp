// The BMP reader against hand-made files with known pixels, files made by
// ImageMagick, and damaged files.

#include "bmp/bmp_reader.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <functional>
#include <optional>
#include <tuple>

#include "modules_shipped/test_image.h"
#include "support/temp_dir.h"

namespace tessary::test {
namespace {

using modules::BmpReader;
using modules::RasterInfo;

// A BMP file put together field by field.
struct BmpSpec {
    std::uint32_t headerSize = 40;
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 24;
    std::uint32_t compression = 0;
    std::int32_t xPpm = 0;
    std::int32_t yPpm = 0;
    std::uint32_t colorsUsed = 0;
    std::vector<std::uint32_t> palette;  // 0xRRGGBB
    std::vector<std::uint32_t> masks;    // after a 40-byte header, else inside it
    std::vector<std::uint8_t> pixels;    // as stored
    std::optional<std::uint32_t> pixelOffset;
};

std::vector<std::uint8_t> buildBmp(const BmpSpec& spec) {
    const bool core = spec.headerSize == 12;
    const std::uint32_t masksAfter = spec.headerSize == 40 ? 4 * spec.masks.size() : 0;
    const std::uint32_t paletteBytes = (core ? 3 : 4) * spec.palette.size();
    const std::uint32_t offset =
        spec.pixelOffset.value_or(14 + spec.headerSize + masksAfter + paletteBytes);
    Bytes b;
    b.text("BM").u32(offset + spec.pixels.size()).u32(0).u32(offset).u32(spec.headerSize);
    if (core) {
        b.u16(spec.width).u16(spec.height).u16(spec.planes).u16(spec.bitCount);
    } else {
        b.u32(spec.width)
            .u32(spec.height)
            .u16(spec.planes)
            .u16(spec.bitCount)
            .u32(spec.compression);
        b.u32(spec.pixels.size()).u32(spec.xPpm).u32(spec.yPpm).u32(spec.colorsUsed).u32(0);
        std::size_t written = 40;
        if (spec.headerSize > 40)
            for (std::uint32_t mask : spec.masks) b.u32(mask), written += 4;
        while (written < spec.headerSize) b.u8(0), ++written;
        if (spec.headerSize == 40)
            for (std::uint32_t mask : spec.masks) b.u32(mask);
    }
    for (std::uint32_t entry : spec.palette) {
        b.u8(entry & 0xFF).u8((entry >> 8) & 0xFF).u8(entry >> 16);
        if (!core) b.u8(0);
    }
    while (b.size() < offset) b.u8(0);
    return b.bytes(spec.pixels).data;
}

// Packs rows of values of `bits` bits, first pixel in the high bits, each
// row padded to 4 bytes; rows given top down are stored bottom up unless
// `topDown`.
std::vector<std::uint8_t> packRows(const std::vector<std::vector<std::uint32_t>>& rows, int bits,
                                   bool topDown = false) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& row = rows[topDown ? i : rows.size() - 1 - i];
        std::vector<std::uint8_t> stored((row.size() * bits + 31) / 32 * 4, 0);
        for (std::size_t x = 0; x < row.size(); ++x) {
            if (bits >= 8) {
                for (int k = 0; k < bits / 8; ++k)
                    stored[x * (bits / 8) + k] = static_cast<std::uint8_t>(row[x] >> (8 * k));
            } else {
                const std::size_t bit = x * bits;
                stored[bit / 8] |= static_cast<std::uint8_t>(row[x] << (8 - bits - bit % 8));
            }
        }
        out.insert(out.end(), stored.begin(), stored.end());
    }
    return out;
}

CodecStatus decodeBytes(const std::vector<std::uint8_t>& file, Image* image,
                        RasterInfo* info = nullptr) {
    std::unique_ptr<BmpReader> reader;
    const CodecStatus status = BmpReader::open(memorySource(file), &reader);
    if (status != CodecStatus::Ok) return status;
    if (info != nullptr) *info = reader->info();
    return decodeAll(*reader, image);
}

std::vector<std::vector<std::uint32_t>> indexGrid(int width, int height, int colours) {
    std::vector<std::vector<std::uint32_t>> rows(height, std::vector<std::uint32_t>(width));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) rows[y][x] = (x * 3 + y * 5 + x * y) % colours;
    return rows;
}

// Colour palettes of every depth keep their indices, also with the core
// header's three-byte entries; grey palettes (1-bit white and black,
// reversed, and 8-bit with an inverted ramp) give levels.
TEST(BmpReader, PalettesGiveIndicesOrGreyLevels) {
    for (const auto& [bits, grey, headerSize] : {std::tuple{1, false, 40u},
                                                 {2, false, 40u},
                                                 {4, false, 40u},
                                                 {8, false, 40u},
                                                 {8, false, 12u},
                                                 {1, true, 40u},
                                                 {8, true, 40u}}) {
        SCOPED_TRACE(std::to_string(bits) + (grey ? " bits grey" : " bits colour") + " header " +
                     std::to_string(headerSize));
        const int colours = 1 << bits;
        BmpSpec spec;
        spec.headerSize = headerSize;
        spec.width = 13;
        spec.height = 70;  // two bands
        spec.bitCount = static_cast<std::uint16_t>(bits);
        for (int i = 0; i < colours; ++i) {
            const std::uint32_t level = bits == 1 ? (i == 0 ? 255u : 0u) : 255u - i;
            // Red and green of the colour palette always differ: never grey.
            spec.palette.push_back(grey ? level * 0x010101u
                                        : static_cast<std::uint32_t>((i * 37 % 256) << 16 |
                                                                     ((i * 37 + 1) % 256) << 8 |
                                                                     (255 - i)));
        }
        const auto grid = indexGrid(spec.width, spec.height, colours);
        spec.pixels = packRows(grid, bits);
        Image image;
        RasterInfo info;
        ASSERT_EQ(decodeBytes(buildBmp(spec), &image, &info), CodecStatus::Ok);
        EXPECT_EQ(info.kind, grey ? PixelKind::Grey : PixelKind::Indexed);
        if (!grey) {
            ASSERT_EQ(info.palette.count, colours);
            for (int i = 0; i < colours; ++i) {
                EXPECT_EQ(info.palette.red[i], spec.palette[i] >> 16);
                EXPECT_EQ(info.palette.green[i], (spec.palette[i] >> 8) & 0xFF);
                EXPECT_EQ(info.palette.blue[i], spec.palette[i] & 0xFF);
            }
        }
        Image expected(spec.width, spec.height, 1);
        for (int y = 0; y < spec.height; ++y)
            for (int x = 0; x < spec.width; ++x)
                expected.at(x, y) =
                    static_cast<std::uint8_t>(grey ? spec.palette[grid[y][x]] & 0xFF : grid[y][x]);
        expectSameImage(image, expected,
                        (grey ? "bmp-grey-" : "bmp-indexed-") + std::to_string(bits) + "-" +
                            std::to_string(headerSize));
    }
}

// True-colour files: channel values at the bits of each channel's mask (the
// masks are written to the file with bit-field compression only).
TEST(BmpReader, TrueColourDepthsAndBitMasks) {
    const struct {
        const char* name;
        std::uint32_t headerSize;
        std::uint16_t bitCount;
        std::uint32_t compression;
        std::array<std::uint32_t, 3> masks;  // red, green, blue
    } cases[] = {
        {"24-bit", 40, 24, 0, {0xFF0000, 0x00FF00, 0x0000FF}},
        {"32-bit", 40, 32, 0, {0xFF0000, 0x00FF00, 0x0000FF}},
        {"16-bit 5-5-5", 40, 16, 0, {0x7C00, 0x03E0, 0x001F}},
        {"16-bit 5-6-5 after a 40-byte header", 40, 16, 3, {0xF800, 0x07E0, 0x001F}},
        {"16-bit 5-6-5 in a v5 header", 124, 16, 3, {0xF800, 0x07E0, 0x001F}},
        {"32-bit 10-bit channels in a v4 header", 108, 32, 3, {0x3FF00000, 0xFFC00, 0x3FF}},
        {"32-bit blue-green-red masks", 56, 32, 3, {0x0000FF, 0x00FF00, 0xFF0000}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BmpSpec spec;
        spec.headerSize = c.headerSize;
        spec.width = 9;
        spec.height = 67;
        spec.bitCount = c.bitCount;
        spec.compression = c.compression;
        if (c.compression == 3) spec.masks.assign(c.masks.begin(), c.masks.end());
        std::vector<std::vector<std::uint32_t>> rows(spec.height,
                                                     std::vector<std::uint32_t>(spec.width));
        Image expected(spec.width, spec.height, 3);
        for (int y = 0; y < spec.height; ++y) {
            for (int x = 0; x < spec.width; ++x) {
                for (int ch = 0; ch < 3; ++ch) {
                    const std::uint32_t mask = c.masks[ch];
                    const std::uint32_t maximum = mask >> std::countr_zero(mask);
                    const std::uint32_t value = (x * 37u + y * 11u + ch * 101u) % (maximum + 1);
                    rows[y][x] |= value << std::countr_zero(mask);
                    expected.at(x, y, ch) =
                        static_cast<std::uint8_t>(std::lround(value * 255.0 / maximum));
                }
            }
        }
        spec.pixels = packRows(rows, c.bitCount);
        Image image;
        RasterInfo info;
        ASSERT_EQ(decodeBytes(buildBmp(spec), &image, &info), CodecStatus::Ok);
        EXPECT_EQ(info.kind, PixelKind::Rgb);
        expectSameImage(image, expected, "bmp-truecolour");
    }
}

// Bands lie on multiples of 128 rows from the top (rows of 8,400 bytes
// make bands of 128 rows), so a bottom-up file starts with the short band.
TEST(BmpReader, BandsFollowTheStoredRowOrder) {
    for (bool topDown : {false, true}) {
        SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
        BmpSpec spec;
        spec.width = 2800;
        spec.height = topDown ? -300 : 300;
        std::vector<std::vector<std::uint32_t>> rows(300, std::vector<std::uint32_t>(2800));
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 2800; ++x)
                rows[y][x] = static_cast<std::uint32_t>(y % 256 * 0x010101);
        spec.pixels = packRows(rows, 24, topDown);
        std::unique_ptr<BmpReader> reader;
        ASSERT_EQ(BmpReader::open(memorySource(buildBmp(spec)), &reader), CodecStatus::Ok);
        EXPECT_EQ(reader->topDown(), topDown);
        EXPECT_EQ(reader->bandHeight(), 128);
        std::vector<std::uint8_t> band(reader->bandBytes());
        modules::BandRows first;
        ASSERT_EQ(reader->readBand(band.data(), 8400, &first), CodecStatus::Ok);
        EXPECT_EQ(first.firstRow, topDown ? 0 : 256);
        EXPECT_EQ(first.rowCount, topDown ? 128 : 44);
        EXPECT_EQ(band[0], first.firstRow % 256);  // grey ramp: row y has level y
    }
}

TEST(BmpReader, CoreHeaderTrueColour) {
    BmpSpec rgb;
    rgb.headerSize = 12;
    rgb.width = 2;
    rgb.height = 2;
    rgb.pixels = packRows({{0x010203, 0x040506}, {0x0A0B0C, 0xFFFEFD}}, 24);
    Image image;
    RasterInfo info;
    ASSERT_EQ(decodeBytes(buildBmp(rgb), &image, &info), CodecStatus::Ok);
    EXPECT_EQ(info.horizontalPpi, 0.0);  // the core header holds no resolution
    Image expected(2, 2, 3);
    expected.pixels = {1, 2, 3, 4, 5, 6, 10, 11, 12, 255, 254, 253};
    expectSameImage(image, expected, "bmp-core-rgb");
}

TEST(BmpReader, ResolutionInPixelsPerMetreBecomesPixelsPerInch) {
    BmpSpec spec;
    spec.pixels = packRows({{0}}, 24);
    for (auto [ppm, ppi] : {std::pair{11811, 299.9994}, {2835, 72.009}, {0, 0.0}, {-5, 0.0}}) {
        spec.xPpm = ppm;
        spec.yPpm = ppm * 2;
        Image image;
        RasterInfo info;
        ASSERT_EQ(decodeBytes(buildBmp(spec), &image, &info), CodecStatus::Ok);
        EXPECT_NEAR(info.horizontalPpi, ppi, 0.001);
        EXPECT_NEAR(info.verticalPpi, ppm > 0 ? 2 * ppi : 0.0, 0.002);
    }
}

std::vector<std::uint32_t> colourPalette(int entries) {
    std::vector<std::uint32_t> palette;
    for (int i = 0; i < entries; ++i) palette.push_back(static_cast<std::uint32_t>(i) << 16 | 0x80);
    return palette;
}

BmpSpec rle8Spec() {
    BmpSpec spec;
    spec.width = 8;
    spec.height = 4;
    spec.bitCount = 8;
    spec.compression = 1;
    spec.palette = colourPalette(256);
    spec.pixels = {3, 9, 0,  3,  1,  2,  3,  0,
                   2, 7, 0,  0,          // bottom row: run, literal (padded), run, end of line
                   4, 8, 0,  2,  2,  1,  // run, then delta 2 right, 1 up
                   2, 6, 0,  0,          // run to the row's end, end of line
                   0, 5, 10, 11, 12, 13, 14, 0,  // literal of 5 (padded)
                   0, 1};                        // end of bitmap
    return spec;
}

BmpSpec rle4Spec() {
    BmpSpec spec;
    spec.width = 7;
    spec.height = 3;
    spec.bitCount = 4;
    spec.compression = 2;
    spec.palette = colourPalette(16);
    spec.pixels = {5, 0x12, 0,    0,              // bottom row: 1 2 1 2 1, end of line
                   0, 5,    0x34, 0x56, 0x70, 0,  // literal 3 4 5 6 7 (3 bytes, padded)
                   0, 2,    1,    1,              // delta 1 right, 1 up
                   1, 0xA0, 0,    1};             // one pixel, end of bitmap
    return spec;
}

TEST(BmpReader, RunLengthCodesOfBothDepths) {
    const std::vector<std::uint8_t> expected8 = {10, 11, 12, 13, 14, 0, 0, 0,  //
                                                 0,  0,  0,  0,  0,  0, 6, 6,  //
                                                 8,  8,  8,  8,  0,  0, 0, 0,  //
                                                 9,  9,  9,  1,  2,  3, 7, 7};
    const std::vector<std::uint8_t> expected4 = {0, 0, 0, 0, 0, 0, 10,  //
                                                 3, 4, 5, 6, 7, 0, 0,   //
                                                 1, 2, 1, 2, 1, 0, 0};
    Image image;
    RasterInfo info;
    ASSERT_EQ(decodeBytes(buildBmp(rle8Spec()), &image, &info), CodecStatus::Ok);
    EXPECT_EQ(info.kind, PixelKind::Indexed);
    EXPECT_EQ(image.pixels, expected8);
    ASSERT_EQ(decodeBytes(buildBmp(rle4Spec()), &image, &info), CodecStatus::Ok);
    EXPECT_EQ(image.pixels, expected4);

    // A grey palette maps the decoded indices to levels.
    BmpSpec grey = rle8Spec();
    for (int i = 0; i < 256; ++i) grey.palette[i] = (255u - i) * 0x010101u;
    ASSERT_EQ(decodeBytes(buildBmp(grey), &image, &info), CodecStatus::Ok);
    EXPECT_EQ(info.kind, PixelKind::Grey);
    EXPECT_EQ(image.at(0, 0), 255 - 10);
    EXPECT_EQ(image.at(7, 0), 255);  // skipped pixels have index 0

    // Rows of 6 pixels are stored in 8 bytes: a run into the padding loses
    // its last pixels, a run beyond it is damage.
    BmpSpec padded = rle8Spec();
    padded.width = 6;
    padded.height = 1;
    padded.pixels = {8, 4, 0, 1};
    ASSERT_EQ(decodeBytes(buildBmp(padded), &image), CodecStatus::Ok);
    EXPECT_EQ(image.pixels, std::vector<std::uint8_t>(6, 4));
    padded.pixels = {9, 4, 0, 1};
    EXPECT_EQ(decodeBytes(buildBmp(padded), &image), CodecStatus::Corrupt);
}

TEST(BmpReader, RunLengthDataThatLeavesTheImageIsRejected) {
    const std::vector<std::pair<const char*, std::vector<std::uint8_t>>> streams = {
        {"run past the row's end", {9, 1, 0, 1}},
        {"run after the row's end", {8, 1, 1, 1, 0, 1}},
        {"literal past the row's end", {5, 1, 0, 4, 1, 2, 3, 4, 0, 1}},
        {"delta past the right edge", {0, 2, 9, 0, 0, 1}},
        {"delta past the top", {0, 2, 0, 5, 0, 1}},
        {"no end of bitmap", {8, 1, 0, 0, 8, 2}},
        {"literal cut short", {0, 6, 1, 2}},
    };
    for (const auto& [name, stream] : streams) {
        SCOPED_TRACE(name);
        BmpSpec spec = rle8Spec();
        spec.pixels = stream;
        Image image;
        EXPECT_EQ(decodeBytes(buildBmp(spec), &image), CodecStatus::Corrupt);
    }
}

TEST(BmpReader, DamagedHeadersAreRejected) {
    BmpSpec valid;
    valid.width = 4;
    valid.height = 2;
    valid.pixels = std::vector<std::uint8_t>(24, 0x55);
    using S = CodecStatus;
    const std::tuple<const char*, std::function<void(BmpSpec&)>, S> changes[] = {
        {"zero width", [](BmpSpec& s) { s.width = 0; }, S::Corrupt},
        {"negative width", [](BmpSpec& s) { s.width = -4; }, S::Corrupt},
        {"zero height", [](BmpSpec& s) { s.height = 0; }, S::Corrupt},
        {"width beyond the blocks", [](BmpSpec& s) { s.width = 40000; }, S::TooLarge},
        {"most negative height", [](BmpSpec& s) { s.height = INT32_MIN; }, S::TooLarge},
        {"two planes", [](BmpSpec& s) { s.planes = 2; }, S::Corrupt},
        {"3 bits per pixel", [](BmpSpec& s) { s.bitCount = 3; }, S::Corrupt},
        {"RLE8 with 24 bits", [](BmpSpec& s) { s.compression = 1; }, S::Corrupt},
        {"bit fields with 24 bits", [](BmpSpec& s) { s.compression = 3; }, S::Corrupt},
        {"embedded JPEG", [](BmpSpec& s) { s.compression = 4; }, S::Unsupported},
        {"unknown compression", [](BmpSpec& s) { s.compression = 77; }, S::Unsupported},
        {"pixels inside the headers", [](BmpSpec& s) { s.pixelOffset = 30; }, S::Corrupt},
        {"one row missing", [](BmpSpec& s) { s.pixels.resize(12); }, S::Corrupt},
        {"bit masks beyond the file",
         [](BmpSpec& s) {
             s.bitCount = 16, s.compression = 3, s.pixels.clear(), s.pixelOffset = 54;
         },
         S::Corrupt},
    };
    for (const auto& [name, change, expected] : changes) {
        SCOPED_TRACE(name);
        BmpSpec spec = valid;
        change(spec);
        Image image;
        EXPECT_EQ(decodeBytes(buildBmp(spec), &image), expected);
    }
    // Bytes of the valid file overwritten: the signature's first letter, the
    // header size (at 14) and the pixel offset (at 10), little-endian.
    const std::tuple<const char*, std::size_t, std::vector<std::uint8_t>, S> damages[] = {
        {"signature", 0, {'X'}, S::Corrupt},
        {"short OS/2 header", 14, {20, 0, 0, 0}, S::Unsupported},
        {"huge header", 14, {0x88, 0x13, 0, 0}, S::Corrupt},  // 5000
        {"pixels beyond the file", 10, {0x00, 0xFF, 0xFF, 0xFF}, S::Corrupt},
    };
    for (const auto& [name, offset, bytes, expected] : damages) {
        SCOPED_TRACE(name);
        std::vector<std::uint8_t> file = buildBmp(valid);
        std::copy(bytes.begin(), bytes.end(), file.begin() + offset);
        Image image;
        EXPECT_EQ(decodeBytes(file, &image), expected);
    }

    BmpSpec topDownRle = rle8Spec();
    topDownRle.height = -4;
    Image image;
    EXPECT_EQ(decodeBytes(buildBmp(topDownRle), &image), CodecStatus::Corrupt);
    // A memory budget below one band and the channel tables.
    std::unique_ptr<BmpReader> reader;
    EXPECT_EQ(BmpReader::open(memorySource(buildBmp(valid)), &reader, 4096), CodecStatus::TooLarge);
}

// Every way of cutting a file short is an error, whether the header, the
// palette or the pixels lose their end.
TEST(BmpReader, TruncatedFilesAreErrors) {
    BmpSpec rgb;
    rgb.width = 4;  // rows of 12 bytes: no padding to lose
    rgb.height = 3;
    rgb.pixels = std::vector<std::uint8_t>(36, 0xAB);
    BmpSpec masks;
    masks.width = 2;
    masks.height = 2;
    masks.bitCount = 16;
    masks.compression = 3;
    masks.masks = {0xF800, 0x07E0, 0x001F};
    masks.pixels = std::vector<std::uint8_t>(8, 0x12);
    BmpSpec core;
    core.headerSize = 12;
    core.width = 4;
    core.height = 2;
    core.bitCount = 8;
    core.palette = colourPalette(256);
    core.pixels = std::vector<std::uint8_t>(8, 3);
    for (const BmpSpec& spec : {rgb, masks, core, rle8Spec(), rle4Spec()}) {
        const std::vector<std::uint8_t> file = buildBmp(spec);
        Image image;
        ASSERT_EQ(decodeBytes(file, &image), CodecStatus::Ok);
        for (std::size_t length = 0; length < file.size(); ++length) {
            SCOPED_TRACE(length);
            const std::vector<std::uint8_t> cut(file.begin(), file.begin() + length);
            EXPECT_NE(decodeBytes(cut, &image), CodecStatus::Ok);
        }
    }
}

// Random damage to the headers and the first pixels: the reader either
// refuses the file or delivers every row once (checked by decodeAll).
TEST(BmpReader, RandomDamageNeverEscapesTheImage) {
    std::uint32_t state = 12345;
    auto next = [&] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    BmpSpec indexed;
    indexed.width = 5;
    indexed.height = 3;
    indexed.bitCount = 4;
    indexed.palette = colourPalette(16);
    indexed.pixels = packRows(indexGrid(5, 3, 16), 4);
    BmpSpec bitfields = indexed;
    bitfields.bitCount = 32;
    bitfields.compression = 3;
    bitfields.palette.clear();
    bitfields.masks = {0xFF0000, 0xFF00, 0xFF};
    bitfields.pixels = std::vector<std::uint8_t>(60, 0x77);
    for (const BmpSpec& spec : {rle8Spec(), rle4Spec(), indexed, bitfields}) {
        const std::vector<std::uint8_t> file = buildBmp(spec);
        for (int round = 0; round < 3000; ++round) {
            std::vector<std::uint8_t> damaged = file;
            for (int k = 0, n = 1 + next() % 4; k < n; ++k)
                damaged[next() % damaged.size()] = static_cast<std::uint8_t>(next());
            Image image;
            decodeBytes(damaged, &image);
            if (::testing::Test::HasFailure()) return;
        }
    }
}

class BmpFromImageMagick : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveImageMagick())
            GTEST_SKIP() << "/usr/bin/convert is missing (scripts/install-deps.sh)";
    }

    // Converts `source` with ImageMagick to "<format>:<fileName>" and decodes
    // the result.
    Image decodeConverted(const Image& source, const std::vector<std::string>& options,
                          const std::string& format, const std::string& fileName,
                          RasterInfo* info) {
        const auto input = m_dir / (source.channels == 1 ? "source.pgm" : "source.ppm");
        writePnm(input, source);
        std::vector<std::string> arguments = {input.string()};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.push_back(format + ":" + (m_dir / fileName).string());
        EXPECT_TRUE(runImageMagick(arguments));
        std::unique_ptr<BmpReader> reader;
        Image image;
        EXPECT_EQ(BmpReader::open(fileSource(m_dir / fileName), &reader), CodecStatus::Ok);
        if (!reader) return image;
        *info = reader->info();
        EXPECT_EQ(decodeAll(*reader, &image), CodecStatus::Ok);
        return image;
    }

    TempDir m_dir;
};

// Looks each index up in the palette.
Image expandIndexed(const Image& indices, const RasterInfo& info) {
    Image rgb(indices.width, indices.height, 3);
    for (std::size_t i = 0; i < indices.pixels.size(); ++i) {
        rgb.pixels[3 * i] = info.palette.red[indices.pixels[i]];
        rgb.pixels[3 * i + 1] = info.palette.green[indices.pixels[i]];
        rgb.pixels[3 * i + 2] = info.palette.blue[indices.pixels[i]];
    }
    return rgb;
}

TEST_F(BmpFromImageMagick, TrueColourGreyAndCoreFiles) {
    const Image colour = noiseImage(37, 70, 3, 7);
    RasterInfo info;
    expectSameImage(decodeConverted(colour, {}, "BMP3", "v3.bmp", &info), colour, "im-bmp3");
    EXPECT_EQ(info.kind, PixelKind::Rgb);
    expectSameImage(decodeConverted(colour, {}, "BMP2", "core.bmp", &info), colour, "im-bmp2");

    Image grey = noiseImage(33, 20, 1, 8);
    for (std::uint8_t& level : grey.pixels)
        level &= 0xF8;  // few levels: the palette keeps them all
    const Image decoded = decodeConverted(grey, {"-type", "Palette"}, "BMP3", "grey.bmp", &info);
    EXPECT_EQ(info.kind, PixelKind::Grey);
    expectSameImage(decoded, grey, "im-grey");
}

TEST_F(BmpFromImageMagick, RunLengthEncodedPaletteFile) {
    // Few colours in long runs, so that ImageMagick keeps a palette.
    Image source(50, 40, 3);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 50; ++x)
            for (int c = 0; c < 3; ++c)
                source.at(x, y, c) = static_cast<std::uint8_t>(((x / 7 + y / 5) % 6) * 40 + c * 10);
    RasterInfo info;
    const Image indices = decodeConverted(source, {"-type", "Palette", "-compress", "RLE"}, "BMP3",
                                          "rle8.bmp", &info);
    ASSERT_EQ(info.kind, PixelKind::Indexed);
    expectSameImage(expandIndexed(indices, info), source, "im-rle8");
}

TEST_F(BmpFromImageMagick, SixteenBitFiveSixFive) {
    const Image source = noiseImage(21, 9, 3, 3);
    RasterInfo info;
    const Image decoded =
        decodeConverted(source, {"-define", "bmp:subtype=RGB565"}, "BMP", "rgb565.bmp", &info);
    // Five or six bits per channel: one step of the coarser scale at most.
    EXPECT_LE(maxDifference(decoded, source), 255 / 31 + 1);
}

}  // namespace
}  // namespace tessary::test
