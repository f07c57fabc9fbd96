#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "model/image_data.h"
#include "twain_protocol.h"

namespace tessary {

class Page;
class ProDataBuffer;
class TransferAllocator;

// How a source's pixel type becomes a page:
//   0 black and white -> grey, 1 plane, one bit per pixel (bytes inverted first)
//   1 grey            -> grey, samples-per-pixel planes
//   2 RGB             -> RGB, samples-per-pixel planes
//   3 palette         -> RGB, 3 planes, indexed through the source's palette
//   5 CMYK            -> type 8, which no page takes, so the image fails
// Any other type maps to type 0, which no page takes either.
struct PixelTypeShape {
    std::int32_t pageType = 0;
    int planes = 0;
    std::int32_t conversion = -1;  // a ProDataBuffer source kind
};
PixelTypeShape pageShapeForPixelType(std::int16_t pixelType, std::int16_t samplesPerPixel);

// The transfer of one image: its description from the source, the transfer
// buffer the source writes strips into, and the strip last received.
struct TransferImage {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int16_t samplesPerPixel = 0;
    std::int16_t bitsPerSample = 0;
    double horizontalResolution = 0;  // pixels per inch; 0 when not given
    double verticalResolution = 0;
    PixelTypeShape shape;
    bool blackAndWhite() const { return shape.conversion == 1; }
    // Colours of palette images, red in bits 0-7, green 8-15, blue 16-23.
    std::array<std::uint32_t, 256> colours{};

    std::uint8_t* buffer = nullptr;  // from the allocator; released by the owner
    std::size_t bufferBytes = 0;

    Rect strip;  // in image pixels, clipped to the image
    std::uint32_t bytesPerRow = 0;
    std::uint64_t pixelsReceived = 0;  // strip areas so far, clipped
};

// Takes width, height, samples, bits, resolutions and the page shape from
// the source's image information. False when the image cannot be taken:
// a size below 1 x 1, samples of other than 8 bits (1 bit for black and
// white), or no samples.
bool describeImage(const TW_IMAGEINFO& info, TransferImage& image);

// Colour table of a palette image: entry[index] = third channel x 65536 +
// second x 256 + first, for each colour the palette holds.
void takePalette(const TW_PALETTE8& palette, TransferImage& image);

// The transfer buffer: the preferred size, then three quarters of the
// previous size while the allocator refuses, never below `minimum` (which is
// tried last). Returns the block and sets `bytes`; null when even the
// minimum was refused.
std::uint8_t* allocateTransferBuffer(TransferAllocator& allocator, std::size_t preferred,
                                     std::size_t minimum, std::size_t& bytes);

enum class StripPlacement {
    Placed,     // image.strip holds the part of the image the strip covers
    Empty,      // the strip carries no pixels
    Overrun,    // more pixels than the image announced: wholly outside it,
                // or more area in all than width x height
    BadLayout,  // its rows would not fit the buffer, or are too short
};

// Places a received strip: its rectangle (XOffset, YOffset, + Columns,
// + Rows) cut at the image's right and bottom edges, after checking that the
// rows it claims lie inside the transfer buffer and hold its columns.
StripPlacement placeStrip(const TW_IMAGEMEMXFER& transfer, TransferImage& image);

// Writes the placed strip into the page through `buffer`: planar for one
// sample per pixel, else interleaved; black-and-white strips are inverted in
// the transfer buffer first and converted from one bit per pixel, palette
// strips converted through the colour table. False when the conversion or
// the tile store failed (rows written before stay).
bool writeStrip(Page& page, ProDataBuffer& buffer, TransferImage& image);

}  // namespace tessary
