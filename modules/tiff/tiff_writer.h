#pragma once

#include <tiffio.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/raster.h"
#include "common/unique_fd.h"

namespace tessary::modules {

enum class TiffCompression : std::uint8_t { Lzw, Deflate };

// Writes single-page 8-bit TIFF files through libtiff in strips of about
// 64 KB: Grey as min-is-black greyscale, Rgb as contiguous RGB, Indexed as a
// palette image; LZW or Deflate compression with the horizontal predictor.
// A resolution above 0 is stored in pixels per inch; 0 writes no
// resolution tags.
class TiffWriter final : public RasterWriter {
public:
    static constexpr std::size_t kStripBytes = 64 * 1024;
    // zlib level of deflate-compressed files.
    static constexpr int kDeflateLevel = 5;

    // Takes ownership of `fd`, which must stand at the start of an empty,
    // seekable file; `name` is used in libtiff's messages only.
    static CodecStatus create(UniqueFd fd, const std::string& name, const RasterInfo& info,
                              TiffCompression compression, std::unique_ptr<TiffWriter>* writer);
    ~TiffWriter() override;

    RowOrder rowOrder() const override { return RowOrder::TopDown; }
    CodecStatus writeRows(const std::uint8_t* source, std::size_t sourceRowBytes,
                          std::int32_t rowCount) override;
    CodecStatus finish() override;

    const std::string& errorMessage() const { return m_error; }

private:
    explicit TiffWriter(const RasterInfo& info);
    CodecStatus writeTags(TiffCompression compression);
    CodecStatus writeFailure() const;

    static int errorHandler(TIFF* tiff, void* user, const char* module, const char* format,
                            va_list arguments);
    static int warningHandler(TIFF* tiff, void* user, const char* module, const char* format,
                              va_list arguments);

    RasterInfo m_info;
    TIFF* m_tiff = nullptr;
    std::vector<std::uint8_t> m_row;  // libtiff's predictor changes the row it is given
    std::int32_t m_rowsWritten = 0;
    bool m_failed = false;
    std::string m_error;
};

}  // namespace tessary::modules
