#include "model/pro_data_buffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace tessary {
namespace {

TEST(ProDataBufferTest, OneBitSourceGivesEightPixelsPerByteMostSignificantFirst) {
    // Two rows of 11 pixels, 4 bytes apart (the last two bytes are padding).
    std::vector<std::uint8_t> rows = {0b10110000, 0b01100000, 0xFF, 0xFF,  //
                                      0b00000001, 0b11011111, 0x00, 0x00};
    ProDataBuffer buffer;
    buffer.setSourceKind(ProDataBuffer::kSourceOneBit);
    buffer.setFirstPlane(0);
    buffer.setLastPlane(0);
    buffer.setStorage(rows.data());
    buffer.setRowBytes(4);
    ASSERT_TRUE(buffer.move(50, 60, 61, 62));
    ASSERT_TRUE(buffer.convert());
    ASSERT_TRUE(buffer.valid());
    EXPECT_TRUE(buffer.ownsStorage());
    EXPECT_EQ(buffer.firstPlane(), 0);
    EXPECT_EQ(buffer.lastPlane(), 0);
    EXPECT_EQ(buffer.sampleStep(), 1);
    EXPECT_EQ(buffer.rowBytes(), 11);
    EXPECT_EQ(buffer.left(), 50);
    EXPECT_EQ(buffer.top(), 60);

    // A set bit is black (0), a clear bit white (255).
    const std::uint8_t row0[11] = {0, 255, 0, 0, 255, 255, 255, 255, 255, 0, 0};
    const std::uint8_t row1[11] = {255, 255, 255, 255, 255, 255, 255, 0, 0, 0, 255};
    for (int x = 0; x < 11; ++x) {
        EXPECT_EQ(buffer.row(0, 0)[x], row0[x]) << x;
        EXPECT_EQ(buffer.row(0, 1)[x], row1[x]) << x;
    }
}

TEST(ProDataBufferTest, IndexedSourceGivesThreeInterleavedSamplesFromTheColourTable) {
    std::uint8_t first[256], second[256], third[256];
    for (int i = 0; i < 256; ++i) {
        first[i] = static_cast<std::uint8_t>(i);
        second[i] = static_cast<std::uint8_t>(255 - i);
        third[i] = static_cast<std::uint8_t>(i * 7);
    }
    ProDataBuffer buffer;
    buffer.setSourceKind(ProDataBuffer::kSourceIndexed);
    buffer.setColourTable(first, second, third);
    EXPECT_EQ(buffer.colour(2), 14u * 65536 + 253u * 256 + 2u);

    std::vector<std::uint8_t> rows = {0, 2, 255, 9,  //
                                      1, 1, 128, 9};
    buffer.setStorage(rows.data());
    buffer.setRowBytes(4);
    ASSERT_TRUE(buffer.move(0, 0, 3, 2));
    ASSERT_TRUE(buffer.convert());
    EXPECT_EQ(buffer.layout(), DataBuffer::kInterleaved);
    EXPECT_EQ(buffer.firstPlane(), 0);
    EXPECT_EQ(buffer.lastPlane(), 2);
    EXPECT_EQ(buffer.sampleStep(), 3);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            const std::uint8_t index = rows[y * 4 + x];
            EXPECT_EQ(buffer.row(0, y)[3 * x], first[index]);
            EXPECT_EQ(buffer.row(1, y)[3 * x], second[index]);
            EXPECT_EQ(buffer.row(2, y)[3 * x], third[index]);
        }
    }

    const std::uint32_t colours[256] = {0x00ABCDEF};
    buffer.setColourTable(colours);
    std::uint8_t zero = 0;
    buffer.setStorage(&zero);
    buffer.setRowBytes(1);
    ASSERT_TRUE(buffer.move(0, 0, 1, 1));
    ASSERT_TRUE(buffer.convert());
    EXPECT_EQ(buffer.row(0, 0)[0], 0xEF);
    EXPECT_EQ(buffer.row(1, 0)[0], 0xCD);
    EXPECT_EQ(buffer.row(2, 0)[0], 0xAB);
}

