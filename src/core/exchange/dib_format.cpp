#include "exchange/dib_format.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tessary {

namespace {

// Little-endian reads; the caller has checked that the bytes are there.
std::uint16_t read16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t read32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}
std::int32_t readSigned32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(read32(p));
}

// A colour from a stored palette entry (blue, green, red[, reserved]).
std::uint32_t colourOfEntry(const std::uint8_t* entry) {
    return std::uint32_t{entry[2]} | std::uint32_t{entry[1]} << 8 | std::uint32_t{entry[0]} << 16;
}

bool supportedDepth(std::uint16_t bits, bool core) {
    switch (bits) {
        case 1:
        case 4:
        case 8:
        case 24:
            return true;
        case 16:
        case 32:
            return !core;
        default:
            return false;
    }
}

// The common part of both parsers. `dibStart` is where the header begins in
// `bytes`; `pixelOffset` is the rows' offset from the file header, or 0 for
// a packed bitmap whose rows follow the colour table.
DibError parseHeaders(std::span<const std::uint8_t> bytes, std::uint64_t dibStart,
                      std::uint64_t pixelOffset, DibInfo& info) {
    const std::uint64_t size = bytes.size();
    if (size < dibStart + 4) return DibError::kTruncated;
    const std::uint8_t* base = bytes.data();
    const std::uint8_t* header = base + dibStart;
    info = DibInfo{};
    info.headerBytes = read32(header);

    std::uint32_t maskBytesAfterHeader = 0;
    std::uint32_t stored = 0;  // colour-table entries stored after the masks
    std::uint32_t entryBytes = 4;
    if (info.headerBytes == DibFormat::kCoreHeaderBytes) {
        if (size < dibStart + DibFormat::kCoreHeaderBytes) return DibError::kTruncated;
        info.coreHeader = true;
        info.width = read16(header + 4);
        info.height = read16(header + 6);
        if (read16(header + 8) != 1) return DibError::kBadPlanes;
        info.bitCount = read16(header + 10);
        if (info.width == 0 || info.height == 0) return DibError::kBadDimensions;
        if (!supportedDepth(info.bitCount, true)) return DibError::kUnsupportedDepth;
        entryBytes = 3;
        stored = info.bitCount <= 8 ? 1u << info.bitCount : 0;
    } else {
        if (info.headerBytes < DibFormat::kInfoHeaderBytes) return DibError::kBadHeaderSize;
        if (size < dibStart + DibFormat::kInfoHeaderBytes) return DibError::kTruncated;
        // Larger headers are read by their size: the first 40 bytes mean the
        // same in all of them, and from 52 bytes on the masks sit at 40.
        if (size - dibStart < info.headerBytes) return DibError::kTruncated;
        const std::int32_t width = readSigned32(header + 4);
        const std::int32_t height = readSigned32(header + 8);
        if (read16(header + 12) != 1) return DibError::kBadPlanes;
        info.bitCount = read16(header + 14);
        info.compression = read32(header + 16);
        info.pixelsPerMetreX = readSigned32(header + 24);
        info.pixelsPerMetreY = readSigned32(header + 28);
        const std::uint32_t used = read32(header + 32);
        if (width <= 0 || height == 0 || height == std::numeric_limits<std::int32_t>::min()) {
            return DibError::kBadDimensions;
        }
        info.width = width;
        info.topDown = height < 0;
        info.height = height < 0 ? -height : height;
        if (!supportedDepth(info.bitCount, false)) return DibError::kUnsupportedDepth;

        switch (info.compression) {
            case DibFormat::kRgb:
                break;
            case DibFormat::kBitFields:
            case DibFormat::kAlphaBitFields: {
                if (info.bitCount != 16 && info.bitCount != 32) {
                    return DibError::kUnsupportedCompression;
                }
                const std::uint32_t maskCount =
                    info.compression == DibFormat::kAlphaBitFields ? 4 : 3;
                const std::uint8_t* masks = header + DibFormat::kInfoHeaderBytes;
                if (info.headerBytes == DibFormat::kInfoHeaderBytes) {
                    maskBytesAfterHeader = maskCount * 4;
                    if (size - dibStart - info.headerBytes < maskBytesAfterHeader) {
                        return DibError::kTruncated;
                    }
                } else if (info.headerBytes < DibFormat::kInfoHeaderBytes + 12) {
                    return DibError::kBadHeaderSize;  // no room for the masks inside
                }
                for (int c = 0; c < 3; ++c) info.masks[c] = read32(masks + 4 * c);
                info.compression = DibFormat::kBitFields;
                break;
            }
            default:
                return DibError::kUnsupportedCompression;
        }
        if (info.bitCount <= 8) {
            stored = used != 0 ? used : 1u << info.bitCount;
        } else {
            stored = used;  // an optional table for palette displays, skipped
        }
    }

    if (info.compression == DibFormat::kRgb) {
        if (info.bitCount == 16) info.masks = {0x7C00, 0x03E0, 0x001F};
        if (info.bitCount == 32) info.masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
    }

    // Colour table: counted in 64 bits so that a hostile entry count cannot
    // wrap the offset arithmetic.
    const std::uint64_t tableStart = dibStart + info.headerBytes + maskBytesAfterHeader;
    const std::uint64_t tableEnd = tableStart + std::uint64_t{stored} * entryBytes;
    if (tableEnd > size) return stored > 0 ? DibError::kBadPalette : DibError::kTruncated;
    info.storedPaletteEntries = stored;
    if (info.bitCount <= 8) {
        const std::uint32_t usable = std::min<std::uint32_t>(stored, 1u << info.bitCount);
        info.paletteEntries = usable;
        for (std::uint32_t i = 0; i < usable; ++i) {
            info.palette[i] = colourOfEntry(base + tableStart + std::uint64_t{i} * entryBytes);
        }
    }

    if (pixelOffset == 0) {
        info.pixelOffset = tableEnd;
    } else {
        if (pixelOffset < tableEnd) return DibError::kBadOffset;
        info.pixelOffset = pixelOffset;
    }

    // The rows: every row stored with its padding, except that the last one
    // need only hold its pixels.
    info.rowBytes = DibFormat::rowBytes(static_cast<std::uint64_t>(info.width), info.bitCount);
    const std::uint64_t lastRowBytes =
        (static_cast<std::uint64_t>(info.width) * info.bitCount + 7) / 8;
    if (info.pixelOffset > size) return DibError::kTruncated;
    const std::uint64_t available = size - info.pixelOffset;
    if (available < lastRowBytes) return DibError::kTruncated;
    // Compared by division, so the check cannot overflow whatever the sizes.
    const std::uint64_t earlierRows = static_cast<std::uint64_t>(info.height) - 1;
    if (earlierRows > 0 && (available - lastRowBytes) / earlierRows < info.rowBytes) {
        return DibError::kTruncated;
    }
    return DibError::kNone;
}

}  // namespace

