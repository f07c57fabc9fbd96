// The import module (every page of a TIFF file as a document) and the export
// module (a JPEG under a size limit), run through their entry points.

#include <gtest/gtest.h>
#include <tiffio.h>

#include "common/byte_sink.h"
#include "jpeg/jpeg_reader.h"
#include "jpeg/jpeg_writer.h"
#include "modules_shipped/module_host.h"
#include "support/temp_dir.h"
#include "web_jpeg/jpeg_size_search.h"

namespace tessary::test {
namespace {

// Appends a page of 8-bit samples; photometric picks grey, RGB or palette.
void addPage(TIFF* tiff, const Image& image, std::uint16_t photometric,
             std::uint16_t sampleFormat = SAMPLEFORMAT_UINT) {
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, image.width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, image.height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, sampleFormat == SAMPLEFORMAT_IEEEFP ? 32 : 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, image.channels);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, photometric);
    TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, sampleFormat);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 16);
    if (photometric == PHOTOMETRIC_PALETTE) {
        std::vector<std::uint16_t> map(3 * 256);
        for (int i = 0; i < 256; ++i)
            map[i] = map[256 + i] = static_cast<std::uint16_t>((255 - i) * 257), map[512 + i] = 0;
        TIFFSetField(tiff, TIFFTAG_COLORMAP, map.data(), map.data() + 256, map.data() + 512);
    }
    std::vector<std::uint8_t> row(static_cast<std::size_t>(TIFFScanlineSize(tiff)));
    for (int y = 0; y < image.height; ++y) {
        std::copy_n(image.pixels.begin() + y * image.rowBytes(),
                    std::min(row.size(), image.rowBytes()), row.begin());
        ASSERT_GE(TIFFWriteScanline(tiff, row.data(), static_cast<std::uint32_t>(y), 0), 0);
    }
    ASSERT_TRUE(TIFFWriteDirectory(tiff));
}

class ImportModule : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_module.loaded()) << m_module.error(); }
    LoadedModule m_module{"TiffPages.8ba"};
    HostProcedures m_host;
    TempDir m_dir;
};

TEST_F(ImportModule, EveryPageBecomesADocument) {
    const Image grey = noiseImage(40, 130, 1, 1);
    const Image colour = noiseImage(17, 20, 3, 2);
    const Image indexed = noiseImage(9, 4, 1, 3);
    const auto path = m_dir / "scan.tif";
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tiff, nullptr);
    addPage(tiff, grey, PHOTOMETRIC_MINISBLACK);
    addPage(tiff, colour, PHOTOMETRIC_RGB);
    addPage(tiff, indexed, PHOTOMETRIC_PALETTE);
    TIFFClose(tiff);

    ScopedEnvironment file("TESSARY_IMPORT_FILE", path.c_str());
    const ImportRunResult run = runImport(m_module, m_host);
    ASSERT_EQ(run.result, 0);
    ASSERT_EQ(run.documents.size(), 3u);
    EXPECT_EQ(run.documents[0].title, "scan (page 1)");
    EXPECT_EQ(run.documents[1].title, "scan (page 2)");
    EXPECT_EQ(run.documents[2].title, "scan (page 3)");
    EXPECT_EQ(run.documents[0].mode, TSPI_MODE_GRAYSCALE);
    EXPECT_EQ(run.documents[1].mode, TSPI_MODE_RGB);
    EXPECT_EQ(run.documents[2].mode, TSPI_MODE_INDEXED);
    expectSameImage(run.documents[0].image, grey, "import-page-1");
    expectSameImage(run.documents[1].image, colour, "import-page-2");
    expectSameImage(run.documents[2].image, indexed, "import-page-3");
    EXPECT_EQ(run.documents[2].block.redLUT[10], 245);
    EXPECT_EQ(run.documents[2].block.blueLUT[10], 0);
    EXPECT_EQ(run.documents[0].block.acquireAgain, 1);
    EXPECT_EQ(run.documents[2].block.acquireAgain, 0);
    EXPECT_TRUE(run.finalized);
}

TEST_F(ImportModule, SkipsPagesItCannotDecode) {
    const Image first = noiseImage(6, 6, 1, 4);
    const Image last = noiseImage(5, 3, 3, 5);
    const auto path = m_dir / "mixed.tiff";
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tiff, nullptr);
    addPage(tiff, Image(4, 4, 1), PHOTOMETRIC_MINISBLACK, SAMPLEFORMAT_IEEEFP);
    addPage(tiff, first, PHOTOMETRIC_MINISBLACK);
    addPage(tiff, Image(4, 4, 1), PHOTOMETRIC_MINISBLACK, SAMPLEFORMAT_IEEEFP);
    addPage(tiff, last, PHOTOMETRIC_RGB);
    TIFFClose(tiff);
    ScopedEnvironment file("TESSARY_IMPORT_FILE", path.c_str());
    const ImportRunResult run = runImport(m_module, m_host);
    ASSERT_EQ(run.result, 0);
    ASSERT_EQ(run.documents.size(), 2u);
    EXPECT_EQ(run.documents[0].title, "mixed (page 2)");
    EXPECT_EQ(run.documents[1].title, "mixed (page 4)");
    expectSameImage(run.documents[1].image, last, "import-after-skip");
}

TEST_F(ImportModule, NoFileMeansCancelledAndABadFileAnError) {
    {
        ScopedEnvironment none("TESSARY_IMPORT_FILE", nullptr);
        const ImportRunResult run = runImport(m_module, m_host);
        EXPECT_EQ(run.result, TSPI_ERR_USER_CANCELED);
        EXPECT_TRUE(run.documents.empty());
    }
    writeFile(m_dir / "junk.tif", std::vector<std::uint8_t>(100, 'x'));
    ScopedEnvironment junk("TESSARY_IMPORT_FILE", (m_dir / "junk.tif").c_str());
    EXPECT_EQ(runImport(m_module, m_host).result, TSPI_ERR_IMPORT_FAILED);
    ScopedEnvironment missing("TESSARY_IMPORT_FILE", (m_dir / "missing.tif").c_str());
    EXPECT_EQ(runImport(m_module, m_host).result, TSPI_ERR_IO);
}

