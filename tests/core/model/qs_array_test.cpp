#include "model/qs_array.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace tessary {
namespace {

// The 24-byte edge record the lasso keeps.
struct Edge {
    std::int32_t x1, y1;
    double inverseSlope;
    std::int32_t x2, y2;
};
static_assert(sizeof(Edge) == 24);

Edge edgeFor(int i) {
    return Edge{i, -i, i * 0.5, 3 * i, i + 7};
}

TEST(QSArrayTest, AppendedElementsReadBackAcrossChunksAndNeverMove) {
    QSArray array(3000, sizeof(Edge), 500);
    ASSERT_TRUE(array.valid());
    std::vector<void*> addresses;
    for (int i = 0; i < 3000; ++i) {
        const Edge e = edgeFor(i);
        ASSERT_TRUE(array.append(&e));
        addresses.push_back(array.elementAddress(i));
    }
    EXPECT_EQ(array.count(), 3000u);
    for (int i = 0; i < 3000; ++i) {
        ASSERT_EQ(array.elementAddress(i), addresses[i]);  // growth moved nothing
        Edge e;
        std::memcpy(&e, array.elementAddress(i), sizeof e);
        const Edge expected = edgeFor(i);
        ASSERT_EQ(e.x1, expected.x1);
        ASSERT_EQ(e.y2, expected.y2);
        ASSERT_EQ(e.inverseSlope, expected.inverseSlope);
    }
    // Elements of one chunk are element-size apart.
    EXPECT_EQ(static_cast<std::uint8_t*>(array.elementAddress(1)) -
                  static_cast<std::uint8_t*>(array.elementAddress(0)),
              24);
}

TEST(QSArrayTest, SetFillsChunksOnDemandAndLeavesTheCountAlone) {
    QSArray array(10, 4, 8);
    const std::uint32_t value = 0xDEADBEEF;
    EXPECT_EQ(array.elementAddress(17), nullptr);  // chunk 2 never allocated
    ASSERT_TRUE(array.set(&value, 17));
    EXPECT_EQ(array.count(), 0u);
    std::uint32_t back = 0;
    std::memcpy(&back, array.elementAddress(17), 4);
    EXPECT_EQ(back, value);
    EXPECT_NE(array.elementAddress(16), nullptr);  // same chunk
    EXPECT_EQ(array.elementAddress(8 * 3), nullptr);
}

TEST(QSArrayTest, IndicesBeyondTheChunkTableAreRefused) {
    // Ten elements a chunk and 3000 expected: the table needs 300 chunk
    // slots, more than the ten a table of one slot per chunk element has.
    QSArray array(3000, 4, 10);
    EXPECT_EQ(array.chunkTableLength(), 300u);
    const std::uint32_t value = 5;
    EXPECT_TRUE(array.set(&value, 2999));
    EXPECT_NE(array.elementAddress(2999), nullptr);
    EXPECT_FALSE(array.set(&value, 3000));
    EXPECT_EQ(array.elementAddress(3000), nullptr);
    EXPECT_EQ(array.elementAddress(static_cast<std::size_t>(-1)), nullptr);

    // At least 100 slots, and never fewer than the elements per chunk.
    QSArray small(1, 2, 3);
    EXPECT_EQ(small.chunkTableLength(), 100u);
    EXPECT_EQ(small.capacity(), 300u);
    QSArray wide(3000, 24, 500);
    EXPECT_EQ(wide.chunkTableLength(), 500u);
    // round(expected / per chunk) rounds half up: 25,050 / 100 = 250.5 -> 251.
    QSArray rounded(25050, 1, 100);
    EXPECT_EQ(rounded.chunkTableLength(), 251u);

    // Appending stops at the end of the table and the count stays put.
    QSArray full(1, 1, 1);
    const std::uint8_t byte = 1;
    for (int i = 0; i < 100; ++i) ASSERT_TRUE(full.append(&byte));
    EXPECT_FALSE(full.append(&byte));
    EXPECT_EQ(full.count(), 100u);
}

}  // namespace
}  // namespace tessary
