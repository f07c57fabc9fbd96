#include "model/grey_weights.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace tessary {
namespace {

TEST(GreyWeightsTest, TheThreeEntriesOfEveryLevelAddUpToTheLevel) {
    const auto& r = GreyWeights::red();
    const auto& g = GreyWeights::green();
    const auto& b = GreyWeights::blue();
    for (int v = 0; v < 256; ++v) {
        EXPECT_EQ(r[v] + g[v] + b[v], v) << v;
        EXPECT_EQ(GreyWeights::grey(v, v, v), v) << v;
        // Each entry is within one level of its share 30 : 59 : 11.
        EXPECT_LT(std::abs(r[v] - 0.30 * v), 1.0) << v;
        EXPECT_LT(std::abs(g[v] - 0.59 * v), 1.0) << v;
        EXPECT_LT(std::abs(b[v] - 0.11 * v), 1.0) << v;
        // A brighter channel never gives a darker grey.
        if (v > 0) {
            EXPECT_GE(r[v], r[v - 1]) << v;
            EXPECT_GE(g[v], g[v - 1]) << v;
            EXPECT_GE(b[v], b[v - 1]) << v;
        }
    }
}

TEST(GreyWeightsTest, KnownRows) {
    struct Row {
        int v, r, g, b;
    };
    const Row rows[] = {{0, 0, 0, 0}, {1, 0, 1, 0}, {2, 1, 1, 0},    {3, 1, 2, 0},
                        {4, 1, 2, 1}, {5, 1, 3, 1}, {6, 2, 3, 1},    {7, 2, 4, 1},
                        {8, 2, 5, 1}, {9, 3, 5, 1}, {50, 15, 30, 5}, {255, 77, 150, 28}};
    for (const Row& row : rows) {
        EXPECT_EQ(GreyWeights::red()[row.v], row.r) << row.v;
        EXPECT_EQ(GreyWeights::green()[row.v], row.g) << row.v;
        EXPECT_EQ(GreyWeights::blue()[row.v], row.b) << row.v;
    }
    EXPECT_EQ(GreyWeights::greyOfColour(0xFFFFFF), 255);
    EXPECT_EQ(GreyWeights::greyOfColour(0x0000FF), 77);   // red
    EXPECT_EQ(GreyWeights::greyOfColour(0x00FF00), 150);  // green
    EXPECT_EQ(GreyWeights::greyOfColour(0xFF0000), 28);   // blue
    EXPECT_EQ(GreyWeights::greyOfColour(0xFF050404),
              1 + 2 + 1 - 1 + 1);  // r 4, g 4, b 5; top byte ignored
}

TEST(GreyWeightsTest, RowConversionsMatchTheTables) {
    std::mt19937 random(5);
    const int count = 1000;
    std::vector<std::uint8_t> r(count), g(count), b(count), rgb(3 * count);
    for (int i = 0; i < count; ++i) {
        r[i] = static_cast<std::uint8_t>(random());
        g[i] = static_cast<std::uint8_t>(random());
        b[i] = static_cast<std::uint8_t>(random());
        rgb[3 * i] = r[i];
        rgb[3 * i + 1] = g[i];
        rgb[3 * i + 2] = b[i];
    }
    std::vector<std::uint8_t> planar(count), interleaved(count);
    GreyWeights::rgbRowToGrey(r.data(), g.data(), b.data(), planar.data(), count);
    GreyWeights::interleavedRowToGrey(rgb.data(), interleaved.data(), count);
    for (int i = 0; i < count; ++i) {
        const int expected =
            GreyWeights::red()[r[i]] + GreyWeights::green()[g[i]] + GreyWeights::blue()[b[i]];
        ASSERT_EQ(planar[i], expected) << i;
        ASSERT_EQ(interleaved[i], expected) << i;
    }
    // In place over the red row.
    GreyWeights::rgbRowToGrey(r.data(), g.data(), b.data(), r.data(), count);
    EXPECT_EQ(r, planar);
}

}  // namespace
}  // namespace tessary
