// The TIFF reader and writer: files of many layouts written with libtiff
// from known samples, a hand-made big-endian file, pages, resolution units,
// round trips, damaged files and files exchanged with ImageMagick.

#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

#include "modules_shipped/test_image.h"
#include "support/temp_dir.h"
#include "tiff/lzw_codec.h"
#include "tiff/tiff_reader.h"
#include "tiff/tiff_writer.h"

namespace tessary::test {
namespace {

using modules::RasterInfo;
using modules::TiffCompression;
using modules::TiffReader;
using modules::TiffWriter;

// How a test file is laid out; samples are given as values of `bits` bits,
// `samples` per pixel, pixel after pixel, row after row.
struct TiffLayout {
    std::uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    std::uint16_t bits = 8;
    std::uint16_t samples = 1;
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    std::uint16_t compression = COMPRESSION_NONE;
    std::uint16_t predictor = PREDICTOR_NONE;
    std::uint32_t tile = 0;  // tile side; 0 for strips
    std::uint32_t rowsPerStrip = 8;
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
    std::uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    std::vector<std::uint16_t> colourMap;  // red, green, blue tables one after the other
    float resolution = 0.0f;
    std::uint16_t resolutionUnit = RESUNIT_INCH;
};

// Packs the samples of rows [top, top + rows), columns [left, left + columns)
// of one plane (`plane` < 0: all samples interleaved) into `out`.
void packArea(const TiffLayout& layout, std::uint32_t width,
              const std::vector<std::uint32_t>& values, int plane, std::uint32_t top,
              std::uint32_t rows, std::uint32_t left, std::uint32_t columns,
              std::uint32_t rowSamples, std::vector<std::uint8_t>& out) {
    const std::uint32_t perPixel = plane < 0 ? layout.samples : 1;
    const std::size_t rowBytes = (static_cast<std::size_t>(rowSamples) * layout.bits + 7) / 8;
    out.assign(rowBytes * rows, 0);
    for (std::uint32_t r = 0; r < rows; ++r) {
        std::uint8_t* row = out.data() + r * rowBytes;
        for (std::uint32_t c = 0; c < columns; ++c) {
            for (std::uint32_t s = 0; s < perPixel; ++s) {
                const std::uint32_t sample = plane < 0 ? s : static_cast<std::uint32_t>(plane);
                const std::uint32_t value =
                    values[((top + r) * static_cast<std::size_t>(width) + left + c) *
                               layout.samples +
                           sample];
                const std::size_t index = static_cast<std::size_t>(c) * perPixel + s;
                if (layout.bits == 32) {
                    std::memcpy(row + 4 * index, &value, 4);
                } else if (layout.bits == 16) {
                    const std::uint16_t v16 = static_cast<std::uint16_t>(value);
                    std::memcpy(row + 2 * index, &v16, 2);
                } else if (layout.bits == 8) {
                    row[index] = static_cast<std::uint8_t>(value);
                } else {
                    const std::size_t bit = index * layout.bits;
                    row[bit / 8] |= static_cast<std::uint8_t>(value << (8 - layout.bits - bit % 8));
                }
            }
        }
    }
}

void addPage(TIFF* tiff, std::uint32_t width, std::uint32_t height, const TiffLayout& layout,
             const std::vector<std::uint32_t>& values) {
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, layout.bits);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, layout.samples);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, layout.photometric);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, layout.planar);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, layout.compression);
    if (layout.predictor != PREDICTOR_NONE) TIFFSetField(tiff, TIFFTAG_PREDICTOR, layout.predictor);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, layout.orientation);
    TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, layout.sampleFormat);
    if (layout.photometric == PHOTOMETRIC_RGB && layout.samples == 4) {
        const std::uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    if (layout.compression == COMPRESSION_JPEG)
        TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    if (!layout.colourMap.empty()) {
        const std::size_t n = layout.colourMap.size() / 3;
        TIFFSetField(tiff, TIFFTAG_COLORMAP, layout.colourMap.data(), layout.colourMap.data() + n,
                     layout.colourMap.data() + 2 * n);
    }
    if (layout.resolution > 0) {
        TIFFSetField(tiff, TIFFTAG_XRESOLUTION, layout.resolution);
        TIFFSetField(tiff, TIFFTAG_YRESOLUTION, layout.resolution / 2);
        TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, layout.resolutionUnit);
    }
    const bool separate = layout.planar == PLANARCONFIG_SEPARATE;
    const int planes = separate ? layout.samples : 1;
    std::vector<std::uint8_t> buffer;
    if (layout.tile != 0) {
        TIFFSetField(tiff, TIFFTAG_TILEWIDTH, layout.tile);
        TIFFSetField(tiff, TIFFTAG_TILELENGTH, layout.tile);
        for (int p = 0; p < planes; ++p)
            for (std::uint32_t y = 0; y < height; y += layout.tile)
                for (std::uint32_t x = 0; x < width; x += layout.tile) {
                    const std::uint32_t perPixel = separate ? 1 : layout.samples;
                    packArea(layout, width, values, separate ? p : -1, y,
                             std::min(layout.tile, height - y), x, std::min(layout.tile, width - x),
                             layout.tile * perPixel, buffer);
                    buffer.resize(static_cast<std::size_t>(TIFFTileSize(tiff)), 0);
                    ASSERT_GE(
                        TIFFWriteTile(tiff, buffer.data(), x, y, 0, static_cast<std::uint16_t>(p)),
                        0);
                }
    } else {
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, layout.rowsPerStrip);
        for (int p = 0; p < planes; ++p)
            for (std::uint32_t y = 0; y < height; ++y) {
                packArea(layout, width, values, separate ? p : -1, y, 1, 0, width,
                         width * (separate ? 1 : layout.samples), buffer);
                ASSERT_GE(TIFFWriteScanline(tiff, buffer.data(), y, static_cast<std::uint16_t>(p)),
                          0);
            }
    }
    ASSERT_TRUE(TIFFWriteDirectory(tiff));
}

