#pragma once

#include <cstdint>
#include <vector>

#include "effects/geometry/geometry_divider.h"

namespace tessary {

// Resamples one axis of `oldLength` samples to `newLength` samples (both at
// least 1), the way Scale does along x and along y.
//
// Enlarging (new >= old, smooth): output i lies at source position
// p = i x old / new; it blends samples trunc(p) and trunc(p) + 1 (the last
// sample repeated past the end) with weights 1 - frac(p) and frac(p), the
// result truncated. Reducing (new < old, smooth): output i is the area
// average of the source span [i x r, (i + 1) x r) with r = old / new, a
// partly covered sample counting with the covered fraction; the weighted sum
// divided by r, truncated. Not smooth: output i takes sample trunc(p).
//
// Every position and weight is an exact fraction over new / gcd(old, new),
// so no rounding error accumulates along the axis and the truncations land
// exactly where the formulas put them.
class ScaleResampler {
public:
    enum class Mode { kLinear, kArea, kNearest };

    ScaleResampler(std::int32_t oldLength, std::int32_t newLength, bool smooth);

    Mode mode() const { return m_mode; }
    std::int32_t oldLength() const { return m_old; }
    std::int32_t newLength() const { return m_new; }
    // The axis is copied unchanged (same length).
    bool identity() const { return m_old == m_new; }

    // One output sample's recipe. Linear: samples `first` and `first + 1`
    // (clamped) with weights (unit - weight) and `weight`. Area: sample
    // `first` with `firstWeight`, then `whole` samples of weight unit, then,
    // when `lastWeight` > 0, one more sample with `lastWeight`; the weights
    // add up to the divisor. Nearest: sample `first`.
    struct Tap {
        std::int32_t first = 0;
        std::int32_t whole = 0;
        std::uint32_t firstWeight = 0;
        std::uint32_t lastWeight = 0;
        std::uint32_t weight = 0;
    };
    const Tap& tap(std::int32_t i) const { return m_taps[static_cast<std::size_t>(i)]; }
    // Linear: the weights' unit (new / gcd); area: the same unit for a whole
    // sample.
    std::uint32_t unit() const { return m_unit; }
    // What the weighted sum is divided by: unit for linear, old / gcd for
    // area.
    const ExactDivider& divider() const { return m_divider; }

    // Resamples a row of oldLength() samples into newLength() samples.
    void resampleRow(const std::uint8_t* in, std::uint8_t* out) const;

private:
    Mode m_mode;
    std::int32_t m_old;
    std::int32_t m_new;
    std::uint32_t m_unit = 1;
    ExactDivider m_divider;
    std::vector<Tap> m_taps;
};

}  // namespace tessary
