#pragma once

#include <array>
#include <cstdint>
#include <memory>

namespace tessary {

// Per-channel counts of the 256 levels of up to three colour planes, with
// the statistics the tonal effects need.
//
// Counts are 64-bit so that a channel of more than 2^32 pixels cannot wrap.
// Clearing zeroes every count and every statistics record; computeStatistics()
// fills the records from the counts.
class Histogram {
public:
    static constexpr int kMaxChannels = 3;

    struct Statistics {
        std::int32_t min = 0;     // lowest populated level (255 when empty)
        std::int32_t max = 0;     // highest populated level (0 when empty)
        std::int32_t mode = 0;    // level with the largest count (first such)
        std::int32_t rarest = 0;  // level with the smallest count above 0 (first such)
        double mean = 0.0;        // sum of level x count / sum of count (0 when empty)
        double deviation = 0.0;   // standard deviation of the levels (0 when empty)
        std::int32_t median = 0;  // first level whose running count exceeds half the total
        std::uint64_t total = 0;  // pixels counted
    };

    // Percentile points over all channels (see percentilePoints()).
    struct Points {
        std::int32_t low = 0;
        std::int32_t high = 255;
    };

    // `channels` is 1 for 256 Grays, 3 for RGB-Millions.
    explicit Histogram(int channels);

    int firstChannel() const { return 0; }
    int lastChannel() const { return m_channels - 1; }
    int channelCount() const { return m_channels; }

    void clear();
    // Adds one sample of `level` to a channel.
    void add(int channel, std::uint8_t level) { ++m_counts[channel][level]; }
    // Adds `count` samples of one row to a channel.
    void addRow(int channel, const std::uint8_t* levels, std::int64_t count);
    // The same, counting only samples whose mask byte is not 0.
    void addRowMasked(int channel, const std::uint8_t* levels, const std::uint8_t* mask,
                      std::int64_t count);

    std::uint64_t count(int channel, int level) const { return m_counts[channel][level]; }
    void setCount(int channel, int level, std::uint64_t count) { m_counts[channel][level] = count; }

    // Fills every channel's record and the largest pixel count.
    void computeStatistics();
    const Statistics& statistics(int channel) const { return m_statistics[channel]; }
    // The largest pixel count of any channel (after computeStatistics()).
    std::uint64_t largestCount() const { return m_largest; }

    // With threshold = trunc(0.01 x largest count + 0.5), per channel: the
    // low point climbs from 0 adding the counts of the levels it leaves
    // while their sum is below the threshold (and it is below 255); the high
    // point descends from 255 the same way (while it is at least 1). Returns
    // the smallest low point and the largest high point. A threshold of 0
    // gives 0 and 255. Needs computeStatistics().
    Points percentilePoints() const;

private:
    int m_channels = 1;
    std::array<std::array<std::uint64_t, 256>, kMaxChannels> m_counts{};
    std::array<Statistics, kMaxChannels> m_statistics{};
    std::uint64_t m_largest = 0;
};

}  // namespace tessary
