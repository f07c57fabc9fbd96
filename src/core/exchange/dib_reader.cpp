#include "exchange/dib_reader.h"

#include <bit>
#include <memory>
#include <new>

#include "model/page.h"
#include "model/page_data.h"
#include "platform/assert.h"

namespace tessary {

std::uint8_t DibReader::Channel::scale(std::uint32_t pixel) const {
    if (maximum == 0) return 0;
    const std::uint64_t value = (pixel & mask) >> shift;
    if (maximum == 255) return static_cast<std::uint8_t>(value);
    return static_cast<std::uint8_t>((value * 255 + maximum / 2) / maximum);
}

DibError DibReader::open(std::span<const std::uint8_t> bytes) {
    m_bytes = bytes;
    return finishOpen(parseAnyBitmap(bytes, m_info));
}

DibError DibReader::openPacked(std::span<const std::uint8_t> bytes) {
    m_bytes = bytes;
    return finishOpen(parseDib(bytes, m_info));
}

DibError DibReader::finishOpen(DibError parsed) {
    m_open = parsed == DibError::kNone;
    if (!m_open) {
        m_bytes = {};
        m_info = DibInfo{};
        return parsed;
    }
    for (int c = 0; c < 3; ++c) {
        Channel& channel = m_channels[c];
        channel = Channel{};
        channel.mask = m_info.masks[c];
        if (channel.mask == 0) continue;
        channel.shift = std::countr_zero(channel.mask);
        channel.maximum = channel.mask >> channel.shift;
    }
    return DibError::kNone;
}

void DibReader::readRow(std::int32_t y, std::uint8_t* red, std::uint8_t* green,
                        std::uint8_t* blue) const {
    TS_ASSERT(m_open && y >= 0 && y < m_info.height);
    const std::int32_t stored = m_info.topDown ? y : m_info.height - 1 - y;
    const std::uint8_t* row =
        m_bytes.data() + m_info.pixelOffset + static_cast<std::uint64_t>(stored) * m_info.rowBytes;
    const std::int32_t width = m_info.width;

    auto putColour = [&](std::int32_t x, std::uint32_t colour) {
        red[x] = static_cast<std::uint8_t>(colour);
        green[x] = static_cast<std::uint8_t>(colour >> 8);
        blue[x] = static_cast<std::uint8_t>(colour >> 16);
    };
    // Indices past the usable table read as black (palette entries beyond
    // paletteEntries are zero).
    switch (m_info.bitCount) {
        case 1:
            for (std::int32_t x = 0; x < width; ++x) {
                putColour(x, m_info.palette[(row[x >> 3] >> (7 - (x & 7))) & 1]);
            }
            break;
        case 4:
            for (std::int32_t x = 0; x < width; ++x) {
                const std::uint8_t pair = row[x >> 1];
                putColour(x, m_info.palette[(x & 1) ? pair & 0x0F : pair >> 4]);
            }
            break;
        case 8:
            for (std::int32_t x = 0; x < width; ++x) putColour(x, m_info.palette[row[x]]);
            break;
        case 16:
            for (std::int32_t x = 0; x < width; ++x) {
                const std::uint32_t pixel = row[2 * x] | std::uint32_t{row[2 * x + 1]} << 8;
                red[x] = m_channels[0].scale(pixel);
                green[x] = m_channels[1].scale(pixel);
                blue[x] = m_channels[2].scale(pixel);
            }
            break;
        case 24:
            for (std::int32_t x = 0; x < width; ++x) {
                const std::uint8_t* p = row + 3 * static_cast<std::int64_t>(x);
                blue[x] = p[0];
                green[x] = p[1];
                red[x] = p[2];
            }
            break;
        case 32:
            for (std::int32_t x = 0; x < width; ++x) {
                const std::uint8_t* p = row + 4 * static_cast<std::int64_t>(x);
                const std::uint32_t pixel = p[0] | std::uint32_t{p[1]} << 8 |
                                            std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
                red[x] = m_channels[0].scale(pixel);
                green[x] = m_channels[1].scale(pixel);
                blue[x] = m_channels[2].scale(pixel);
            }
            break;
        default:
            TS_ASSERT(false);
    }
}

bool DibReader::greyPalette() const {
    if (!m_open || m_info.bitCount > 8) return false;
    // Entries past the usable table are black, which is grey too.
    for (std::uint32_t i = 0; i < m_info.paletteEntries; ++i) {
        const std::uint32_t c = m_info.palette[i];
        if ((c & 0xFF) != ((c >> 8) & 0xFF) || (c & 0xFF) != ((c >> 16) & 0xFF)) return false;
    }
    return true;
}

DibError DibReader::readIntoPage(Page& page) const {
    TS_ASSERT(m_open);
    const bool grey = greyPalette();
    const std::uint8_t fills[3] = {0, 0, 0};
    if (!page.shape(grey ? Page::kTypeGrey : Page::kTypeRgb, m_info.width, m_info.height,
                    grey ? 1 : 3, fills)) {
        return DibError::kStoreFailed;
    }
    PageData& data = *page.pageData();
    if (!grey) return readInto(data, 0);
    const auto width = static_cast<std::size_t>(m_info.width);
    std::unique_ptr<std::uint8_t[]> rows(new (std::nothrow) std::uint8_t[3 * width]);
    if (!rows) return DibError::kNoMemory;
    for (std::int32_t y = 0; y < m_info.height; ++y) {
        readRow(y, rows.get(), rows.get() + width, rows.get() + 2 * width);
        if (!data.writeRow(0, 0, y, m_info.width, rows.get())) return DibError::kStoreFailed;
    }
    return DibError::kNone;
}

DibError DibReader::readInto(PageData& data, int firstPlane) const {
    TS_ASSERT(m_open);
    const auto width = static_cast<std::size_t>(m_info.width);
    std::unique_ptr<std::uint8_t[]> rows(new (std::nothrow) std::uint8_t[3 * width]);
    if (!rows) return DibError::kNoMemory;
    std::uint8_t* red = rows.get();
    std::uint8_t* green = red + width;
    std::uint8_t* blue = green + width;
    for (std::int32_t y = 0; y < m_info.height; ++y) {
        readRow(y, red, green, blue);
        if (!data.writeRow(firstPlane, 0, y, m_info.width, red) ||
            !data.writeRow(firstPlane + 1, 0, y, m_info.width, green) ||
            !data.writeRow(firstPlane + 2, 0, y, m_info.width, blue)) {
            return DibError::kStoreFailed;
        }
    }
    return DibError::kNone;
}

}  // namespace tessary
