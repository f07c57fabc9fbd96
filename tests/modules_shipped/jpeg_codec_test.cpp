// The JPEG reader and writer: lossy round trips within a tolerance, the
// quality setting, JFIF density both ways, CMYK files, damaged files, the
// memory budget, and files exchanged with ImageMagick.

#include <gtest/gtest.h>

#include <cstdlib>

#include "common/write_session.h"
#include "jpeg/jpeg_reader.h"
#include "jpeg/jpeg_writer.h"
#include "modules_shipped/test_image.h"
#include "support/temp_dir.h"

namespace tessary::test {
namespace {

using modules::JpegReader;
using modules::JpegWriter;
using modules::MemoryByteSink;
using modules::RasterInfo;

// Encodes `image` in memory at `quality`.
std::vector<std::uint8_t> encodeJpeg(const Image& image, int quality, double ppi = 0.0) {
    RasterInfo info;
    info.width = image.width;
    info.height = image.height;
    info.kind = image.channels == 1 ? PixelKind::Grey : PixelKind::Rgb;
    info.horizontalPpi = info.verticalPpi = ppi;
    auto sink = std::make_unique<MemoryByteSink>(std::size_t{1} << 26);
    MemoryByteSink* output = sink.get();
    std::unique_ptr<JpegWriter> writer;
    EXPECT_EQ(JpegWriter::create(std::move(sink), info, quality, &writer), CodecStatus::Ok);
    if (!writer) return {};
    // The session owns the writer, which owns the sink: keep the bytes
    // before the session goes.
    std::vector<std::uint8_t> bytes;
    {
        modules::WriteSession session(std::move(writer), info, 16);
        while (!session.complete()) {
            const modules::BandRows rows = session.nextRequest();
            EXPECT_EQ(session.consume(image.pixels.data() + rows.firstRow * image.rowBytes(),
                                      image.rowBytes()),
                      CodecStatus::Ok);
            if (::testing::Test::HasFailure()) return {};
        }
        bytes = output->bytes();
    }
    return bytes;
}

CodecStatus decodeJpeg(std::vector<std::uint8_t> file, Image* image, RasterInfo* info = nullptr,
                       std::size_t budget = modules::kDefaultReadBudget) {
    std::unique_ptr<JpegReader> reader;
    const CodecStatus status = JpegReader::open(memorySource(std::move(file)), &reader, budget);
    if (status != CodecStatus::Ok) return status;
    if (info != nullptr) *info = reader->info();
    return decodeAll(*reader, image);
}

double meanDifference(const Image& a, const Image& b) {
    double total = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i)
        total += std::abs(int(a.pixels[i]) - int(b.pixels[i]));
    return total / static_cast<double>(a.pixels.size());
}

TEST(JpegCodec, RoundTripsCloseToTheOriginal) {
    for (int channels : {1, 3}) {
        SCOPED_TRACE(channels);
        const Image image = smoothImage(101, 130, channels);
        Image decoded;
        RasterInfo info;
        ASSERT_EQ(decodeJpeg(encodeJpeg(image, 95), &decoded, &info), CodecStatus::Ok);
        EXPECT_EQ(info.kind, channels == 1 ? PixelKind::Grey : PixelKind::Rgb);
        ASSERT_EQ(decoded.width, image.width);
        ASSERT_EQ(decoded.height, image.height);
        EXPECT_LT(meanDifference(decoded, image), 1.5);
        EXPECT_LE(maxDifference(decoded, image), 16);
    }
}

TEST(JpegCodec, LowerQualityGivesSmallerFilesAndLargerErrors) {
    const Image image = smoothImage(120, 90, 3);
    const std::vector<std::uint8_t> high = encodeJpeg(image, 92);
    const std::vector<std::uint8_t> low = encodeJpeg(image, 15);
    EXPECT_LT(low.size() * 2, high.size());
    Image fromHigh;
    Image fromLow;
    ASSERT_EQ(decodeJpeg(high, &fromHigh), CodecStatus::Ok);
    ASSERT_EQ(decodeJpeg(low, &fromLow), CodecStatus::Ok);
    EXPECT_LT(meanDifference(fromHigh, image), meanDifference(fromLow, image));

    RasterInfo info;
    info.width = info.height = 8;
    std::unique_ptr<JpegWriter> writer;
    for (int bad : {0, 101})
        EXPECT_EQ(JpegWriter::create(std::make_unique<MemoryByteSink>(100), info, bad, &writer),
                  CodecStatus::BadParameters);
    info.kind = PixelKind::Indexed;
    EXPECT_EQ(JpegWriter::create(std::make_unique<MemoryByteSink>(100), info, 80, &writer),
              CodecStatus::BadParameters);
}

TEST(JpegCodec, DensityTravelsInDotsPerInch) {
    const Image image = smoothImage(16, 16, 1);
    for (double ppi : {300.0, 72.0, 0.0}) {
        const std::vector<std::uint8_t> file = encodeJpeg(image, 80, ppi);
        ASSERT_GT(file.size(), 20u);
        // The JFIF segment: units at 13, densities at 14 and 16 (big-endian).
        EXPECT_EQ(file[13], ppi > 0 ? 1 : 0);
        Image decoded;
        RasterInfo info;
        ASSERT_EQ(decodeJpeg(file, &decoded, &info), CodecStatus::Ok);
        EXPECT_EQ(info.horizontalPpi, ppi);
        EXPECT_EQ(info.verticalPpi, ppi);
    }
    // Dots per centimetre.
    std::vector<std::uint8_t> file = encodeJpeg(image, 80, 300.0);
    file[13] = 2;
    file[14] = 0, file[15] = 118;
    file[16] = 0, file[17] = 59;
    Image decoded;
    RasterInfo info;
    ASSERT_EQ(decodeJpeg(file, &decoded, &info), CodecStatus::Ok);
    EXPECT_NEAR(info.horizontalPpi, 299.72, 1e-9);
    EXPECT_NEAR(info.verticalPpi, 149.86, 1e-9);
}

struct Decoded {
    CodecStatus status;
    Image image;
    std::string damage;
};
Decoded decodeWithDamage(std::vector<std::uint8_t> file) {
    Decoded out{CodecStatus::Ok, {}, {}};
    std::unique_ptr<JpegReader> reader;
    out.status = JpegReader::open(memorySource(std::move(file)), &reader);
    if (out.status != CodecStatus::Ok) return out;
    out.status = decodeAll(*reader, &out.image);
    out.damage = reader->damage();
    return out;
}

// Damaged photographs open: cut anywhere in the image data, missing only
// the end marker, or with a stray marker inside the data, they decode to
// their full size with the damage reported. Cut within the headers, or not
// JPEG at all, they are Corrupt.
TEST(JpegCodec, DamagedDataOpensWithTheDamageReported) {
    const Image original = smoothImage(40, 40, 3);
    const std::vector<std::uint8_t> file = encodeJpeg(original, 90);
    // Where the scan's header and its data begin.
    std::size_t scan = 0;
    while (scan + 3 < file.size() && !(file[scan] == 0xFF && file[scan + 1] == 0xDA)) ++scan;
    ASSERT_LT(scan + 3, file.size());
    const std::size_t data = scan + 2 + (file[scan + 2] << 8 | file[scan + 3]);
    const Decoded whole = decodeWithDamage(file);
    ASSERT_EQ(whole.status, CodecStatus::Ok);
    EXPECT_EQ(whole.damage, "");

    for (std::size_t length = 0; length < file.size(); length += 5) {
        SCOPED_TRACE(length);
        const Decoded cut =
            decodeWithDamage(std::vector<std::uint8_t>(file.begin(), file.begin() + length));
        // Inside the scan's header either may happen: libjpeg reads the
        // missing parameters from the end marker it is given.
        if (length <= scan || (length < data && cut.status != CodecStatus::Ok)) {
            EXPECT_EQ(cut.status, CodecStatus::Corrupt);
            continue;
        }
        ASSERT_EQ(cut.status, CodecStatus::Ok);
        EXPECT_EQ(cut.image.width * cut.image.height, 40 * 40);
        EXPECT_NE(cut.damage, "");
    }
    const Decoded noEnd = decodeWithDamage(std::vector<std::uint8_t>(file.begin(), file.end() - 2));
    ASSERT_EQ(noEnd.status, CodecStatus::Ok);
    EXPECT_NE(noEnd.damage, "");
    EXPECT_EQ(maxDifference(noEnd.image, whole.image), 0);

    std::vector<std::uint8_t> marked = file;
    const std::size_t middle = data + (file.size() - data) / 2;
    marked[middle] = 0xFF;
    marked[middle + 1] = 0xD3;  // a restart marker where none belongs
    const Decoded stray = decodeWithDamage(marked);
    ASSERT_EQ(stray.status, CodecStatus::Ok);
    EXPECT_NE(stray.damage, "");

    std::vector<std::uint8_t> notJpeg = file;
    notJpeg[1] = 0x00;
    EXPECT_EQ(decodeWithDamage(notJpeg).status, CodecStatus::Corrupt);
}

// Progressive images keep every coefficient while decoding: one whose
// coefficients exceed what the budget leaves libjpeg is TooLarge, where
// the same image stored baseline decodes.
TEST(JpegCodec, ProgressiveImagesBeyondTheBudgetAreTooLarge) {
    const Image image = smoothImage(256, 256, 3);
    std::vector<std::uint8_t> files[2];
    for (int progressive = 0; progressive < 2; ++progressive) {
        jpeg_compress_struct cinfo{};
        jpeg_error_mgr errors{};
        cinfo.err = jpeg_std_error(&errors);
        jpeg_create_compress(&cinfo);
        unsigned char* bytes = nullptr;
        unsigned long size = 0;
        jpeg_mem_dest(&cinfo, &bytes, &size);
        cinfo.image_width = cinfo.image_height = 256;
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
        jpeg_set_defaults(&cinfo);
        if (progressive != 0) jpeg_simple_progression(&cinfo);
        jpeg_start_compress(&cinfo, TRUE);
        while (cinfo.next_scanline < cinfo.image_height) {
            JSAMPROW row =
                const_cast<JSAMPROW>(image.pixels.data() + cinfo.next_scanline * image.rowBytes());
            jpeg_write_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_compress(&cinfo);
        files[progressive].assign(bytes, bytes + size);
        jpeg_destroy_compress(&cinfo);
        std::free(bytes);
    }
    // About 100 KB after the band buffers; the coefficients need about 200.
    constexpr std::size_t kBudget = 170 * 1024;
    Image decoded;
    EXPECT_EQ(decodeJpeg(files[0], &decoded, nullptr, kBudget), CodecStatus::Ok);
    EXPECT_EQ(decodeJpeg(files[1], &decoded, nullptr, kBudget), CodecStatus::TooLarge);
    EXPECT_EQ(decodeJpeg(files[1], &decoded), CodecStatus::Ok);
}

class JpegWithImageMagick : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveImageMagick())
            GTEST_SKIP() << "/usr/bin/convert is missing (scripts/install-deps.sh)";
    }
    TempDir m_dir;
};

