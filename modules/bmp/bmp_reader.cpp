#include "bmp/bmp_reader.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "common/resolution.h"
#include "common/triplets.h"

namespace tessary::modules {

namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
// Header sizes above this are not BMP files (v5, the largest, has 124).
constexpr std::uint32_t kMaxHeaderSize = 4096;
// Bytes of the header that are interpreted; v5 adds only colour-space data.
constexpr std::uint32_t kParsedHeaderBytes = 124;

std::uint16_t le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace

void BmpReader::Channel::setMask(std::uint32_t bits) {
    mask = bits;
    shift = bits == 0 ? 0 : std::countr_zero(bits);
    maximum = bits == 0 ? 0 : bits >> shift;
    table.clear();
    if (maximum != 0 && maximum < 65536) {
        table.resize(maximum + 1);
        for (std::uint32_t v = 0; v <= maximum; ++v)
            table[v] = static_cast<std::uint8_t>((v * 255ull + maximum / 2) / maximum);
    }
}

std::uint8_t BmpReader::Channel::scale(std::uint32_t pixel) const {
    if (maximum == 0) return 0;
    const std::uint32_t value = (pixel & mask) >> shift;
    if (!table.empty()) return table[value];
    return static_cast<std::uint8_t>((value * 255ull + maximum / 2) / maximum);
}

BmpReader::BmpReader(std::unique_ptr<ByteSource> source)
    : m_source(std::move(source)), m_runReader(*m_source) {}

CodecStatus BmpReader::open(std::unique_ptr<ByteSource> source, std::unique_ptr<BmpReader>* reader,
                            std::size_t memoryBudget) {
    if (!source) return CodecStatus::BadParameters;
    std::unique_ptr<BmpReader> result(new BmpReader(std::move(source)));
    const CodecStatus status = result->parse();
    if (status != CodecStatus::Ok) return status;
    // One band of stored rows, the caller's band and the channel tables:
    // large bands when the budget allows, else as many rows as fit.
    const std::uint64_t perRow = result->m_stride + result->m_info.rowBytes();
    const std::uint64_t tables = 3 * std::uint64_t{65536};
    if (tables + perRow > memoryBudget) return CodecStatus::TooLarge;
    std::uint64_t rows = largeBandRows(result->m_info.rowBytes(), result->m_info.height);
    const std::uint64_t fit = (memoryBudget - tables) / perRow;
    if (rows > fit) rows = fit >= kBandRowMultiple ? fit / kBandRowMultiple * kBandRowMultiple : fit;
    result->m_bandHeight = static_cast<std::int32_t>(rows);
    *reader = std::move(result);
    return CodecStatus::Ok;
}

CodecStatus BmpReader::parse() {
    const std::uint64_t fileSize = m_source->size();
    std::uint8_t fileHeader[kFileHeaderSize + 4];
    CodecStatus status = m_source->readExactly(0, fileHeader, sizeof(fileHeader));
    if (status != CodecStatus::Ok) return status;
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M') return CodecStatus::Corrupt;
    m_pixelOffset = le32(fileHeader + 10);
    m_headerSize = le32(fileHeader + 14);

    const bool core = m_headerSize == kCoreHeaderSize;
    if (!core && (m_headerSize < kInfoHeaderSize || m_headerSize > kMaxHeaderSize))
        return m_headerSize > kCoreHeaderSize && m_headerSize < kInfoHeaderSize
                   ? CodecStatus::Unsupported  // short OS/2 2.x headers
                   : CodecStatus::Corrupt;
    std::uint8_t header[kParsedHeaderBytes] = {};
    status =
        m_source->readExactly(kFileHeaderSize, header, std::min(m_headerSize, kParsedHeaderBytes));
    if (status != CodecStatus::Ok) return status;

    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint16_t planes = 0;
    std::uint32_t colorsUsed = 0;
    std::int32_t xPixelsPerMetre = 0;
    std::int32_t yPixelsPerMetre = 0;
    if (core) {
        width = le16(header + 4);
        height = le16(header + 6);
        planes = le16(header + 8);
        m_bitCount = le16(header + 10);
    } else {
        width = static_cast<std::int32_t>(le32(header + 4));
        height = static_cast<std::int32_t>(le32(header + 8));
        planes = le16(header + 12);
        m_bitCount = le16(header + 14);
        m_compression = le32(header + 16);
        xPixelsPerMetre = static_cast<std::int32_t>(le32(header + 24));
        yPixelsPerMetre = static_cast<std::int32_t>(le32(header + 28));
        colorsUsed = le32(header + 32);
    }
    if (planes != 1) return CodecStatus::Corrupt;
    if (height < 0) {
        m_topDown = true;
        height = -height;  // 64-bit: -INT32_MIN does not overflow
    }
    if (width < 1 || height < 1) return CodecStatus::Corrupt;
    if (width > kMaxImageDimension || height > kMaxImageDimension) return CodecStatus::TooLarge;
    m_info.width = static_cast<std::int32_t>(width);
    m_info.height = static_cast<std::int32_t>(height);

    // Bit count and compression must agree.
    switch (m_compression) {
        case kBmpRgb:
            if (core ? !(m_bitCount == 1 || m_bitCount == 4 || m_bitCount == 8 || m_bitCount == 24)
                     : !(m_bitCount == 1 || m_bitCount == 2 || m_bitCount == 4 || m_bitCount == 8 ||
                         m_bitCount == 16 || m_bitCount == 24 || m_bitCount == 32))
                return CodecStatus::Corrupt;
            break;
        case kBmpRle8:
            if (m_bitCount != 8 || m_topDown) return CodecStatus::Corrupt;
            break;
        case kBmpRle4:
            if (m_bitCount != 4 || m_topDown) return CodecStatus::Corrupt;
            break;
        case kBmpBitfields:
        case kBmpAlphaBitfields:
            if (m_bitCount != 16 && m_bitCount != 32) return CodecStatus::Corrupt;
            break;
        default:
            return CodecStatus::Unsupported;  // embedded JPEG or PNG, OS/2 codings
    }

    // Bit masks: in the header from v2 (52 bytes) on, else after a 40-byte
    // header; the default masks otherwise.
    std::uint64_t headersEnd = kFileHeaderSize + static_cast<std::uint64_t>(m_headerSize);
    if (m_compression == kBmpBitfields || m_compression == kBmpAlphaBitfields) {
        std::uint8_t masks[12];
        if (m_headerSize >= 52) {
            std::memcpy(masks, header + 40, sizeof(masks));
        } else {
            status = m_source->readExactly(headersEnd, masks, sizeof(masks));
            if (status != CodecStatus::Ok) return status;
            headersEnd += m_compression == kBmpAlphaBitfields ? 16 : 12;
        }
        m_red.setMask(le32(masks));
        m_green.setMask(le32(masks + 4));
        m_blue.setMask(le32(masks + 8));
    } else if (m_bitCount == 16) {
        m_red.setMask(0x7C00);
        m_green.setMask(0x03E0);
        m_blue.setMask(0x001F);
    } else if (m_bitCount == 32) {
        m_red.setMask(0x00FF0000);
        m_green.setMask(0x0000FF00);
        m_blue.setMask(0x000000FF);
    }

    if (m_pixelOffset < headersEnd || m_pixelOffset > fileSize) return CodecStatus::Corrupt;

    if (m_bitCount <= 8) {
        status = readPalette(headersEnd, core ? 3 : 4, colorsUsed);
        if (status != CodecStatus::Ok) return status;
    } else {
        m_info.kind = PixelKind::Rgb;
    }

    m_storedRowBytes = (static_cast<std::uint64_t>(m_info.width) * m_bitCount + 7) / 8;
    m_stride = (static_cast<std::uint64_t>(m_info.width) * m_bitCount + 31) / 32 * 4;
    if (m_compression == kBmpRle8 || m_compression == kBmpRle4) {
        m_runReader.seek(m_pixelOffset);
    } else {
        // Every stored row must lie inside the file; the last row may lack
        // its padding.
        const std::uint64_t needed =
            m_stride * static_cast<std::uint64_t>(m_info.height - 1) + m_storedRowBytes;
        if (needed > fileSize - m_pixelOffset) return CodecStatus::Corrupt;
    }

    m_info.horizontalPpi = ppmToPpi(xPixelsPerMetre);
    m_info.verticalPpi = ppmToPpi(yPixelsPerMetre);
    return CodecStatus::Ok;
}

CodecStatus BmpReader::readPalette(std::uint64_t paletteStart, std::uint32_t entrySize,
                                   std::uint32_t declaredCount) {
    const std::uint32_t possible = 1u << m_bitCount;
    std::uint64_t count = declaredCount == 0 ? possible : std::min(declaredCount, possible);
    // Some writers state more colours than they store before the pixels:
    // take only the entries that lie before them.
    count = std::min<std::uint64_t>(count, (m_pixelOffset - paletteStart) / entrySize);

    std::uint8_t entries[256 * 4];
    const CodecStatus status =
        m_source->readExactly(paletteStart, entries, static_cast<std::size_t>(count * entrySize));
    if (status != CodecStatus::Ok) return status;

    Palette& palette = m_info.palette;
    palette.count = static_cast<int>(count);
    bool grey = true;
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint8_t* entry = entries + i * entrySize;  // blue, green, red[, unused]
        palette.blue[i] = entry[0];
        palette.green[i] = entry[1];
        palette.red[i] = entry[2];
        grey = grey && entry[0] == entry[1] && entry[1] == entry[2];
    }
    m_info.kind = grey ? PixelKind::Grey : PixelKind::Indexed;
    m_greyOfIndex = palette.red;  // entries beyond the palette are 0 (black)
    return CodecStatus::Ok;
}

