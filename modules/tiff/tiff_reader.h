#pragma once

#include <tiffio.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/byte_source.h"
#include "common/raster.h"

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
// Bands are delivered top down. Their height follows the file's layout:
// 64 rows for contiguous strips (decoded row by row), a strip's height for
// separate planes, a row of tiles for tiled files; a file stored as one
// strip of separate planes is therefore decoded whole.
class TiffReader final : public RasterReader {
public:
    static constexpr std::int32_t kBandHeight = 64;
    // The largest single allocation libtiff may make while decoding.
    static constexpr tmsize_t kMaxLibraryAllocation = tmsize_t{1} << 30;

    // Opens the file and selects its first page, which must be readable.
    static CodecStatus open(std::unique_ptr<ByteSource> source,
                            std::unique_ptr<TiffReader>* reader);
    // Opens the file for reading page after page: `reader` is set whenever
    // libtiff accepts the file, and `pageStatus` tells whether its first
    // page can be decoded (readBand() fails on a page that cannot).
    static CodecStatus openPages(std::unique_ptr<ByteSource> source,
                                 std::unique_ptr<TiffReader>* reader, CodecStatus* pageStatus);
    ~TiffReader() override;

    const RasterInfo& info() const override { return m_info; }
    std::int32_t bandHeight() const override { return m_bandHeight; }
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
    // libtiff's last error message, if any.
    const std::string& errorMessage() const { return m_error; }

private:
    enum class Layout : std::uint8_t { Scanlines, SeparateStrips, Tiles, Rgba };

    explicit TiffReader(std::unique_ptr<ByteSource> source);

    CodecStatus openLibrary();
    CodecStatus analysePage();  // analyseLayout(), remembered in m_pageStatus
    CodecStatus analyseLayout();
    CodecStatus chooseNativeLayout(std::uint16_t photometric, std::uint16_t bitsPerSample,
                                   std::uint16_t samplesPerPixel, std::uint16_t planar);
    CodecStatus beginRgba();
    void endRgba();
    void readResolution();
    CodecStatus readRawBand(std::int32_t top, std::int32_t count);
    CodecStatus readRgbaBand(std::uint8_t* destination, std::size_t destinationRowBytes,
                             std::int32_t count, BandRows* rows);
    void convertRow(std::int32_t bandRow, std::uint8_t* out) const;
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
    std::uint64_t m_position = 0;
    TIFF* m_tiff = nullptr;
    int m_pageIndex = 0;
    CodecStatus m_pageStatus = CodecStatus::Ok;  // of the page selected
    RasterInfo m_info;
    Layout m_layout = Layout::Scanlines;
    std::int32_t m_bandHeight = kBandHeight;
    std::int32_t m_rowsDone = 0;

    // Native layouts: samples of the page and one band of raw rows.
    std::uint16_t m_bitsPerSample = 8;
    std::uint16_t m_samplesPerPixel = 1;
    bool m_separatePlanes = false;
    bool m_minIsWhite = false;
    int m_colourSamples = 1;           // samples converted per pixel: 1 or 3
    std::size_t m_planeRowBytes = 0;   // bytes of one raw row of one stored plane
    std::size_t m_planeBandBytes = 0;  // m_planeRowBytes × m_bandHeight
    std::vector<std::uint8_t> m_raw;   // raw band: stored planes one after the other
    std::vector<std::uint8_t> m_tile;  // one tile
    std::uint32_t m_tileWidth = 0;
    std::uint32_t m_tileLength = 0;
    std::uint32_t m_rowsPerStrip = 0;

    // The RGBA interface.
    TIFFRGBAImage m_rgba{};
    bool m_rgbaActive = false;
    bool m_rgbaFlipped = false;  // the file's rows run bottom up
    std::vector<std::uint32_t> m_rgbaBand;

    std::string m_error;
};

}  // namespace tessary::modules
