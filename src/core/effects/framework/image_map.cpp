#include "effects/framework/image_map.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "effects/framework/histogram.h"
#include "platform/assert.h"

namespace tessary {

namespace {

std::uint8_t clampLevel(std::int64_t v) {
    return static_cast<std::uint8_t>(std::clamp<std::int64_t>(v, 0, 255));
}

}  // namespace

ImageMap::ImageMap(int firstSlot, int lastSlot)
    : Filter(kFilterKindImageMap), m_first(firstSlot), m_last(lastSlot) {
    TS_ASSERT(firstSlot >= 0 && firstSlot <= lastSlot && lastSlot < kMaxSlots);
    const std::size_t slots = static_cast<std::size_t>(lastSlot - firstSlot + 1);
    m_tables.reset(new (std::nothrow) std::uint8_t[slots * 256]);
    if (m_tables) identity(m_first, m_last);
}

std::uint8_t* ImageMap::table(int slot) {
    TS_ASSERT(hasSlot(slot));
    return m_tables.get() + static_cast<std::size_t>(slot - m_first) * 256;
}

const std::uint8_t* ImageMap::table(int slot) const {
    TS_ASSERT(hasSlot(slot));
    return m_tables.get() + static_cast<std::size_t>(slot - m_first) * 256;
}

bool ImageMap::clip(int& a, int& b) const {
    if (!valid()) return false;
    a = std::max(a, m_first);
    b = std::min(b, m_last);
    return a <= b;
}

void ImageMap::identity(int a, int b) {
    if (!clip(a, b)) return;
    for (int s = a; s <= b; ++s) {
        std::uint8_t* t = table(s);
        for (int i = 0; i < 256; ++i) t[i] = static_cast<std::uint8_t>(i);
    }
}

void ImageMap::invert(int a, int b) {
    if (!clip(a, b)) return;
    for (int s = a; s <= b; ++s) {
        std::uint8_t* t = table(s);
        for (int i = 0; i < 256; ++i) t[i] = static_cast<std::uint8_t>(255 - i);
    }
}

void ImageMap::add(int a, int b, std::int32_t d) {
    if (!clip(a, b)) return;
    for (int s = a; s <= b; ++s) {
        std::uint8_t* t = table(s);
        for (int i = 0; i < 256; ++i) t[i] = clampLevel(std::int64_t{t[i]} + d);
    }
}

void ImageMap::contrast(int a, int b, std::int32_t c) {
    if (!clip(a, b)) return;
    const std::int64_t scale = 255 - 2 * std::int64_t{c};
    for (int s = a; s <= b; ++s) {
        std::uint8_t* t = table(s);
        // C++ division truncates toward zero, as the rule asks.
        for (int i = 0; i < 256; ++i) t[i] = clampLevel(c + scale * t[i] / 255);
    }
}

void ImageMap::range(int s, std::int32_t lo, std::int32_t hi) {
    if (!hasSlot(s)) return;
    const std::uint32_t span = static_cast<std::uint32_t>(hi) - static_cast<std::uint32_t>(lo);
    if (span >= 255) {
        identity(s, s);
        return;
    }
    std::uint8_t* t = table(s);
    for (int i = 0; i < 256; ++i)
        t[i] = clampLevel(std::int64_t{lo} + i * std::int64_t{span} / 255);
}

void ImageMap::stretch(int a, int b, std::int32_t lo, std::int32_t hi) {
    if (!clip(a, b) || hi == lo) return;
    const std::int64_t divisor = std::int64_t{hi} - lo;
    for (int s = a; s <= b; ++s) {
        std::uint8_t* t = table(s);
        for (int i = 0; i < 256; ++i) t[i] = clampLevel((std::int64_t{t[i]} - lo) * 255 / divisor);
    }
}

void ImageMap::curve(double a) {
    if (!valid()) return;
    const double factor = std::exp(-0.75 * a);
    std::uint8_t levels[256];
    for (int x = 0; x < 256; ++x) {
        const int xp = x == 0 ? 1 : (x == 255 ? 254 : x);
        const double p = xp / 255.0;
        const double y = std::trunc(255.0 / (1.0 + ((1.0 - p) / p) * factor) + 0.5);
        levels[x] = static_cast<std::uint8_t>(std::clamp(y, 0.0, 255.0));
    }
    for (int s = m_first; s <= m_last; ++s) std::copy(levels, levels + 256, table(s));
}

void ImageMap::stretchByHistogram(const Histogram& histogram) {
    if (!valid()) return;
    const int channels = std::min(histogram.channelCount(), m_last - m_first + 1);
    if (channels < 1) return;
    int darkest = 0;
    int lightest = 0;
    for (int c = 1; c < channels; ++c) {
        if (histogram.statistics(c).min < histogram.statistics(darkest).min) darkest = c;
        if (histogram.statistics(c).max > histogram.statistics(lightest).max) lightest = c;
    }
    const std::int32_t lo = table(m_first + darkest)[histogram.statistics(darkest).min];
    const std::int32_t hi = table(m_first + lightest)[histogram.statistics(lightest).max];
    if (hi - lo > 0) stretch(m_first, m_last, lo, hi);
}

}  // namespace tessary
