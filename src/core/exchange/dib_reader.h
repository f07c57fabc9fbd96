#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "exchange/dib_format.h"

namespace tessary {

class Page;
class PageData;

// Decodes the rows of a device-independent bitmap into 8-bit red, green and
// blue rows, one row at a time, so that a bitmap of any size moves into the
// tile store through row buffers.
//
// Understood: the 12-byte core header and the 40-byte header and any larger
// one (read by its size); 1-, 4- and 8-bit pixels through the colour table
// (indices past a short table read as black), 16- and 32-bit pixels with the
// default channel layout or bit-field masks (each channel scaled from its
// mask's range to 0-255 with rounding), 24-bit pixels; rows stored bottom-up
// or top-down. Run-length and embedded JPEG or PNG bitmaps are refused.
//
// The reader keeps a view of the caller's bytes: they must stay alive and
// unchanged between open() and the last read.
class DibReader {
public:
    // Parses a packed bitmap, or a bitmap file when the bytes start with
    // "BM". On failure the reader holds nothing and reads must not be made.
    DibError open(std::span<const std::uint8_t> bytes);
    // The same for the packed form only (the clipboard's bitmap format).
    DibError openPacked(std::span<const std::uint8_t> bytes);

    bool isOpen() const { return m_open; }
    const DibInfo& info() const { return m_info; }
    std::int32_t width() const { return m_info.width; }
    std::int32_t height() const { return m_info.height; }

    // Indexed pixels whose colour table holds only greys (red = green =
    // blue), so every pixel decodes as a grey.
    bool greyPalette() const;

    // Decodes image row y (0 = top row, below height()) into width() samples
    // each of red, green and blue.
    void readRow(std::int32_t y, std::uint8_t* red, std::uint8_t* green, std::uint8_t* blue) const;

    // Writes every row into planes firstPlane ... firstPlane + 2 (red, green,
    // blue) of `data`'s current state at (0, 0). The state should be at least
    // width() x height() (writes outside its planes are dropped). kNoMemory
    // when the row buffers cannot be had, kStoreFailed when a row cannot be
    // written (the rows written before it stay).
    DibError readInto(PageData& data, int firstPlane) const;
    // Shapes `page` (normally a new one) to the bitmap's size and reads the
    // rows into it: a grey page when greyPalette(), else an RGB page. The
    // page's resolutions are left as they are (info() has the bitmap's).
    // kStoreFailed when the page cannot be shaped or written.
    DibError readIntoPage(Page& page) const;

private:
    // One channel of a bit-field pixel: (pixel & mask) >> shift, scaled from
    // 0 ... maximum to 0 ... 255. A zero mask reads 0.
    struct Channel {
        std::uint32_t mask = 0;
        int shift = 0;
        std::uint64_t maximum = 0;
        std::uint8_t scale(std::uint32_t pixel) const;
    };

    DibError finishOpen(DibError parsed);

    std::span<const std::uint8_t> m_bytes;
    DibInfo m_info;
    std::array<Channel, 3> m_channels{};
    bool m_open = false;
};

}  // namespace tessary
