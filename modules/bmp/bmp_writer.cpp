#include "bmp/bmp_writer.h"

#include <cstring>
#include <limits>

#include "common/resolution.h"
#include "common/triplets.h"

namespace tessary::modules {

namespace {

void putLe16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void putLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

constexpr std::uint32_t kHeadersSize = 14 + 40;

}  // namespace

BmpWriter::BmpWriter(std::unique_ptr<ByteSink> sink, const RasterInfo& info)
    : m_sink(std::move(sink)),
      m_info(info),
      m_bitCount(info.kind == PixelKind::Rgb ? 24 : 8),
      m_stride(0),
      m_paletteEntries(info.kind == PixelKind::Rgb ? 0 : 256) {}

CodecStatus BmpWriter::create(std::unique_ptr<ByteSink> sink, const RasterInfo& info,
                              std::unique_ptr<BmpWriter>* writer) {
    if (!sink || info.width < 1 || info.height < 1 || info.width > kMaxImageDimension ||
        info.height > kMaxImageDimension)
        return CodecStatus::BadParameters;
    std::unique_ptr<BmpWriter> result(new BmpWriter(std::move(sink), info));
    const std::uint64_t stride =
        (static_cast<std::uint64_t>(info.width) * result->m_bitCount + 31) / 32 * 4;
    const std::uint64_t fileSize = kHeadersSize + 4ull * result->m_paletteEntries +
                                   stride * static_cast<std::uint64_t>(info.height);
    if (fileSize > std::numeric_limits<std::uint32_t>::max()) return CodecStatus::TooLarge;
    result->m_stride = static_cast<std::uint32_t>(stride);
    const CodecStatus status = result->writeHeaders();
    if (status != CodecStatus::Ok) return status;
    *writer = std::move(result);
    return CodecStatus::Ok;
}

CodecStatus BmpWriter::writeHeaders() {
    const std::uint32_t paletteBytes = 4 * m_paletteEntries;
    const std::uint32_t imageBytes = m_stride * static_cast<std::uint32_t>(m_info.height);
    std::uint8_t header[kHeadersSize] = {};
    header[0] = 'B';
    header[1] = 'M';
    putLe32(header + 2, kHeadersSize + paletteBytes + imageBytes);
    putLe32(header + 10, kHeadersSize + paletteBytes);
    std::uint8_t* info = header + 14;
    putLe32(info, 40);
    putLe32(info + 4, static_cast<std::uint32_t>(m_info.width));
    putLe32(info + 8, static_cast<std::uint32_t>(m_info.height));  // positive: bottom-up
    putLe16(info + 12, 1);
    putLe16(info + 14, m_bitCount);
    putLe32(info + 16, 0);  // no compression
    putLe32(info + 20, imageBytes);
    putLe32(info + 24, static_cast<std::uint32_t>(ppiToPpm(m_info.horizontalPpi)));
    putLe32(info + 28, static_cast<std::uint32_t>(ppiToPpm(m_info.verticalPpi)));
    putLe32(info + 32, m_paletteEntries);
    putLe32(info + 36, 0);
    CodecStatus status = m_sink->write(header, sizeof(header));
    if (status != CodecStatus::Ok || m_paletteEntries == 0) return status;

    std::uint8_t palette[256 * 4] = {};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint8_t* entry = palette + 4 * i;  // blue, green, red, 0
        if (m_info.kind == PixelKind::Grey) {
            entry[0] = entry[1] = entry[2] = static_cast<std::uint8_t>(i);
        } else {
            entry[0] = m_info.palette.blue[i];
            entry[1] = m_info.palette.green[i];
            entry[2] = m_info.palette.red[i];
        }
    }
    return m_sink->write(palette, sizeof(palette));
}

CodecStatus BmpWriter::writeRows(const std::uint8_t* source, std::size_t sourceRowBytes,
                                 std::int32_t rowCount) {
    return writeBand(source, sourceRowBytes, m_bitCount == 8 ? 1 : 3, 1, rowCount);
}

CodecStatus BmpWriter::writePlanarRows(const std::uint8_t* source, std::size_t planeRowBytes,
                                       std::int32_t rowCount) {
    return writeBand(source, planeRowBytes, 1,
                     planeRowBytes * static_cast<std::size_t>(rowCount > 0 ? rowCount : 0),
                     rowCount);
}

CodecStatus BmpWriter::writeBand(const std::uint8_t* source, std::size_t rowBytes,
                                 std::size_t step, std::size_t channelBytes,
                                 std::int32_t rowCount) {
    if (rowCount < 0 || rowCount > m_info.height - m_rowsWritten) return CodecStatus::BadParameters;
    if (rowCount == 0) return CodecStatus::Ok;
    const std::size_t width = static_cast<std::size_t>(m_info.width);
    const std::size_t bytes = std::size_t{m_stride} * static_cast<std::size_t>(rowCount);
    if (m_stored.size() < bytes) m_stored.resize(bytes, 0);
    for (std::int32_t r = 0; r < rowCount; ++r) {
        const std::uint8_t* in = source + static_cast<std::size_t>(rowCount - 1 - r) * rowBytes;
        std::uint8_t* out = m_stored.data() + static_cast<std::size_t>(r) * m_stride;
        if (m_bitCount == 8) {
            std::memcpy(out, in, width);
            continue;
        }
        // Stored blue, green, red.
        const std::uint8_t* red = in;
        const std::uint8_t* green = in + channelBytes;
        const std::uint8_t* blue = in + 2 * channelBytes;
        if (step == 1) {
            joinTriplets(blue, green, red, out, width);
        } else {
            for (std::size_t x = 0; x < width; ++x, out += 3, red += step) {
                out[0] = red[2];
                out[1] = red[1];
                out[2] = red[0];
            }
        }
    }
    const CodecStatus status = m_sink->write(m_stored.data(), bytes);
    if (status != CodecStatus::Ok) return status;
    m_rowsWritten += rowCount;
    return CodecStatus::Ok;
}

CodecStatus BmpWriter::finish() {
    if (m_rowsWritten != m_info.height) return CodecStatus::BadParameters;
    return m_sink->close();
}

}  // namespace tessary::modules
