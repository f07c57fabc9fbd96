// The PNG reader and writer: hand-made files of every colour type and bit
// depth (chunks assembled here with zlib), files made by ImageMagick, round
// trips and damaged files.

#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <iterator>

#include "modules_shipped/test_image.h"
#include "png/png_reader.h"
#include "png/png_writer.h"
#include "support/temp_dir.h"

namespace tessary::test {
namespace {

using modules::FdByteSink;
using modules::kDefaultReadBudget;
using modules::PngReader;
using modules::PngWriter;
using modules::RasterInfo;

void putBe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void appendChunk(std::vector<std::uint8_t>& file, const char* type,
                 const std::vector<std::uint8_t>& data) {
    putBe32(file, static_cast<std::uint32_t>(data.size()));
    std::vector<std::uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    file.insert(file.end(), body.begin(), body.end());
    putBe32(file,
            static_cast<std::uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

struct PngSpec {
    std::uint32_t width = 1;
    std::uint32_t height = 1;
    int bitDepth = 8;
    int colourType = 0;  // 0 grey, 2 RGB, 3 palette, 4 grey+alpha, 6 RGBA
    int bitsPerPixel = 8;
    std::vector<std::vector<std::uint8_t>> rows;  // packed samples, big-endian for 16 bits
    std::vector<std::pair<const char*, std::vector<std::uint8_t>>> chunks;  // before IDAT
    bool interlaced = false;
};

// The scanlines of `spec` with filter type 0, in Adam7 pass order when
// interlaced (only whole-byte pixels are interlaced here).
std::vector<std::uint8_t> scanlines(const PngSpec& spec) {
    std::vector<std::uint8_t> raw;
    if (!spec.interlaced) {
        for (const auto& row : spec.rows) {
            raw.push_back(0);
            raw.insert(raw.end(), row.begin(), row.end());
        }
        return raw;
    }
    const int passes[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                              {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    const std::size_t pixelBytes = static_cast<std::size_t>(spec.bitsPerPixel / 8);
    for (const auto& pass : passes) {
        if (static_cast<std::uint32_t>(pass[0]) >= spec.width) continue;
        for (std::uint32_t y = pass[1]; y < spec.height; y += pass[3]) {
            raw.push_back(0);
            for (std::uint32_t x = pass[0]; x < spec.width; x += pass[2])
                raw.insert(raw.end(), spec.rows[y].begin() + x * pixelBytes,
                           spec.rows[y].begin() + (x + 1) * pixelBytes);
        }
    }
    return raw;
}

std::vector<std::uint8_t> buildPng(const PngSpec& spec) {
    std::vector<std::uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    putBe32(header, spec.width);
    putBe32(header, spec.height);
    header.push_back(static_cast<std::uint8_t>(spec.bitDepth));
    header.push_back(static_cast<std::uint8_t>(spec.colourType));
    header.push_back(0);
    header.push_back(0);
    header.push_back(spec.interlaced ? 1 : 0);
    appendChunk(file, "IHDR", header);
    for (const auto& [type, data] : spec.chunks) appendChunk(file, type, data);
    const std::vector<std::uint8_t> raw = scanlines(spec);
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<std::uint8_t> packed(packedSize);
    EXPECT_EQ(compress(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size())),
              Z_OK);
    packed.resize(packedSize);
    appendChunk(file, "IDAT", packed);
    appendChunk(file, "IEND", {});
    return file;
}

CodecStatus decodePng(std::vector<std::uint8_t> file, Image* image, RasterInfo* info = nullptr) {
    std::unique_ptr<PngReader> reader;
    const CodecStatus status = PngReader::open(memorySource(std::move(file)), &reader);
    if (status != CodecStatus::Ok) return status;
    if (info != nullptr) *info = reader->info();
    return decodeAll(*reader, image);
}

// Greyscale of every depth: levels 0 .. 2^depth − 1 spread over 0 .. 255,
// 16-bit samples of the form 257 k decoding to k.
TEST(PngReader, GreyscaleOfEveryBitDepth) {
    for (int depth : {1, 2, 4, 8, 16}) {
        SCOPED_TRACE(depth);
        PngSpec spec;
        spec.width = 11;
        spec.height = 70;
        spec.bitDepth = depth;
        Image expected(11, 70, 1);
        for (std::uint32_t y = 0; y < spec.height; ++y) {
            std::vector<std::uint8_t> row((spec.width * depth + 7) / 8, 0);
            for (std::uint32_t x = 0; x < spec.width; ++x) {
                const std::uint32_t maximum = depth == 16 ? 255 : (1u << depth) - 1;
                const std::uint32_t value = (x * 7 + y * 3) % (maximum + 1);
                if (depth == 16) {
                    row[2 * x] = row[2 * x + 1] = static_cast<std::uint8_t>(value);  // 257 × value
                    expected.at(x, y) = static_cast<std::uint8_t>(value);
                } else {
                    row[x * depth / 8] |=
                        static_cast<std::uint8_t>(value << (8 - depth - x * depth % 8));
                    expected.at(x, y) = static_cast<std::uint8_t>(value * 255 / maximum);
                }
            }
            spec.rows.push_back(row);
        }
        Image image;
        RasterInfo info;
        ASSERT_EQ(decodePng(buildPng(spec), &image, &info), CodecStatus::Ok);
        EXPECT_EQ(info.kind, PixelKind::Grey);
        expectSameImage(image, expected, "png-grey");
    }
}

TEST(PngReader, ColourTypesWithAlphaPaletteAndSixteenBits) {
    const Image colour = noiseImage(6, 5, 3, 21);
    struct Case {
        const char* name;
        int colourType, bitDepth, bitsPerPixel;
    };
    for (const Case& c : {Case{"RGB", 2, 8, 24}, Case{"RGBA", 6, 8, 32}, Case{"RGB 16", 2, 16, 48},
                          Case{"RGBA 16", 6, 16, 64}}) {
        SCOPED_TRACE(c.name);
        PngSpec spec{6, 5, c.bitDepth, c.colourType, c.bitsPerPixel, {}, {}, false};
        for (int y = 0; y < 5; ++y) {
            std::vector<std::uint8_t> row;
            for (int x = 0; x < 6; ++x) {
                for (int ch = 0; ch < (c.colourType == 6 ? 4 : 3); ++ch) {
                    const std::uint8_t v =
                        ch < 3 ? colour.at(x, y, ch) : static_cast<std::uint8_t>(x * 40);
                    row.push_back(v);
                    if (c.bitDepth == 16) row.push_back(v);
                }
            }
            spec.rows.push_back(row);
        }
        Image image;
        RasterInfo info;
        ASSERT_EQ(decodePng(buildPng(spec), &image, &info), CodecStatus::Ok);
        EXPECT_EQ(info.kind, PixelKind::Rgb);
        expectSameImage(image, colour, "png-colour");
    }

    // Grey with alpha loses the alpha.
    PngSpec greyAlpha{3, 1, 8, 4, 16, {{10, 255, 20, 0, 30, 128}}, {}, false};
    Image image;
    ASSERT_EQ(decodePng(buildPng(greyAlpha), &image), CodecStatus::Ok);
    EXPECT_EQ(image.pixels, (std::vector<std::uint8_t>{10, 20, 30}));

    // A 2-bit palette with transparency becomes RGB through its entries.
    PngSpec palette{5, 1, 2, 3, 2, {{0b00011011, 0b01000000}}, {}, false};
    palette.chunks = {{"PLTE", {255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 8, 7}}, {"tRNS", {0, 128}}};
    RasterInfo info;
    ASSERT_EQ(decodePng(buildPng(palette), &image, &info), CodecStatus::Ok);
    EXPECT_EQ(info.kind, PixelKind::Rgb);
    EXPECT_EQ(image.pixels,
              (std::vector<std::uint8_t>{255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 8, 7, 0, 255, 0}));
}

// Interlaced images come out whole whether their rows are assembled at once
// or, under a small budget, in groups that each decode the file again.
TEST(PngReader, InterlacedImagesMatchTheirPlainForm) {
    const std::tuple<int, std::size_t, bool> cases[] = {
        {1, kDefaultReadBudget, false},
        {3, kDefaultReadBudget, false},
        {1, 67000, true},  // groups of 15 rows
        {3, 69500, true},  // groups of 25 rows
    };
    for (const auto& [channels, budget, grouped] : cases) {
        SCOPED_TRACE(budget);
        const Image image = noiseImage(13, 75, channels, 3);
        PngSpec spec{13, 75, 8, channels == 1 ? 0 : 2, 8 * channels, {}, {}, true};
        for (int y = 0; y < 75; ++y)
            spec.rows.emplace_back(image.pixels.begin() + y * image.rowBytes(),
                                   image.pixels.begin() + (y + 1) * image.rowBytes());
        std::unique_ptr<PngReader> reader;
        ASSERT_EQ(PngReader::open(memorySource(buildPng(spec)), &reader, budget), CodecStatus::Ok);
        EXPECT_TRUE(reader->interlaced());
        EXPECT_EQ(reader->groupHeight() < 75, grouped);
        Image decoded;
        ASSERT_EQ(decodeAll(*reader, &decoded), CodecStatus::Ok);
        expectSameImage(decoded, image, "png-interlaced");
    }
}

// An interlaced file of a few bytes claiming 32767 × 32767 pixels once
// made the reader ask for the whole image at once; under an address limit
// above the budget it must fail on the missing data, not on memory.
TEST(PngReader, HugeInterlacedFileStaysWithinTheMemoryBudget) {
    if (!addressLimitUsable()) GTEST_SKIP() << "no address limit under AddressSanitizer";
    std::vector<std::uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    putBe32(header, 32767);
    putBe32(header, 32767);
    header.insert(header.end(), {8, 2, 0, 0, 1});  // 8-bit RGB, interlaced
    appendChunk(file, "IHDR", header);
    // The start of a zlib stream of zero rows, and nothing after it.
    const std::vector<std::uint8_t> zeros(4096, 0);
    uLongf packedSize = compressBound(static_cast<uLong>(zeros.size()));
    std::vector<std::uint8_t> packed(packedSize);
    ASSERT_EQ(compress(packed.data(), &packedSize, zeros.data(), static_cast<uLong>(zeros.size())),
              Z_OK);
    packed.resize(std::min<std::size_t>(packedSize, 8));
    appendChunk(file, "IDAT", packed);
    constexpr std::size_t kBudget = std::size_t{64} << 20;
    const int exit = runUnderAddressLimit(4 * kBudget, [&file] {
        std::unique_ptr<PngReader> reader;
        CodecStatus status = PngReader::open(memorySource(file), &reader, kBudget);
        if (status == CodecStatus::Ok) status = drainBands(*reader);
        return static_cast<int>(status);
    });
    EXPECT_EQ(exit, static_cast<int>(CodecStatus::Corrupt));
}

TEST(PngReader, ResolutionOnlyFromMetres) {
    PngSpec spec{1, 1, 8, 0, 8, {{7}}, {}, false};
    const std::vector<std::uint8_t> metres = {0, 0,    0x2E, 0x23, 0,
                                              0, 0x17, 0x11, 1};  // 11811, 5905
    const std::vector<std::uint8_t> aspect = {0, 0, 0, 2, 0, 0, 0, 3, 0};
    for (const auto& [chunk, h, v] : {std::tuple{metres, 299.9994, 149.987}, {aspect, 0.0, 0.0}}) {
        spec.chunks = {{"pHYs", chunk}};
        Image image;
        RasterInfo info;
        ASSERT_EQ(decodePng(buildPng(spec), &image, &info), CodecStatus::Ok);
        EXPECT_NEAR(info.horizontalPpi, h, 0.001);
        EXPECT_NEAR(info.verticalPpi, v, 0.001);
    }
}

TEST(PngReader, DamagedFilesAreErrors) {
    PngSpec spec{20, 20, 8, 2, 24, {}, {}, false};
    const Image image = noiseImage(20, 20, 3, 9);
    for (int y = 0; y < 20; ++y)
        spec.rows.emplace_back(image.pixels.begin() + y * 60, image.pixels.begin() + (y + 1) * 60);
    const std::vector<std::uint8_t> file = buildPng(spec);
    Image decoded;
    ASSERT_EQ(decodePng(file, &decoded), CodecStatus::Ok);
    // Cut anywhere before the end of the image data.
    for (std::size_t length = 0; length + 12 < file.size(); length += 3) {
        SCOPED_TRACE(length);
        EXPECT_NE(
            decodePng(std::vector<std::uint8_t>(file.begin(), file.begin() + length), &decoded),
            CodecStatus::Ok);
    }
    std::vector<std::uint8_t> badCrc = file;
    badCrc[file.size() - 12 - 5] ^= 0x40;  // inside the image data's checksum
    EXPECT_EQ(decodePng(badCrc, &decoded), CodecStatus::Corrupt);
    std::vector<std::uint8_t> notPng = file;
    notPng[1] = 'X';
    EXPECT_EQ(decodePng(notPng, &decoded), CodecStatus::Corrupt);
    PngSpec huge = spec;
    huge.width = 40000;
    huge.rows.clear();
    EXPECT_EQ(decodePng(buildPng(huge), &decoded), CodecStatus::TooLarge);
}

CodecStatus writePng(const std::filesystem::path& path, const Image& image, double ppi,
                     int threads = 1, std::int32_t bandRows = 32) {
    RasterInfo info;
    info.width = image.width;
    info.height = image.height;
    info.kind = image.channels == 1 ? PixelKind::Grey : PixelKind::Rgb;
    info.horizontalPpi = info.verticalPpi = ppi;
    std::unique_ptr<PngWriter> writer;
    const CodecStatus status =
        PngWriter::create(std::make_unique<FdByteSink>(createFile(path)), info, threads, &writer);
    if (status != CodecStatus::Ok) return status;
    return encodeAll(std::move(writer), image, info.kind, bandRows);
}

std::vector<std::uint8_t> bytesOf(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Images of many compression blocks, written in bands of different heights
// on one and on several threads: the same file, and the same pixels and
// resolution back.
TEST(PngWriter, RoundTripsExactlyTheSameFileForEveryThreadCountAndBandHeight) {
    TempDir dir;
    const std::pair<Image, double> cases[] = {{smoothImage(613, 500, 3), 300.0},
                                              {noiseImage(900, 400, 1, 9), 0.0}};
    for (const auto& [image, ppi] : cases) {
        ASSERT_EQ(writePng(dir / "one.png", image, ppi, 1, 32), CodecStatus::Ok);
        const std::vector<std::uint8_t> reference = bytesOf(dir / "one.png");
        ASSERT_GT(reference.size(), 0u);
        for (const auto& [threads, bandRows] : {std::pair{4, 7}, std::pair{3, 500}}) {
            ASSERT_EQ(writePng(dir / "many.png", image, ppi, threads, bandRows), CodecStatus::Ok);
            EXPECT_EQ(bytesOf(dir / "many.png"), reference) << threads << " threads";
        }
        std::unique_ptr<PngReader> reader;
        ASSERT_EQ(PngReader::open(fileSource(dir / "many.png"), &reader), CodecStatus::Ok);
        EXPECT_NEAR(reader->info().horizontalPpi, ppi, 0.01);
        EXPECT_FALSE(reader->interlaced());
        Image decoded;
        ASSERT_EQ(decodeAll(*reader, &decoded), CodecStatus::Ok);
        expectSameImage(decoded, image, "png-round-trip");
    }
}

TEST(PngCodec, ExchangesFilesWithImageMagick) {
    if (!haveImageMagick()) GTEST_SKIP() << "/usr/bin/convert is missing (scripts/install-deps.sh)";
    TempDir dir;
    const Image colour = noiseImage(29, 66, 3, 12);
    writePnm(dir / "source.ppm", colour);
    const std::string source = (dir / "source.ppm").string();
    const std::vector<std::pair<std::vector<std::string>, std::string>> made = {
        {{source, "-depth", "16"}, "PNG48:"},
        {{source, "-interlace", "PNG"}, "PNG24:"},
        {{source, "-alpha", "set", "-channel", "A", "-evaluate", "set", "50%"}, "PNG32:"},
    };
    for (const auto& [arguments, format] : made) {
        SCOPED_TRACE(format);
        std::vector<std::string> all = arguments;
        all.push_back(format + (dir / "made.png").string());
        ASSERT_TRUE(runImageMagick(all));
        std::unique_ptr<PngReader> reader;
        ASSERT_EQ(PngReader::open(fileSource(dir / "made.png"), &reader), CodecStatus::Ok);
        Image decoded;
        ASSERT_EQ(decodeAll(*reader, &decoded), CodecStatus::Ok);
        expectSameImage(decoded, colour, "im-png");
    }
    ASSERT_EQ(writePng(dir / "ours.png", colour, 96.0), CodecStatus::Ok);
    ASSERT_TRUE(runImageMagick({(dir / "ours.png").string(), (dir / "back.ppm").string()}));
    expectSameImage(readPnm(dir / "back.ppm"), colour, "im-reads-png");
}

}  // namespace
}  // namespace tessary::test