TEST_F(JpegWithImageMagick, ReadsGreyColourAndCmykFiles) {
    const Image colour = smoothImage(64, 48, 3);
    writePnm(m_dir / "source.ppm", colour);
    const std::string source = (m_dir / "source.ppm").string();
    struct Case {
        std::vector<std::string> options;
        PixelKind kind;
        double meanTolerance;
    };
    const Case cases[] = {
        {{"-quality", "95"}, PixelKind::Rgb, 1.5},
        {{"-quality", "95", "-interlace", "JPEG"}, PixelKind::Rgb, 1.5},  // progressive
        {{"-quality", "95", "-colorspace", "CMYK"}, PixelKind::Rgb, 3.0},
        {{"-quality", "95", "-units", "PixelsPerInch", "-density", "200"}, PixelKind::Rgb, 1.5},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {source};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        arguments.push_back((m_dir / "made.jpg").string());
        ASSERT_TRUE(runImageMagick(arguments));
        std::unique_ptr<JpegReader> reader;
        ASSERT_EQ(JpegReader::open(fileSource(m_dir / "made.jpg"), &reader), CodecStatus::Ok);
        EXPECT_EQ(reader->info().kind, c.kind);
        Image decoded;
        ASSERT_EQ(decodeAll(*reader, &decoded), CodecStatus::Ok);
        EXPECT_LT(meanDifference(decoded, colour), c.meanTolerance);
    }
    std::unique_ptr<JpegReader> reader;
    ASSERT_EQ(JpegReader::open(fileSource(m_dir / "made.jpg"), &reader), CodecStatus::Ok);
    EXPECT_EQ(reader->info().horizontalPpi, 200.0);

    ASSERT_TRUE(runImageMagick(
        {source, "-colorspace", "Gray", "-quality", "95", (m_dir / "grey.jpg").string()}));
    ASSERT_EQ(JpegReader::open(fileSource(m_dir / "grey.jpg"), &reader), CodecStatus::Ok);
    EXPECT_EQ(reader->info().kind, PixelKind::Grey);
}

TEST_F(JpegWithImageMagick, ImageMagickReadsTheFiles) {
    const Image colour = smoothImage(50, 70, 3);
    writeFile(m_dir / "ours.jpg", encodeJpeg(colour, 95));
    ASSERT_TRUE(runImageMagick({(m_dir / "ours.jpg").string(), (m_dir / "back.ppm").string()}));
    const Image back = readPnm(m_dir / "back.ppm");
    ASSERT_EQ(back.width, colour.width);
    EXPECT_LT(meanDifference(back, colour), 1.5);
}

}  // namespace
}  // namespace tessary::test
