#include "model/blend_table.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tessary {
namespace {

// The table entry from the product alone: the lower half of the rows rounds
// a x b / 255 down and the upper half rounds it up (b - floor((255 - a) b /
// 255) = ceil(a b / 255)).
int roundedProduct(int a, int b) {
    return a < 128 ? (a * b) / 255 : (a * b + 254) / 255;
}

TEST(BlendTableTest, EntriesAreTheProductRoundedDownInTheLowerHalfAndUpInTheUpper) {
    const BlendTable table;
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            ASSERT_EQ(table.product(a, b), roundedProduct(a, b)) << "a=" << a << " b=" << b;
            // Callers index the raw table as a * 256 + b.
            ASSERT_EQ(table.data()[a * 256 + b], roundedProduct(a, b));
            ASSERT_EQ(table.row(a)[b], roundedProduct(a, b));
        }
    }
}

TEST(BlendTableTest, MirroredRowsSumToTheSample) {
    const BlendTable table;
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            ASSERT_EQ(table.product(a, b) + table.product(255 - a, b), b)
                << "a=" << a << " b=" << b;
        }
    }
}

TEST(BlendTableTest, BlendIsExactAtTheEndsAndEqualInputsStayUnchanged) {
    const BlendTable table;
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            ASSERT_EQ(table.blend(255, a, b), a);
            ASSERT_EQ(table.blend(0, a, b), b);
            ASSERT_EQ(table.blendSwapped(0, a, b), a);
            ASSERT_EQ(table.blendSwapped(255, a, b), b);
            // Mixing a sample with itself gives it back at every weight.
            ASSERT_EQ(table.blend(b, a, a), a);
        }
    }
}

TEST(BlendTableTest, BlendStaysWithinOneLevelOfTheExactMix) {
    const BlendTable table;
    for (int m = 0; m < 256; m += 3) {
        for (int a = 0; a < 256; a += 5) {
            for (int b = 0; b < 256; b += 7) {
                const double exact = (m * a + (255 - m) * b) / 255.0;
                const int got = table.blend(m, a, b);
                ASSERT_LE(got, 255);
                ASSERT_LT(std::abs(got - exact), 1.0) << "m=" << m << " a=" << a << " b=" << b;
                // The swapped variant weighs a by 255 - m.
                ASSERT_EQ(table.blendSwapped(m, a, b), table.blend(255 - m, a, b));
            }
        }
    }
}

}  // namespace
}  // namespace tessary
