#include "render/wide_arithmetic.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>

namespace tessary {
namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

TEST(WideArithmeticTest, ProductsBeyond64BitsAreDividedExactly) {
    // 2^33 x 2^36 = 2^69, / 2^36 = 2^33.
    const std::int64_t a = std::int64_t{1} << 33;
    const std::int64_t b = std::int64_t{1} << 36;
    for (const auto f : {&mulDivTrunc, &mulDivTruncPortable}) {
        EXPECT_EQ(f(a, b, b), a);
        EXPECT_EQ(f(-a, b, b), -a);
        // (2^31 - 1) x 64,000,000,000 / 2,000,000,000 = (2^31 - 1) x 32.
        EXPECT_EQ(f(2147483647, 64000000000, 2000000000), std::int64_t{2147483647} * 32);
        // 7 x 10 / 4 = 17.5 -> 17; negative results truncate toward zero.
        EXPECT_EQ(f(7, 10, 4), 17);
        EXPECT_EQ(f(-7, 10, 4), -17);
        EXPECT_EQ(f(7, -10, 4), -17);
        EXPECT_EQ(f(7, 10, -4), -17);
        EXPECT_EQ(f(-7, -10, -4), -17);
        EXPECT_EQ(f(0, kMax, -3), 0);
        // Quotients past 64 bits saturate.
        EXPECT_EQ(f(kMax, kMax, 1), kMax);
        EXPECT_EQ(f(kMax, -kMax, 1), kMin);
        EXPECT_EQ(f(kMin, 1, 1), kMin);
        EXPECT_EQ(f(kMin, -1, 1), kMax);
    }
}

TEST(WideArithmeticTest, PortableVersionAgreesWithNative128BitArithmetic) {
#if defined(__SIZEOF_INT128__)
    std::mt19937_64 random(7);
    for (int i = 0; i < 200000; ++i) {
        // Mixed magnitudes so that both small and 2^100-sized products occur.
        const auto pick = [&](int bits) {
            const std::int64_t v = static_cast<std::int64_t>(random() >> (64 - bits));
            return (random() & 1) ? -v : v;
        };
        const std::int64_t a = pick(1 + static_cast<int>(random() % 62));
        const std::int64_t b = pick(1 + static_cast<int>(random() % 62));
        std::int64_t c = pick(1 + static_cast<int>(random() % 62));
        if (c == 0) c = 1;
        const __int128 exact = static_cast<__int128>(a) * b / c;
        const std::int64_t expected = exact > kMax   ? kMax
                                      : exact < kMin ? kMin
                                                     : static_cast<std::int64_t>(exact);
        ASSERT_EQ(mulDivTruncPortable(a, b, c), expected) << a << " * " << b << " / " << c;
        ASSERT_EQ(mulDivTrunc(a, b, c), expected);
    }
#else
    GTEST_SKIP() << "no native 128-bit integer to compare with";
#endif
}

TEST(WideArithmeticTest, FloorAndCeilingDivisionRoundTheRightWay) {
    EXPECT_EQ(floorDiv(7, 2), 3);
    EXPECT_EQ(floorDiv(-7, 2), -4);
    EXPECT_EQ(floorDiv(-8, 2), -4);
    EXPECT_EQ(ceilDiv(7, 2), 4);
    EXPECT_EQ(ceilDiv(-7, 2), -3);
    EXPECT_EQ(ceilDiv(8, 2), 4);
}

TEST(WideArithmeticTest, DoubleConversionTruncatesAndHoldsLimits) {
    EXPECT_EQ(truncToWide(2.9), 2);
    EXPECT_EQ(truncToWide(-2.9), -2);
    EXPECT_EQ(truncToWide(6.4e10), 64000000000);
    EXPECT_EQ(truncToWide(1e300), std::int64_t{1} << 62);
    EXPECT_EQ(truncToWide(-1e300), -(std::int64_t{1} << 62));
    EXPECT_EQ(truncToWide(std::nan("")), 0);
}

}  // namespace
}  // namespace tessary
