#include "effects/geometry/scale_resampler.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "effects/geometry/geometry_divider.h"

namespace tessary {
namespace {

TEST(ExactDividerTest, MatchesPlainDivisionOverTheWholeRangeOfSmallDivisors) {
    for (std::uint64_t d = 1; d <= 300; ++d) {
        const ExactDivider divider(d);
        for (std::uint64_t n = 0; n < 256 * d; ++n) {
            ASSERT_EQ(divider.divide(n), n / d) << n << " / " << d;
        }
    }
}

TEST(ExactDividerTest, MatchesPlainDivisionAtTheEdgesOfLargeDivisors) {
    std::mt19937_64 random(5);
    std::vector<std::uint64_t> divisors = {
        1089, 4096, 65535, 65536, 65537, (1u << 23) - 1, 1u << 23, (1u << 23) + 1, 2147483647};
    for (int i = 0; i < 200; ++i) divisors.push_back(1 + random() % (std::uint64_t{1} << 31));
    for (std::uint64_t d : divisors) {
        const ExactDivider divider(d);
        for (std::uint64_t q = 0; q < 256; q += (q < 4 || q > 250) ? 1 : 17) {
            for (std::uint64_t n : {q * d, q * d + d - 1, q * d + d / 2}) {
                if (n >= 256 * d) continue;
                ASSERT_EQ(divider.divide(n), n / d) << n << " / " << d;
            }
            if (q > 0) {
                ASSERT_EQ(divider.divide(q * d - 1), (q * d - 1) / d) << d;
            }
        }
    }
}

TEST(ScaleResamplerTest, AreaWeightsCoverEachSpanExactly) {
    for (const auto& [from, to] : {std::pair{7, 3}, std::pair{100, 33}, std::pair{4000, 2000},
                                   std::pair{129, 128}, std::pair{5, 1}}) {
        const ScaleResampler r(from, to, true);
        ASSERT_EQ(r.mode(), ScaleResampler::Mode::kArea);
        std::int64_t covered = 0;
        for (std::int32_t i = 0; i < to; ++i) {
            const auto& t = r.tap(i);
            const std::uint64_t sum =
                t.firstWeight + std::uint64_t{r.unit()} * t.whole + t.lastWeight;
            EXPECT_EQ(sum, r.divider().divisor()) << from << "->" << to << " at " << i;
            // Spans follow each other without gap or overlap.
            EXPECT_EQ(std::int64_t{t.first} * r.unit() + (r.unit() - t.firstWeight), covered);
            covered += static_cast<std::int64_t>(sum);
            EXPECT_LT(t.first + t.whole + (t.lastWeight > 0 ? 1 : 0), from);
        }
        EXPECT_EQ(covered, std::int64_t{from} * r.unit());
    }
}

TEST(ScaleResamplerTest, ModesFollowTheDirectionAndTheSmoothFlag) {
    EXPECT_EQ(ScaleResampler(10, 20, true).mode(), ScaleResampler::Mode::kLinear);
    EXPECT_EQ(ScaleResampler(10, 10, true).mode(), ScaleResampler::Mode::kLinear);
    EXPECT_EQ(ScaleResampler(10, 9, true).mode(), ScaleResampler::Mode::kArea);
    EXPECT_EQ(ScaleResampler(10, 20, false).mode(), ScaleResampler::Mode::kNearest);
    // Same length: the row is copied.
    const std::uint8_t in[5] = {9, 8, 7, 6, 5};
    std::uint8_t out[5] = {};
    ScaleResampler(5, 5, true).resampleRow(in, out);
    EXPECT_TRUE(std::equal(in, in + 5, out));
}

}  // namespace
}  // namespace tessary
