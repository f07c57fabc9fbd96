#include "tiff/strip_reader.h"

#include <algorithm>
#include <cstring>

#include "common/parallel_jobs.h"

namespace tessary::modules {

namespace {

// Decoded bytes a batch aims at, unless the threads want more strips.
constexpr std::size_t kBatchBytes = std::size_t{4} << 20;

// The most stored bytes of a strip that are read, as libtiff bounds them:
// counts above 1 MB are cut to ten times the decoded strip and 4 KB.
std::uint64_t storedLimit(std::size_t stripBytes) {
    return std::max<std::uint64_t>(std::uint64_t{1} << 20, std::uint64_t{stripBytes} * 10 + 4096);
}

// Resizes without keeping the contents, so that growing never holds the
// old and the new storage at once.
void resizeBuffer(std::vector<std::uint8_t>& buffer, std::size_t size) {
    if (size > buffer.capacity()) std::vector<std::uint8_t>().swap(buffer);
    buffer.resize(size);
}

}  // namespace

std::unique_ptr<StripReader> StripReader::create(TIFF* tiff, std::int32_t height,
                                                 std::size_t rowBytes, int samplesPerPixel,
                                                 std::uint64_t fileSize, std::size_t budget,
                                                 int threads) {
    if (TIFFIsTiled(tiff) || height < 1 || rowBytes == 0) return nullptr;
    std::uint16_t compression = COMPRESSION_NONE;
    std::uint16_t predictor = PREDICTOR_NONE;
    std::uint16_t fillOrder = FILLORDER_MSB2LSB;
    std::uint32_t rowsPerStrip = 0;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    if (compression != COMPRESSION_LZW && compression != COMPRESSION_ADOBE_DEFLATE &&
        compression != COMPRESSION_DEFLATE)
        return nullptr;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PREDICTOR, &predictor);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_FILLORDER, &fillOrder);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    if ((predictor != PREDICTOR_NONE && predictor != PREDICTOR_HORIZONTAL) ||
        fillOrder != FILLORDER_MSB2LSB || rowsPerStrip == 0)
        return nullptr;
    rowsPerStrip = std::min(rowsPerStrip, static_cast<std::uint32_t>(height));
    const std::uint32_t strips =
        (static_cast<std::uint32_t>(height) + rowsPerStrip - 1) / rowsPerStrip;
    const std::size_t stripBytes = rowsPerStrip * rowBytes;
    if (TIFFNumberOfStrips(tiff) < strips || stripBytes > budget ||
        storedLimit(stripBytes) > budget - stripBytes)
        return nullptr;
    std::unique_ptr<StripReader> reader(new StripReader());
    reader->m_tiff = tiff;
    reader->m_compression =
        compression == COMPRESSION_LZW ? TiffCompression::Lzw : TiffCompression::Deflate;
    reader->m_predicted = predictor == PREDICTOR_HORIZONTAL;
    reader->m_height = height;
    reader->m_rowBytes = rowBytes;
    reader->m_step = static_cast<std::size_t>(samplesPerPixel);
    reader->m_rowsPerStrip = rowsPerStrip;
    reader->m_strips = strips;
    reader->m_stripBytes = stripBytes;
    reader->m_fileSize = fileSize;
    reader->m_budget = budget;
    reader->m_threads = threads;
    return reader;
}

CodecStatus StripReader::fail(std::uint32_t strip, const char* what) {
    m_error = "strip " + std::to_string(strip) + " " + what;
    return CodecStatus::Corrupt;
}

