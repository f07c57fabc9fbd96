#include "effects/geometry/scale_resampler.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "platform/assert.h"

namespace tessary {

namespace {

ScaleResampler::Mode modeFor(std::int32_t oldLength, std::int32_t newLength, bool smooth) {
    if (!smooth) return ScaleResampler::Mode::kNearest;
    return newLength >= oldLength ? ScaleResampler::Mode::kLinear : ScaleResampler::Mode::kArea;
}

std::uint64_t divisorFor(ScaleResampler::Mode mode, std::int32_t oldLength,
                         std::int32_t newLength) {
    const auto g = static_cast<std::uint64_t>(std::gcd(oldLength, newLength));
    return mode == ScaleResampler::Mode::kArea ? static_cast<std::uint64_t>(oldLength) / g
                                               : static_cast<std::uint64_t>(newLength) / g;
}

}  // namespace

ScaleResampler::ScaleResampler(std::int32_t oldLength, std::int32_t newLength, bool smooth)
    : m_mode(modeFor(oldLength, newLength, smooth)),
      m_old(oldLength),
      m_new(newLength),
      m_divider(divisorFor(m_mode, oldLength, newLength)) {
    TS_ASSERT(oldLength >= 1 && newLength >= 1);
    const auto g = static_cast<std::uint64_t>(std::gcd(oldLength, newLength));
    const std::uint64_t oldUnits = static_cast<std::uint64_t>(oldLength) / g;
    const std::uint64_t unit = static_cast<std::uint64_t>(newLength) / g;
    m_unit = static_cast<std::uint32_t>(unit);
    m_taps.resize(static_cast<std::size_t>(newLength));
    for (std::int32_t i = 0; i < newLength; ++i) {
        Tap& t = m_taps[static_cast<std::size_t>(i)];
        // Position of output i in units of 1 / unit source samples.
        const std::uint64_t start = static_cast<std::uint64_t>(i) * oldUnits;
        switch (m_mode) {
            case Mode::kNearest:
            case Mode::kLinear: {
                t.first = static_cast<std::int32_t>(std::min<std::uint64_t>(
                    start / unit, static_cast<std::uint64_t>(oldLength - 1)));
                t.weight = static_cast<std::uint32_t>(start % unit);
                break;
            }
            case Mode::kArea: {
                const std::uint64_t end = start + oldUnits;
                t.first = static_cast<std::int32_t>(start / unit);
                t.firstWeight = static_cast<std::uint32_t>(unit - start % unit);
                const std::uint64_t last = end / unit;
                t.whole = static_cast<std::int32_t>(last - static_cast<std::uint64_t>(t.first) - 1);
                t.lastWeight = static_cast<std::uint32_t>(end % unit);
                break;
            }
        }
    }
}

void ScaleResampler::resampleRow(const std::uint8_t* in, std::uint8_t* out) const {
    if (m_mode != Mode::kNearest && identity()) {
        std::memcpy(out, in, static_cast<std::size_t>(m_old));
        return;
    }
    const std::int32_t lastIndex = m_old - 1;
    switch (m_mode) {
        case Mode::kNearest:
            for (std::int32_t i = 0; i < m_new; ++i) out[i] = in[m_taps[i].first];
            return;
        case Mode::kLinear: {
            // A factor of two lands every other sample exactly on a source
            // sample and the rest half-way: the blend is a plain halving.
            if (m_unit == 2) {
                for (std::int32_t i = 0; i < m_new; ++i) {
                    const Tap& t = m_taps[i];
                    const std::int32_t next = std::min(t.first + 1, lastIndex);
                    out[i] =
                        t.weight == 0
                            ? in[t.first]
                            : static_cast<std::uint8_t>((unsigned{in[t.first]} + in[next]) >> 1);
                }
                return;
            }
            for (std::int32_t i = 0; i < m_new; ++i) {
                const Tap& t = m_taps[i];
                const std::int32_t next = std::min(t.first + 1, lastIndex);
                const std::uint64_t sum = std::uint64_t{m_unit - t.weight} * in[t.first] +
                                          std::uint64_t{t.weight} * in[next];
                out[i] = static_cast<std::uint8_t>(m_divider.divide(sum));
            }
            return;
        }
        case Mode::kArea: {
            // Halving: each output is the truncated mean of two whole samples.
            if (m_divider.divisor() == 2 && m_unit == 1) {
                for (std::int32_t i = 0; i < m_new; ++i) {
                    out[i] = static_cast<std::uint8_t>((unsigned{in[2 * i]} + in[2 * i + 1]) >> 1);
                }
                return;
            }
            for (std::int32_t i = 0; i < m_new; ++i) {
                const Tap& t = m_taps[i];
                const std::uint8_t* s = in + t.first;
                std::uint64_t sum = std::uint64_t{t.firstWeight} * s[0];
                std::uint64_t whole = 0;
                for (std::int32_t k = 1; k <= t.whole; ++k) whole += s[k];
                sum += whole * m_unit;
                if (t.lastWeight > 0) sum += std::uint64_t{t.lastWeight} * s[t.whole + 1];
                out[i] = static_cast<std::uint8_t>(m_divider.divide(sum));
            }
            return;
        }
    }
}

}  // namespace tessary