TEST(ProDataBufferTest, SettersDescribeTheSourceWhileConverting) {
    std::vector<std::uint8_t> strip(100);
    ProDataBuffer buffer;
    buffer.setSourceKind(ProDataBuffer::kSourceIndexed);
    buffer.setLayout(DataBuffer::kPlanar);
    buffer.setFirstPlane(0);
    buffer.setLastPlane(0);
    buffer.setSampleStep(1);
    buffer.setStorage(strip.data());
    buffer.setRowBytes(20);
    EXPECT_EQ(buffer.source(), strip.data());
    EXPECT_EQ(buffer.sourceRowBytes(), 20);
    EXPECT_EQ(buffer.savedLayout(), DataBuffer::kPlanar);
    EXPECT_EQ(buffer.savedLastPlane(), 0);
    EXPECT_EQ(buffer.savedSampleStep(), 1);
    // The buffer itself stays three interleaved samples without storage.
    EXPECT_EQ(buffer.layout(), DataBuffer::kInterleaved);
    EXPECT_EQ(buffer.lastPlane(), 2);
    EXPECT_EQ(buffer.sampleStep(), 3);
    EXPECT_EQ(buffer.storage(), nullptr);

    // Without a converting kind the setters act on the buffer.
    ProDataBuffer plain;
    plain.setStorage(strip.data());
    plain.setRowBytes(20);
    EXPECT_EQ(plain.storage(), strip.data());
    EXPECT_EQ(plain.rowBytes(), 20);
    EXPECT_EQ(plain.source(), nullptr);
    EXPECT_FALSE(plain.convert());
}

TEST(ProDataBufferTest, ShortOrMissingSourceRowsAreRefused) {
    std::vector<std::uint8_t> strip(8, 0xFF);
    ProDataBuffer oneBit;
    oneBit.setSourceKind(ProDataBuffer::kSourceOneBit);
    ASSERT_TRUE(oneBit.move(0, 0, 17, 2));
    EXPECT_FALSE(oneBit.convert());  // no source yet
    oneBit.setStorage(strip.data());
    oneBit.setRowBytes(2);  // 17 pixels need 3 bytes a row
    EXPECT_FALSE(oneBit.convert());
    EXPECT_FALSE(oneBit.valid());
    oneBit.setRowBytes(3);
    EXPECT_TRUE(oneBit.convert());

    ProDataBuffer indexed;
    indexed.setSourceKind(ProDataBuffer::kSourceIndexed);
    indexed.setStorage(strip.data());
    indexed.setRowBytes(4);
    ASSERT_TRUE(indexed.move(0, 0, 5, 1));
    EXPECT_FALSE(indexed.convert());

    ProDataBuffer other;
    other.setSourceKind(2);
    other.setStorage(strip.data());
    EXPECT_FALSE(other.convert());
}

TEST(ProDataBufferTest, LaterStripsMayBeLargerThanEarlierOnes) {
    std::vector<std::uint8_t> strip(64, 0x0F);
    ProDataBuffer buffer;
    buffer.setSourceKind(ProDataBuffer::kSourceOneBit);
    buffer.setStorage(strip.data());
    buffer.setRowBytes(4);
    ASSERT_TRUE(buffer.move(0, 0, 8, 1));
    ASSERT_TRUE(buffer.convert());
    ASSERT_TRUE(buffer.move(0, 1, 32, 16));
    ASSERT_TRUE(buffer.convert());
    EXPECT_EQ(buffer.width(), 32);
    EXPECT_EQ(buffer.height(), 15);
    EXPECT_EQ(buffer.row(0, 14)[3], 255);
    EXPECT_EQ(buffer.row(0, 14)[4], 0);
}

}  // namespace
}  // namespace tessary