const char* dibErrorName(DibError error) {
    switch (error) {
        case DibError::kNone:
            return "no error";
        case DibError::kTruncated:
            return "truncated bitmap";
        case DibError::kBadHeaderSize:
            return "unknown bitmap header size";
        case DibError::kBadDimensions:
            return "bad bitmap dimensions";
        case DibError::kBadPlanes:
            return "bad bitmap plane count";
        case DibError::kUnsupportedDepth:
            return "unsupported bits per pixel";
        case DibError::kUnsupportedCompression:
            return "unsupported bitmap compression";
        case DibError::kBadPalette:
            return "bad colour table";
        case DibError::kBadOffset:
            return "bad pixel offset";
        case DibError::kNotBitmapFile:
            return "not a bitmap file";
        case DibError::kTooLarge:
            return "bitmap too large";
        case DibError::kNoMemory:
            return "not enough memory";
        case DibError::kStoreFailed:
            return "pixel store failed";
        case DibError::kNoImage:
            return "no image";
    }
    return "unknown error";
}

std::int32_t DibFormat::pixelsPerMetre(double pixelsPerInch) {
    if (!(pixelsPerInch > 0.0)) return 0;
    const double perMetre = std::round(pixelsPerInch / 0.0254);
    if (perMetre > std::numeric_limits<std::int32_t>::max()) return 0;
    return static_cast<std::int32_t>(perMetre);
}

DibError parseDib(std::span<const std::uint8_t> bytes, DibInfo& info) {
    return parseHeaders(bytes, 0, 0, info);
}

DibError parseBitmapFile(std::span<const std::uint8_t> bytes, DibInfo& info) {
    if (bytes.size() < 2 || bytes[0] != 'B' || bytes[1] != 'M') return DibError::kNotBitmapFile;
    if (bytes.size() < DibFormat::kFileHeaderBytes) return DibError::kTruncated;
    const std::uint32_t offset = read32(bytes.data() + 10);
    // An offset of 0 would mean "right after the table" in the packed form;
    // in a file it is simply wrong.
    if (offset < DibFormat::kFileHeaderBytes) return DibError::kBadOffset;
    return parseHeaders(bytes, DibFormat::kFileHeaderBytes, offset, info);
}

DibError parseAnyBitmap(std::span<const std::uint8_t> bytes, DibInfo& info) {
    if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
        return parseBitmapFile(bytes, info);
    }
    return parseDib(bytes, info);
}

}  // namespace tessary