void BmpReader::convertRow(const std::uint8_t* in, std::uint8_t* out, std::size_t step,
                           std::size_t channelBytes) const {
    const std::int32_t width = m_info.width;
    std::uint8_t* red = out;
    std::uint8_t* green = out + channelBytes;
    std::uint8_t* blue = out + 2 * channelBytes;
    switch (m_bitCount) {
        case 1:
        case 2:
        case 4: {
            const int bits = m_bitCount;
            const std::uint8_t mask = static_cast<std::uint8_t>((1u << bits) - 1);
            const int perByte = 8 / bits;
            for (std::int32_t x = 0; x < width; ++x) {
                const int slot = x % perByte;
                out[x] =
                    static_cast<std::uint8_t>(in[x / perByte] >> (8 - bits * (slot + 1))) & mask;
            }
            break;
        }
        case 8:
            std::memcpy(out, in, static_cast<std::size_t>(width));
            break;
        case 16:
            for (std::int32_t x = 0; x < width; ++x) {
                const std::uint32_t pixel = le16(in + 2 * x);
                const std::size_t at = static_cast<std::size_t>(x) * step;
                red[at] = m_red.scale(pixel);
                green[at] = m_green.scale(pixel);
                blue[at] = m_blue.scale(pixel);
            }
            return;
        case 24:
            // Stored blue, green, red.
            if (step == 1) {
                splitTriplets(in, blue, green, red, static_cast<std::size_t>(width));
            } else {
                for (std::int32_t x = 0; x < width; ++x, in += 3, out += 3) {
                    out[0] = in[2];
                    out[1] = in[1];
                    out[2] = in[0];
                }
            }
            return;
        case 32:
            for (std::int32_t x = 0; x < width; ++x) {
                const std::uint32_t pixel = le32(in + 4 * x);
                const std::size_t at = static_cast<std::size_t>(x) * step;
                red[at] = m_red.scale(pixel);
                green[at] = m_green.scale(pixel);
                blue[at] = m_blue.scale(pixel);
            }
            return;
        default:
            return;
    }
    // Indexed rows: grey images map the index to its level.
    if (m_info.kind == PixelKind::Grey)
        for (std::int32_t x = 0; x < width; ++x) out[x] = m_greyOfIndex[out[x]];
}