void writeTiff(const std::filesystem::path& path, std::uint32_t width, std::uint32_t height,
               const TiffLayout& layout, const std::vector<std::uint32_t>& values) {
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tiff, nullptr);
    addPage(tiff, width, height, layout, values);
    TIFFClose(tiff);
}

std::vector<std::uint32_t> sampleValues(std::uint32_t width, std::uint32_t height, int samples,
                                        std::uint32_t maximum) {
    std::vector<std::uint32_t> values(static_cast<std::size_t>(width) * height * samples);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<std::uint32_t>((i * 2654435761u >> 7) % (maximum + 1));
    return values;
}

CodecStatus decodeTiff(const std::filesystem::path& path, Image* image, RasterInfo* info = nullptr,
                       bool* rgbaInterface = nullptr) {
    std::unique_ptr<TiffReader> reader;
    const CodecStatus status = TiffReader::open(fileSource(path), &reader);
    if (status != CodecStatus::Ok) return status;
    if (info != nullptr) *info = reader->info();
    if (rgbaInterface != nullptr) *rgbaInterface = reader->usesRgbaInterface();
    return decodeAll(*reader, image);
}

// Scales a `bits`-bit sample to 8 bits as the reader promises.
std::uint8_t level(std::uint32_t value, int bits) {
    if (bits == 16) return static_cast<std::uint8_t>(std::lround(value / 257.0));
    return static_cast<std::uint8_t>(value * 255 / ((1u << bits) - 1));
}

TEST(TiffReader, GreyscaleDepthsCompressionsAndLayouts) {
    TempDir dir;
    struct Case {
        const char* name;
        TiffLayout layout;
    };
    auto grey = [](std::uint16_t bits, std::uint16_t compression) {
        TiffLayout layout;
        layout.bits = bits;
        layout.compression = compression;
        return layout;
    };
    TiffLayout fax = grey(1, COMPRESSION_CCITTFAX4);
    fax.photometric = PHOTOMETRIC_MINISWHITE;
    TiffLayout tiled = grey(8, COMPRESSION_ADOBE_DEFLATE);
    tiled.tile = 16;
    TiffLayout withAlpha = grey(8, COMPRESSION_LZW);
    withAlpha.samples = 2;
    const Case cases[] = {
        {"8-bit plain", grey(8, COMPRESSION_NONE)},
        {"1-bit fax, white is 0", fax},
        {"2-bit PackBits", grey(2, COMPRESSION_PACKBITS)},
        {"4-bit LZW", grey(4, COMPRESSION_LZW)},
        {"16-bit LZW", grey(16, COMPRESSION_LZW)},
        {"8-bit tiles", tiled},
        {"grey and alpha", withAlpha},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::uint32_t width = 37;
        const std::uint32_t height = 150;
        const std::uint32_t maximum = c.layout.bits == 16 ? 65535 : (1u << c.layout.bits) - 1;
        const std::vector<std::uint32_t> values =
            sampleValues(width, height, c.layout.samples, maximum);
        writeTiff(dir / "grey.tif", width, height, c.layout, values);
        Image expected(width, height, 1);
        for (std::size_t i = 0; i < expected.pixels.size(); ++i) {
            const std::uint8_t v = level(values[i * c.layout.samples], c.layout.bits);
            expected.pixels[i] = c.layout.photometric == PHOTOMETRIC_MINISWHITE ? 255 - v : v;
        }
        Image image;
        RasterInfo info;
        bool rgba = true;
        ASSERT_EQ(decodeTiff(dir / "grey.tif", &image, &info, &rgba), CodecStatus::Ok);
        EXPECT_EQ(info.kind, PixelKind::Grey);
        EXPECT_FALSE(rgba);
        expectSameImage(image, expected, "tiff-grey");
    }
}

TEST(TiffReader, RgbContiguousSeparateTiledAndWithAlpha) {
    TempDir dir;
    auto rgb = [](std::uint16_t bits, std::uint16_t samples, std::uint16_t planar,
                  std::uint32_t tile) {
        TiffLayout layout;
        layout.photometric = PHOTOMETRIC_RGB;
        layout.bits = bits;
        layout.samples = samples;
        layout.planar = planar;
        layout.tile = tile;
        layout.compression = COMPRESSION_LZW;
        layout.rowsPerStrip = 5;
        return layout;
    };
    const TiffLayout layouts[] = {
        rgb(8, 3, PLANARCONFIG_CONTIG, 0),    rgb(16, 3, PLANARCONFIG_CONTIG, 0),
        rgb(8, 3, PLANARCONFIG_SEPARATE, 0),  rgb(8, 4, PLANARCONFIG_CONTIG, 0),
        rgb(8, 3, PLANARCONFIG_SEPARATE, 32), rgb(16, 4, PLANARCONFIG_CONTIG, 16),
    };
    for (const TiffLayout& layout : layouts) {
        SCOPED_TRACE(std::to_string(layout.bits) + " bits, " + std::to_string(layout.samples) +
                     " samples, planar " + std::to_string(layout.planar) + ", tile " +
                     std::to_string(layout.tile));
        const std::uint32_t width = 45;
        const std::uint32_t height = 70;
        const std::vector<std::uint32_t> values =
            sampleValues(width, height, layout.samples, layout.bits == 16 ? 65535 : 255);
        writeTiff(dir / "rgb.tif", width, height, layout, values);
        Image expected(width, height, 3);
        for (std::uint32_t p = 0; p < width * height; ++p)
            for (int c = 0; c < 3; ++c)
                expected.pixels[3 * p + c] = level(values[p * layout.samples + c], layout.bits);
        Image image;
        RasterInfo info;
        ASSERT_EQ(decodeTiff(dir / "rgb.tif", &image, &info), CodecStatus::Ok);
        EXPECT_EQ(info.kind, PixelKind::Rgb);
        expectSameImage(image, expected, "tiff-rgb");
    }
}

