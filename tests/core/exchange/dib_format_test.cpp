#include "exchange/dib_format.h"

#include <gtest/gtest.h>

#include <limits>

#include "core/exchange/dib_builder.h"
#include "exchange/dib_reader.h"

namespace tessary::test {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

// Reads every row of whatever parses: under the sanitizers a read outside
// the bytes stops the test.
void decodeEveryRow(std::span<const std::uint8_t> bytes) {
    DibReader reader;
    if (reader.open(bytes) != DibError::kNone) return;
    Bytes r(static_cast<std::size_t>(reader.width())), g(r), b(r);
    for (std::int32_t y = 0; y < reader.height(); ++y)
        reader.readRow(y, r.data(), g.data(), b.data());
}

struct Sample {
    Bytes bytes;
    std::size_t minimal;  // header, masks, table, padded rows but the last, the last row's pixels
};

std::vector<Sample> validSamples() {
    using Palette = std::vector<std::uint32_t>;
    using Rows = std::vector<Bytes>;
    // clang-format off
    return {
        {buildDib({40, 10, 3, 1, 0, 0, {}, {0, 0xFFFFFF}, Rows(3, {0xAA, 0x55})}), 40 + 8 + 8 + 2},
        {buildDib({40, 3, -2, 4, 0, 5, {}, Palette(5, 7), Rows(2, {0x12, 0x30})}), 40 + 20 + 4 + 2},
        {buildDib({12, 5, 2, 8, 0, 0, {}, Palette(256, 9), Rows(2, Bytes(5, 1))}), 12 + 768 + 13},
        {buildDib({40, 3, 4, 24, 0, 0, {}, {}, Rows(4, Bytes(9, 0x77))}), 40 + 3 * 12 + 9},
        {buildDib({124, 2, 2, 32, 3, 0, {0xFF0000, 0xFF00, 0xFF}, {}, Rows(2, Bytes(8))}), 140},
    };
    // clang-format on
}

TEST(DibFormat, EveryPrefixShorterThanThePixelsIsRefused) {
    DibInfo info;
    for (const Sample& s : validSamples()) {
        for (std::size_t n = 0; n <= s.bytes.size(); ++n) {
            const std::span<const std::uint8_t> prefix(s.bytes.data(), n);
            // From the last row's pixels on, missing padding does not matter.
            EXPECT_EQ(parseDib(prefix, info) == DibError::kNone, n >= s.minimal)
                << n << " of " << s.minimal;
            decodeEveryRow(prefix);
        }
    }
    const Bytes file = buildBitmapFile(validSamples()[3].bytes, 40, 4);
    ASSERT_EQ(parseBitmapFile(file, info), DibError::kNone);
    EXPECT_EQ(info.pixelOffset, 14u + 40 + 4);
    for (std::size_t n = 0; n < 14 + 4 + validSamples()[3].minimal; ++n) {
        EXPECT_NE(parseBitmapFile(std::span(file.data(), n), info), DibError::kNone) << n;
    }
}

// A 40-byte header with the given fields and 64 zero bytes after it.
Bytes header(std::int32_t width, std::int32_t height, std::uint16_t bits,
             std::uint32_t compression = 0, std::uint32_t used = 0) {
    Bytes out = buildDib({40, width, height, bits, compression, used, {}, {}, {}});
    out.resize(out.size() + 64);
    return out;
}

TEST(DibFormat, HostileHeadersAreRefusedWithTheirReason) {
    const struct {
        Bytes bytes;
        DibError error;
    } cases[] = {
        // clang-format off
        // Sizes whose rows pass 32 bits (or 64 bits in total) over almost no bytes.
        {header(kMax, kMax, 32), DibError::kTruncated},
        {header(kMax, -kMax, 24), DibError::kTruncated},
        {header(1, kMax, 1), DibError::kTruncated},
        {header(65536, 65536, 8, 0, 1), DibError::kTruncated},
        {header(0, 1, 24), DibError::kBadDimensions},
        {header(-3, 1, 24), DibError::kBadDimensions},
        {header(1, 0, 24), DibError::kBadDimensions},
        {header(1, std::numeric_limits<std::int32_t>::min(), 24), DibError::kBadDimensions},
        {header(1, 1, 0), DibError::kUnsupportedDepth},
        {header(1, 1, 2), DibError::kUnsupportedDepth},
        {header(1, 1, 64), DibError::kUnsupportedDepth},
        {buildDib({12, 1, 1, 16, 0, 0, {}, {}, {Bytes(2)}}), DibError::kUnsupportedDepth},
        {buildDib({12, 0, 1, 24, 0, 0, {}, {}, {}}), DibError::kBadDimensions},
        {header(1, 1, 8, 1), DibError::kUnsupportedCompression},   // RLE8
        {header(1, 1, 4, 2), DibError::kUnsupportedCompression},   // RLE4
        {header(1, 1, 24, 3), DibError::kUnsupportedCompression},  // bit fields on 24 bits
        {header(1, 1, 24, 5), DibError::kUnsupportedCompression},  // PNG
        // Masks inside a header need 52 bytes; after a 40-byte one all three must be there.
        {buildDib({44, 1, 1, 16, 3, 0, {}, {}, {Bytes(2)}}), DibError::kBadHeaderSize},
        {buildDib({40, 1, 1, 16, 3, 0, {0xF800, 0x07E0}, {}, {}}), DibError::kTruncated},
        {header(1, 1, 8, 0, 257), DibError::kBadPalette},
        {header(1, 1, 8, 0, 0x40000000), DibError::kBadPalette},
        {header(1, 1, 24, 0, 0xFFFFFFFF), DibError::kBadPalette},
        // clang-format on
    };
    DibInfo info;
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(parseDib(cases[i].bytes, info), cases[i].error) << i;

    // Header size fields that lie, plane counts other than 1.
    for (std::uint32_t size : {0u, 4u, 11u, 13u, 39u, 0x1000u, 0xFFFFFFFFu}) {
        Bytes bytes = header(1, 1, 24);
        for (int i = 0; i < 4; ++i)
            bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(size >> (8 * i));
        EXPECT_EQ(parseDib(bytes, info),
                  size < 40 ? DibError::kBadHeaderSize : DibError::kTruncated)
            << size;
    }
    Bytes planes = header(1, 1, 24);
    planes[12] = 2;
    EXPECT_EQ(parseDib(planes, info), DibError::kBadPlanes);
}

TEST(DibFormat, ColourTablesAreCountedAndSkipped) {
    DibInfo info;
    // More entries than 1 bit can index: stored, but only two are used.
    ASSERT_EQ(parseDib(buildDib({40, 2, 1, 1, 0, 4, {}, {1, 2, 3, 4}, {{0x40}}}), info),
              DibError::kNone);
    EXPECT_EQ(info.paletteEntries, 2u);
    EXPECT_EQ(info.storedPaletteEntries, 4u);
    EXPECT_EQ(info.pixelOffset, 40u + 16);
    // A table stored with 24-bit pixels is skipped.
    ASSERT_EQ(parseDib(buildDib({40, 1, 1, 24, 0, 2, {}, {0, 0}, {{9, 8, 7}}}), info),
              DibError::kNone);
    EXPECT_EQ(info.pixelOffset, 48u);
}

TEST(DibFormat, FileOffsetsMustPointPastTheHeadersAndBeforeTheEnd) {
    const Bytes good =
        buildBitmapFile(buildDib({40, 2, 2, 8, 0, 2, {}, {0, 0xFFFFFF}, {{0, 1}, {0, 1}}}), 48);
    DibInfo info;
    ASSERT_EQ(parseBitmapFile(good, info), DibError::kNone);  // rows at 62, 8 bytes, file 70
    for (std::uint32_t offset : {0u, 13u, 14u, 54u, 61u, 65u, 1000u, 0xFFFFFFFFu}) {
        Bytes bytes = good;
        for (int i = 0; i < 4; ++i)
            bytes[10 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(offset >> (8 * i));
        EXPECT_EQ(parseBitmapFile(bytes, info),
                  offset < 62 ? DibError::kBadOffset : DibError::kTruncated)
            << offset;
    }
    Bytes notBm = good;
    notBm[1] = 'A';
    EXPECT_EQ(parseBitmapFile(notBm, info), DibError::kNotBitmapFile);
}

// Bitmaps with a few bytes changed or cut at random: whatever parses must lie
// inside its bytes (checked here from the layout) and decode inside them.
TEST(DibFormat, RandomDamageNeverReadsOutside) {
    std::uint32_t state = 12345;
    auto next = [&state] { return (state = state * 1664525u + 1013904223u) >> 8; };
    int accepted = 0;
    for (const Sample& sample : validSamples()) {
        for (int round = 0; round < 400; ++round) {
            Bytes bytes = sample.bytes;
            for (std::uint32_t c = next() % 4; c < 4; ++c) {
                const std::size_t limit =
                    next() % 2 ? std::min<std::size_t>(bytes.size(), 60) : bytes.size();
                bytes[next() % limit] = static_cast<std::uint8_t>(next());
            }
            if (next() % 3 == 0) bytes.resize(next() % bytes.size());
            DibInfo info;
            if (parseAnyBitmap(bytes, info) != DibError::kNone) continue;
            ++accepted;
            const std::uint64_t bits =
                std::uint64_t{info.bitCount} * static_cast<std::uint32_t>(info.width);
            ASSERT_EQ(info.rowBytes, (bits + 31) / 32 * 4);
            ASSERT_LE(info.pixelOffset + info.rowBytes * (info.height - 1) + (bits + 7) / 8,
                      bytes.size());
            decodeEveryRow(bytes);
        }
    }
    EXPECT_GT(accepted, 0);  // damage to pixel bytes alone leaves bitmaps valid
}

}  // namespace
}  // namespace tessary::test