CodecStatus BmpReader::readBand(std::uint8_t* destination, std::size_t destinationRowBytes,
                                BandRows* rows) {
    *rows = BandRows();
    if (m_fileRowsDone >= m_info.height) return CodecStatus::Ok;
    // Image rows [0, remaining) of a bottom-up file are still to come: the
    // band of the band grid that holds the last of them.
    const std::int32_t remaining = m_info.height - m_fileRowsDone;
    const std::int32_t count = m_topDown ? std::min(m_bandHeight, remaining)
                                         : (remaining - 1) % m_bandHeight + 1;
    const std::int32_t firstImageRow = m_topDown ? m_fileRowsDone : remaining - count;

    CodecStatus status;
    if (m_compression == kBmpRle8 || m_compression == kBmpRle4) {
        for (std::int32_t r = 0; r < count; ++r)
            std::memset(destination + r * destinationRowBytes, 0,
                        static_cast<std::size_t>(m_info.width));
        status = decodeRunLengthBand(destination, destinationRowBytes, m_fileRowsDone + count,
                                     firstImageRow);
        if (status == CodecStatus::Ok && m_info.kind == PixelKind::Grey) {
            for (std::int32_t r = 0; r < count; ++r) {
                std::uint8_t* row = destination + r * destinationRowBytes;
                for (std::int32_t x = 0; x < m_info.width; ++x) row[x] = m_greyOfIndex[row[x]];
            }
        }
    } else {
        status = readUncompressedBand(destination, destinationRowBytes, m_fileRowsDone, count,
                                      firstImageRow);
    }
    if (status != CodecStatus::Ok) return status;
    m_fileRowsDone += count;
    rows->firstRow = firstImageRow;
    rows->rowCount = count;
    rows->planar = m_planar && m_info.channels() > 1;
    return CodecStatus::Ok;
}

