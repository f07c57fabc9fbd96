#include "model/data_buffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "model/blend_table.h"

namespace tessary {
namespace {

// The blend written from the product: T[a][b] rounds a x b / 255 down for
// a < 128 and up otherwise.
int product(int a, int b) {
    return a < 128 ? (a * b) / 255 : (a * b + 254) / 255;
}
int mix(int m, int a, int b) {
    return product(m, a) + product(255 - m, b);
}

// Reads sample (x, y) of image plane p, with (x, y) relative to the buffer.
std::uint8_t at(const DataBuffer& buffer, int p, int x, int y) {
    return buffer.row(p, y)[x * buffer.sampleStep()];
}
void put(DataBuffer& buffer, int p, int x, int y, std::uint8_t v) {
    buffer.row(p, y)[x * buffer.sampleStep()] = v;
}

void fillRandom(DataBuffer& buffer, std::mt19937& random) {
    for (int p = buffer.firstPlane(); p <= buffer.lastPlane(); ++p)
        for (int y = 0; y < buffer.height(); ++y)
            for (int x = 0; x < buffer.width(); ++x)
                put(buffer, p, x, y, static_cast<std::uint8_t>(random()));
}

TEST(DataBufferTest, PlanarGeometryAndAddressing) {
    DataBuffer buffer(10, 20, 13, 25, 1, 3);
    ASSERT_TRUE(buffer.valid());
    EXPECT_TRUE(buffer.ownsStorage());
    EXPECT_EQ(buffer.left(), 10);
    EXPECT_EQ(buffer.top(), 20);
    EXPECT_EQ(buffer.width(), 3);
    EXPECT_EQ(buffer.height(), 5);
    EXPECT_EQ(buffer.layout(), DataBuffer::kPlanar);
    EXPECT_EQ(buffer.sampleStep(), 1);
    EXPECT_EQ(buffer.rowBytes(), 3);
    EXPECT_EQ(buffer.storageBytes(), 45u);
    EXPECT_EQ(buffer.planeOffset(1), 0);
    EXPECT_EQ(buffer.planeOffset(2), 15);
    EXPECT_EQ(buffer.planeOffset(3), 30);
    EXPECT_EQ(buffer.row(2, 4), buffer.storage() + 15 + 12);

    // A plane mapped to another slot moves with it.
    buffer.setPlaneOrder(1, 3);
    EXPECT_EQ(buffer.planeOffset(1), 30);
}

TEST(DataBufferTest, InterleavedGeometryAndAddressing) {
    DataBuffer buffer(1, 3, DataBuffer::kInterleaved);
    EXPECT_FALSE(buffer.valid());
    ASSERT_TRUE(buffer.reshape(1, 3, -2, -1, 2, 4));
    EXPECT_EQ(buffer.sampleStep(), 3);
    EXPECT_EQ(buffer.rowBytes(), 12);
    EXPECT_EQ(buffer.storageBytes(), 60u);
    EXPECT_EQ(buffer.planeOffset(1), 0);
    EXPECT_EQ(buffer.planeOffset(3), 2);
    EXPECT_EQ(buffer.row(3, 2), buffer.storage() + 2 + 24);

    // Layout and plane setters recompute step and row bytes.
    buffer.setLayout(DataBuffer::kPlanar);
    EXPECT_EQ(buffer.sampleStep(), 1);
    EXPECT_EQ(buffer.rowBytes(), 4);
    buffer.setLayout(DataBuffer::kInterleaved);
    buffer.setLastPlane(2);
    EXPECT_EQ(buffer.sampleStep(), 2);
    EXPECT_EQ(buffer.rowBytes(), 8);
}

TEST(DataBufferTest, StorageSizeIsSixtyFourBitAndFailureLeavesTheBufferInvalid) {
    DataBuffer buffer;
    buffer.setAllocate(0);
    EXPECT_FALSE(buffer.reshape(0, 15, 0, 0, 70000, 70000));
    EXPECT_EQ(buffer.storageBytes(), std::uint64_t{16} * 70000 * 70000);
    EXPECT_EQ(buffer.storage(), nullptr);

    // Far more than any machine has: refused, not thrown.
    DataBuffer huge;
    const std::int32_t big = std::numeric_limits<std::int32_t>::max();
    EXPECT_FALSE(huge.reshape(0, 15, 0, 0, big, big));
    EXPECT_FALSE(huge.valid());
    EXPECT_EQ(huge.storage(), nullptr);
    DataBuffer constructed(0, 0, big, big, 0, 15);
    EXPECT_FALSE(constructed.valid());

    // A span wider than 32 bits is refused as well.
    DataBuffer wide;
    EXPECT_FALSE(wide.reshape(0, 0, -big, 0, big, 1));
    EXPECT_FALSE(wide.valid());
}

TEST(DataBufferTest, SettersThatOutgrowOwnedStorageDropIt) {
    DataBuffer buffer(0, 0, 8, 8, 0, 0);
    ASSERT_TRUE(buffer.valid());
    buffer.setLastPlane(2);  // three planes no longer fit one plane's block
    EXPECT_FALSE(buffer.valid());
    EXPECT_EQ(buffer.storage(), nullptr);

    DataBuffer stepped(0, 0, 8, 8, 0, 0);
    stepped.setSampleStep(2);
    EXPECT_FALSE(stepped.valid());

    DataBuffer shrunk(0, 0, 8, 8, 0, 1);
    shrunk.setLastPlane(0);  // fewer planes still fit
    EXPECT_TRUE(shrunk.valid());
}

TEST(DataBufferTest, MoveKeepsOwnedStorageOnlyWhenTheNewSizeFits) {
    DataBuffer buffer(0, 0, 10, 10, 0, 1);
    std::uint8_t* storage = buffer.storage();
    EXPECT_TRUE(buffer.move(100, 200, 105, 208));
    EXPECT_EQ(buffer.storage(), storage);
    EXPECT_EQ(buffer.left(), 100);
    EXPECT_EQ(buffer.bottom(), 208);
    EXPECT_EQ(buffer.rowBytes(), 10);  // row bytes are kept

    EXPECT_FALSE(buffer.move(0, 0, 11, 5));  // wider than a row
    EXPECT_FALSE(buffer.move(0, 0, 5, 11));  // taller than the block
    EXPECT_EQ(buffer.left(), 100);
    EXPECT_EQ(buffer.width(), 5);
    EXPECT_EQ(buffer.height(), 8);
    EXPECT_TRUE(buffer.valid());

    // Lent storage is described by the caller: any size is accepted.
    std::vector<std::uint8_t> lent(64);
    DataBuffer view(0, 0, DataBuffer::kPlanar);
    view.setStorage(lent.data());
    view.setRowBytes(16);
    EXPECT_TRUE(view.valid());
    EXPECT_FALSE(view.ownsStorage());
    EXPECT_TRUE(view.move(5, 6, 21, 10));
    EXPECT_EQ(view.row(0, 3), lent.data() + 48);
}

TEST(DataBufferTest, FillSetsTheClippedSubRectangleOfEveryPlane) {
    DataBuffer buffer(0, 2, DataBuffer::kInterleaved);
    ASSERT_TRUE(buffer.reshape(0, 2, 10, 20, 16, 24));
    for (std::uint64_t i = 0; i < buffer.storageBytes(); ++i) buffer.storage()[i] = 7;
    const std::uint8_t values[3] = {100, 150, 200};
    buffer.fill(13, 18, 40, 22, values);  // reaches past the right and above the top
    const std::uint8_t others[3] = {1, 2, 3};
    buffer.fill(-5, 23, 12, 100, others);  // reaches past the left and below the bottom
    buffer.fill(0, 0, 9, 30, others);      // wholly left: nothing
    for (int p = 0; p < 3; ++p) {
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 6; ++x) {
                std::uint8_t expected = 7;
                if (x + 10 >= 13 && y + 20 < 22) expected = values[p];
                if (x + 10 < 12 && y + 20 >= 23) expected = others[p];
                ASSERT_EQ(at(buffer, p, x, y), expected) << p << " " << x << " " << y;
            }
        }
    }
}

