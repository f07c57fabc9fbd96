#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "common/byte_sink.h"
#include "common/raster.h"
#include "png/png_encoder.h"

namespace tessary::modules {

// Writes non-interlaced 8-bit PNG files: Grey as greyscale, Rgb as
// truecolour, Indexed as a palette image. A resolution above 0 is stored in
// a pHYs chunk in pixels per metre; 0 writes no pHYs chunk. The image data
// is compressed on up to `threads` threads (PngEncoder); the file is the
// same for every count.
class PngWriter final : public RasterWriter {
public:
    // zlib's level: within a few per cent of the smallest files for
    // photographs and screenshots alike, several times faster than 6 on
    // filtered photographic rows.
    static constexpr int kCompressionLevel = 4;

    // Writes the header chunks at once.
    static CodecStatus create(std::unique_ptr<ByteSink> sink, const RasterInfo& info, int threads,
                              std::unique_ptr<PngWriter>* writer);

    RowOrder rowOrder() const override { return RowOrder::TopDown; }
    CodecStatus writeRows(const std::uint8_t* source, std::size_t sourceRowBytes,
                          std::int32_t rowCount) override;
    CodecStatus finish() override;

private:
    PngWriter(std::unique_ptr<ByteSink> sink, const RasterInfo& info, int threads);

    CodecStatus writeChunk(const char type[4], const std::uint8_t* data, std::size_t size);
    CodecStatus writeHeader();
    // Writes what the encoder produced as IDAT chunks.
    CodecStatus flushImageData();
    CodecStatus fail(CodecStatus status);

    std::unique_ptr<ByteSink> m_sink;
    RasterInfo m_info;
    PngEncoder m_encoder;
    std::vector<std::uint8_t> m_compressed;
    std::int32_t m_rowsWritten = 0;
    bool m_failed = false;
};

}  // namespace tessary::modules
