#include "effects/geometry/geometry_row_ops.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace tessary {
namespace {

std::vector<std::uint8_t> counting(std::size_t n, unsigned seed) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<std::uint8_t>(i * 7 + seed * 13 + i / 256);
    return v;
}

TEST(GeometryRowOpsTest, ReverseRowReversesEveryLength) {
    for (std::size_t n = 0; n <= 70; ++n) {
        const auto in = counting(n, 1);
        std::vector<std::uint8_t> out(n + 1, 0xEE);
        reverseRow(in.data(), out.data(), n);
        for (std::size_t i = 0; i < n; ++i) ASSERT_EQ(out[i], in[n - 1 - i]) << n << " " << i;
        EXPECT_EQ(out[n], 0xEE) << "wrote past the end for " << n;
    }
    const auto in = counting(4000, 2);
    std::vector<std::uint8_t> out(4000);
    reverseRow(in.data(), out.data(), 4000);
    for (std::size_t i = 0; i < 4000; ++i) ASSERT_EQ(out[i], in[3999 - i]);
}

TEST(GeometryRowOpsTest, TransposeBlockMatchesTheDefinitionForEveryShape) {
    for (std::size_t rows = 0; rows <= 40; ++rows) {
        for (std::size_t columns = 0; columns <= 40; ++columns) {
            const std::size_t inStride = columns + 3;
            const std::size_t outStride = rows + 5;
            const auto in = counting(rows * inStride + 1, static_cast<unsigned>(rows + columns));
            std::vector<std::uint8_t> out(columns * outStride + 1, 0xEE);
            transposeBlock(in.data(), inStride, out.data(), outStride, rows, columns);
            for (std::size_t c = 0; c < columns; ++c) {
                for (std::size_t r = 0; r < rows; ++r) {
                    ASSERT_EQ(out[c * outStride + r], in[r * inStride + c])
                        << rows << "x" << columns << " at " << r << "," << c;
                }
                // The gap beyond each output row is left alone.
                for (std::size_t r = rows; r < outStride; ++r)
                    ASSERT_EQ(out[c * outStride + r], 0xEE);
            }
        }
    }
}

TEST(GeometryRowOpsTest, TransposeOfAFullTile) {
    const auto in = counting(128 * 128, 3);
    std::vector<std::uint8_t> out(128 * 128), back(128 * 128);
    transposeBlock(in.data(), 128, out.data(), 128, 128, 128);
    transposeBlock(out.data(), 128, back.data(), 128, 128, 128);
    EXPECT_EQ(back, in);
    EXPECT_EQ(out[5 * 128 + 77], in[77 * 128 + 5]);
}

}  // namespace
}  // namespace tessary
