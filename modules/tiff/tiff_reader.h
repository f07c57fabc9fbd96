#pragma once

#include <tiffio.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/byte_source.h"
#include "common/raster.h"
#include "tiff/strip_reader.h"

namespace tessary::modules {

// Decodes TIFF files through libtiff, one page (directory) at a time, with
// any compression libtiff was built with (none, PackBits, LZW, Deflate,
// CCITT, JPEG, ...).
//
// Unsigned-integer images stored top-left first are converted here:
// greyscale of 1, 2, 4, 8 or 16 bits (either photometric sense) gives Grey,
// palette images of 1 to 8 bits give Indexed with the colour map, RGB of 8
// or 16 bits gives Rgb; 16-bit samples are scaled to 8 bits with rounding
// and extra samples (alpha) are dropped. Strips and tiles, contiguous and
// separate planes are all read. Every other image libtiff's RGBA interface
// accepts (YCbCr, CMYK, CIE L*a*b*, other orientations, ...) comes through
// that interface as Rgb. The resolution tags give the resolution when the
// unit is the inch or the centimetre (else 0).
//
// Bands are delivered top down and never need more than the memory budget
// (RasterReader): contiguous strips 64 rows at a time, decoded row by row
// however tall the strips; separate planes one colour plane after the
// other, 64 rows at a time; tiled files a row of tiles at a time, or as
// many tiles of the row as the budget allows (at least one, else the file
// is TooLarge); the RGBA interface in whole strips or rows of tiles when
// they fit, else in fewer rows. libtiff may use half of the budget for any
// one allocation; a file that needs more is TooLarge.
//
// Contiguous 8-bit strips compressed with LZW or deflate are decoded here
// (StripReader), several strips at a time on up to `threads` threads, into
// the same rows for every count.
class TiffReader final : public RasterReader {
public:
    static constexpr std::int32_t kBandHeight = 64;

    // Opens the file and selects its first page, which must be readable.
    static CodecStatus open(std::unique_ptr<ByteSource> source, std::unique_ptr<TiffReader>* reader,
                            std::size_t memoryBudget = kDefaultReadBudget, int threads = 1);
    // Opens the file for reading page after page: `reader` is set whenever
    // libtiff accepts the file, and `pageStatus` tells whether its first
    // page can be decoded (readBand() fails on a page that cannot).
    static CodecStatus openPages(std::unique_ptr<ByteSource> source,
                                 std::unique_ptr<TiffReader>* reader, CodecStatus* pageStatus,
                                 std::size_t memoryBudget = kDefaultReadBudget, int threads = 1);
    ~TiffReader() override;

    const RasterInfo& info() const override { return m_info; }
    std::int32_t bandHeight() const override { return m_bandHeight; }
    std::int32_t bandWidth() const override { return m_bandWidth; }
    CodecStatus readBand(std::uint8_t* destination, std::size_t destinationRowBytes,
                         BandRows* rows) override;

    // The page selected, counted from 0.
    int pageIndex() const { return m_pageIndex; }
    // True when another page follows the selected one.
    bool hasNextPage() const;
    // Selects the next page; its bands start from the top. A page that
    // cannot be decoded gives its status here, and the one after it can
    // still be selected unless the status is Corrupt.
    CodecStatus nextPage();

    // True when the page is read through libtiff's RGBA interface.
    bool usesRgbaInterface() const { return m_layout == Layout::Rgba; }
    // True when the page's strips are decoded by StripReader.
    bool decodesStrips() const { return m_stripReader != nullptr; }
    // libtiff's last error message, if any, or the strip that failed.
    const std::string& errorMessage() const { return m_error; }

private:
    enum class Layout : std::uint8_t { Scanlines, SeparateScanlines, Tiles, Rgba };

    TiffReader(std::unique_ptr<ByteSource> source, std::size_t memoryBudget, int threads);

