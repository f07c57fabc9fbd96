#include "jpeg/jpeg_reader.h"

#include <algorithm>
#include <climits>

#include "common/resolution.h"

namespace tessary::modules {

namespace {
constexpr std::size_t kInputBufferSize = 16 * 1024;
}

// The functions that call libjpeg keep no objects with destructors alive
// across the calls, since an error leaves them through longjmp.

JpegReader::JpegReader(std::unique_ptr<ByteSource> source, std::size_t memoryBudget)
    : m_source(std::move(source)),
      m_budget(memoryBudget),
      m_input(*m_source),
      m_inputBuffer(kInputBufferSize) {}

JpegReader::~JpegReader() {
    if (m_created) jpeg_destroy_decompress(&m_jpeg);
}

void JpegReader::errorExit(j_common_ptr cinfo) {
    auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
    char message[JMSG_LENGTH_MAX] = {};
    (*cinfo->err->format_message)(cinfo, message);
    errors->owner->m_error = message;
    errors->owner->m_errorCode = cinfo->err->msg_code;
    std::longjmp(errors->jump, 1);
}

void JpegReader::emitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;  // trace output is dropped
    // Warnings (corrupt data, a premature end) are decoded around and kept
    // for damage().
    auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (cinfo->err->num_warnings++ == 0) {
        char message[JMSG_LENGTH_MAX] = {};
        (*cinfo->err->format_message)(cinfo, message);
        errors->owner->m_firstWarning = message;
    }
    errors->owner->m_warnings = cinfo->err->num_warnings;
}

std::string JpegReader::damage() const {
    if (m_warnings == 0) return {};
    std::string text = m_firstWarning;
    if (m_warnings > 1) text += " (and " + std::to_string(m_warnings - 1) + " more warnings)";
    return text;
}

void JpegReader::initSource(j_decompress_ptr) {}

boolean JpegReader::fillInputBuffer(j_decompress_ptr cinfo) {
    auto* manager = reinterpret_cast<SourceManager*>(cinfo->src);
    JpegReader* self = manager->owner;
    std::size_t copied = 0;
    const CodecStatus status =
        self->m_input.readSome(self->m_inputBuffer.data(), self->m_inputBuffer.size(), &copied);
    if (status != CodecStatus::Ok) {
        self->m_inputStatus = status;
        ERREXIT(cinfo, JERR_FILE_READ);
    }
    if (copied == 0) {
        // The file ends early: an end marker lets libjpeg finish the image
        // (the rest comes out grey) or report the headers missing.
        static const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};
        WARNMS(cinfo, JWRN_JPEG_EOF);
        manager->base.next_input_byte = kEndOfImage;
        manager->base.bytes_in_buffer = sizeof(kEndOfImage);
        return TRUE;
    }
    manager->base.next_input_byte = self->m_inputBuffer.data();
    manager->base.bytes_in_buffer = copied;
    return TRUE;
}

void JpegReader::skipInputData(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    auto* manager = reinterpret_cast<SourceManager*>(cinfo->src);
    const auto wanted = static_cast<std::size_t>(count);
    if (wanted <= manager->base.bytes_in_buffer) {
        manager->base.next_input_byte += wanted;
        manager->base.bytes_in_buffer -= wanted;
        return;
    }
    // Skip past the buffer; reading beyond the end fails on the next fill.
    JpegReader* self = manager->owner;
    self->m_input.seek(self->m_input.position() + (wanted - manager->base.bytes_in_buffer));
    manager->base.next_input_byte = nullptr;
    manager->base.bytes_in_buffer = 0;
}

void JpegReader::termSource(j_decompress_ptr) {}

CodecStatus JpegReader::failure() const {
    if (m_inputStatus != CodecStatus::Ok) return m_inputStatus;
    // libjpeg has no backing store here: memory beyond its limit ends so.
    if (m_errorCode == JERR_NO_BACKING_STORE || m_errorCode == JERR_OUT_OF_MEMORY)
        return CodecStatus::TooLarge;
    return CodecStatus::Corrupt;
}

CodecStatus JpegReader::open(std::unique_ptr<ByteSource> source,
                             std::unique_ptr<JpegReader>* reader, std::size_t memoryBudget) {
    if (!source) return CodecStatus::BadParameters;
    std::unique_ptr<JpegReader> result(new JpegReader(std::move(source), memoryBudget));
    const CodecStatus status = result->start();
    if (status != CodecStatus::Ok) return status;
    *reader = std::move(result);
    return CodecStatus::Ok;
}

bool JpegReader::readHeader() {
    if (setjmp(m_errors.jump)) return false;
    jpeg_create_decompress(&m_jpeg);
    m_created = true;
    m_sourceManager.base.init_source = initSource;
    m_sourceManager.base.fill_input_buffer = fillInputBuffer;
    m_sourceManager.base.skip_input_data = skipInputData;
    m_sourceManager.base.resync_to_restart = jpeg_resync_to_restart;
    m_sourceManager.base.term_source = termSource;
    m_sourceManager.base.next_input_byte = nullptr;
    m_sourceManager.base.bytes_in_buffer = 0;
    m_sourceManager.owner = this;
    m_jpeg.src = &m_sourceManager.base;
    jpeg_read_header(&m_jpeg, TRUE);
    return true;
}

