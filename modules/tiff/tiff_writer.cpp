#include "tiff/tiff_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>

#include "common/parallel_jobs.h"
#include "tiff/strip_codec.h"

namespace tessary::modules {

namespace {

// Strips gathered before they are compressed together.
constexpr std::size_t kStripsPerBatch = 32;

}  // namespace

TiffWriter::TiffWriter(const RasterInfo& info, TiffCompression compression, int threads)
    : m_info(info), m_compression(compression), m_threads(threads) {}

TiffWriter::~TiffWriter() {
    if (m_tiff != nullptr) TIFFClose(m_tiff);
}

int TiffWriter::errorHandler(TIFF*, void* user, const char* module, const char* format,
                             va_list arguments) {
    char message[512];
    std::vsnprintf(message, sizeof(message), format, arguments);
    auto* self = static_cast<TiffWriter*>(user);
    self->m_error = module != nullptr ? std::string(module) + ": " + message : message;
    return 1;
}

int TiffWriter::warningHandler(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

CodecStatus TiffWriter::writeFailure() const {
    return errno == ENOSPC || errno == EDQUOT ? CodecStatus::DiskFull : CodecStatus::IoError;
}

CodecStatus TiffWriter::create(UniqueFd fd, const std::string& name, const RasterInfo& info,
                               TiffCompression compression, std::unique_ptr<TiffWriter>* writer,
                               int threads) {
    if (!fd.valid() || info.width < 1 || info.height < 1 || info.width > kMaxImageDimension ||
        info.height > kMaxImageDimension)
        return CodecStatus::BadParameters;
    std::unique_ptr<TiffWriter> result(new TiffWriter(info, compression, threads));
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options == nullptr) return CodecStatus::OutOfMemory;
    TIFFOpenOptionsSetErrorHandlerExtR(options, errorHandler, result.get());
    TIFFOpenOptionsSetWarningHandlerExtR(options, warningHandler, result.get());
    result->m_tiff = TIFFFdOpenExt(fd.get(), name.empty() ? "TIFF" : name.c_str(), "w", options);
    TIFFOpenOptionsFree(options);
    if (result->m_tiff == nullptr) return CodecStatus::IoError;  // fd is still ours: closed here
    fd.release();                                                // closed by TIFFClose from now on
    const CodecStatus status = result->writeTags();
    if (status != CodecStatus::Ok) return status;
    *writer = std::move(result);
    return CodecStatus::Ok;
}

CodecStatus TiffWriter::writeTags() {
    const TiffCompression compression = m_compression;
    const bool rgb = m_info.kind == PixelKind::Rgb;
    const std::uint16_t photometric = rgb                              ? PHOTOMETRIC_RGB
                                      : m_info.kind == PixelKind::Grey ? PHOTOMETRIC_MINISBLACK
                                                                       : PHOTOMETRIC_PALETTE;
    const std::uint32_t rowsPerStrip = static_cast<std::uint32_t>(std::clamp<std::size_t>(
        kStripBytes / m_info.rowBytes(), 1, static_cast<std::size_t>(m_info.height)));
    m_rowsPerStrip = rowsPerStrip;
    bool ok =
        TIFFSetField(m_tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(m_info.width)) &&
        TIFFSetField(m_tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(m_info.height)) &&
        TIFFSetField(m_tiff, TIFFTAG_BITSPERSAMPLE, 8) &&
        TIFFSetField(m_tiff, TIFFTAG_SAMPLESPERPIXEL, rgb ? 3 : 1) &&
        TIFFSetField(m_tiff, TIFFTAG_PHOTOMETRIC, photometric) &&
        TIFFSetField(m_tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
        TIFFSetField(m_tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
        TIFFSetField(m_tiff, TIFFTAG_COMPRESSION,
                     compression == TiffCompression::Deflate ? COMPRESSION_ADOBE_DEFLATE
                                                             : COMPRESSION_LZW) &&
        TIFFSetField(m_tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL) &&
        TIFFSetField(m_tiff, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
    if (ok && m_info.kind == PixelKind::Indexed) {
        std::uint16_t red[256];
        std::uint16_t green[256];
        std::uint16_t blue[256];
        for (int i = 0; i < 256; ++i) {
            red[i] = static_cast<std::uint16_t>(m_info.palette.red[i] * 257);
            green[i] = static_cast<std::uint16_t>(m_info.palette.green[i] * 257);
            blue[i] = static_cast<std::uint16_t>(m_info.palette.blue[i] * 257);
        }
        ok = TIFFSetField(m_tiff, TIFFTAG_COLORMAP, red, green, blue);
    }
    if (ok && m_info.horizontalPpi > 0.0 && m_info.verticalPpi > 0.0) {
        ok = TIFFSetField(m_tiff, TIFFTAG_XRESOLUTION, static_cast<float>(m_info.horizontalPpi)) &&
             TIFFSetField(m_tiff, TIFFTAG_YRESOLUTION, static_cast<float>(m_info.verticalPpi)) &&
             TIFFSetField(m_tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    }
    return ok ? CodecStatus::Ok : CodecStatus::BadParameters;
}

CodecStatus TiffWriter::writeStrips() {
    const std::size_t step = static_cast<std::size_t>(m_info.channels());
    const std::size_t rowBytes = m_info.rowBytes();
    std::vector<std::vector<std::uint8_t>> compressed(m_strips.size());
    runJobs(m_threads, m_strips.size(), [&](std::size_t i) {
        compressed[i] = encodeStrip(m_compression, m_strips[i], rowBytes, step, kDeflateLevel);
    });
    m_strips.clear();
    for (std::vector<std::uint8_t>& data : compressed) {
        errno = 0;
        if (TIFFWriteRawStrip(m_tiff, m_stripsWritten, data.data(),
                              static_cast<tmsize_t>(data.size())) < 0) {
            m_failed = true;
            return writeFailure();
        }
        ++m_stripsWritten;
    }
    return CodecStatus::Ok;
}

CodecStatus TiffWriter::writeRows(const std::uint8_t* source, std::size_t sourceRowBytes,
                                  std::int32_t rowCount) {
    if (m_failed || rowCount < 0 || rowCount > m_info.height - m_rowsWritten)
        return CodecStatus::BadParameters;
    const std::size_t rowBytes = m_info.rowBytes();
    for (std::int32_t r = 0; r < rowCount; ++r) {
        if (m_strips.empty() || m_strips.back().size() == m_rowsPerStrip * rowBytes) {
            if (m_strips.size() == kStripsPerBatch) {
                const CodecStatus status = writeStrips();
                if (status != CodecStatus::Ok) return status;
            }
            m_strips.emplace_back();
            m_strips.back().reserve(m_rowsPerStrip * rowBytes);
        }
        const std::uint8_t* row = source + static_cast<std::size_t>(r) * sourceRowBytes;
        m_strips.back().insert(m_strips.back().end(), row, row + rowBytes);
        ++m_rowsWritten;
    }
    return CodecStatus::Ok;
}

CodecStatus TiffWriter::finish() {
    if (m_failed || m_rowsWritten != m_info.height) return CodecStatus::BadParameters;
    if (!m_strips.empty()) {
        const CodecStatus status = writeStrips();
        if (status != CodecStatus::Ok) return status;
    }
    errno = 0;
    const bool flushed = TIFFFlush(m_tiff) != 0;
    const CodecStatus failure = writeFailure();
    TIFF* tiff = m_tiff;
    m_tiff = nullptr;
    // TIFFClose reports nothing; a descriptor that fails to close after a
    // successful flush has already had all its data accepted by the system.
    TIFFClose(tiff);
    if (!flushed) {
        m_failed = true;
        return failure;
    }
    return CodecStatus::Ok;
}

}  // namespace tessary::modules
