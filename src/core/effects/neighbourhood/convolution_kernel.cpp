#include "effects/neighbourhood/convolution_kernel.h"

#include <algorithm>
#include <new>
#include <cstdlib>
#include <type_traits>

#include "effects/framework/scratch_buffer.h"
#include "effects/neighbourhood/convolution_fltr.h"
#include "platform/vector_clones.h"

namespace tessary {

namespace {

constexpr int kTile = TileKernel::kTileSize;

// win[x] = col[x] + ... + col[x + N - 1] for x < width, with N known to the
// compiler so that the sum unrolls and the loop over x vectorises.
template <int N, class Sum>
void windowSumsFixed(const Sum* __restrict col, int width, Sum* __restrict win) {
    for (int x = 0; x < width; ++x) {
        Sum s = col[x];
        for (int k = 1; k < N; ++k) s = static_cast<Sum>(s + col[x + k]);
        win[x] = s;
    }
}

// The same for any window, one vectorised pass per column of the window.
template <class Sum>
inline void windowSumsAny(const Sum* __restrict col, int width, int n, Sum* __restrict win) {
    switch (n) {
        case 1:
            std::copy(col, col + width, win);
            return;
        case 3:
            windowSumsFixed<3>(col, width, win);
            return;
        case 5:
            windowSumsFixed<5>(col, width, win);
            return;
        case 7:
            windowSumsFixed<7>(col, width, win);
            return;
        case 9:
            windowSumsFixed<9>(col, width, win);
            return;
        default:
            break;
    }
    std::copy(col, col + width, win);
    for (int k = 1; k < n; ++k) {
        const Sum* shifted = col + k;
        for (int x = 0; x < width; ++x) win[x] = static_cast<Sum>(win[x] + shifted[x]);
    }
}

// The cloned entry points of the running sums (templates are not cloned).
TS_VECTOR_CLONES void windowSums(const std::uint16_t* col, int width, int n, std::uint16_t* win) {
    windowSumsAny(col, width, n, win);
}
TS_VECTOR_CLONES void windowSums(const std::uint32_t* col, int width, int n, std::uint32_t* win) {
    windowSumsAny(col, width, n, win);
}

// col[x] += row[x] - leaving[x] for x < count (leaving may be null). The
// true sums always fit the lane, so the wrap-around of the intermediate
// subtraction cancels exactly.
template <class Sum>
inline void slideColumnsAny(Sum* __restrict col, const std::uint8_t* __restrict entering,
                            const std::uint8_t* __restrict leaving, int count) {
    if (leaving == nullptr) {
        for (int x = 0; x < count; ++x) col[x] = static_cast<Sum>(col[x] + entering[x]);
    } else {
        for (int x = 0; x < count; ++x)
            col[x] = static_cast<Sum>(col[x] + entering[x] - leaving[x]);
    }
}
TS_VECTOR_CLONES void slideColumns(std::uint16_t* col, const std::uint8_t* entering,
                                   const std::uint8_t* leaving, int count) {
    slideColumnsAny(col, entering, leaving, count);
}
TS_VECTOR_CLONES void slideColumns(std::uint32_t* col, const std::uint8_t* entering,
                                   const std::uint8_t* leaving, int count) {
    slideColumnsAny(col, entering, leaving, count);
}

}  // namespace

ConvolutionKernel::ConvolutionKernel(const ConvolutionFltr& filter) {
    m_radius = std::clamp<std::int32_t>(filter.radius, 0, ConvolutionFltr::kMaxRadius);
    m_side = 2 * m_radius + 1;
    m_divisor = filter.divisor == 0 ? 1 : filter.divisor;
    m_offset = filter.offset;
    m_low = filter.low;
    m_high = filter.high;
    m_mode = filter.mode;

    const int count = m_side * m_side;
    m_weights = allocateScratch<std::int32_t>(static_cast<std::size_t>(count));
    if (!m_weights) return;
    std::copy(filter.weights.begin(), filter.weights.begin() + count, m_weights.get());
    m_box = m_mode >= 0 && m_mode <= 3 &&
            std::all_of(m_weights.get(), m_weights.get() + count,
                        [](std::int32_t w) { return w == 1; });

    if (m_box) {
        const std::uint32_t largest = static_cast<std::uint32_t>(count) * 255u;
        const std::size_t columns = static_cast<std::size_t>(kTile + 2 * m_radius);
        m_narrowSums = largest <= 0xFFFF;
        if (m_narrowSums) {
            m_narrowColumns = allocateScratch<std::uint16_t>(columns);
            m_narrowWindows = allocateScratch<std::uint16_t>(kTile);
            if (!m_narrowColumns || !m_narrowWindows) return;
            // Look for q = ((sum x M) >> 16) >> s with M below 2^16 that is
            // exact for every sum up to `largest`: with M = ceil(2^S / d)
            // and e = M d - 2^S, floor(sum M / 2^S) = floor(sum / d)
            // whenever largest x e < 2^S.
            if (m_divisor > 1 && m_divisor < 0x10000) {
                const auto d = static_cast<std::uint64_t>(m_divisor);
                for (int shift = 16; shift < 32 && !m_exactMagic; ++shift) {
                    const std::uint64_t power = std::uint64_t{1} << shift;
                    const std::uint64_t magic = (power + d - 1) / d;
                    if (magic > 0xFFFF) break;
                    if (std::uint64_t{largest} * (magic * d - power) < power) {
                        m_exactMagic = true;
                        m_magic = static_cast<std::uint32_t>(magic);
                        m_extraShift = shift - 16;
                    }
                }
            }
        } else {
            m_wideColumns = allocateScratch<std::uint32_t>(columns);
            m_wideWindows = allocateScratch<std::uint32_t>(kTile);
            if (!m_wideColumns || !m_wideWindows) return;
        }
        m_quotients = allocateScratch<std::int32_t>(kTile);
        if (!m_quotients) return;
        m_smallQuotients = m_narrowSums && m_exactMagic &&
                           static_cast<std::int64_t>(count) * 255 / m_divisor <= 255;
    }
    m_valid = true;
}

ConvolutionKernel::~ConvolutionKernel() = default;

template <>
std::uint16_t* ConvolutionKernel::columnSums<std::uint16_t>() {
    return m_narrowColumns.get();
}
template <>
std::uint32_t* ConvolutionKernel::columnSums<std::uint32_t>() {
    return m_wideColumns.get();
}
template <>
std::uint16_t* ConvolutionKernel::windowBuffer<std::uint16_t>() {
    return m_narrowWindows.get();
}
template <>
std::uint32_t* ConvolutionKernel::windowBuffer<std::uint32_t>() {
    return m_wideWindows.get();
}

void ConvolutionKernel::computeTile(const std::uint8_t* source, std::ptrdiff_t sourceStride,
                                    int width, int height, std::uint8_t* output,
                                    std::ptrdiff_t outputStride) {
    if (!m_box) {
        generalTile(source, sourceStride, width, height, output, outputStride);
    } else if (m_narrowSums) {
        boxTile<std::uint16_t>(source, sourceStride, width, height, output, outputStride);
    } else {
        boxTile<std::uint32_t>(source, sourceStride, width, height, output, outputStride);
    }
}

template <class Sum>
void ConvolutionKernel::boxTile(const std::uint8_t* source, std::ptrdiff_t sourceStride, int width,
                                int height, std::uint8_t* output, std::ptrdiff_t outputStride) {
    const int n = m_side;
    const int columns = width + 2 * m_radius;
    Sum* __restrict col = columnSums<Sum>();
    Sum* __restrict win = windowBuffer<Sum>();

    // Column sums of the first window rows; afterwards each step down adds
    // the row entering the window and subtracts the row leaving it.
    for (int x = 0; x < columns; ++x) col[x] = source[x];
    for (int k = 1; k < n; ++k) slideColumns(col, source + k * sourceStride, nullptr, columns);
    for (int y = 0; y < height; ++y) {
        windowSums(col, width, n, win);
        const std::uint8_t* centre = source + (y + m_radius) * sourceStride + m_radius;
        bool combined = false;
        if constexpr (std::is_same_v<Sum, std::uint16_t>) {
            if (m_smallQuotients) {
                combineSmallRow(win, centre, width, output + y * outputStride);
                combined = true;
            }
        }
        if (!combined) combineRow(win, centre, width, output + y * outputStride);
        if (y + 1 < height) {
            slideColumns(col, source + (y + n) * sourceStride, source + y * sourceStride, columns);
        }
    }
}

template <class Sum>
void ConvolutionKernel::combineRow(const Sum* __restrict sums,
                                   const std::uint8_t* __restrict centre, int width,
                                   std::uint8_t* __restrict out) {
    std::int32_t* __restrict q = m_quotients.get();
    if (m_divisor == 1) {
        for (int x = 0; x < width; ++x) q[x] = static_cast<std::int32_t>(sums[x]);
    } else if (m_exactMagic) {
        const std::uint32_t magic = m_magic;
        const int extra = m_extraShift;
        for (int x = 0; x < width; ++x) {
            const auto high = static_cast<std::uint16_t>((std::uint32_t{sums[x]} * magic) >> 16);
            q[x] = high >> extra;
        }
    } else {
        // Box sums are never negative, so the division of the sums as
        // 64-bit signed values truncates toward zero like the formula.
        const std::int64_t d = m_divisor;
        for (int x = 0; x < width; ++x) {
            q[x] = static_cast<std::int32_t>(static_cast<std::int64_t>(sums[x]) / d);
        }
    }
    // Clamping to low ... high and then to a byte equals clamping to the
    // bounds taken into 0 ... 255, applied in the same order.
    const auto lo = static_cast<std::int32_t>(std::clamp<std::int64_t>(m_low, 0, 255));
    const auto hi = static_cast<std::int32_t>(std::clamp<std::int64_t>(m_high, 0, 255));
    auto finish = [lo, hi](std::int32_t v) {
        return static_cast<std::uint8_t>(std::min(std::max(v, lo), hi));
    };
    switch (m_mode) {
        case 0:
            for (int x = 0; x < width; ++x) out[x] = finish(q[x]);
            break;
        case 1: {
            // Quotients are at most 33 x 33 x 255, so an offset beyond
            // +-2^20 clamps exactly like one of +-2^20.
            const auto offset =
                static_cast<std::int32_t>(std::clamp<std::int64_t>(m_offset, -(1 << 20), 1 << 20));
            for (int x = 0; x < width; ++x) out[x] = finish(q[x] + offset);
            break;
        }
        case 2:
            for (int x = 0; x < width; ++x) out[x] = finish(std::abs(q[x] - centre[x]));
            break;
        default:
            for (int x = 0; x < width; ++x) out[x] = finish(2 * centre[x] - q[x]);
            break;
    }
}

TS_VECTOR_CLONES void ConvolutionKernel::combineSmallRow(const std::uint16_t* __restrict sums,
                                        const std::uint8_t* __restrict centre, int width,
                                        std::uint8_t* __restrict out) {
    const auto magic = static_cast<std::uint16_t>(m_magic);
    const int extra = m_extraShift;
    const auto lo = static_cast<std::int16_t>(std::clamp<std::int64_t>(m_low, 0, 255));
    const auto hi = static_cast<std::int16_t>(std::clamp<std::int64_t>(m_high, 0, 255));
    // Quotients are at most 255 here, so an offset beyond +-1024 clamps
    // exactly like one of +-1024 and every value fits 16 bits.
    const auto offset = static_cast<std::int16_t>(std::clamp<std::int64_t>(m_offset, -1024, 1024));
    const int mode = m_mode;
    for (int x = 0; x < width; ++x) {
        const auto q = static_cast<std::int16_t>(
            static_cast<std::uint16_t>((std::uint32_t{sums[x]} * magic) >> 16) >> extra);
        const auto c = static_cast<std::int16_t>(centre[x]);
        std::int16_t v = q;
        if (mode == 1) v = static_cast<std::int16_t>(q + offset);
        if (mode == 2) v = static_cast<std::int16_t>(q > c ? q - c : c - q);
        if (mode == 3) v = static_cast<std::int16_t>(2 * c - q);
        out[x] = static_cast<std::uint8_t>(std::min(std::max(v, lo), hi));
    }
}

std::uint8_t ConvolutionKernel::combine(std::int64_t sum, int centre) const {
    std::int64_t v = 0;
    switch (m_mode) {
        case 0:
            v = sum / m_divisor;
            break;
        case 1:
            v = sum / m_divisor + m_offset;
            break;
        case 2:
            v = std::llabs(sum / m_divisor - centre);
            break;
        case 3:
            v = 2 * std::int64_t{centre} - sum / m_divisor;
            break;
        default:
            return static_cast<std::uint8_t>(sum & 0xFF);
    }
    v = std::min(std::max(v, m_low), m_high);
    return static_cast<std::uint8_t>(std::clamp<std::int64_t>(v, 0, 255));
}

void ConvolutionKernel::generalTile(const std::uint8_t* source, std::ptrdiff_t sourceStride,
                                    int width, int height, std::uint8_t* output,
                                    std::ptrdiff_t outputStride) {
    const int n = m_side;
    const std::int32_t* weights = m_weights.get();
    for (int y = 0; y < height; ++y) {
        std::uint8_t* out = output + y * outputStride;
        for (int x = 0; x < width; ++x) {
            std::int64_t sum = 0;
            for (int ky = 0; ky < n; ++ky) {
                const std::uint8_t* row = source + (y + ky) * sourceStride + x;
                const std::int32_t* w = weights + ky * n;
                for (int kx = 0; kx < n; ++kx) sum += std::int64_t{w[kx]} * row[kx];
            }
            out[x] = combine(sum, source[(y + m_radius) * sourceStride + x + m_radius]);
        }
    }
}

}  // namespace tessary

namespace tessary {

std::unique_ptr<TileKernel> ConvolutionKernel::clone() const {
    ConvolutionFltr filter;
    filter.radius = m_radius;
    filter.divisor = static_cast<std::int32_t>(m_divisor);
    filter.offset = static_cast<std::int32_t>(m_offset);
    filter.low = static_cast<std::int32_t>(m_low);
    filter.high = static_cast<std::int32_t>(m_high);
    filter.mode = m_mode;
    std::copy(m_weights.get(), m_weights.get() + m_side * m_side, filter.weights.begin());
    auto copy = std::unique_ptr<ConvolutionKernel>(new (std::nothrow) ConvolutionKernel(filter));
    if (!copy || !copy->valid()) return nullptr;
    return copy;
}

}  // namespace tessary