TEST(TiffReader, PaletteImagesKeepTheirColourMap) {
    TempDir dir;
    for (std::uint16_t bits : {4, 8}) {
        for (bool eightBitMap : {false, true}) {
            SCOPED_TRACE(std::to_string(bits) + (eightBitMap ? " bits, 8-bit map" : " bits"));
            TiffLayout layout;
            layout.photometric = PHOTOMETRIC_PALETTE;
            layout.bits = bits;
            layout.compression = COMPRESSION_ADOBE_DEFLATE;
            const int entries = 1 << bits;
            layout.colourMap.resize(3 * entries);
            for (int i = 0; i < entries; ++i)
                for (int c = 0; c < 3; ++c) {
                    const std::uint16_t v = static_cast<std::uint16_t>((i * 29 + c * 80) % 256);
                    layout.colourMap[c * entries + i] =
                        eightBitMap ? v : static_cast<std::uint16_t>(v * 257);
                }
            const std::vector<std::uint32_t> values = sampleValues(19, 9, 1, entries - 1);
            writeTiff(dir / "palette.tif", 19, 9, layout, values);
            Image image;
            RasterInfo info;
            ASSERT_EQ(decodeTiff(dir / "palette.tif", &image, &info), CodecStatus::Ok);
            ASSERT_EQ(info.kind, PixelKind::Indexed);
            EXPECT_EQ(info.palette.count, entries);
            for (int i = 0; i < entries; ++i) {
                EXPECT_EQ(info.palette.red[i], (i * 29) % 256);
                EXPECT_EQ(info.palette.blue[i], (i * 29 + 160) % 256);
            }
            for (std::size_t i = 0; i < values.size(); ++i) ASSERT_EQ(image.pixels[i], values[i]);
        }
    }
}

TEST(TiffReader, OtherLayoutsComeThroughTheRgbaInterface) {
    TempDir dir;
    const std::uint32_t width = 40;
    const std::uint32_t height = 150;
    // Bottom-up rows: bands come from the bottom and still land in place.
    TiffLayout bottomUp;
    bottomUp.photometric = PHOTOMETRIC_RGB;
    bottomUp.samples = 3;
    bottomUp.orientation = ORIENTATION_BOTLEFT;
    const std::vector<std::uint32_t> values = sampleValues(width, height, 3, 255);
    writeTiff(dir / "bottom-up.tif", width, height, bottomUp, values);
    Image expected(width, height, 3);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t i = 0; i < width * 3; ++i)
            expected.pixels[y * width * 3 + i] =
                static_cast<std::uint8_t>(values[(height - 1 - y) * width * 3 + i]);
    Image image;
    bool rgba = false;
    ASSERT_EQ(decodeTiff(dir / "bottom-up.tif", &image, nullptr, &rgba), CodecStatus::Ok);
    EXPECT_TRUE(rgba);
    expectSameImage(image, expected, "tiff-bottom-up");

    // CMYK: red = (255 − C)(255 − K) / 255 and so on.
    TiffLayout cmyk;
    cmyk.photometric = PHOTOMETRIC_SEPARATED;
    cmyk.samples = 4;
    const std::vector<std::uint32_t> inks = sampleValues(8, 8, 4, 255);
    writeTiff(dir / "cmyk.tif", 8, 8, cmyk, inks);
    ASSERT_EQ(decodeTiff(dir / "cmyk.tif", &image), CodecStatus::Ok);
    for (int p = 0; p < 64; ++p)
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(image.pixels[3 * p + c],
                        (255.0 - inks[4 * p + c]) * (255.0 - inks[4 * p + 3]) / 255.0, 1.0);

    // JPEG-compressed YCbCr: lossy, so only close.
    TiffLayout jpeg;
    jpeg.photometric = PHOTOMETRIC_YCBCR;
    jpeg.samples = 3;
    jpeg.compression = COMPRESSION_JPEG;
    jpeg.rowsPerStrip = 16;
    const Image smooth = smoothImage(48, 48, 3);
    writeTiff(dir / "jpeg.tif", 48, 48, jpeg,
              std::vector<std::uint32_t>(smooth.pixels.begin(), smooth.pixels.end()));
    ASSERT_EQ(decodeTiff(dir / "jpeg.tif", &image, nullptr, &rgba), CodecStatus::Ok);
    EXPECT_TRUE(rgba);
    EXPECT_LE(maxDifference(image, smooth), 24);

    TiffLayout floats;
    floats.bits = 32;
    floats.sampleFormat = SAMPLEFORMAT_IEEEFP;
    writeTiff(dir / "float.tif", 2, 2, floats, {0, 0, 0, 0});
    EXPECT_EQ(decodeTiff(dir / "float.tif", &image), CodecStatus::Unsupported);
}

TEST(TiffReader, ResolutionUnits) {
    TempDir dir;
    const std::pair<std::uint16_t, double> units[] = {
        {RESUNIT_INCH, 300.0}, {RESUNIT_CENTIMETER, 300.0 * 2.54}, {RESUNIT_NONE, 0.0}};
    for (const auto& [unit, expected] : units) {
        TiffLayout layout;
        layout.resolution = 300.0f;
        layout.resolutionUnit = unit;
        writeTiff(dir / "resolution.tif", 1, 1, layout, {9});
        Image image;
        RasterInfo info;
        ASSERT_EQ(decodeTiff(dir / "resolution.tif", &image, &info), CodecStatus::Ok);
        EXPECT_NEAR(info.horizontalPpi, expected, 1e-3);
        EXPECT_NEAR(info.verticalPpi, expected / 2, 1e-3);
    }
    writeTiff(dir / "none.tif", 1, 1, TiffLayout(), {9});
    Image image;
    RasterInfo info;
    ASSERT_EQ(decodeTiff(dir / "none.tif", &image, &info), CodecStatus::Ok);
    EXPECT_EQ(info.horizontalPpi, 0.0);
}

