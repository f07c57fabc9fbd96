// The BMP writer: exact round trips, the stored layout, and its limits.

#include "bmp/bmp_writer.h"

#include <gtest/gtest.h>

#include "bmp/bmp_reader.h"
#include "modules_shipped/test_image.h"
#include "support/temp_dir.h"

namespace tessary::test {
namespace {

using modules::BmpReader;
using modules::BmpWriter;
using modules::FdByteSink;
using modules::RasterInfo;

std::uint32_t le32At(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
           static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

RasterInfo infoFor(const Image& image, PixelKind kind, double ppi) {
    RasterInfo info;
    info.width = image.width;
    info.height = image.height;
    info.kind = kind;
    info.horizontalPpi = info.verticalPpi = ppi;
    return info;
}

CodecStatus writeBmp(const std::filesystem::path& path, const Image& image, PixelKind kind,
                     double ppi) {
    std::unique_ptr<BmpWriter> writer;
    const CodecStatus status = BmpWriter::create(std::make_unique<FdByteSink>(createFile(path)),
                                                 infoFor(image, kind, ppi), &writer);
    if (status != CodecStatus::Ok) return status;
    return encodeAll(std::move(writer), image, kind, 16);
}

TEST(BmpWriter, RoundTripsGreyAndRgbExactly) {
    TempDir dir;
    for (PixelKind kind : {PixelKind::Grey, PixelKind::Rgb}) {
        for (auto [width, height] : {std::pair{1, 1}, {5, 3}, {13, 130}}) {
            SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
            const Image image =
                noiseImage(width, height, kind == PixelKind::Rgb ? 3 : 1, width * height);
            const auto path = dir / "round.bmp";
            ASSERT_EQ(writeBmp(path, image, kind, 300.0), CodecStatus::Ok);
            std::unique_ptr<BmpReader> reader;
            ASSERT_EQ(BmpReader::open(fileSource(path), &reader), CodecStatus::Ok);
            EXPECT_EQ(reader->info().kind, kind);
            EXPECT_NEAR(reader->info().horizontalPpi, 300.0, 0.01);
            EXPECT_NEAR(reader->info().verticalPpi, 300.0, 0.01);
            Image decoded;
            ASSERT_EQ(decodeAll(*reader, &decoded), CodecStatus::Ok);
            expectSameImage(decoded, image, "bmp-round-trip");
        }
    }
}

TEST(BmpWriter, StoresHeadersPaddingAndBottomRowFirst) {
    TempDir dir;
    Image rgb(3, 2, 3);
    rgb.pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
    ASSERT_EQ(writeBmp(dir / "rgb.bmp", rgb, PixelKind::Rgb, 72.0), CodecStatus::Ok);
    const std::vector<std::uint8_t> file = readFile(dir / "rgb.bmp");
    ASSERT_EQ(file.size(), 54u + 2 * 12);  // rows of 9 bytes padded to 12
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(le32At(file, 2), file.size());
    EXPECT_EQ(le32At(file, 10), 54u);
    EXPECT_EQ(le32At(file, 14), 40u);
    EXPECT_EQ(le32At(file, 18), 3u);
    EXPECT_EQ(le32At(file, 22), 2u);  // positive: bottom up
    EXPECT_EQ(file[28], 24);
    EXPECT_EQ(le32At(file, 30), 0u);
    EXPECT_EQ(le32At(file, 38), 2835u);  // 72 / 0.0254 rounded
    const std::vector<std::uint8_t> bottomRow = {12, 11, 10, 15, 14, 13, 18, 17, 16, 0, 0, 0};
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 54, file.begin() + 66), bottomRow);

    Image grey(2, 1, 1);
    grey.pixels = {0, 200};
    ASSERT_EQ(writeBmp(dir / "grey.bmp", grey, PixelKind::Grey, 0.0), CodecStatus::Ok);
    const std::vector<std::uint8_t> greyFile = readFile(dir / "grey.bmp");
    ASSERT_EQ(greyFile.size(), 54u + 1024 + 4);
    EXPECT_EQ(le32At(greyFile, 10), 1078u);
    EXPECT_EQ(greyFile[28], 8);
    EXPECT_EQ(le32At(greyFile, 38), 0u);  // no resolution
    EXPECT_EQ(le32At(greyFile, 46), 256u);
    for (int i = 0; i < 256; i += 51)
        EXPECT_EQ(le32At(greyFile, 54 + 4 * i), static_cast<std::uint32_t>(i * 0x010101));
    EXPECT_EQ(greyFile[1078], 0);
    EXPECT_EQ(greyFile[1079], 200);
}

// A file layer that fills up after a number of bytes.
class FullDiskSink final : public modules::ByteSink {
public:
    explicit FullDiskSink(std::size_t room) : m_room(room) {}
    CodecStatus write(const void*, std::size_t count) override {
        if (count > m_room) return CodecStatus::DiskFull;
        m_room -= count;
        m_written += count;
        return CodecStatus::Ok;
    }
    CodecStatus flush() override { return CodecStatus::Ok; }
    std::uint64_t bytesWritten() const override { return m_written; }

private:
    std::size_t m_room;
    std::uint64_t m_written = 0;
};

TEST(BmpWriter, ReportsDiskFullAndRowsItWasNotPromised) {
    const Image image = noiseImage(10, 10, 3, 1);
    std::unique_ptr<BmpWriter> writer;
    ASSERT_EQ(BmpWriter::create(std::make_unique<FullDiskSink>(54 + 150),
                                infoFor(image, PixelKind::Rgb, 0), &writer),
              CodecStatus::Ok);
    EXPECT_EQ(encodeAll(std::move(writer), image, PixelKind::Rgb, 4), CodecStatus::DiskFull);

    ASSERT_EQ(BmpWriter::create(std::make_unique<FullDiskSink>(1 << 20),
                                infoFor(image, PixelKind::Rgb, 0), &writer),
              CodecStatus::Ok);
    EXPECT_EQ(writer->finish(), CodecStatus::BadParameters);  // no rows yet
    EXPECT_EQ(writer->writeRows(image.pixels.data(), image.rowBytes(), 11),
              CodecStatus::BadParameters);
    EXPECT_EQ(writer->writeRows(image.pixels.data(), image.rowBytes(), 10), CodecStatus::Ok);
    EXPECT_EQ(writer->finish(), CodecStatus::Ok);

    RasterInfo empty;
    EXPECT_EQ(BmpWriter::create(std::make_unique<FullDiskSink>(100), empty, &writer),
              CodecStatus::BadParameters);
}

TEST(BmpWriter, ImageMagickReadsTheFiles) {
    if (!haveImageMagick()) GTEST_SKIP() << "/usr/bin/convert is missing (scripts/install-deps.sh)";
    TempDir dir;
    for (int channels : {1, 3}) {
        const Image image = noiseImage(31, 77, channels, 5 + channels);
        const PixelKind kind = channels == 1 ? PixelKind::Grey : PixelKind::Rgb;
        ASSERT_EQ(writeBmp(dir / "ours.bmp", image, kind, 150.0), CodecStatus::Ok);
        const auto output = dir / (channels == 1 ? "back.pgm" : "back.ppm");
        ASSERT_TRUE(runImageMagick({(dir / "ours.bmp").string(), output.string()}));
        expectSameImage(readPnm(output), image, "im-reads-bmp");
    }
}

}  // namespace
}  // namespace tessary::test