TEST(DataBufferTest, MaskedBlendMatchesTheFormulaAcrossLayouts) {
    const BlendTable table;
    std::mt19937 random(11);
    DataBuffer mask(0, 0, 7, 5, 3, 3);
    DataBuffer foreground(0, 0, 7, 5, 0, 2);
    DataBuffer background(0, 2, DataBuffer::kInterleaved);
    background.reshape(0, 2, 0, 0, 7, 5);
    DataBuffer output(4, 0, 11, 5, 4, 6);
    fillRandom(mask, random);
    fillRandom(foreground, random);
    fillRandom(background, random);
    for (int y = 0; y < 5; ++y) put(mask, 3, 0, y, 0), put(mask, 3, 1, y, 255);

    ASSERT_TRUE(mask.maskedBlend(background, foreground, output, table));
    for (int i = 0; i < 3; ++i) {
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 7; ++x) {
                const int m = at(mask, 3, x, y);
                const int expected = mix(m, at(foreground, i, x, y), at(background, i, x, y));
                ASSERT_EQ(at(output, 4 + i, x, y), expected) << i << " " << x << " " << y;
            }
            ASSERT_EQ(at(output, 4 + i, 0, y), at(background, i, 0, y));  // mask 0
            ASSERT_EQ(at(output, 4 + i, 1, y), at(foreground, i, 1, y));  // mask 255
        }
    }

    // In place over the background.
    DataBuffer copy(0, 2, DataBuffer::kInterleaved);
    copy.reshape(0, 2, 0, 0, 7, 5);
    for (std::uint64_t k = 0; k < copy.storageBytes(); ++k)
        copy.storage()[k] = background.storage()[k];
    ASSERT_TRUE(mask.maskedBlend(background, foreground, background, table));
    for (int i = 0; i < 3; ++i)
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x)
                ASSERT_EQ(at(background, i, x, y),
                          mix(at(mask, 3, x, y), at(foreground, i, x, y), at(copy, i, x, y)));
}