// A big-endian file assembled byte by byte: 16-bit greyscale, 3 × 2.
TEST(TiffReader, HandMadeBigEndianFile) {
    std::vector<std::uint8_t> file = {'M', 'M', 0, 42, 0, 0, 0, 8};
    auto u16 = [&](unsigned v) { file.push_back(v >> 8), file.push_back(v & 0xFF); };
    auto u32 = [&](std::uint32_t v) { u16(v >> 16), u16(v & 0xFFFF); };
    auto entry = [&](unsigned tag, unsigned type, std::uint32_t value) {
        u16(tag), u16(type), u32(1);
        if (type == 3)
            u16(value), u16(0);
        else
            u32(value);
    };
    const std::uint32_t pixelOffset = 8 + 2 + 8 * 12 + 4;
    u16(8);
    entry(256, 3, 3);  // width
    entry(257, 3, 2);  // height
    entry(258, 3, 16);
    entry(259, 3, 1);
    entry(262, 3, 1);  // min is black
    entry(273, 4, pixelOffset);
    entry(278, 3, 2);
    entry(279, 4, 12);
    u32(0);
    for (unsigned v : {0u, 257u, 65535u, 32896u, 514u, 128u}) u16(v);
    TempDir dir;
    writeFile(dir / "hand.tif", file);
    Image image;
    ASSERT_EQ(decodeTiff(dir / "hand.tif", &image), CodecStatus::Ok);
    EXPECT_EQ(image.pixels, (std::vector<std::uint8_t>{0, 1, 255, 128, 2, 0}));
}

