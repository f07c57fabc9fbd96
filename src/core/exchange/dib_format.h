#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tessary {

// Why a device-independent bitmap was refused. Every reader of outside
// bitmap bytes answers with one of these; kNone is success.
enum class DibError {
    kNone = 0,
    kTruncated,               // the bytes end before the header, masks, palette or pixels
    kBadHeaderSize,           // header size field not 12 and not at least 40
    kBadDimensions,           // width or height zero, negative width, unusable height
    kBadPlanes,               // plane count other than 1
    kUnsupportedDepth,        // bits per pixel not 1, 4, 8, 16, 24 or 32 (core: 1, 4, 8, 24)
    kUnsupportedCompression,  // run-length, JPEG, PNG or bit fields on the wrong depth
    kBadPalette,              // more colour-table entries than the bytes can hold
    kBadOffset,               // a bitmap file whose pixel offset points into its headers
    kNotBitmapFile,           // a bitmap file without the "BM" signature
    kTooLarge,                // sizes that do not fit the arithmetic or the format's fields
    kNoMemory,                // a buffer could not be allocated
    kStoreFailed,             // the tile store could not take or give the pixels
    kNoImage,                 // there is nothing to write
};

// A short English name of the error, for logs and test messages.
const char* dibErrorName(DibError error);

// Constants of the published bitmap layout.
struct DibFormat {
    static constexpr std::uint32_t kCoreHeaderBytes = 12;  // BITMAPCOREHEADER
    static constexpr std::uint32_t kInfoHeaderBytes = 40;  // BITMAPINFOHEADER
    static constexpr std::uint32_t kFileHeaderBytes = 14;  // "BM", size, 2 reserved, pixel offset
    static constexpr std::uint32_t kRgb = 0;               // BI_RGB
    static constexpr std::uint32_t kRle8 = 1;              // BI_RLE8
    static constexpr std::uint32_t kRle4 = 2;              // BI_RLE4
    static constexpr std::uint32_t kBitFields = 3;         // BI_BITFIELDS
    static constexpr std::uint32_t kAlphaBitFields = 6;    // BI_ALPHABITFIELDS

    // Bytes of one stored row: width x bits rounded up to a multiple of 32
    // bits. Computed in 64 bits; width and bits are never negative here.
    static constexpr std::uint64_t rowBytes(std::uint64_t width, std::uint32_t bits) {
        return (width * bits + 31) / 32 * 4;
    }
    // Pixels per metre for a resolution in pixels per inch, rounded; 0 for
    // a resolution that is not positive or too large for the field.
    static std::int32_t pixelsPerMetre(double pixelsPerInch);
};

// What a bitmap's headers say, checked against the bytes that carry it. A
// DibInfo that parseDib() or parseBitmapFile() filled is safe to decode:
// every row the pixel rows need lies inside the bytes.
struct DibInfo {
    std::uint32_t headerBytes = 0;
    bool coreHeader = false;  // 12-byte header: 16-bit sizes, 3-byte palette entries
    std::int32_t width = 0;   // > 0
    std::int32_t height = 0;  // > 0 (the stored sign is in topDown)
    bool topDown = false;     // first stored row is the top row
    std::uint16_t bitCount = 0;
    std::uint32_t compression = DibFormat::kRgb;  // kRgb or kBitFields after parsing
    // Channel masks of 16- and 32-bit pixels (red, green, blue), the
    // defaults of BI_RGB when the bitmap has no bit fields.
    std::array<std::uint32_t, 3> masks{};
    // The colour table as colours with red in bits 0-7, green 8-15, blue
    // 16-23; entries past paletteEntries are black.
    std::array<std::uint32_t, 256> palette{};
    std::uint32_t paletteEntries = 0;        // usable entries (at most 2^bitCount, at most 256)
    std::uint32_t storedPaletteEntries = 0;  // entries stored in the bytes (may be more)
    std::int32_t pixelsPerMetreX = 0;
    std::int32_t pixelsPerMetreY = 0;
    std::uint64_t rowBytes = 0;     // stored bytes per row, padding included
    std::uint64_t pixelOffset = 0;  // offset of the first stored row in the bytes
};

// Parses a packed bitmap (the clipboard form: header, bit-field masks when
// they follow a 40-byte header, colour table, then the rows). On success
// `info` is complete; on failure it is left in an unspecified state and the
// bytes were only read within their size.
DibError parseDib(std::span<const std::uint8_t> bytes, DibInfo& info);

// Parses a bitmap file: the 14-byte file header ("BM", file size, two
// reserved words, offset of the rows) followed by a packed bitmap whose rows
// start at the given offset. The file size field is not trusted (writers
// get it wrong); the offset must lie past the headers, masks and colour
// table. `info.pixelOffset` is then counted from the start of the file.
DibError parseBitmapFile(std::span<const std::uint8_t> bytes, DibInfo& info);

// parseBitmapFile() when the bytes start with "BM", else parseDib().
DibError parseAnyBitmap(std::span<const std::uint8_t> bytes, DibInfo& info);

}  // namespace tessary
