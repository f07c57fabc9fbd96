#include "png/png_writer.h"

#include <csetjmp>

#include "common/resolution.h"

namespace tessary::modules {

// As in the reader, the functions that call libpng hold no objects with
// destructors across the calls.

PngWriter::PngWriter(std::unique_ptr<ByteSink> sink, const RasterInfo& info)
    : m_sink(std::move(sink)), m_info(info) {}

PngWriter::~PngWriter() {
    if (m_png != nullptr) png_destroy_write_struct(&m_png, &m_pngInfo);
}

void PngWriter::writeCallback(png_structp png, png_bytep data, std::size_t length) {
    auto* self = static_cast<PngWriter*>(png_get_io_ptr(png));
    const CodecStatus status = self->m_sink->write(data, length);
    if (status != CodecStatus::Ok) {
        self->m_sinkStatus = status;
        png_error(png, "write failed");
    }
}

void PngWriter::flushCallback(png_structp) {}

void PngWriter::errorCallback(png_structp png, png_const_charp message) {
    auto* self = static_cast<PngWriter*>(png_get_error_ptr(png));
    self->m_error = message != nullptr ? message : "";
    png_longjmp(png, 1);
}

void PngWriter::warningCallback(png_structp, png_const_charp) {}

CodecStatus PngWriter::failure() const {
    return m_sinkStatus != CodecStatus::Ok ? m_sinkStatus : CodecStatus::BadParameters;
}

CodecStatus PngWriter::create(std::unique_ptr<ByteSink> sink, const RasterInfo& info,
                              std::unique_ptr<PngWriter>* writer) {
    if (!sink || info.width < 1 || info.height < 1 || info.width > kMaxImageDimension ||
        info.height > kMaxImageDimension)
        return CodecStatus::BadParameters;
    std::unique_ptr<PngWriter> result(new PngWriter(std::move(sink), info));
    result->m_png = png_create_write_struct(PNG_LIBPNG_VER_STRING, result.get(), errorCallback,
                                            warningCallback);
    if (result->m_png == nullptr) return CodecStatus::OutOfMemory;
    result->m_pngInfo = png_create_info_struct(result->m_png);
    if (result->m_pngInfo == nullptr) return CodecStatus::OutOfMemory;
    png_set_write_fn(result->m_png, result.get(), writeCallback, flushCallback);
    if (!result->writeHeader()) return result->failure();
    *writer = std::move(result);
    return CodecStatus::Ok;
}

bool PngWriter::writeHeader() {
    if (setjmp(png_jmpbuf(m_png))) return false;
    int colourType = PNG_COLOR_TYPE_RGB;
    if (m_info.kind == PixelKind::Grey) colourType = PNG_COLOR_TYPE_GRAY;
    if (m_info.kind == PixelKind::Indexed) colourType = PNG_COLOR_TYPE_PALETTE;
    png_set_IHDR(m_png, m_pngInfo, static_cast<png_uint_32>(m_info.width),
                 static_cast<png_uint_32>(m_info.height), 8, colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (m_info.kind == PixelKind::Indexed) {
        png_color palette[256];
        for (int i = 0; i < 256; ++i)
            palette[i] =
                png_color{m_info.palette.red[i], m_info.palette.green[i], m_info.palette.blue[i]};
        png_set_PLTE(m_png, m_pngInfo, palette, 256);
    }
    const std::int32_t xPpm = ppiToPpm(m_info.horizontalPpi);
    const std::int32_t yPpm = ppiToPpm(m_info.verticalPpi);
    if (xPpm > 0 && yPpm > 0)
        png_set_pHYs(m_png, m_pngInfo, static_cast<png_uint_32>(xPpm),
                     static_cast<png_uint_32>(yPpm), PNG_RESOLUTION_METER);
    png_write_info(m_png, m_pngInfo);
    return true;
}

bool PngWriter::writeRowsGuarded(const std::uint8_t* source, std::size_t sourceRowBytes,
                                 std::int32_t rowCount) {
    if (setjmp(png_jmpbuf(m_png))) return false;
    for (std::int32_t r = 0; r < rowCount; ++r)
        png_write_row(m_png, source + static_cast<std::size_t>(r) * sourceRowBytes);
    return true;
}

bool PngWriter::writeEnd() {
    if (setjmp(png_jmpbuf(m_png))) return false;
    png_write_end(m_png, nullptr);
    return true;
}

CodecStatus PngWriter::writeRows(const std::uint8_t* source, std::size_t sourceRowBytes,
                                 std::int32_t rowCount) {
    if (m_failed || rowCount < 0 || rowCount > m_info.height - m_rowsWritten)
        return CodecStatus::BadParameters;
    if (!writeRowsGuarded(source, sourceRowBytes, rowCount)) {
        m_failed = true;
        return failure();
    }
    m_rowsWritten += rowCount;
    return CodecStatus::Ok;
}

CodecStatus PngWriter::finish() {
    if (m_failed || m_rowsWritten != m_info.height) return CodecStatus::BadParameters;
    if (!writeEnd()) {
        m_failed = true;
        return failure();
    }
    return m_sink->close();
}

}  // namespace tessary::modules
