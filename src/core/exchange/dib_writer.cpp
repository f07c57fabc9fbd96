#include "exchange/dib_writer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "model/blend_table.h"
#include "model/page.h"
#include "model/page_data.h"
#include "platform/assert.h"

namespace tessary {

namespace {

constexpr std::uint32_t kGreyTableBytes = 256 * 4;
// The largest packed bitmap: a file header must still fit in front of it
// within the file format's 32-bit size field.
constexpr std::uint64_t kMaxPackedBytes =
    std::numeric_limits<std::uint32_t>::max() - DibFormat::kFileHeaderBytes;

void put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Allocates `bytes` zeroed bytes in `out`; false when memory ran out.
bool allocateZeroed(std::vector<std::uint8_t>& out, std::uint64_t bytes) {
    if (bytes > std::numeric_limits<std::size_t>::max()) return false;
    try {
        out.assign(static_cast<std::size_t>(bytes), 0);
    } catch (const std::bad_alloc&) {
        out.clear();
        return false;
    }
    return true;
}

// Row buffers for up to four planes of one width.
class RowBuffers {
public:
    RowBuffers(std::int32_t width, int count)
        : m_width(static_cast<std::size_t>(width)),
          m_block(new (std::nothrow) std::uint8_t[m_width * static_cast<std::size_t>(count)]) {}
    bool valid() const { return m_block != nullptr; }
    std::uint8_t* row(int index) const { return m_block.get() + m_width * index; }

private:
    std::size_t m_width;
    std::unique_ptr<std::uint8_t[]> m_block;
};

}  // namespace

std::uint64_t DibWriter::packedBytes(std::int32_t width, std::int32_t height, bool grey) {
    if (width < 1 || height < 1) return 0;
    const std::uint64_t rowBytes =
        DibFormat::rowBytes(static_cast<std::uint64_t>(width), grey ? 8 : 24);
    const std::uint64_t header = DibFormat::kInfoHeaderBytes + (grey ? kGreyTableBytes : 0);
    // rowBytes < 2^34 and height < 2^31: the product fits 64 bits.
    const std::uint64_t total = header + rowBytes * static_cast<std::uint64_t>(height);
    return total <= kMaxPackedBytes ? total : 0;
}

DibError DibWriter::start(std::int32_t width, std::int32_t height, bool grey,
                          std::int32_t pixelsPerMetreX, std::int32_t pixelsPerMetreY) {
    m_bytes.clear();
    m_width = m_height = 0;
    const std::uint64_t total = packedBytes(width, height, grey);
    if (total == 0) return DibError::kTooLarge;
    if (!allocateZeroed(m_bytes, total)) return DibError::kNoMemory;

    m_width = width;
    m_height = height;
    m_grey = grey;
    m_rowBytes = DibFormat::rowBytes(static_cast<std::uint64_t>(width), grey ? 8 : 24);
    m_pixelOffset = DibFormat::kInfoHeaderBytes + (grey ? kGreyTableBytes : 0);

    std::uint8_t* h = m_bytes.data();
    put32(h + 0, DibFormat::kInfoHeaderBytes);
    put32(h + 4, static_cast<std::uint32_t>(width));
    put32(h + 8, static_cast<std::uint32_t>(height));  // positive: bottom-up
    put16(h + 12, 1);
    put16(h + 14, grey ? 8 : 24);
    put32(h + 16, DibFormat::kRgb);
    put32(h + 20, static_cast<std::uint32_t>(total - m_pixelOffset));
    put32(h + 24, static_cast<std::uint32_t>(pixelsPerMetreX));
    put32(h + 28, static_cast<std::uint32_t>(pixelsPerMetreY));
    put32(h + 32, grey ? 256 : 0);
    put32(h + 36, 0);
    if (grey) {
        std::uint8_t* table = h + DibFormat::kInfoHeaderBytes;
        for (int i = 0; i < 256; ++i) {
            table[4 * i] = table[4 * i + 1] = table[4 * i + 2] = static_cast<std::uint8_t>(i);
        }
    }
    return DibError::kNone;
}

std::uint8_t* DibWriter::rowStart(std::int32_t y) {
    TS_ASSERT(started() && y >= 0 && y < m_height);
    const auto stored = static_cast<std::uint64_t>(m_height - 1 - y);
    return m_bytes.data() + m_pixelOffset + stored * m_rowBytes;
}

void DibWriter::setGreyRow(std::int32_t y, const std::uint8_t* grey) {
    TS_ASSERT(m_grey);
    std::memcpy(rowStart(y), grey, static_cast<std::size_t>(m_width));
}

void DibWriter::setColourRow(std::int32_t y, const std::uint8_t* red, const std::uint8_t* green,
                             const std::uint8_t* blue) {
    TS_ASSERT(!m_grey);
    std::uint8_t* out = rowStart(y);
    for (std::int32_t x = 0; x < m_width; ++x, out += 3) {
        out[0] = blue[x];
        out[1] = green[x];
        out[2] = red[x];
    }
}

std::vector<std::uint8_t> DibWriter::take() {
    std::vector<std::uint8_t> out;
    out.swap(m_bytes);
    m_width = m_height = 0;
    return out;
}

DibError bitmapFileFromDib(std::span<const std::uint8_t> packed, std::vector<std::uint8_t>& file) {
    DibInfo info;
    const DibError parsed = parseDib(packed, info);
    if (parsed != DibError::kNone) return parsed;
    const std::uint64_t total = std::uint64_t{DibFormat::kFileHeaderBytes} + packed.size();
    if (total > std::numeric_limits<std::uint32_t>::max()) return DibError::kTooLarge;
    if (!allocateZeroed(file, total)) return DibError::kNoMemory;
    std::uint8_t* h = file.data();
    h[0] = 'B';
    h[1] = 'M';
    put32(h + 2, static_cast<std::uint32_t>(total));
    put32(h + 10, static_cast<std::uint32_t>(DibFormat::kFileHeaderBytes + info.pixelOffset));
    std::memcpy(h + DibFormat::kFileHeaderBytes, packed.data(), packed.size());
    return DibError::kNone;
}

DibError writePlanesAsDib(const PageData& data, int firstPlane, int colourPlanes,
                          std::int32_t width, std::int32_t height, std::vector<std::uint8_t>& out,
                          std::int32_t pixelsPerMetreX, std::int32_t pixelsPerMetreY) {
    TS_ASSERT(colourPlanes == 1 || colourPlanes == 3);
    TS_ASSERT(firstPlane >= 0 && firstPlane + colourPlanes <= data.planeCount());
    const bool grey = colourPlanes == 1;
    DibWriter writer;
    const DibError started = writer.start(width, height, grey, pixelsPerMetreX, pixelsPerMetreY);
    if (started != DibError::kNone) return started;
    RowBuffers rows(width, colourPlanes);
    if (!rows.valid()) return DibError::kNoMemory;
    for (std::int32_t y = 0; y < height; ++y) {
        for (int p = 0; p < colourPlanes; ++p) {
            if (!data.readRow(firstPlane + p, 0, y, width, rows.row(p))) {
                return DibError::kStoreFailed;
            }
        }
        if (grey) {
            writer.setGreyRow(y, rows.row(0));
        } else {
            writer.setColourRow(y, rows.row(0), rows.row(1), rows.row(2));
        }
    }
    out = writer.take();
    return DibError::kNone;
}

DibError writePageAsDib(const Page& page, std::vector<std::uint8_t>& out) {
    const PageData* data = page.pageData();
    TS_ASSERT(data != nullptr && data->initialised());
    const int k = page.colourPlaneCount();
    const std::int32_t width = data->width();
    const std::int32_t height = data->height();
    const bool floating = page.hasFloat();

    DibWriter writer;
    const DibError started =
        writer.start(width, height, k == 1, DibFormat::pixelsPerMetre(page.horizontalResolution()),
                     DibFormat::pixelsPerMetre(page.verticalResolution()));
    if (started != DibError::kNone) return started;
    // Colour rows 0 ... k - 1, then the mask row and one float row.
    RowBuffers rows(width, k + 2);
    if (!rows.valid()) return DibError::kNoMemory;
    std::uint8_t* mask = rows.row(k);
    std::uint8_t* floatRow = rows.row(k + 1);
    const BlendTable& blend = page.blend();
    for (std::int32_t y = 0; y < height; ++y) {
        if (floating && !data->readRowOrFill(k, 0, y, width, mask, 0)) {
            return DibError::kStoreFailed;
        }
        for (int p = 0; p < k; ++p) {
            std::uint8_t* colour = rows.row(p);
            if (!data->readRow(p, 0, y, width, colour)) return DibError::kStoreFailed;
            if (!floating) continue;
            if (!data->readRowOrFill(k + 1 + p, 0, y, width, floatRow, 0)) {
                return DibError::kStoreFailed;
            }
            for (std::int32_t x = 0; x < width; ++x) {
                colour[x] = blend.blend(mask[x], floatRow[x], colour[x]);
            }
        }
        if (k == 1) {
            writer.setGreyRow(y, rows.row(0));
        } else {
            writer.setColourRow(y, rows.row(0), rows.row(1), rows.row(2));
        }
    }
    out = writer.take();
    return DibError::kNone;
}

}  // namespace tessary
