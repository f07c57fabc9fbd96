#include "jpeg/jpeg_writer.h"

#include <cmath>

namespace tessary::modules {

namespace {
constexpr std::size_t kOutputBufferSize = 64 * 1024;
}

// As in the reader, the functions that call libjpeg hold no objects with
// destructors across the calls.

JpegWriter::JpegWriter(std::unique_ptr<ByteSink> sink, const RasterInfo& info)
    : m_sink(std::move(sink)), m_info(info), m_outputBuffer(kOutputBufferSize) {}

JpegWriter::~JpegWriter() {
    if (m_created) jpeg_destroy_compress(&m_jpeg);
}

void JpegWriter::errorExit(j_common_ptr cinfo) {
    auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
    char message[JMSG_LENGTH_MAX] = {};
    (*cinfo->err->format_message)(cinfo, message);
    errors->owner->m_error = message;
    std::longjmp(errors->jump, 1);
}

void JpegWriter::emitMessage(j_common_ptr, int) {}

void JpegWriter::initDestination(j_compress_ptr cinfo) {
    auto* manager = reinterpret_cast<DestinationManager*>(cinfo->dest);
    manager->base.next_output_byte = manager->owner->m_outputBuffer.data();
    manager->base.free_in_buffer = manager->owner->m_outputBuffer.size();
}

boolean JpegWriter::emptyOutputBuffer(j_compress_ptr cinfo) {
    auto* manager = reinterpret_cast<DestinationManager*>(cinfo->dest);
    JpegWriter* self = manager->owner;
    // Called when the buffer is full: the whole buffer is pending.
    const CodecStatus status =
        self->m_sink->write(self->m_outputBuffer.data(), self->m_outputBuffer.size());
    if (status != CodecStatus::Ok) {
        self->m_sinkStatus = status;
        ERREXIT(cinfo, JERR_FILE_WRITE);
    }
    manager->base.next_output_byte = self->m_outputBuffer.data();
    manager->base.free_in_buffer = self->m_outputBuffer.size();
    return TRUE;
}

void JpegWriter::termDestination(j_compress_ptr cinfo) {
    auto* manager = reinterpret_cast<DestinationManager*>(cinfo->dest);
    JpegWriter* self = manager->owner;
    const std::size_t pending = self->m_outputBuffer.size() - manager->base.free_in_buffer;
    const CodecStatus status = self->m_sink->write(self->m_outputBuffer.data(), pending);
    if (status != CodecStatus::Ok) {
        self->m_sinkStatus = status;
        ERREXIT(cinfo, JERR_FILE_WRITE);
    }
}

CodecStatus JpegWriter::failure() const {
    return m_sinkStatus != CodecStatus::Ok ? m_sinkStatus : CodecStatus::BadParameters;
}

CodecStatus JpegWriter::create(std::unique_ptr<ByteSink> sink, const RasterInfo& info, int quality,
                               std::unique_ptr<JpegWriter>* writer) {
    if (!sink || info.kind == PixelKind::Indexed || quality < 1 || quality > 100 ||
        info.width < 1 || info.height < 1 || info.width > kMaxImageDimension ||
        info.height > kMaxImageDimension)
        return CodecStatus::BadParameters;
    std::unique_ptr<JpegWriter> result(new JpegWriter(std::move(sink), info));
    if (!result->startCompress(quality)) return result->failure();
    *writer = std::move(result);
    return CodecStatus::Ok;
}

bool JpegWriter::startCompress(int quality) {
    m_jpeg.err = jpeg_std_error(&m_errors.base);
    m_errors.base.error_exit = errorExit;
    m_errors.base.emit_message = emitMessage;
    m_errors.owner = this;
    if (setjmp(m_errors.jump)) return false;
    jpeg_create_compress(&m_jpeg);
    m_created = true;
    m_destination.base.init_destination = initDestination;
    m_destination.base.empty_output_buffer = emptyOutputBuffer;
    m_destination.base.term_destination = termDestination;
    m_destination.owner = this;
    m_jpeg.dest = &m_destination.base;

    m_jpeg.image_width = static_cast<JDIMENSION>(m_info.width);
    m_jpeg.image_height = static_cast<JDIMENSION>(m_info.height);
    const bool grey = m_info.kind == PixelKind::Grey;
    m_jpeg.input_components = grey ? 1 : 3;
    m_jpeg.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&m_jpeg);
    jpeg_set_quality(&m_jpeg, quality, TRUE);
    m_jpeg.write_JFIF_header = TRUE;
    const double h = std::round(m_info.horizontalPpi);
    const double v = std::round(m_info.verticalPpi);
    if (h >= 1.0 && v >= 1.0) {
        m_jpeg.density_unit = 1;  // dots per inch
        m_jpeg.X_density = static_cast<UINT16>(h > 65535.0 ? 65535.0 : h);
        m_jpeg.Y_density = static_cast<UINT16>(v > 65535.0 ? 65535.0 : v);
    } else {
        m_jpeg.density_unit = 0;  // aspect ratio only
        m_jpeg.X_density = 1;
        m_jpeg.Y_density = 1;
    }
    jpeg_start_compress(&m_jpeg, TRUE);
    return true;
}

bool JpegWriter::writeScanlines(const std::uint8_t* source, std::size_t sourceRowBytes,
                                std::int32_t rowCount) {
    if (setjmp(m_errors.jump)) return false;
    for (std::int32_t r = 0; r < rowCount; ++r) {
        // libjpeg takes non-const rows but does not change them.
        JSAMPROW row = const_cast<JSAMPROW>(source + static_cast<std::size_t>(r) * sourceRowBytes);
        jpeg_write_scanlines(&m_jpeg, &row, 1);
    }
    return true;
}

bool JpegWriter::finishCompress() {
    if (setjmp(m_errors.jump)) return false;
    jpeg_finish_compress(&m_jpeg);
    return true;
}

CodecStatus JpegWriter::writeRows(const std::uint8_t* source, std::size_t sourceRowBytes,
                                  std::int32_t rowCount) {
    if (m_failed || rowCount < 0 || rowCount > m_info.height - m_rowsWritten)
        return CodecStatus::BadParameters;
    if (!writeScanlines(source, sourceRowBytes, rowCount)) {
        m_failed = true;
        return failure();
    }
    m_rowsWritten += rowCount;
    return CodecStatus::Ok;
}

CodecStatus JpegWriter::finish() {
    if (m_failed || m_rowsWritten != m_info.height) return CodecStatus::BadParameters;
    if (!finishCompress()) {
        m_failed = true;
        return failure();
    }
    return m_sink->close();
}

}  // namespace tessary::modules