// A compressed file without a rows-per-strip tag is one strip (the tag's
// default is 2^32 - 1); bottom-up rows take the RGBA interface.
TEST(TiffReader, HandMadeCompressedFileWithoutRowsPerStrip) {
    Bytes file;
    file.text("II").u16(42).u32(8).u16(8);
    const std::uint32_t pixelOffset = 8 + 2 + 8 * 12 + 4;
    auto entry = [&](unsigned tag, unsigned type, std::uint32_t value) {
        file.u16(tag).u16(type).u32(1);
        if (type == 3) {
            file.u16(value).u16(0);
        } else {
            file.u32(value);
        }
    };
    entry(256, 3, 3);  // width
    entry(257, 3, 2);  // height
    entry(258, 3, 8);
    entry(259, 3, COMPRESSION_PACKBITS);
    entry(262, 3, 1);  // min is black
    entry(273, 4, pixelOffset);
    entry(274, 3, ORIENTATION_BOTLEFT);
    entry(279, 4, 7);
    file.u32(0).bytes({5, 10, 20, 30, 40, 50, 60});  // six literal bytes
    TempDir dir;
    writeFile(dir / "strip.tif", file.data);
    Image image;
    ASSERT_EQ(decodeTiff(dir / "strip.tif", &image), CodecStatus::Ok);
    Image expected(3, 2, 3);
    const std::uint8_t stored[2][3] = {{10, 20, 30}, {40, 50, 60}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            for (int c = 0; c < 3; ++c) expected.at(x, y, c) = stored[1 - y][x];
    expectSameImage(image, expected, "tiff-no-rows-per-strip");
}

TEST(TiffReader, PagesOneAfterTheOther) {
    TempDir dir;
    TIFF* tiff = TIFFOpen((dir / "pages.tif").c_str(), "w");
    ASSERT_NE(tiff, nullptr);
    TiffLayout rgb;
    rgb.photometric = PHOTOMETRIC_RGB;
    rgb.samples = 3;
    addPage(tiff, 5, 4, TiffLayout(), sampleValues(5, 4, 1, 255));
    addPage(tiff, 7, 3, rgb, sampleValues(7, 3, 3, 255));
    addPage(tiff, 2, 9, TiffLayout(), sampleValues(2, 9, 1, 255));
    TIFFClose(tiff);

    std::unique_ptr<TiffReader> reader;
    ASSERT_EQ(TiffReader::open(fileSource(dir / "pages.tif"), &reader), CodecStatus::Ok);
    const std::tuple<int, int, PixelKind> pages[] = {
        {5, 4, PixelKind::Grey}, {7, 3, PixelKind::Rgb}, {2, 9, PixelKind::Grey}};
    for (int page = 0; page < 3; ++page) {
        SCOPED_TRACE(page);
        if (page > 0) {
            ASSERT_EQ(reader->nextPage(), CodecStatus::Ok);
        }
        EXPECT_EQ(reader->pageIndex(), page);
        EXPECT_EQ(reader->info().width, std::get<0>(pages[page]));
        EXPECT_EQ(reader->info().height, std::get<1>(pages[page]));
        EXPECT_EQ(reader->info().kind, std::get<2>(pages[page]));
        Image image;
        ASSERT_EQ(decodeAll(*reader, &image), CodecStatus::Ok);
        EXPECT_EQ(reader->hasNextPage(), page < 2);
    }
    EXPECT_NE(reader->nextPage(), CodecStatus::Ok);
}

TEST(TiffReader, DamagedFilesAreErrors) {
    TempDir dir;
    TiffLayout lzw;
    lzw.compression = COMPRESSION_LZW;
    lzw.rowsPerStrip = 4;
    TiffLayout tiles;
    tiles.tile = 16;
    for (const TiffLayout& layout : {lzw, tiles}) {
        writeTiff(dir / "whole.tif", 40, 40, layout, sampleValues(40, 40, 1, 255));
        const std::vector<std::uint8_t> file = readFile(dir / "whole.tif");
        Image image;
        ASSERT_EQ(decodeTiff(dir / "whole.tif", &image), CodecStatus::Ok);
        for (std::size_t length = 0; length < file.size(); length += 7) {
            SCOPED_TRACE(length);
            writeFile(dir / "cut.tif",
                      std::vector<std::uint8_t>(file.begin(), file.begin() + length));
            EXPECT_NE(decodeTiff(dir / "cut.tif", &image), CodecStatus::Ok);
        }
    }
}

// A little-endian file of one directory, assembled byte by byte: 16 bytes
// of zero samples at offset 8 (where every strip or tile of `entries`
// points), the directory after them, then the values too long to sit in
// their entries. Each entry is a tag, a type (3 short, 4 long) and values.
struct TiffEntry {
    std::uint16_t tag;
    std::uint16_t type;
    std::vector<std::uint32_t> values;
};
std::vector<std::uint8_t> craftTiff(const std::vector<TiffEntry>& entries) {
    constexpr std::uint32_t kData = 8;
    const std::uint32_t directory = kData + 16;
    std::uint32_t extra = directory + 2 + 12 * static_cast<std::uint32_t>(entries.size()) + 4;
    Bytes file;
    file.text("II").u16(42).u32(directory).bytes(std::vector<std::uint8_t>(16, 0));
    file.u16(static_cast<unsigned>(entries.size()));
    Bytes values;
    auto put = [](Bytes& out, std::uint16_t type, std::uint32_t v) {
        type == 3 ? out.u16(v) : out.u32(v);
    };
    for (const TiffEntry& e : entries) {
        file.u16(e.tag).u16(e.type).u32(static_cast<std::uint32_t>(e.values.size()));
        const std::size_t bytes = e.values.size() * (e.type == 3 ? 2 : 4);
        if (bytes <= 4) {
            for (std::uint32_t v : e.values) put(file, e.type, v);
            for (std::size_t pad = bytes; pad < 4; ++pad) file.u8(0);
        } else {
            file.u32(extra + static_cast<std::uint32_t>(values.size()));
            for (std::uint32_t v : e.values) put(values, e.type, v);
        }
    }
    file.u32(0).bytes(values.data);
    return file.data;
}

// Files of a few bytes that claim a 32767 × 32767 image in one very tall
// tile or in one strip per separate plane: decoding them would once have
// needed gigabytes. Under an address limit above the budget the reader
// must refuse them or fail on their missing data, never run out of memory.
TEST(TiffReader, HostileLayoutsStayWithinTheMemoryBudget) {
    if (!addressLimitUsable()) GTEST_SKIP() << "no address limit under AddressSanitizer";
    constexpr std::uint32_t kSide = 32767;
    const std::vector<TiffEntry> common = {
        {256, 4, {kSide}}, {257, 4, {kSide}}, {259, 3, {COMPRESSION_NONE}}};
    auto with = [&](std::vector<TiffEntry> more) {
        more.insert(more.begin(), common.begin(), common.end());
        std::sort(more.begin(), more.end(),
                  [](const TiffEntry& a, const TiffEntry& b) { return a.tag < b.tag; });
        return craftTiff(more);
    };
    const std::pair<const char*, std::vector<std::uint8_t>> files[] = {
        {"one tall tile", with({{258, 3, {16}},
                                {262, 3, {PHOTOMETRIC_MINISBLACK}},
                                {322, 4, {16}},
                                {323, 4, {32768}},
                                {324, 4, {8}},
                                {325, 4, {16}}})},
        {"one strip per separate plane", with({{258, 3, {16, 16, 16}},
                                               {262, 3, {PHOTOMETRIC_RGB}},
                                               {273, 4, {8, 8, 8}},
                                               {277, 3, {3}},
                                               {278, 4, {kSide}},
                                               {279, 4, {16, 16, 16}},
                                               {284, 3, {2}}})},
    };
    constexpr std::size_t kBudget = std::size_t{64} << 20;
    for (const auto& [name, file] : files) {
        SCOPED_TRACE(name);
        const int exit = runUnderAddressLimit(4 * kBudget, [&file = file] {
            std::unique_ptr<TiffReader> reader;
            CodecStatus status = TiffReader::open(memorySource(file), &reader, kBudget);
            if (status == CodecStatus::Ok) status = drainBands(*reader);
            return static_cast<int>(status);
        });
        EXPECT_TRUE(exit == static_cast<int>(CodecStatus::Corrupt) ||
                    exit == static_cast<int>(CodecStatus::TooLarge))
            << "child ended with " << exit;
    }
}

// Budgets that hold only part of a row of tiles, or of a strip read
// through the RGBA interface, still decode every sample; one tile beyond
// the budget is TooLarge.
TEST(TiffReader, SmallBudgetsDecodeInNarrowerOrShorterBands) {
    TempDir dir;
    TiffLayout tiled;
    tiled.tile = 64;
    TiffLayout bottomUp;
    bottomUp.photometric = PHOTOMETRIC_RGB;
    bottomUp.samples = 3;
    bottomUp.orientation = ORIENTATION_BOTLEFT;
    bottomUp.rowsPerStrip = 50;
    struct Case {
        const char* name;
        TiffLayout layout;
        std::uint32_t width;
        std::size_t budget;
        std::int32_t bandWidth;
        std::int32_t bandHeight;
    };
    // Tiles of 64 × 64 grey cost 4096 bytes for one decoded tile and 8192 a
    // tile of band (raw rows and the caller's band); the RGBA interface
    // costs 7 bytes a pixel of band. The reader keeps half the budget.
    const Case cases[] = {
        {"one tile of the row", tiled, 200, 2 * 16000, 64, 64},
        {"two tiles of the row", tiled, 200, 2 * 24000, 128, 64},
        {"rows of a strip", bottomUp, 40, 2 * 12000, 40, 42},
    };
    const std::uint32_t height = 150;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t rowSamples = std::size_t{c.width} * c.layout.samples;
        const std::vector<std::uint32_t> values =
            sampleValues(c.width, height, c.layout.samples, 255);
        writeTiff(dir / "small.tif", c.width, height, c.layout, values);
        Image expected(static_cast<std::int32_t>(c.width), height, c.layout.samples);
        const bool flipped = c.layout.orientation == ORIENTATION_BOTLEFT;
        for (std::uint32_t y = 0; y < height; ++y)
            for (std::size_t i = 0; i < rowSamples; ++i)
                expected.pixels[y * rowSamples + i] = static_cast<std::uint8_t>(
                    values[(flipped ? height - 1 - y : y) * rowSamples + i]);
        std::unique_ptr<TiffReader> reader;
        ASSERT_EQ(TiffReader::open(fileSource(dir / "small.tif"), &reader, c.budget),
                  CodecStatus::Ok);
        EXPECT_EQ(reader->bandWidth(), c.bandWidth);
        EXPECT_EQ(reader->bandHeight(), c.bandHeight);
        Image image;
        ASSERT_EQ(decodeAll(*reader, &image), CodecStatus::Ok);
        expectSameImage(image, expected, "tiff-small-budget");
    }
    writeTiff(dir / "tiled.tif", 200, height, tiled, sampleValues(200, height, 1, 255));
    std::unique_ptr<TiffReader> reader;
    EXPECT_EQ(TiffReader::open(fileSource(dir / "tiled.tif"), &reader, 2 * 12000),
              CodecStatus::TooLarge);
}

