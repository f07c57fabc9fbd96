// The format modules driven through their entry points the way the host
// drives them: the selector sequence, the bands, data null at the end, the
// file descriptor handling, and the options kept in the data word.

#include <gtest/gtest.h>
#include <tiffio.h>
#include <unistd.h>

#include "bmp/bmp_reader.h"
#include "bmp/bmp_writer.h"
#include "common/byte_sink.h"
#include "modules_shipped/module_host.h"
#include "support/temp_dir.h"

namespace tessary::test {
namespace {

using modules::BmpReader;
using modules::BmpWriter;

void writeBmpFile(const std::filesystem::path& path, const Image& image, double ppi) {
    modules::RasterInfo info;
    info.width = image.width;
    info.height = image.height;
    info.kind = image.channels == 1 ? PixelKind::Grey : PixelKind::Rgb;
    info.horizontalPpi = info.verticalPpi = ppi;
    std::unique_ptr<BmpWriter> writer;
    ASSERT_EQ(
        BmpWriter::create(std::make_unique<modules::FdByteSink>(createFile(path)), info, &writer),
        CodecStatus::Ok);
    ASSERT_EQ(encodeAll(std::move(writer), image, info.kind), CodecStatus::Ok);
}

class BmpModule : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_module.loaded()) << m_module.error(); }
    LoadedModule m_module{"BMP.8bi"};
    HostProcedures m_host;
    TempDir m_dir;
};

TEST_F(BmpModule, ReadStartDescribesTheImageAndBandsEndWithNullData) {
    // Rows of 8,400 bytes: bands of 128 rows.
    const Image page = noiseImage(2800, 300, 3, 1);
    writeBmpFile(m_dir / "page.bmp", page, 300.0);
    const FormatReadResult read = readWithModule(m_module, m_dir / "page.bmp", m_host);
    ASSERT_EQ(read.result, 0);
    EXPECT_EQ(read.block.imageMode, TSPI_MODE_RGB);
    EXPECT_EQ(read.block.imageSize.h, 2800);
    EXPECT_EQ(read.block.imageSize.v, 300);
    EXPECT_EQ(read.block.depth, 8);
    EXPECT_NEAR(read.block.imageHRes / 65536.0, 300.0, 0.01);
    EXPECT_NEAR(read.block.imageVRes / 65536.0, 300.0, 0.01);
    expectSameImage(read.image, page, "bmp-module-read");
    // A bottom-up file: bands on multiples of 128 rows, from the bottom up.
    ASSERT_EQ(read.bands.size(), 3u);
    EXPECT_EQ(read.bands[0].top, 256);
    EXPECT_EQ(read.bands[0].bottom, 300);
    EXPECT_EQ(read.bands[1].top, 128);
    EXPECT_EQ(read.bands[2].top, 0);
    const std::vector<std::int16_t> sequence = {
        TSPI_FORMAT_READ_PREPARE,  TSPI_FORMAT_READ_START,    TSPI_FORMAT_READ_CONTINUE,
        TSPI_FORMAT_READ_CONTINUE, TSPI_FORMAT_READ_CONTINUE, TSPI_FORMAT_READ_CONTINUE,
        TSPI_FORMAT_READ_FINISH};
    EXPECT_EQ(m_module.selectors, sequence);
    ASSERT_FALSE(m_host.progress.empty());
    EXPECT_EQ(m_host.progress.back(), std::make_pair(300, 300));
}

