#pragma once

// Device-independent bitmaps assembled byte by byte from the published
// layout: header, masks, colour table, rows (given top first, unpadded; the
// builder pads them to 4 bytes and stores them bottom-up unless the height
// is negative).

#include <cstdint>
#include <vector>

namespace tessary::test {

using Bytes = std::vector<std::uint8_t>;

inline void append(Bytes& out, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
inline std::uint32_t read32At(const Bytes& in, std::size_t at) {
    return in[at] | in[at + 1] << 8 | in[at + 2] << 16 | std::uint32_t{in[at + 3]} << 24;
}
// A colour as the system keeps it: red in bits 0-7, green 8-15, blue 16-23.
constexpr std::uint32_t rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return std::uint32_t{r} | std::uint32_t{g} << 8 | std::uint32_t{b} << 16;
}

struct DibSpec {
    std::uint32_t headerBytes = 40;  // 12 = core header
    std::int32_t width = 1, height = 1;
    std::uint16_t bitCount = 24;
    std::uint32_t compression = 0, colourUsed = 0;
    std::vector<std::uint32_t> masks{};    // after a 40-byte header, else inside it
    std::vector<std::uint32_t> palette{};  // rgb() colours
    std::vector<Bytes> rows{};
};

inline Bytes buildDib(const DibSpec& s) {
    const bool core = s.headerBytes == 12;
    Bytes out;
    append(out, s.headerBytes, 4);
    append(out, static_cast<std::uint32_t>(s.width), core ? 2 : 4);
    append(out, static_cast<std::uint32_t>(s.height), core ? 2 : 4);
    append(out, 1, 2);
    append(out, s.bitCount, 2);
    if (!core) {
        for (std::uint32_t v : {s.compression, 0u, 2835u, 2835u, s.colourUsed, 0u})
            append(out, v, 4);
        for (std::uint32_t m : s.masks) append(out, m, 4);
        if (s.headerBytes > 40) out.resize(out.size() + s.headerBytes - 40 - 4 * s.masks.size());
    }
    for (std::uint32_t c : s.palette)
        append(out, (c >> 16 & 0xFF) | (c & 0xFF00) | (c & 0xFF) << 16, core ? 3 : 4);
    for (std::size_t i = 0; i < s.rows.size(); ++i) {
        const Bytes& row = s.rows[!core && s.height < 0 ? i : s.rows.size() - 1 - i];
        out.insert(out.end(), row.begin(), row.end());
        out.resize(out.size() + (4 - row.size() % 4) % 4);
    }
    return out;
}

// A bitmap file around a packed bitmap whose rows start at `rowsAt`, with
// `gap` filler bytes before the rows.
inline Bytes buildBitmapFile(const Bytes& packed, std::uint32_t rowsAt, std::uint32_t gap = 0) {
    Bytes out = {'B', 'M'};
    append(out, static_cast<std::uint32_t>(14 + packed.size() + gap), 4);
    append(out, 0, 4);
    append(out, 14 + rowsAt + gap, 4);
    out.insert(out.end(), packed.begin(), packed.begin() + rowsAt);
    out.insert(out.end(), gap, 0xEE);
    out.insert(out.end(), packed.begin() + rowsAt, packed.end());
    return out;
}

}  // namespace tessary::test