CodecStatus StripReader::readBatch(std::uint32_t first) {
    struct Strip {
        std::uint32_t index;
        std::size_t storedAt;
        std::size_t storedBytes;
        std::size_t decodedAt;
        std::size_t decodedBytes;
        bool byLibrary;  // old-style LZW
    };
    std::vector<Strip> batch;
    const std::uint64_t limit = storedLimit(m_stripBytes);
    const std::size_t target =
        std::max(kBatchBytes, static_cast<std::size_t>(m_threads) * m_stripBytes);
    std::size_t stored = 0;
    std::size_t decoded = 0;
    std::int32_t rows = 0;
    for (std::uint32_t s = first; s < m_strips; ++s) {
        const std::int32_t stripRows = std::min(
            static_cast<std::int32_t>(m_rowsPerStrip),
            m_height - static_cast<std::int32_t>(static_cast<std::uint64_t>(s) * m_rowsPerStrip));
        const std::size_t decodedBytes = static_cast<std::size_t>(stripRows) * m_rowBytes;
        const std::uint64_t offset = TIFFGetStrileOffset(m_tiff, s);
        const std::uint64_t storedBytes = std::min(TIFFGetStrileByteCount(m_tiff, s), limit);
        // The first strip always fits (create()).
        if (!batch.empty() && (decoded + decodedBytes > target ||
                               stored + decoded + storedBytes + decodedBytes > m_budget))
            break;
        if (offset > m_fileSize || storedBytes > m_fileSize - offset)
            return fail(s, "lies beyond the end of the file");
        batch.push_back(
            {s, stored, static_cast<std::size_t>(storedBytes), decoded, decodedBytes, false});
        stored += static_cast<std::size_t>(storedBytes);
        decoded += decodedBytes;
        rows += stripRows;
    }
    resizeBuffer(m_stored, stored);
    resizeBuffer(m_decoded, decoded);
    m_batchRows = 0;
    for (Strip& strip : batch) {
        std::uint8_t* data = m_stored.data() + strip.storedAt;
        if (TIFFReadRawStrip(m_tiff, strip.index, data, static_cast<tmsize_t>(strip.storedBytes)) !=
            static_cast<tmsize_t>(strip.storedBytes))
            return fail(strip.index, "cannot be read");
        strip.byLibrary = m_compression == TiffCompression::Lzw && strip.storedBytes >= 2 &&
                          data[0] == 0 && (data[1] & 1) != 0;
        if (strip.byLibrary &&
            TIFFReadEncodedStrip(m_tiff, strip.index, m_decoded.data() + strip.decodedAt,
                                 static_cast<tmsize_t>(strip.decodedBytes)) !=
                static_cast<tmsize_t>(strip.decodedBytes))
            return fail(strip.index, "is damaged");
    }
    std::vector<std::uint8_t> good(batch.size(), 1);
    runJobs(m_threads, batch.size(), [&](std::size_t i) {
        const Strip& strip = batch[i];
        if (!strip.byLibrary)
            good[i] = decodeStrip(m_compression, m_stored.data() + strip.storedAt,
                                  strip.storedBytes, m_decoded.data() + strip.decodedAt,
                                  strip.decodedBytes, m_rowBytes, m_step, m_predicted);
    });
    for (std::size_t i = 0; i < batch.size(); ++i)
        if (!good[i]) return fail(batch[i].index, "is damaged");
    m_batchTop = static_cast<std::int32_t>(static_cast<std::uint64_t>(first) * m_rowsPerStrip);
    m_batchRows = rows;
    return CodecStatus::Ok;
}

CodecStatus StripReader::readRows(std::int32_t top, std::int32_t count, std::uint8_t* out,
                                  std::size_t outRowBytes) {
    for (std::int32_t r = 0; r < count; ++r) {
        const std::int32_t row = top + r;
        if (row < m_batchTop || row >= m_batchTop + m_batchRows) {
            const CodecStatus status = readBatch(static_cast<std::uint32_t>(row) / m_rowsPerStrip);
            if (status != CodecStatus::Ok) return status;
        }
        std::memcpy(out + static_cast<std::size_t>(r) * outRowBytes,
                    m_decoded.data() + static_cast<std::size_t>(row - m_batchTop) * m_rowBytes,
                    m_rowBytes);
    }
    return CodecStatus::Ok;
}

}  // namespace tessary::modules