// Writes `image` with our writer: Grey or Rgb by its channels, or Indexed
// (with a palette of its own) when `indexed`.
CodecStatus writeOurTiff(const std::filesystem::path& path, const Image& image,
                         TiffCompression compression, double ppi, int threads = 1,
                         bool indexed = false) {
    RasterInfo info;
    info.width = image.width;
    info.height = image.height;
    info.kind = indexed               ? PixelKind::Indexed
                : image.channels == 1 ? PixelKind::Grey
                                      : PixelKind::Rgb;
    if (indexed) {
        info.palette.count = 256;
        for (int i = 0; i < 256; ++i) {
            info.palette.red[i] = static_cast<std::uint8_t>(i);
            info.palette.green[i] = static_cast<std::uint8_t>(255 - i);
            info.palette.blue[i] = static_cast<std::uint8_t>(i * 7);
        }
    }
    info.horizontalPpi = info.verticalPpi = ppi;
    std::unique_ptr<TiffWriter> writer;
    const CodecStatus status =
        TiffWriter::create(createFile(path), path.string(), info, compression, &writer, threads);
    if (status != CodecStatus::Ok) return status;
    return encodeAll(std::move(writer), image, info.kind, 50);
}

struct Decoded {
    CodecStatus status = CodecStatus::Ok;
    Image image;
    RasterInfo info;
    bool stripsHere = false;  // StripReader decoded the strips
};
Decoded decodeOurs(const std::filesystem::path& path, int threads,
                   std::size_t budget = modules::kDefaultReadBudget) {
    Decoded result;
    std::unique_ptr<TiffReader> reader;
    result.status = TiffReader::open(fileSource(path), &reader, budget, threads);
    if (result.status != CodecStatus::Ok) return result;
    result.info = reader->info();
    result.stripsHere = reader->decodesStrips();
    result.status = decodeAll(*reader, &result.image);
    return result;
}

// The rows libtiff decodes on its own, scanline after scanline; false when
// it fails.
bool libtiffRows(const std::filesystem::path& path, std::vector<std::uint8_t>* rows) {
    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    if (tiff == nullptr) return false;
    std::uint32_t height = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    const auto rowBytes = static_cast<std::size_t>(TIFFScanlineSize64(tiff));
    rows->assign(rowBytes * height, 0);
    bool ok = true;
    for (std::uint32_t y = 0; ok && y < height; ++y)
        ok = TIFFReadScanline(tiff, rows->data() + y * rowBytes, y, 0) >= 0;
    TIFFClose(tiff);
    return ok;
}

