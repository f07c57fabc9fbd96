#include "tools/selection/shape_coverage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "platform/assert.h"

namespace tessary {

ShapeCoverage::ShapeCoverage(Shape shape, std::int64_t width, std::int64_t height, int subsamples)
    : m_shape(shape),
      m_width(width),
      m_height(height),
      m_subsamples(subsamples <= 0 ? 0 : std::min(subsamples, kMaxSubsamples)) {
    TS_ASSERT(width >= 1 && height >= 1);
    const int cells = m_subsamples * m_subsamples;
    for (int c = 0; c <= cells; ++c) {
        m_levels[c] = static_cast<std::uint8_t>(cells == 0 ? 255 : c * 255 / cells);
    }
}

ShapeCoverage::Span ShapeCoverage::span(Shape shape, std::int64_t width, std::int64_t height,
                                        std::int64_t y) {
    if (shape == Shape::Rectangle) return {0, width};
    const double a = static_cast<double>(height) / 2.0;
    const double b = static_cast<double>(width) / 2.0;
    const auto dy = static_cast<double>(std::llabs(y - height / 2));
    const double ratio = std::max(1.0 - dy * dy / (a * a), 0.0);
    const std::int64_t x0 = width / 2 - static_cast<std::int64_t>(b * std::sqrt(ratio));
    return {x0, width - x0};
}

bool ShapeCoverage::reserve(std::int64_t count) {
    if (count <= m_room) return true;
    if (m_subsamples == 0) {
        m_room = count;
        return true;
    }
    const auto size = static_cast<std::size_t>(count) + 1;
    m_counts.reset(new (std::nothrow) std::int32_t[size]);
    m_steps.reset(new (std::nothrow) std::int32_t[size]);
    if (!m_counts || !m_steps) {
        m_counts.reset();
        m_steps.reset();
        m_room = 0;
        return false;
    }
    m_room = count;
    return true;
}

void ShapeCoverage::row(std::int64_t y, std::int64_t first, std::int64_t count, std::uint8_t* out) {
    TS_ASSERT(count <= m_room && first >= 0 && first + count <= m_width);
    if (count <= 0) return;
    const int n = m_subsamples;
    if (n == 0) {
        const Span s = span(m_shape, m_width, m_height, y);
        const std::int64_t begin = std::clamp(s.begin - first, std::int64_t{0}, count);
        const std::int64_t end = std::clamp(s.end - first, begin, count);
        std::memset(out, 0, static_cast<std::size_t>(begin));
        std::memset(out + begin, 255, static_cast<std::size_t>(end - begin));
        std::memset(out + end, 0, static_cast<std::size_t>(count - end));
        return;
    }

    // Each subsample row adds its partly covered end pixels to the counts
    // directly and its wholly covered pixels as a step of N in `steps`,
    // summed once at the end, so a row costs O(count + N) whatever its span.
    std::int32_t* counts = m_counts.get();
    std::int32_t* steps = m_steps.get();
    std::fill(counts, counts + count, 0);
    std::fill(steps, steps + count + 1, 0);
    const std::int64_t lo = first * n;
    const std::int64_t hi = (first + count) * n;
    for (int j = 0; j < n; ++j) {
        const Span s = span(m_shape, m_width * n, m_height * n, y * n + j);
        const std::int64_t s0 = std::max(s.begin, lo);
        const std::int64_t s1 = std::min(s.end, hi);
        if (s1 <= s0) continue;
        const std::int64_t p0 = s0 / n - first;
        const std::int64_t p1 = (s1 - 1) / n - first;
        if (p0 == p1) {
            counts[p0] += static_cast<std::int32_t>(s1 - s0);
            continue;
        }
        counts[p0] += static_cast<std::int32_t>((p0 + first + 1) * n - s0);
        counts[p1] += static_cast<std::int32_t>(s1 - (p1 + first) * n);
        steps[p0 + 1] += n;
        steps[p1] -= n;
    }
    std::int32_t whole = 0;
    for (std::int64_t i = 0; i < count; ++i) {
        whole += steps[i];
        out[i] = m_levels[counts[i] + whole];
    }
}

}  // namespace tessary
