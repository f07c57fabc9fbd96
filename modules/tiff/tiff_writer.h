#pragma once

#include <tiffio.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/raster.h"
#include "common/unique_fd.h"
#include "tiff/strip_codec.h"

namespace tessary::modules {

// Writes single-page 8-bit TIFF files through libtiff in strips of about
// 64 KB: Grey as min-is-black greyscale, Rgb as contiguous RGB, Indexed as a
// palette image; LZW or Deflate compression with the horizontal predictor.
// A resolution above 0 is stored in pixels per inch; 0 writes no
// resolution tags. Strips are compressed here, several at a time on up to
// `threads` threads, and handed to libtiff whole; the file is the same for
// every count.
class TiffWriter final : public RasterWriter {
public:
    static constexpr std::size_t kStripBytes = 64 * 1024;
    // zlib level of the deflate strips this writer compresses: on predicted
    // photographic rows 2 % larger than zlib's default 6 and twice as fast,
    // and still smaller than LZW.
    static constexpr int kDeflateLevel = 5;

    // Takes ownership of `fd`, which must stand at the start of an empty,
    // seekable file; `name` is used in libtiff's messages only.
    static CodecStatus create(UniqueFd fd, const std::string& name, const RasterInfo& info,
                              TiffCompression compression, std::unique_ptr<TiffWriter>* writer,
                              int threads = 1);
    ~TiffWriter() override;

    RowOrder rowOrder() const override { return RowOrder::TopDown; }
    CodecStatus writeRows(const std::uint8_t* source, std::size_t sourceRowBytes,
                          std::int32_t rowCount) override;
    CodecStatus finish() override;

    const std::string& errorMessage() const { return m_error; }

private:
    TiffWriter(const RasterInfo& info, TiffCompression compression, int threads);
    CodecStatus writeTags();
    // Compresses the gathered strips and writes them.
    CodecStatus writeStrips();
    CodecStatus writeFailure() const;

    static int errorHandler(TIFF* tiff, void* user, const char* module, const char* format,
                            va_list arguments);
    static int warningHandler(TIFF* tiff, void* user, const char* module, const char* format,
                              va_list arguments);

    RasterInfo m_info;
    TIFF* m_tiff = nullptr;
    TiffCompression m_compression;
    int m_threads;
    std::uint32_t m_rowsPerStrip = 1;
    // Whole strips not yet written, the last one perhaps partial.
    std::vector<std::vector<std::uint8_t>> m_strips;
    std::uint32_t m_stripsWritten = 0;
    std::int32_t m_rowsWritten = 0;
    bool m_failed = false;
    std::string m_error;
};

}  // namespace tessary::modules
