#include "effects/framework/histogram.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace tessary {
namespace {

TEST(Histogram, StatisticsOfAnAllBlackChannelAreAllZero) {
    Histogram histogram(1);
    histogram.clear();
    std::vector<std::uint8_t> row(1000, 0);
    histogram.addRow(0, row.data(), static_cast<std::int64_t>(row.size()));
    histogram.computeStatistics();
    const auto& s = histogram.statistics(0);
    EXPECT_EQ(s.min, 0);
    EXPECT_EQ(s.max, 0);
    EXPECT_EQ(s.mode, 0);
    EXPECT_EQ(s.rarest, 0);
    EXPECT_EQ(s.median, 0);
    EXPECT_EQ(s.mean, 0.0);
    EXPECT_EQ(s.deviation, 0.0);
    EXPECT_EQ(histogram.largestCount(), 1000u);
}

TEST(Histogram, StatisticsFollowTheirDefinitions) {
    Histogram histogram(3);
    histogram.clear();
    // Red: 10 x 3, 20 x 7, 200 x 7, 250 x 1.
    const std::vector<std::pair<int, int>> red{{10, 3}, {20, 7}, {200, 7}, {250, 1}};
    for (auto [level, n] : red) histogram.setCount(0, level, static_cast<std::uint64_t>(n));
    // Green: masked counting of a row.
    const std::vector<std::uint8_t> levels{5, 6, 7, 8, 9, 9};
    const std::vector<std::uint8_t> mask{0, 1, 255, 0, 9, 9};
    histogram.addRowMasked(1, levels.data(), mask.data(), 6);
    // Blue stays empty.
    histogram.computeStatistics();

    const auto& r = histogram.statistics(0);
    EXPECT_EQ(r.min, 10);
    EXPECT_EQ(r.max, 250);
    EXPECT_EQ(r.mode, 20);  // first of the two largest counts
    EXPECT_EQ(r.rarest, 250);
    const double total = 18;
    const double mean = (10 * 3 + 20 * 7 + 200 * 7 + 250 * 1) / total;
    EXPECT_DOUBLE_EQ(r.mean, mean);
    double squares = 0;
    for (auto [level, n] : red) squares += (level - mean) * (level - mean) * n;
    EXPECT_NEAR(r.deviation, std::sqrt(squares / total), 1e-9);
    // Half of 18 is 9: running counts 3, 10 -> level 20 is the first above 9.
    EXPECT_EQ(r.median, 20);

    const auto& g = histogram.statistics(1);
    EXPECT_EQ(histogram.count(1, 5), 0u);
    EXPECT_EQ(histogram.count(1, 9), 2u);
    EXPECT_EQ(g.min, 6);
    EXPECT_EQ(g.max, 9);
    EXPECT_EQ(g.mode, 9);
    EXPECT_EQ(g.rarest, 6);
    EXPECT_EQ(g.median, 9);  // counts 1, 1, 2; half of 4 is 2; running 1, 2, 4
    EXPECT_DOUBLE_EQ(g.mean, (6 + 7 + 9 + 9) / 4.0);

    const auto& b = histogram.statistics(2);
    EXPECT_EQ(b.min, 255);
    EXPECT_EQ(b.max, 0);
    EXPECT_EQ(b.mean, 0.0);
    EXPECT_EQ(b.total, 0u);

    EXPECT_EQ(histogram.largestCount(), 18u);

    histogram.clear();
    EXPECT_EQ(histogram.count(0, 20), 0u);
    EXPECT_EQ(histogram.statistics(0).max, 0);
    EXPECT_EQ(histogram.largestCount(), 0u);
}

TEST(Histogram, PercentilePointsOfAUniformChannelStepPastTheLevel) {
    for (int v : {1, 90, 128, 254}) {
        Histogram histogram(1);
        histogram.clear();
        histogram.setCount(0, v, 5000);
        histogram.computeStatistics();
        const auto points = histogram.percentilePoints();
        EXPECT_EQ(points.low, v + 1) << v;
        EXPECT_EQ(points.high, v - 1) << v;
    }
}

TEST(Histogram, PercentilePointsSkipOnePercentAtEachEnd) {
    Histogram histogram(3);
    histogram.clear();
    // 10,000 pixels per channel: threshold trunc(100 + 0.5) = 100.
    // Red: 60 at 0, 50 at 3 -> low climbs past 0 (60 < 100) and 3 (110): low 4.
    histogram.setCount(0, 0, 60);
    histogram.setCount(0, 3, 50);
    histogram.setCount(0, 128, 9890);
    // Green: 100 at 250 -> high steps over 255 ... 250 and stops at 249.
    histogram.setCount(1, 250, 100);
    histogram.setCount(1, 128, 9900);
    // Blue reaches further at the low end: 200 at 2 -> low 3.
    histogram.setCount(2, 2, 200);
    histogram.setCount(2, 128, 9800);
    histogram.computeStatistics();
    const auto points = histogram.percentilePoints();
    EXPECT_EQ(points.low, 3);
    EXPECT_EQ(points.high, 249);

    // A threshold of 0 (fewer than 50 pixels) keeps 0 and 255.
    Histogram small(1);
    small.clear();
    small.setCount(0, 77, 49);
    small.computeStatistics();
    EXPECT_EQ(small.percentilePoints().low, 0);
    EXPECT_EQ(small.percentilePoints().high, 255);
}

}  // namespace
}  // namespace tessary