    CodecStatus openLibrary();
    CodecStatus analysePage();  // analyseLayout(), remembered in m_pageStatus
    CodecStatus analyseLayout();
    CodecStatus chooseNativeLayout(std::uint16_t photometric, std::uint16_t bitsPerSample,
                                   std::uint16_t samplesPerPixel, std::uint16_t planar);
    CodecStatus chooseTileSpan();
    CodecStatus beginRgba();
    void endRgba();
    void readResolution();
    // The memory this reader may allocate itself (the other half is
    // libtiff's).
    std::size_t ownBudget() const { return m_budget / 2; }
    // TooLarge when libtiff refused an allocation beyond its share, else
    // `status`.
    CodecStatus libraryFailure(CodecStatus status) const;
    CodecStatus readRawBand(std::int32_t top, std::int32_t count, std::int32_t columns);
    CodecStatus readRgbaBand(std::uint8_t* destination, std::size_t destinationRowBytes,
                             std::int32_t count, BandRows* rows);
    // Converts `columns` pixels of raw row `bandRow` (of the channel being
    // delivered, for separate strips) into `out`.
    void convertRow(std::int32_t bandRow, std::int32_t columns, std::uint8_t* out) const;
    std::uint32_t sample(const std::uint8_t* row, std::size_t index) const;
    std::uint8_t toByte(std::uint32_t value) const;

    static tmsize_t readProc(thandle_t handle, void* buffer, tmsize_t size);
    static tmsize_t writeProc(thandle_t handle, void* buffer, tmsize_t size);
    static toff_t seekProc(thandle_t handle, toff_t offset, int whence);
    static int closeProc(thandle_t handle);
    static toff_t sizeProc(thandle_t handle);
    static int mapProc(thandle_t handle, void** base, toff_t* size);
    static void unmapProc(thandle_t handle, void* base, toff_t size);
    static int errorHandler(TIFF* tiff, void* user, const char* module, const char* format,
                            va_list arguments);
    static int warningHandler(TIFF* tiff, void* user, const char* module, const char* format,
                              va_list arguments);

    std::unique_ptr<ByteSource> m_source;
    std::size_t m_budget;
    int m_threads;
    bool m_libraryOverBudget = false;  // libtiff refused an allocation beyond its share
    std::uint64_t m_position = 0;
    TIFF* m_tiff = nullptr;
    int m_pageIndex = 0;
    CodecStatus m_pageStatus = CodecStatus::Ok;  // of the page selected
    RasterInfo m_info;
    Layout m_layout = Layout::Scanlines;
    std::int32_t m_bandHeight = kBandHeight;
    std::int32_t m_bandWidth = 0;
    std::int32_t m_rowsDone = 0;     // of the channel being delivered, for separate strips
    std::int32_t m_columnsDone = 0;  // of the row of tiles being delivered
    int m_channel = 0;               // being delivered, for separate strips

    // Native layouts: samples of the page and one band of raw rows.
    std::uint16_t m_bitsPerSample = 8;
    std::uint16_t m_samplesPerPixel = 1;
    bool m_separatePlanes = false;
    bool m_minIsWhite = false;
    int m_colourSamples = 1;           // samples converted per pixel: 1 or 3
    std::size_t m_planeRowBytes = 0;   // bytes of one raw row of one stored plane
    std::size_t m_rawRowBytes = 0;     // bytes of one row of m_raw (a span of tiles, or a row)
    std::size_t m_planeBandBytes = 0;  // m_rawRowBytes × m_bandHeight
    std::vector<std::uint8_t> m_raw;   // raw band: stored planes one after the other
    std::vector<std::uint8_t> m_tile;  // one tile
    std::uint32_t m_tileWidth = 0;
    std::uint32_t m_tileLength = 0;
    std::unique_ptr<StripReader> m_stripReader;  // set for the strips it decodes

    // The RGBA interface.
    TIFFRGBAImage m_rgba{};
    bool m_rgbaActive = false;
    bool m_rgbaFlipped = false;  // the file's rows run bottom up
    std::vector<std::uint32_t> m_rgbaBand;

    std::string m_error;
};

}  // namespace tessary::modules