// For every size limit, with sizes growing with the quality, the search
// ends on the highest quality that fits (0 when none does) within eight
// tries, trying the top quality first.
TEST(JpegSizeSearch, FindsTheHighestFittingQualityForEveryLimit) {
    for (int highestFitting = 0; highestFitting <= 85; ++highestFitting) {
        modules::JpegSizeSearch search;
        EXPECT_EQ(search.current(), 85);
        int tries = 0;
        while (!search.done() && tries < 100) {
            search.record(search.current() <= highestFitting);
            ++tries;
        }
        EXPECT_EQ(search.best(), highestFitting);
        EXPECT_LE(tries, highestFitting == 85 ? 1 : 8) << highestFitting;
    }
}

class ExportModule : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_module.loaded()) << m_module.error(); }

    // The JPEG this project's encoder makes of `page` at `quality`.
    static std::vector<std::uint8_t> jpegAt(const Image& page, int quality, double ppi) {
        modules::RasterInfo info;
        info.width = page.width;
        info.height = page.height;
        info.kind = page.channels == 1 ? PixelKind::Grey : PixelKind::Rgb;
        info.horizontalPpi = info.verticalPpi = ppi;
        auto sink = std::make_unique<modules::MemoryByteSink>(std::size_t{1} << 26);
        modules::MemoryByteSink* bytes = sink.get();
        std::unique_ptr<modules::JpegWriter> writer;
        EXPECT_EQ(modules::JpegWriter::create(std::move(sink), info, quality, &writer),
                  CodecStatus::Ok);
        EXPECT_EQ(writer->writeRows(page.pixels.data(), page.rowBytes(), page.height),
                  CodecStatus::Ok);
        EXPECT_EQ(writer->finish(), CodecStatus::Ok);
        return bytes->bytes();
    }

    LoadedModule m_module{"WebJpeg.8be"};
    HostProcedures m_host;
    TempDir m_dir;
};

TEST_F(ExportModule, PicksTheHighestQualityUnderTheLimit) {
    const Image page = noiseImage(160, 150, 3, 9);
    const auto path = m_dir / "web.jpg";
    ScopedEnvironment file("TESSARY_EXPORT_FILE", path.c_str());
    ScopedEnvironment limit("TESSARY_EXPORT_LIMIT_KB", "10");
    const ExportRunResult run = runExport(m_module, page, 96.0, m_host);
    ASSERT_EQ(run.result, 0);
    const std::vector<std::uint8_t> written = readFile(path);
    ASSERT_FALSE(written.empty());
    EXPECT_LE(written.size(), 10u * 1024);
    EXPECT_GT(run.passesOverTopRow, 1);  // noise does not fit at the top quality
    // Nothing but the file: its temporary went into its place.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir.path()), {}), 1);

    // The file is the encoder's output at some quality q below the top one
    // (85) that fits, while q + 1 does not.
    int quality = 0;
    for (int q = 1; q <= 85 && quality == 0; ++q)
        if (jpegAt(page, q, 96.0) == written) quality = q;
    ASSERT_GT(quality, 0) << "not a file of this encoder";
    EXPECT_LT(quality, 85);
    EXPECT_GT(jpegAt(page, quality + 1, 96.0).size(), 10u * 1024);

    std::unique_ptr<modules::JpegReader> reader;
    ASSERT_EQ(modules::JpegReader::open(fileSource(path), &reader), CodecStatus::Ok);
    EXPECT_EQ(reader->info().horizontalPpi, 96.0);
}

TEST_F(ExportModule, SmallPagesKeepTheTopQualityInOnePass) {
    const Image page = smoothImage(64, 64, 1);
    const auto path = m_dir / "small.jpg";
    ScopedEnvironment file("TESSARY_EXPORT_FILE", path.c_str());
    ScopedEnvironment limit("TESSARY_EXPORT_LIMIT_KB", nullptr);  // 200 KiB
    const ExportRunResult run = runExport(m_module, page, 72.0, m_host);
    ASSERT_EQ(run.result, 0);
    EXPECT_EQ(run.passesOverTopRow, 1);
    EXPECT_EQ(readFile(path), jpegAt(page, 85, 72.0));
}

TEST_F(ExportModule, WritesNothingWhenItCannotFitOrIsCancelled) {
    const Image page = noiseImage(200, 200, 3, 10);
    const auto path = m_dir / "never.jpg";
    ScopedEnvironment file("TESSARY_EXPORT_FILE", path.c_str());
    {
        ScopedEnvironment limit("TESSARY_EXPORT_LIMIT_KB", "1");
        EXPECT_EQ(runExport(m_module, page, 72.0, m_host).result, TSPI_ERR_EXPORT_BAD_PARAMETERS);
        EXPECT_FALSE(std::filesystem::exists(path));
    }
    m_host.abortAfter = 3;
    EXPECT_EQ(runExport(m_module, page, 72.0, m_host).result, TSPI_ERR_USER_CANCELED);
    EXPECT_TRUE(std::filesystem::is_empty(m_dir.path()));  // no temporary file either

    ScopedEnvironment none("TESSARY_EXPORT_FILE", nullptr);
    m_host.abortAfter = -1;
    EXPECT_EQ(runExport(m_module, page, 72.0, m_host).result, TSPI_ERR_USER_CANCELED);
}

}  // namespace
}  // namespace tessary::test
