#pragma once

#include <cstdint>
#include <memory>

#include "effects/framework/filter.h"

namespace tessary {

class Histogram;

// A lookup-table filter: one 256-entry table per slot first ... last
// (0 <= first <= last <= 15). Run as kind 1 by the lookup-table worker, which
// maps plane p of a run through slot p - (the run's first plane); run as
// kind 6 its slots 1 and 2 map saturation and lightness for the red-eye
// worker.
//
// A new map is the identity in every table. The tables are allocated by the
// constructor; valid() is false when that failed (every operation then does
// nothing and the map must not be run).
//
// Every operation works on the slots a ... b given to it, clipped to the
// map's own slots; results are clamped to 0 ... 255.
class ImageMap : public Filter {
public:
    static constexpr int kMaxSlots = 16;
    using Table = std::uint8_t[256];

    ImageMap(int firstSlot, int lastSlot);

    bool valid() const { return m_tables != nullptr; }
    int firstSlot() const { return m_first; }
    int lastSlot() const { return m_last; }
    bool hasSlot(int slot) const { return valid() && slot >= m_first && slot <= m_last; }
    // The table of a slot the map has.
    std::uint8_t* table(int slot);
    const std::uint8_t* table(int slot) const;

    // t[i] = i.
    void identity(int a, int b);
    // t[i] = 255 - i.
    void invert(int a, int b);
    // t[i] = clamp(t[i] + d).
    void add(int a, int b, std::int32_t d);
    // t[i] = clamp(c + trunc((255 - 2c) x t[i] / 255)): a positive c pulls
    // the tones toward the middle, a negative c spreads them.
    void contrast(int a, int b, std::int32_t c);
    // On slot s: t[i] = lo + floor(i x (hi - lo) / 255) when hi - lo, taken
    // as an unsigned number, is below 255; otherwise the identity.
    void range(int s, std::int32_t lo, std::int32_t hi);
    // t[i] = clamp(trunc((t[i] - lo) x 255 / (hi - lo))); nothing when
    // hi == lo (there is no scale to stretch by).
    void stretch(int a, int b, std::int32_t lo, std::int32_t hi);
    // Every slot: the logistic curve t[x] = clamp(trunc(255 / (1 + ((1 - p) /
    // p) x e^(-0.75 a)) + 0.5)) with p = x' / 255, x' = x except 0 -> 1 and
    // 255 -> 254. a = 0 keeps every level but the two ends.
    void curve(double a);
    // lo = t_c[min of channel c] for the channel c with the smallest min,
    // hi = t_d[max of channel d] for the channel d with the largest max
    // (first such channels; channel c is slot first + c); when hi - lo > 0,
    // stretch(lo, hi) on every slot. The histogram's statistics must have
    // been computed.
    void stretchByHistogram(const Histogram& histogram);

private:
    // Clips a ... b to the map's slots; false when nothing is left.
    bool clip(int& a, int& b) const;

    int m_first = 0;
    int m_last = 0;
    std::unique_ptr<std::uint8_t[]> m_tables;
};

}  // namespace tessary