TEST_F(BmpModule, ModesForGreyAndColourPalettesAndNoResolution) {
    writeBmpFile(m_dir / "grey.bmp", noiseImage(5, 5, 1, 2), 0.0);
    FormatReadResult read = readWithModule(m_module, m_dir / "grey.bmp", m_host);
    ASSERT_EQ(read.result, 0);
    EXPECT_EQ(read.block.imageMode, TSPI_MODE_GRAYSCALE);
    EXPECT_EQ(read.block.planes, 1);
    EXPECT_EQ(read.block.imageHRes, 0);  // the host turns 0 into 72

    // 1 bit per pixel with a red and blue palette: indexed, colours kept.
    Bytes file;
    file.text("BM").u32(14 + 40 + 8 + 8).u32(0).u32(14 + 40 + 8);
    file.u32(40).u32(3).u32(2).u16(1).u16(1).u32(0).u32(8).u32(0).u32(0).u32(2).u32(0);
    file.u32(0x00FF0000).u32(0x000000FF);  // index 0 red, index 1 blue (stored blue, green, red, 0)
    file.u32(0x000000A0).u32(0x00000040);  // bottom row 1 0 1, top row 0 1 0
    writeFile(m_dir / "bits.bmp", file.data);
    read = readWithModule(m_module, m_dir / "bits.bmp", m_host);
    ASSERT_EQ(read.result, 0);
    EXPECT_EQ(read.block.imageMode, TSPI_MODE_INDEXED);
    EXPECT_EQ(read.block.planes, 1);
    EXPECT_EQ(read.block.redLUT[0], 255);
    EXPECT_EQ(read.block.blueLUT[0], 0);
    EXPECT_EQ(read.block.redLUT[1], 0);
    EXPECT_EQ(read.block.blueLUT[1], 255);
    EXPECT_EQ(read.image.pixels, (std::vector<std::uint8_t>{0, 1, 0, 1, 0, 1}));
}

TEST_F(BmpModule, DamagedFileFailsAtReadStart) {
    writeFile(m_dir / "bad.bmp", {'B', 'M', 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 40, 0, 0, 0});
    const FormatReadResult read = readWithModule(m_module, m_dir / "bad.bmp", m_host);
    EXPECT_EQ(read.result, TSPI_ERR_FORMAT_CANNOT_READ);

    // Out of sequence and unknown selectors are refused, not crashed on.
    TsPiFormatBlock block{};
    EXPECT_LT(m_module.call(TSPI_FORMAT_READ_CONTINUE, &block), 0);
    EXPECT_LT(m_module.call(TSPI_FORMAT_WRITE_CONTINUE, &block), 0);
    EXPECT_LT(m_module.call(99, &block), 0);
}