// Strips are compressed and decoded in batches on several threads. Files
// of 33 strips (one more than a batch of the writer) written on one and on
// three threads are the same; read on one and on three threads, in batches
// of every strip or (in a small budget) of a few, and by libtiff, they give
// the image; our LZW is within 1 % of libtiff's own.
TEST(TiffCodec, StripsRoundTripAlikeOnEveryThreadCount) {
    TempDir dir;
    struct Case {
        const char* name;
        int channels;
        bool indexed;
        TiffCompression compression;
        double ppi;
    };
    const Case cases[] = {
        {"grey LZW", 1, false, TiffCompression::Lzw, 300.0},
        {"RGB LZW", 3, false, TiffCompression::Lzw, 0.0},
        {"palette LZW", 1, true, TiffCompression::Lzw, 72.0},
        {"grey deflate", 1, false, TiffCompression::Deflate, 0.0},
        {"RGB deflate", 3, false, TiffCompression::Deflate, 300.0},
        {"palette deflate", 1, true, TiffCompression::Deflate, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Strips of 93 rows of grey or 31 of RGB.
        const std::int32_t height = c.channels == 1 ? 3000 : 1000;
        const Image image =
            c.channels == 3 ? noiseImage(700, height, 3, 5) : smoothImage(700, height, 1);
        ASSERT_EQ(writeOurTiff(dir / "one.tif", image, c.compression, c.ppi, 1, c.indexed),
                  CodecStatus::Ok);
        ASSERT_EQ(writeOurTiff(dir / "three.tif", image, c.compression, c.ppi, 3, c.indexed),
                  CodecStatus::Ok);
        const std::vector<std::uint8_t> file = readFile(dir / "one.tif");
        EXPECT_EQ(file, readFile(dir / "three.tif"));
        for (int threads : {1, 3}) {
            for (std::size_t budget : {modules::kDefaultReadBudget, std::size_t{4} << 20}) {
                const Decoded decoded = decodeOurs(dir / "three.tif", threads, budget);
                ASSERT_EQ(decoded.status, CodecStatus::Ok);
                EXPECT_TRUE(decoded.stripsHere);
                EXPECT_EQ(decoded.info.kind, c.indexed             ? PixelKind::Indexed
                                             : image.channels == 1 ? PixelKind::Grey
                                                                   : PixelKind::Rgb);
                EXPECT_NEAR(decoded.info.horizontalPpi, c.ppi, 1e-3);
                expectSameImage(decoded.image, image, "tiff-round-trip");
            }
        }
        std::vector<std::uint8_t> rows;
        ASSERT_TRUE(libtiffRows(dir / "one.tif", &rows));
        EXPECT_TRUE(rows == image.pixels);
        TIFF* tiff = TIFFOpen((dir / "one.tif").c_str(), "r");
        ASSERT_NE(tiff, nullptr);
        std::uint16_t compression = 0;
        std::uint16_t predictor = 0;
        std::uint32_t rowsPerStrip = 0;
        TIFFGetField(tiff, TIFFTAG_COMPRESSION, &compression);
        TIFFGetField(tiff, TIFFTAG_PREDICTOR, &predictor);
        TIFFGetField(tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
        TIFFClose(tiff);
        EXPECT_EQ(compression, c.compression == TiffCompression::Lzw ? COMPRESSION_LZW
                                                                     : COMPRESSION_ADOBE_DEFLATE);
        EXPECT_EQ(predictor, PREDICTOR_HORIZONTAL);
        if (c.compression == TiffCompression::Lzw && !c.indexed) {
            TiffLayout layout;
            layout.photometric = c.channels == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
            layout.samples = static_cast<std::uint16_t>(c.channels);
            layout.compression = COMPRESSION_LZW;
            layout.predictor = PREDICTOR_HORIZONTAL;
            layout.rowsPerStrip = rowsPerStrip;
            writeTiff(dir / "libtiff.tif", 700, static_cast<std::uint32_t>(height), layout,
                      std::vector<std::uint32_t>(image.pixels.begin(), image.pixels.end()));
            EXPECT_LE(file.size(), std::filesystem::file_size(dir / "libtiff.tif") * 101 / 100);
        }
    }
}

// Contiguous 8-bit strips that libtiff compressed, with its predictor or
// without, decode here on three threads to the samples it was given.
TEST(TiffReader, DecodesLibtiffStripsOnSeveralThreads) {
    TempDir dir;
    for (std::uint16_t compression :
         {COMPRESSION_LZW, COMPRESSION_ADOBE_DEFLATE, COMPRESSION_DEFLATE}) {
        for (std::uint16_t predictor : {PREDICTOR_NONE, PREDICTOR_HORIZONTAL}) {
            for (std::uint16_t samples : {1, 4}) {
                SCOPED_TRACE(std::to_string(compression) + ", predictor " +
                             std::to_string(predictor) + ", samples " + std::to_string(samples));
                TiffLayout layout;
                layout.photometric = samples == 4 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
                layout.samples = samples;
                layout.compression = compression;
                layout.predictor = predictor;
                layout.rowsPerStrip = 7;
                const std::uint32_t width = 45;
                const std::uint32_t height = 150;
                const std::vector<std::uint32_t> values = sampleValues(width, height, samples, 255);
                writeTiff(dir / "strips.tif", width, height, layout, values);
                const int channels = samples == 4 ? 3 : 1;
                Image expected(width, height, channels);
                for (std::uint32_t p = 0; p < width * height; ++p)
                    for (int c = 0; c < channels; ++c)
                        expected.pixels[p * channels + c] =
                            static_cast<std::uint8_t>(values[p * samples + c]);
                const Decoded decoded = decodeOurs(dir / "strips.tif", 3);
                ASSERT_EQ(decoded.status, CodecStatus::Ok);
                EXPECT_TRUE(decoded.stripsHere);
                expectSameImage(decoded.image, expected, "tiff-libtiff-strips");
            }
        }
    }
    // Old-style LZW (codes least significant bit first, so that the first
    // bytes are 0x00 0x01) is left to libtiff: a 4 × 4 strip of literals.
    std::vector<std::uint8_t> strip;
    std::uint32_t bits = 0;
    int count = 0;
    auto put = [&](unsigned code) {
        bits |= code << count;
        for (count += 9; count >= 8; count -= 8, bits >>= 8)
            strip.push_back(static_cast<std::uint8_t>(bits));
    };
    put(256);
    for (unsigned v = 0; v < 16; ++v) put(v * 15);
    put(257);
    strip.push_back(static_cast<std::uint8_t>(bits));
    auto oldStyle = [&](std::uint32_t offset) {
        return craftTiff({{256, 3, {4}},
                          {257, 3, {4}},
                          {258, 3, {8}},
                          {259, 3, {COMPRESSION_LZW}},
                          {262, 3, {PHOTOMETRIC_MINISBLACK}},
                          {273, 4, {offset}},
                          {278, 3, {4}},
                          {279, 4, {static_cast<std::uint32_t>(strip.size())}}});
    };
    std::vector<std::uint8_t> file = oldStyle(static_cast<std::uint32_t>(oldStyle(0).size()));
    file.insert(file.end(), strip.begin(), strip.end());
    writeFile(dir / "old.tif", file);
    const Decoded decoded = decodeOurs(dir / "old.tif", 3);
    ASSERT_EQ(decoded.status, CodecStatus::Ok);
    EXPECT_TRUE(decoded.stripsHere);
    for (unsigned v = 0; v < 16; ++v) EXPECT_EQ(decoded.image.pixels[v], v * 15);
}

// A strip that breaks off, is not valid or lies beyond the end of the file
// is Corrupt here as it fails in libtiff.
TEST(TiffReader, DamagedStripsFailAsInLibtiff) {
    TempDir dir;
    // Our file of 10 strips with the stored bytes of strip 5 changed.
    const Image image = smoothImage(1000, 600, 1);
    auto damaged = [&](TiffCompression compression,
                       const std::function<void(std::uint8_t*, std::size_t)>& change) {
        EXPECT_EQ(writeOurTiff(dir / "whole.tif", image, compression, 0.0), CodecStatus::Ok);
        std::vector<std::uint8_t> file = readFile(dir / "whole.tif");
        TIFF* tiff = TIFFOpen((dir / "whole.tif").c_str(), "r");
        const std::uint64_t offset = TIFFGetStrileOffset(tiff, 5);
        const std::uint64_t count = TIFFGetStrileByteCount(tiff, 5);
        TIFFClose(tiff);
        change(file.data() + offset, static_cast<std::size_t>(count));
        return file;
    };
    // 4 × 4 grey in one strip of `stored` bytes at the 16 zero bytes.
    auto crafted = [](std::uint16_t compression, std::uint32_t stored) {
        return craftTiff({{256, 3, {4}},
                          {257, 3, {4}},
                          {258, 3, {8}},
                          {259, 3, {compression}},
                          {262, 3, {PHOTOMETRIC_MINISBLACK}},
                          {273, 4, {8}},
                          {278, 3, {4}},
                          {279, 4, {stored}}});
    };
    const struct {
        const char* name;
        std::vector<std::uint8_t> file;
    } cases[] = {
        {"LZW that breaks off", crafted(COMPRESSION_LZW, 16)},  // 14 codes of 0
        {"deflate without its header", crafted(COMPRESSION_ADOBE_DEFLATE, 16)},
        {"beyond the end of the file", crafted(COMPRESSION_LZW, 4000)},
        {"LZW codes beyond the table", damaged(TiffCompression::Lzw,
                                               [](std::uint8_t* data, std::size_t size) {
                                                   std::fill(data + size / 2, data + size, 0xFF);
                                               })},
        {"deflate with a broken header",
         damaged(TiffCompression::Deflate, [](std::uint8_t* data, std::size_t) { data[0] = 0; })},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(dir / "damaged.tif", c.file);
        const Decoded ours = decodeOurs(dir / "damaged.tif", 3);
        std::vector<std::uint8_t> rows;
        EXPECT_TRUE(ours.stripsHere);
        EXPECT_EQ(ours.status, CodecStatus::Corrupt);
        EXPECT_FALSE(libtiffRows(dir / "damaged.tif", &rows));
    }
}

// Codes decode to the bytes they were made from, whatever the bytes: one,
// a run that builds long strings, noise that fills the table again and
// again. Codes that end before the output is full fail.
TEST(LzwCodec, RoundTripsAndFailsWhenCodesEndEarly) {
    std::vector<std::uint8_t> noise(200000);
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = static_cast<std::uint8_t>((i * 2654435761u) >> 13);
    const std::vector<std::uint8_t> inputs[] = {{42}, std::vector<std::uint8_t>(100000, 7), noise};
    for (const std::vector<std::uint8_t>& data : inputs) {
        SCOPED_TRACE(data.size());
        std::vector<std::uint8_t> codes;
        modules::lzwEncode(data.data(), data.size(), &codes);
        std::vector<std::uint8_t> out(data.size() + 1);
        EXPECT_TRUE(modules::lzwDecode(codes.data(), codes.size(), out.data(), data.size()));
        EXPECT_TRUE(std::equal(data.begin(), data.end(), out.begin()));
        EXPECT_FALSE(modules::lzwDecode(codes.data(), codes.size(), out.data(), out.size()));
        EXPECT_FALSE(modules::lzwDecode(codes.data(), codes.size() / 2, out.data(), data.size()));
    }
}

TEST(TiffCodec, ExchangesFilesWithImageMagick) {
    if (!haveImageMagick()) GTEST_SKIP() << "/usr/bin/convert is missing (scripts/install-deps.sh)";
    TempDir dir;
    const Image colour = noiseImage(53, 71, 3, 31);
    writePnm(dir / "source.ppm", colour);
    const std::vector<std::vector<std::string>> options = {
        {"-compress", "zip"},
        {"-compress", "lzw", "-define", "tiff:predictor=2"},
        {"-define", "tiff:tile-geometry=32x32"},
        {"-interlace", "Plane", "-compress", "RLE"}};
    for (const auto& option : options) {
        SCOPED_TRACE(option[1]);
        std::vector<std::string> arguments = {(dir / "source.ppm").string()};
        arguments.insert(arguments.end(), option.begin(), option.end());
        arguments.push_back((dir / "made.tif").string());
        ASSERT_TRUE(runImageMagick(arguments));
        Image image;
        ASSERT_EQ(decodeTiff(dir / "made.tif", &image), CodecStatus::Ok);
        expectSameImage(image, colour, "im-tiff");
    }
    for (const TiffCompression compression : {TiffCompression::Lzw, TiffCompression::Deflate}) {
        ASSERT_EQ(writeOurTiff(dir / "ours.tif", colour, compression, 72.0, 2), CodecStatus::Ok);
        ASSERT_TRUE(runImageMagick({(dir / "ours.tif").string(), (dir / "back.ppm").string()}));
        expectSameImage(readPnm(dir / "back.ppm"), colour, "im-reads-tiff");
    }
}

}  // namespace
}  // namespace tessary::test
