#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "exchange/dib_format.h"

namespace tessary {

class Page;
class PageData;

// Builds a packed device-independent bitmap (the clipboard form) row by row:
// a 40-byte header, for grey images a colour table of the 256 grey levels
// followed by 8-bit rows, for colour images 24-bit rows (blue, green, red),
// uncompressed, stored bottom-up, every row padded to a multiple of 4 bytes.
//
// The whole bitmap is one block of memory: it is what the platform clipboard
// takes. start() refuses a bitmap whose size does not fit the format's
// 32-bit size fields (with room for a 14-byte file header in front).
class DibWriter {
public:
    // Sizes the block for width x height (both at least 1), writes the
    // header (and the grey table) and sets every pixel to 0. kTooLarge for
    // sizes beyond the format, kNoMemory when the block cannot be had;
    // either way the writer is then empty.
    DibError start(std::int32_t width, std::int32_t height, bool grey,
                   std::int32_t pixelsPerMetreX = 0, std::int32_t pixelsPerMetreY = 0);

    bool started() const { return !m_bytes.empty(); }
    std::int32_t width() const { return m_width; }
    std::int32_t height() const { return m_height; }
    bool grey() const { return m_grey; }

    // Stores image row y (0 = top) of a grey bitmap: width() samples.
    void setGreyRow(std::int32_t y, const std::uint8_t* grey);
    // Stores image row y (0 = top) of a colour bitmap from three rows.
    void setColourRow(std::int32_t y, const std::uint8_t* red, const std::uint8_t* green,
                      const std::uint8_t* blue);

    // Hands the bitmap over; the writer is empty afterwards.
    std::vector<std::uint8_t> take();

    // Bytes of the packed bitmap start() would make (headers, table and
    // rows), or 0 when it would not fit the format.
    static std::uint64_t packedBytes(std::int32_t width, std::int32_t height, bool grey);

private:
    std::uint8_t* rowStart(std::int32_t y);

    std::vector<std::uint8_t> m_bytes;
    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
    bool m_grey = false;
    std::uint64_t m_rowBytes = 0;
    std::uint64_t m_pixelOffset = 0;
};

// Prefixes a packed bitmap with the 14-byte file header ("BM", file size,
// pixel offset), the form image libraries and the "image/bmp" clipboard type
// use. kTooLarge when the file would not fit the 32-bit size field;
// kTruncated (or the parser's error) when `packed` is not a valid bitmap.
DibError bitmapFileFromDib(std::span<const std::uint8_t> packed, std::vector<std::uint8_t>& file);

// The bitmap of planes firstPlane ... firstPlane + colourPlanes - 1 of
// `data`'s current state over (0, 0)-(width, height): grey for one colour
// plane, colour (red, green, blue planes) for three. Samples outside a plane
// read as its nearest edge, as every read of the state does.
DibError writePlanesAsDib(const PageData& data, int firstPlane, int colourPlanes,
                          std::int32_t width, std::int32_t height, std::vector<std::uint8_t>& out,
                          std::int32_t pixelsPerMetreX = 0, std::int32_t pixelsPerMetreY = 0);

// The bitmap of what a page shows: its colour planes with a floating
// selection blended over them through its mask (samples outside the float or
// mask planes count as 0, so beside the float the page shows through). Grey
// pages give the 8-bit grey form, colour pages the 24-bit form; the page's
// resolutions go into the header. The page must be shaped.
DibError writePageAsDib(const Page& page, std::vector<std::uint8_t>& out);

}  // namespace tessary
