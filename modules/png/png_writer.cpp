#include "png/png_writer.h"

#include <zlib.h>

#include <cstring>

#include "common/resolution.h"

namespace tessary::modules {

namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Compressed bytes gathered before an IDAT chunk goes out.
constexpr std::size_t kChunkBytes = 1 << 20;

void putBigEndian(std::uint8_t* at, std::uint32_t value) {
    at[0] = static_cast<std::uint8_t>(value >> 24);
    at[1] = static_cast<std::uint8_t>(value >> 16);
    at[2] = static_cast<std::uint8_t>(value >> 8);
    at[3] = static_cast<std::uint8_t>(value);
}

int samplesPerPixel(PixelKind kind) {
    return kind == PixelKind::Rgb ? 3 : 1;
}

}  // namespace

PngWriter::PngWriter(std::unique_ptr<ByteSink> sink, const RasterInfo& info, int threads)
    : m_sink(std::move(sink)),
      m_info(info),
      m_encoder(static_cast<std::size_t>(info.width) * samplesPerPixel(info.kind),
                samplesPerPixel(info.kind), info.kind != PixelKind::Indexed, kCompressionLevel,
                threads) {}

CodecStatus PngWriter::create(std::unique_ptr<ByteSink> sink, const RasterInfo& info, int threads,
                              std::unique_ptr<PngWriter>* writer) {
    if (!sink || info.width < 1 || info.height < 1 || info.width > kMaxImageDimension ||
        info.height > kMaxImageDimension)
        return CodecStatus::BadParameters;
    std::unique_ptr<PngWriter> result(new PngWriter(std::move(sink), info, threads));
    const CodecStatus status = result->writeHeader();
    if (status != CodecStatus::Ok) return status;
    *writer = std::move(result);
    return CodecStatus::Ok;
}

CodecStatus PngWriter::writeChunk(const char type[4], const std::uint8_t* data, std::size_t size) {
    std::uint8_t head[8];
    putBigEndian(head, static_cast<std::uint32_t>(size));
    std::memcpy(head + 4, type, 4);
    uLong crc = crc32(0, head + 4, 4);
    if (size > 0) crc = crc32_z(crc, data, size);
    std::uint8_t tail[4];
    putBigEndian(tail, static_cast<std::uint32_t>(crc));
    CodecStatus status = m_sink->write(head, sizeof head);
    if (status == CodecStatus::Ok && size > 0) status = m_sink->write(data, size);
    if (status == CodecStatus::Ok) status = m_sink->write(tail, sizeof tail);
    return status;
}

CodecStatus PngWriter::writeHeader() {
    CodecStatus status = m_sink->write(kSignature, sizeof kSignature);
    if (status != CodecStatus::Ok) return status;
    std::uint8_t header[13];
    putBigEndian(header, static_cast<std::uint32_t>(m_info.width));
    putBigEndian(header + 4, static_cast<std::uint32_t>(m_info.height));
    header[8] = 8;  // bits per sample
    header[9] = m_info.kind == PixelKind::Rgb ? 2 : m_info.kind == PixelKind::Indexed ? 3 : 0;
    header[10] = header[11] = header[12] = 0;  // deflate, adaptive filters, no interlace
    status = writeChunk("IHDR", header, sizeof header);
    if (status == CodecStatus::Ok && m_info.kind == PixelKind::Indexed) {
        std::uint8_t palette[256 * 3];
        for (int i = 0; i < 256; ++i) {
            palette[3 * i] = m_info.palette.red[i];
            palette[3 * i + 1] = m_info.palette.green[i];
            palette[3 * i + 2] = m_info.palette.blue[i];
        }
        status = writeChunk("PLTE", palette, sizeof palette);
    }
    const std::int32_t xPpm = ppiToPpm(m_info.horizontalPpi);
    const std::int32_t yPpm = ppiToPpm(m_info.verticalPpi);
    if (status == CodecStatus::Ok && xPpm > 0 && yPpm > 0) {
        std::uint8_t physical[9];
        putBigEndian(physical, static_cast<std::uint32_t>(xPpm));
        putBigEndian(physical + 4, static_cast<std::uint32_t>(yPpm));
        physical[8] = 1;  // metres
        status = writeChunk("pHYs", physical, sizeof physical);
    }
    return status;
}

CodecStatus PngWriter::flushImageData() {
    if (m_compressed.empty()) return CodecStatus::Ok;
    const CodecStatus status = writeChunk("IDAT", m_compressed.data(), m_compressed.size());
    m_compressed.clear();
    return status;
}

CodecStatus PngWriter::fail(CodecStatus status) {
    m_failed = true;
    return status;
}

CodecStatus PngWriter::writeRows(const std::uint8_t* source, std::size_t sourceRowBytes,
                                 std::int32_t rowCount) {
    if (m_failed || rowCount < 0 || rowCount > m_info.height - m_rowsWritten)
        return CodecStatus::BadParameters;
    if (rowCount == 0) return CodecStatus::Ok;
    if (!m_encoder.addRows(source, sourceRowBytes, rowCount, m_compressed))
        return fail(CodecStatus::OutOfMemory);
    m_rowsWritten += rowCount;
    if (m_compressed.size() >= kChunkBytes) {
        const CodecStatus status = flushImageData();
        if (status != CodecStatus::Ok) return fail(status);
    }
    return CodecStatus::Ok;
}

CodecStatus PngWriter::finish() {
    if (m_failed || m_rowsWritten != m_info.height) return CodecStatus::BadParameters;
    if (!m_encoder.finish(m_compressed)) return fail(CodecStatus::OutOfMemory);
    CodecStatus status = flushImageData();
    if (status == CodecStatus::Ok) status = writeChunk("IEND", nullptr, 0);
    if (status != CodecStatus::Ok) return fail(status);
    return m_sink->close();
}

}  // namespace tessary::modules
