#pragma once

#include <tiffio.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/codec_status.h"
#include "tiff/strip_codec.h"

namespace tessary::modules {

// Reads the rows of a page stored in strips of contiguous 8-bit samples,
// compressed with LZW or deflate, with the horizontal predictor or none:
// libtiff reads the strips as stored, a batch at a time, and they are
// decoded here on up to `threads` threads. The rows are those libtiff's
// scanline reading gives. Strips in the old LZW flavour (first bytes 0x00
// 0x01) are left to libtiff.
class StripReader {
public:
    // A reader for the page `tiff` has selected, or null when its layout is
    // not one of those above or one strip with its stored bytes would need
    // more than `budget` bytes. `fileSize` bounds the strips' stored bytes.
    static std::unique_ptr<StripReader> create(TIFF* tiff, std::int32_t height,
                                               std::size_t rowBytes, int samplesPerPixel,
                                               std::uint64_t fileSize, std::size_t budget,
                                               int threads);

    // Copies rows [top, top + count) to `out`, `outRowBytes` apart; fastest
    // when the rows come in order. Corrupt when a strip cannot be read or
    // decodes short or bad; errorMessage() then tells which.
    CodecStatus readRows(std::int32_t top, std::int32_t count, std::uint8_t* out,
                         std::size_t outRowBytes);

    const std::string& errorMessage() const { return m_error; }

private:
    StripReader() = default;
    // Reads and decodes the strips from `first` on that fit in the budget.
    CodecStatus readBatch(std::uint32_t first);
    CodecStatus fail(std::uint32_t strip, const char* what);

    TIFF* m_tiff = nullptr;
    TiffCompression m_compression = TiffCompression::Lzw;
    bool m_predicted = false;
    std::int32_t m_height = 0;
    std::size_t m_rowBytes = 0;
    std::size_t m_step = 1;
    std::uint32_t m_rowsPerStrip = 1;
    std::uint32_t m_strips = 0;
    std::size_t m_stripBytes = 0;  // of a full strip
    std::uint64_t m_fileSize = 0;
    std::size_t m_budget = 0;
    int m_threads = 1;

    std::vector<std::uint8_t> m_stored;   // the batch's strips as stored
    std::vector<std::uint8_t> m_decoded;  // the batch's rows
    std::int32_t m_batchTop = 0;
    std::int32_t m_batchRows = 0;
    std::string m_error;
};

}  // namespace tessary::modules
