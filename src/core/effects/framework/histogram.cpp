#include "effects/framework/histogram.h"

#include <algorithm>
#include <cmath>

#include "platform/assert.h"

namespace tessary {

Histogram::Histogram(int channels) : m_channels(channels) {
    TS_ASSERT(channels >= 1 && channels <= kMaxChannels);
}

void Histogram::clear() {
    for (auto& channel : m_counts) channel.fill(0);
    m_statistics.fill(Statistics{});
    m_largest = 0;
}

void Histogram::addRow(int channel, const std::uint8_t* levels, std::int64_t count) {
    std::uint64_t* bins = m_counts[channel].data();
    for (std::int64_t i = 0; i < count; ++i) ++bins[levels[i]];
}

void Histogram::addRowMasked(int channel, const std::uint8_t* levels, const std::uint8_t* mask,
                             std::int64_t count) {
    std::uint64_t* bins = m_counts[channel].data();
    for (std::int64_t i = 0; i < count; ++i) {
        if (mask[i] != 0) ++bins[levels[i]];
    }
}

void Histogram::computeStatistics() {
    m_largest = 0;
    for (int c = 0; c < m_channels; ++c) {
        const auto& bins = m_counts[c];
        Statistics s;
        s.min = 255;
        s.max = 0;
        std::uint64_t total = 0;
        double weighted = 0.0;
        std::uint64_t most = 0;
        std::uint64_t fewest = 0;
        for (int level = 0; level < 256; ++level) {
            const std::uint64_t n = bins[level];
            if (n == 0) continue;
            s.min = std::min(s.min, level);
            s.max = std::max(s.max, level);
            total += n;
            weighted += static_cast<double>(level) * static_cast<double>(n);
            if (n > most) {
                most = n;
                s.mode = level;
            }
            if (fewest == 0 || n < fewest) {
                fewest = n;
                s.rarest = level;
            }
        }
        s.total = total;
        if (total > 0) {
            s.mean = weighted / static_cast<double>(total);
            const std::uint64_t half = total / 2;
            std::uint64_t running = 0;
            for (int level = 0; level < 256; ++level) {
                running += bins[level];
                if (running > half) {
                    s.median = level;
                    break;
                }
            }
            double squares = 0.0;
            for (int level = 0; level < 256; ++level) {
                const double d = level - s.mean;
                squares += d * d * static_cast<double>(bins[level]);
            }
            s.deviation = std::sqrt(squares / static_cast<double>(total));
        }
        m_statistics[c] = s;
        m_largest = std::max(m_largest, total);
    }
}

Histogram::Points Histogram::percentilePoints() const {
    const auto threshold =
        static_cast<std::uint64_t>(std::trunc(0.01 * static_cast<double>(m_largest) + 0.5));
    Points result{255, 0};
    for (int c = 0; c < m_channels; ++c) {
        const auto& bins = m_counts[c];
        std::int32_t low = 0;
        std::uint64_t running = 0;
        while (running < threshold && low < 255) running += bins[low++];
        std::int32_t high = 255;
        running = 0;
        while (running < threshold && high >= 1) running += bins[high--];
        result.low = std::min(result.low, low);
        result.high = std::max(result.high, high);
    }
    return result;
}

}  // namespace tessary