TEST(DataBufferTest, BlendsRefuseMismatchedBuffersAndTouchNothing) {
    const BlendTable table;
    DataBuffer mask(0, 0, 4, 4, 0, 0);
    DataBuffer three(0, 0, 4, 4, 0, 2);
    DataBuffer one(0, 0, 4, 4, 0, 0);
    DataBuffer smaller(0, 0, 4, 3, 0, 2);
    DataBuffer empty;
    std::mt19937 random(3);
    fillRandom(mask, random);
    fillRandom(three, random);
    for (std::uint64_t k = 0; k < one.storageBytes(); ++k) one.storage()[k] = 42;

    EXPECT_FALSE(mask.maskedBlend(three, three, one, table));      // output planes differ
    EXPECT_FALSE(mask.maskedBlend(one, three, three, table));      // background planes differ
    EXPECT_FALSE(mask.maskedBlend(three, three, smaller, table));  // sizes differ
    EXPECT_FALSE(mask.maskedBlend(three, empty, three, table));    // no storage
    EXPECT_FALSE(one.constantBlend(three, three, 128, table));     // receiver planes differ
    EXPECT_FALSE(smaller.constantBlend(three, three, 128, table));
    for (std::uint64_t k = 0; k < one.storageBytes(); ++k) ASSERT_EQ(one.storage()[k], 42);
}

TEST(DataBufferTest, ConstantBlendMatchesTheFormula) {
    const BlendTable table;
    std::mt19937 random(5);
    DataBuffer foreground(0, 0, 9, 4, 0, 1);
    DataBuffer background(1, 2, DataBuffer::kInterleaved);
    background.reshape(1, 2, 0, 0, 9, 4);
    fillRandom(foreground, random);
    fillRandom(background, random);
    for (int amount : {0, 1, 77, 127, 128, 200, 255}) {
        DataBuffer out(0, 0, 9, 4, 2, 3);
        ASSERT_TRUE(
            out.constantBlend(foreground, background, static_cast<std::uint8_t>(amount), table));
        for (int i = 0; i < 2; ++i)
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 9; ++x)
                    ASSERT_EQ(at(out, 2 + i, x, y),
                              mix(amount, at(foreground, i, x, y), at(background, 1 + i, x, y)))
                        << "amount " << amount;
    }
}

}  // namespace
}  // namespace tessary