CodecStatus BmpReader::readUncompressedBand(std::uint8_t* destination,
                                            std::size_t destinationRowBytes,
                                            std::int32_t fileRowStart, std::int32_t rowCount,
                                            std::int32_t firstImageRow) {
    const std::size_t bytes = static_cast<std::size_t>(
        m_stride * static_cast<std::uint64_t>(rowCount - 1) + m_storedRowBytes);
    m_raw.resize(static_cast<std::size_t>(m_stride) * static_cast<std::size_t>(rowCount));
    const CodecStatus status = m_source->readExactly(
        m_pixelOffset + m_stride * static_cast<std::uint64_t>(fileRowStart), m_raw.data(), bytes);
    if (status != CodecStatus::Ok) return status;
    const bool planar = m_planar && m_info.channels() > 1;
    const std::size_t step = planar ? 1 : static_cast<std::size_t>(m_info.channels());
    const std::size_t channelBytes =
        planar ? destinationRowBytes * static_cast<std::size_t>(rowCount) : 1;
    for (std::int32_t i = 0; i < rowCount; ++i) {
        const std::int32_t fileRow = fileRowStart + i;
        const std::int32_t imageRow = m_topDown ? fileRow : m_info.height - 1 - fileRow;
        convertRow(
            m_raw.data() + static_cast<std::size_t>(m_stride) * static_cast<std::size_t>(i),
            destination + static_cast<std::size_t>(imageRow - firstImageRow) * destinationRowBytes,
            step, channelBytes);
    }
    return CodecStatus::Ok;
}

CodecStatus BmpReader::decodeRunLengthBand(std::uint8_t* destination,
                                           std::size_t destinationRowBytes, std::int32_t fileRowEnd,
                                           std::int32_t firstImageRow) {
    const bool fourBit = m_compression == kBmpRle4;
    const std::int32_t width = m_info.width;
    const std::int32_t height = m_info.height;
    // Stored row y (0 at the bottom) of this band; callers keep y within
    // the band, which lies inside the image.
    auto rowOf = [&](std::int32_t y) {
        return destination +
               static_cast<std::size_t>(height - 1 - y - firstImageRow) * destinationRowBytes;
    };
    std::uint8_t literal[256];  // up to 255 pixels plus the pad byte
    // Writers may run on into the padding of a stored row; those pixels are
    // dropped. Anything beyond the padded row is damage.
    const std::int32_t capacity = static_cast<std::int32_t>(m_stride * 8 / m_bitCount);
    auto store = [&](std::int32_t count, auto valueAt) {
        std::uint8_t* out = rowOf(m_runY);
        const std::int32_t end = std::min(m_runX + count, width);
        for (std::int32_t x = m_runX; x < end; ++x) out[x] = valueAt(x - m_runX);
        m_runX += count;
    };
    while (!m_runEnded && m_runY < fileRowEnd) {
        std::uint8_t code[2];
        CodecStatus status = m_runReader.read(code, 2);
        if (status != CodecStatus::Ok) return status;
        if (code[0] > 0) {
            // Encoded run: code[0] pixels of one value (RLE4: two alternating).
            const std::int32_t count = code[0];
            if (count > capacity - m_runX) return CodecStatus::Corrupt;
            const std::uint8_t pair[2] = {
                static_cast<std::uint8_t>(fourBit ? code[1] >> 4 : code[1]),
                static_cast<std::uint8_t>(fourBit ? code[1] & 0x0F : code[1])};
            store(count, [&](std::int32_t i) { return pair[i & 1]; });
            continue;
        }
        switch (code[1]) {
            case 0:  // end of line
                m_runX = 0;
                ++m_runY;
                break;
            case 1:  // end of bitmap
                m_runEnded = true;
                break;
            case 2: {  // delta: move right and up
                std::uint8_t delta[2];
                status = m_runReader.read(delta, 2);
                if (status != CodecStatus::Ok) return status;
                if (delta[0] > capacity - m_runX || delta[1] > height - m_runY)
                    return CodecStatus::Corrupt;
                m_runX += delta[0];
                m_runY += delta[1];
                break;
            }
            default: {  // absolute run of code[1] literal pixels, padded to a word
                const std::int32_t count = code[1];
                if (count > capacity - m_runX) return CodecStatus::Corrupt;
                const std::size_t bytes = fourBit ? static_cast<std::size_t>((count + 1) / 2)
                                                  : static_cast<std::size_t>(count);
                status = m_runReader.read(literal, bytes + (bytes & 1));
                if (status != CodecStatus::Ok) return status;
                store(count, [&](std::int32_t i) {
                    return fourBit ? static_cast<std::uint8_t>((i & 1) ? literal[i / 2] & 0x0F
                                                                       : literal[i / 2] >> 4)
                                   : literal[i];
                });
                break;
            }
        }
    }
    return CodecStatus::Ok;
}

}  // namespace tessary::modules