TEST_F(BmpModule, WritesBandsFromTheBottomIntoATruncatedFile) {
    // Bands on multiples of 128 rows of about 1 MB at least (grey: 256
    // rows), the bottom band first; 37 columns pad every stored row.
    struct Case {
        int channels;
        std::int32_t width;
        std::vector<std::int16_t> tops;
    };
    for (const Case& c : {Case{3, 2801, {256, 128, 0}}, Case{1, 2801, {256, 0}},
                          Case{1, 37, {0}}}) {
        SCOPED_TRACE(testing::Message() << c.channels << " x " << c.width);
        const Image page = noiseImage(c.width, 300, c.channels, 3);
        m_module.selectors.clear();
        const FormatWriteResult write =
            writeWithModule(m_module, m_dir / "out.bmp", page, 300.0, m_host);
        ASSERT_EQ(write.result, 0);
        std::vector<std::int16_t> tops;
        for (const TsPiRect& r : write.requests) tops.push_back(r.top);
        EXPECT_EQ(tops, c.tops);
        EXPECT_EQ(write.requests[0].bottom, 300);
        std::vector<std::int16_t> sequence = {5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
        sequence.insert(sequence.end(), c.tops.size(), 15);
        sequence.push_back(16);
        EXPECT_EQ(m_module.selectors, sequence);

        // The stray bytes the file held before are gone.
        const std::uint64_t stride = (std::uint64_t(c.width) * c.channels + 3) / 4 * 4;
        EXPECT_EQ(std::filesystem::file_size(m_dir / "out.bmp"),
                  54 + (c.channels == 1 ? 1024u : 0u) + stride * 300);
        std::unique_ptr<BmpReader> reader;
        ASSERT_EQ(BmpReader::open(fileSource(m_dir / "out.bmp"), &reader), CodecStatus::Ok);
        EXPECT_NEAR(reader->info().horizontalPpi, 300.0, 0.01);
        Image decoded;
        ASSERT_EQ(decodeAll(*reader, &decoded), CodecStatus::Ok);
        expectSameImage(decoded, page, "bmp-module-write");
    }
}

TEST_F(BmpModule, CancelStopsReadingAndWriting) {
    // Two bands each way.
    const Image page = noiseImage(2800, 200, 3, 4);
    writeBmpFile(m_dir / "page.bmp", page, 72.0);
    m_host.abortAfter = 1;
    const FormatReadResult read = readWithModule(m_module, m_dir / "page.bmp", m_host);
    EXPECT_EQ(read.result, TSPI_ERR_USER_CANCELED);
    EXPECT_EQ(read.bands.size(), 1u);
    m_host.abortCalls = 0;
    EXPECT_EQ(writeWithModule(m_module, m_dir / "out.bmp", page, 72.0, m_host).result,
              TSPI_ERR_USER_CANCELED);
}

// The other format modules: what is written through the module reads back
// through it, exactly for lossless formats.
TEST(FormatModules, RoundTripThroughTheEntryPoints) {
    TempDir dir;
    for (const char* name : {"PNG.8bi", "TIFF.8bi", "JPEG.8bi"}) {
        LoadedModule module(name);
        ASSERT_TRUE(module.loaded()) << module.error();
        const bool lossy = std::string(name) == "JPEG.8bi";
        for (int channels : {1, 3}) {
            SCOPED_TRACE(std::string(name) + " " + std::to_string(channels));
            HostProcedures host;
            const Image page =
                lossy ? smoothImage(70, 140, channels) : noiseImage(70, 140, channels, 6);
            const auto file = dir / "page";
            ASSERT_EQ(writeWithModule(module, file, page, 300.0, host).result, 0);
            const FormatReadResult read = readWithModule(module, file, host);
            ASSERT_EQ(read.result, 0);
            EXPECT_EQ(read.block.imageMode, channels == 1 ? TSPI_MODE_GRAYSCALE : TSPI_MODE_RGB);
            EXPECT_NEAR(read.block.imageHRes / 65536.0, 300.0, 0.01);
            if (lossy) {
                EXPECT_LE(maxDifference(read.image, page), 16);
            } else {
                expectSameImage(read.image, page, "format-module-round-trip");
            }
        }
    }
}

TEST(FormatModules, JpegQualityComesFromTheDataWordAndTheEnvironment) {
    TempDir dir;
    LoadedModule module("JPEG.8bi");
    ASSERT_TRUE(module.loaded()) << module.error();
    HostProcedures host;
    const Image page = noiseImage(64, 64, 3, 8);
    auto sizeAt = [&](const char* environment) {
        ScopedEnvironment quality("TESSARY_JPEG_QUALITY", environment);
        EXPECT_EQ(writeWithModule(module, dir / "q.jpg", page, 72.0, host).result, 0);
        return std::filesystem::file_size(dir / "q.jpg");
    };
    const auto defaultSize = sizeAt(nullptr);
    EXPECT_EQ(module.data, 0);  // never configured: quality 85
    const auto low = sizeAt("20");
    EXPECT_EQ(module.data, 20);
    EXPECT_EQ(sizeAt(nullptr), low);   // the data word keeps the quality
    EXPECT_EQ(sizeAt("banana"), low);  // not a quality: ignored
    EXPECT_EQ(module.data, 20);
    const auto high = sizeAt("98");
    EXPECT_LT(low, defaultSize);
    EXPECT_LT(defaultSize, high);
}

TEST(FormatModules, TiffCompressionComesFromTheEnvironment) {
    TempDir dir;
    LoadedModule module("TIFF.8bi");
    ASSERT_TRUE(module.loaded()) << module.error();
    HostProcedures host;
    auto compressionOf = [&](const char* environment) {
        ScopedEnvironment choice("TESSARY_TIFF_COMPRESSION", environment);
        EXPECT_EQ(writeWithModule(module, dir / "c.tif", noiseImage(9, 9, 1, 1), 72.0, host).result,
                  0);
        TIFF* tiff = TIFFOpen((dir / "c.tif").c_str(), "r");
        std::uint16_t compression = 0;
        if (tiff != nullptr) {
            TIFFGetField(tiff, TIFFTAG_COMPRESSION, &compression);
            TIFFClose(tiff);
        }
        return compression;
    };
    EXPECT_EQ(compressionOf(nullptr), COMPRESSION_LZW);
    EXPECT_EQ(compressionOf("deflate"), COMPRESSION_ADOBE_DEFLATE);
    EXPECT_EQ(compressionOf(nullptr), COMPRESSION_ADOBE_DEFLATE);  // kept in the data word
    EXPECT_EQ(compressionOf("LZW"), COMPRESSION_LZW);
}

}  // namespace
}  // namespace tessary::test
