#include "effects/neighbourhood/median_kernel.h"

#include <algorithm>
#include <new>
#include <cstring>

#include "effects/framework/scratch_buffer.h"
#include "effects/neighbourhood/despeckle_fltr.h"

namespace tessary {

namespace {

constexpr int kTile = TileKernel::kTileSize;

inline std::uint8_t median3(std::uint8_t a, std::uint8_t b, std::uint8_t c) {
    return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

// Sorts the columns of three rows: lows, middles and highs of every column.
void sortColumns(const std::uint8_t* __restrict r0, const std::uint8_t* __restrict r1,
                 const std::uint8_t* __restrict r2, int columns, std::uint8_t* __restrict lows,
                 std::uint8_t* __restrict middles, std::uint8_t* __restrict highs) {
    for (int x = 0; x < columns; ++x) {
        const std::uint8_t a = std::min(r0[x], r1[x]);
        const std::uint8_t b = std::max(r0[x], r1[x]);
        const std::uint8_t c = r2[x];
        const std::uint8_t upper = std::max(a, c);
        lows[x] = std::min(a, c);
        middles[x] = std::min(b, upper);
        highs[x] = std::max(b, upper);
    }
}

// The median of nine from the sorted columns x, x + 1, x + 2: the median of
// the largest low, the median middle and the smallest high.
void mediansOfColumns(const std::uint8_t* __restrict lows, const std::uint8_t* __restrict middles,
                      const std::uint8_t* __restrict highs, int width,
                      std::uint8_t* __restrict out) {
    for (int x = 0; x < width; ++x) {
        const std::uint8_t maxLow = std::max(std::max(lows[x], lows[x + 1]), lows[x + 2]);
        const std::uint8_t minHigh = std::min(std::min(highs[x], highs[x + 1]), highs[x + 2]);
        const std::uint8_t midMid = median3(middles[x], middles[x + 1], middles[x + 2]);
        out[x] = median3(maxLow, midMid, minHigh);
    }
}

}  // namespace

MedianKernel::MedianKernel(const DespeckleFltr& filter) {
    m_radius = std::clamp<std::int32_t>(filter.radius, 0, DespeckleFltr::kMaxRadius);
    m_threshold = filter.threshold;
    if (m_radius == 1) {
        m_columns = allocateScratch<std::uint8_t>(3 * (kTile + 2));
        if (!m_columns) return;
    }
    m_valid = true;
}

MedianKernel::~MedianKernel() = default;

void MedianKernel::computeTile(const std::uint8_t* source, std::ptrdiff_t sourceStride, int width,
                               int height, std::uint8_t* output, std::ptrdiff_t outputStride) {
    if (m_radius == 0) {
        for (int y = 0; y < height; ++y) {
            std::memcpy(output + y * outputStride, source + y * sourceStride,
                        static_cast<std::size_t>(width));
        }
    } else if (m_radius == 1) {
        networkTile(source, sourceStride, width, height, output, outputStride);
    } else {
        histogramTile(source, sourceStride, width, height, output, outputStride);
    }
    if (m_threshold >= 0 && m_threshold < 255) {
        for (int y = 0; y < height; ++y) {
            applyThreshold(source + (y + m_radius) * sourceStride + m_radius,
                           output + y * outputStride, width);
        }
    }
}

void MedianKernel::applyThreshold(const std::uint8_t* __restrict centre,
                                  std::uint8_t* __restrict out, int width) const {
    const int threshold = m_threshold;
    for (int x = 0; x < width; ++x) {
        const int difference = std::abs(int{out[x]} - int{centre[x]});
        out[x] = difference > threshold ? out[x] : centre[x];
    }
}

void MedianKernel::networkTile(const std::uint8_t* source, std::ptrdiff_t sourceStride, int width,
                               int height, std::uint8_t* output, std::ptrdiff_t outputStride) {
    const int columns = width + 2;
    std::uint8_t* lows = m_columns.get();
    std::uint8_t* middles = lows + (kTile + 2);
    std::uint8_t* highs = middles + (kTile + 2);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* r0 = source + y * sourceStride;
        sortColumns(r0, r0 + sourceStride, r0 + 2 * sourceStride, columns, lows, middles, highs);
        mediansOfColumns(lows, middles, highs, width, output + y * outputStride);
    }
}

void MedianKernel::histogramTile(const std::uint8_t* source, std::ptrdiff_t sourceStride, int width,
                                 int height, std::uint8_t* output, std::ptrdiff_t outputStride) {
    const int n = 2 * m_radius + 1;
    const int half = n * n / 2;
    std::uint16_t bins[256];
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* top = source + y * sourceStride;
        std::memset(bins, 0, sizeof bins);
        for (int k = 0; k < n; ++k) {
            const std::uint8_t* row = top + k * sourceStride;
            for (int j = 0; j < n; ++j) ++bins[row[j]];
        }
        // level: the median; below: samples of the window under it.
        int level = 0;
        int below = 0;
        while (below + bins[level] <= half) below += bins[level++];
        std::uint8_t* out = output + y * outputStride;
        out[0] = static_cast<std::uint8_t>(level);
        for (int x = 1; x < width; ++x) {
            const int leaving = x - 1;
            const int entering = x - 1 + n;
            for (int k = 0; k < n; ++k) {
                const std::uint8_t* row = top + k * sourceStride;
                const std::uint8_t out1 = row[leaving];
                const std::uint8_t in1 = row[entering];
                --bins[out1];
                ++bins[in1];
                below += (in1 < level) - (out1 < level);
            }
            // Move the level until the samples under it are at most half
            // the window and those up to it exceed half.
            while (below > half) below -= bins[--level];
            while (below + bins[level] <= half) below += bins[level++];
            out[x] = static_cast<std::uint8_t>(level);
        }
    }
}

}  // namespace tessary

namespace tessary {

std::unique_ptr<TileKernel> MedianKernel::clone() const {
    DespeckleFltr filter;
    filter.radius = m_radius;
    filter.threshold = m_threshold;
    auto copy = std::unique_ptr<MedianKernel>(new (std::nothrow) MedianKernel(filter));
    if (!copy || !copy->valid()) return nullptr;
    return copy;
}

}  // namespace tessary