bool JpegReader::startDecompress() {
    if (setjmp(m_errors.jump)) return false;
    jpeg_start_decompress(&m_jpeg);
    return true;
}

CodecStatus JpegReader::start() {
    m_jpeg.err = jpeg_std_error(&m_errors.base);
    m_errors.base.error_exit = errorExit;
    m_errors.base.emit_message = emitMessage;
    m_errors.owner = this;
    if (!readHeader()) return failure();

    if (m_jpeg.image_width > static_cast<JDIMENSION>(kMaxImageDimension) ||
        m_jpeg.image_height > static_cast<JDIMENSION>(kMaxImageDimension))
        return CodecStatus::TooLarge;
    // The caller's band, a CMYK row and the input buffer come first.
    const std::uint64_t own = std::uint64_t{m_jpeg.image_width} * 3 * kBandHeight +
                              std::uint64_t{m_jpeg.image_width} * 4 + kInputBufferSize;
    if (own >= m_budget) return CodecStatus::TooLarge;
    m_jpeg.mem->max_memory_to_use = static_cast<long>(
        std::min<std::uint64_t>(m_budget - own, static_cast<std::uint64_t>(LONG_MAX)));
    switch (m_jpeg.jpeg_color_space) {
        case JCS_GRAYSCALE:
            m_jpeg.out_color_space = JCS_GRAYSCALE;
            m_info.kind = PixelKind::Grey;
            break;
        case JCS_CMYK:
        case JCS_YCCK:
            m_jpeg.out_color_space = JCS_CMYK;
            m_info.kind = PixelKind::Rgb;
            m_cmyk = true;
            break;
        case JCS_YCbCr:
        case JCS_RGB:
            m_jpeg.out_color_space = JCS_RGB;
            m_info.kind = PixelKind::Rgb;
            break;
        default:
            if (m_jpeg.num_components == 1) {
                m_jpeg.out_color_space = JCS_GRAYSCALE;
                m_info.kind = PixelKind::Grey;
            } else if (m_jpeg.num_components == 3) {
                m_jpeg.out_color_space = JCS_RGB;
                m_info.kind = PixelKind::Rgb;
            } else {
                return CodecStatus::Unsupported;
            }
    }
    if (m_jpeg.saw_JFIF_marker && m_jpeg.X_density > 0 && m_jpeg.Y_density > 0) {
        const double perInch = m_jpeg.density_unit == 1   ? 1.0
                               : m_jpeg.density_unit == 2 ? 2.54
                                                          : 0.0;
        m_info.horizontalPpi = m_jpeg.X_density * perInch;
        m_info.verticalPpi = m_jpeg.Y_density * perInch;
    }
    if (!startDecompress()) return failure();
    if (m_jpeg.output_components != (m_cmyk ? 4 : m_info.channels()))
        return CodecStatus::Unsupported;
    m_info.width = static_cast<std::int32_t>(m_jpeg.output_width);
    m_info.height = static_cast<std::int32_t>(m_jpeg.output_height);
    if (m_cmyk) m_cmykRow.resize(static_cast<std::size_t>(m_info.width) * 4);
    return CodecStatus::Ok;
}

bool JpegReader::readScanlines(std::uint8_t* destination, std::size_t rowBytes,
                               std::int32_t count) {
    if (setjmp(m_errors.jump)) return false;
    for (std::int32_t r = 0; r < count; ++r) {
        std::uint8_t* row = destination + static_cast<std::size_t>(r) * rowBytes;
        JSAMPROW target = m_cmyk ? m_cmykRow.data() : row;
        if (jpeg_read_scanlines(&m_jpeg, &target, 1) != 1) {
            m_inputStatus = CodecStatus::Corrupt;  // the source never suspends: a library fault
            return false;
        }
        if (m_cmyk) convertCmykRow(row);
    }
    return true;
}

void JpegReader::convertCmykRow(std::uint8_t* out) const {
    const std::uint8_t* in = m_cmykRow.data();
    // Files with an APP14 marker store CMYK inverted (255 is no ink);
    // others store ink.
    const bool inverted = m_jpeg.saw_Adobe_marker;
    for (std::int32_t x = 0; x < m_info.width; ++x, in += 4, out += 3) {
        const unsigned k = inverted ? in[3] : 255u - in[3];
        for (int c = 0; c < 3; ++c) {
            const unsigned ink = inverted ? in[c] : 255u - in[c];
            out[c] = static_cast<std::uint8_t>((ink * k + 127) / 255);
        }
    }
}

CodecStatus JpegReader::readBand(std::uint8_t* destination, std::size_t destinationRowBytes,
                                 BandRows* rows) {
    *rows = BandRows();
    if (m_failed) return failure();
    if (m_rowsDone >= m_info.height) return CodecStatus::Ok;
    const std::int32_t count = std::min(kBandHeight, m_info.height - m_rowsDone);
    if (!readScanlines(destination, destinationRowBytes, count)) {
        m_failed = true;
        return failure();
    }
    rows->firstRow = m_rowsDone;
    rows->rowCount = count;
    m_rowsDone += count;
    return CodecStatus::Ok;
}

}  // namespace tessary::modules
