#pragma once

#include <png.h>

#include <cstdint>
#include <memory>
#include <string>

#include "common/byte_sink.h"
#include "common/raster.h"

namespace tessary::modules {

// Writes non-interlaced 8-bit PNG files through libpng: Grey as greyscale,
// Rgb as truecolour, Indexed as a palette image. A resolution above 0 is
// stored in a pHYs chunk in pixels per metre; 0 writes no pHYs chunk.
class PngWriter final : public RasterWriter {
public:
    // Writes the header chunks at once.
    static CodecStatus create(std::unique_ptr<ByteSink> sink, const RasterInfo& info,
                              std::unique_ptr<PngWriter>* writer);
    ~PngWriter() override;

    RowOrder rowOrder() const override { return RowOrder::TopDown; }
    CodecStatus writeRows(const std::uint8_t* source, std::size_t sourceRowBytes,
                          std::int32_t rowCount) override;
    CodecStatus finish() override;

private:
    PngWriter(std::unique_ptr<ByteSink> sink, const RasterInfo& info);

    CodecStatus failure() const;
    static void writeCallback(png_structp png, png_bytep data, std::size_t length);
    static void flushCallback(png_structp png);
    static void errorCallback(png_structp png, png_const_charp message);
    static void warningCallback(png_structp png, png_const_charp message);
    bool writeHeader();
    bool writeRowsGuarded(const std::uint8_t* source, std::size_t sourceRowBytes,
                          std::int32_t rowCount);
    bool writeEnd();

    std::unique_ptr<ByteSink> m_sink;
    RasterInfo m_info;
    png_structp m_png = nullptr;
    png_infop m_pngInfo = nullptr;
    std::int32_t m_rowsWritten = 0;
    CodecStatus m_sinkStatus = CodecStatus::Ok;
    bool m_failed = false;
    std::string m_error;
};

}  // namespace tessary::modules
