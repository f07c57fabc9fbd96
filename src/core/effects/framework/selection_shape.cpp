#include "effects/framework/selection_shape.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace tessary {

ShapeSpan shapeSpan(ShapeClass shape, std::int64_t width, std::int64_t height, std::int64_t y) {
    if (shape == ShapeClass::Rectangle || height <= 0) return {0, width};
    const double a = static_cast<double>(height) / 2.0;
    const double b = static_cast<double>(width) / 2.0;
    const double dy = static_cast<double>(std::llabs(y - height / 2));
    const double inside = std::max(0.0, 1.0 - (dy * dy) / (a * a));
    const std::int64_t x0 = width / 2 - static_cast<std::int64_t>(std::trunc(b * std::sqrt(inside)));
    return {x0, width - x0};
}

void shapeCoverageRow(ShapeClass shape, std::int64_t width, std::int64_t height, int subsamples,
                      std::int64_t y, std::int64_t firstColumn, std::int64_t count,
                      std::uint8_t* out) {
    if (count <= 0) return;
    if (subsamples <= 0) {
        const ShapeSpan span = shapeSpan(shape, width, height, y);
        for (std::int64_t i = 0; i < count; ++i) {
            const std::int64_t x = firstColumn + i;
            out[i] = x >= span.begin && x < span.end ? 255 : 0;
        }
        return;
    }
    const std::int64_t n = subsamples;
    std::vector<std::uint32_t> covered(static_cast<std::size_t>(count), 0);
    for (std::int64_t sub = 0; sub < n; ++sub) {
        const ShapeSpan span = shapeSpan(shape, width * n, height * n, y * n + sub);
        // Only the pixels the span touches gain coverage.
        const std::int64_t from = std::max(firstColumn, span.begin / n);
        const std::int64_t to = std::min(firstColumn + count, (span.end + n - 1) / n);
        for (std::int64_t x = from; x < to; ++x) {
            const std::int64_t left = std::max(x * n, span.begin);
            const std::int64_t right = std::min(x * n + n, span.end);
            if (right > left) covered[static_cast<std::size_t>(x - firstColumn)] += right - left;
        }
    }
    const std::int64_t cells = n * n;
    for (std::int64_t i = 0; i < count; ++i)
        out[i] = static_cast<std::uint8_t>(covered[static_cast<std::size_t>(i)] * 255 / cells);
}

}  // namespace tessary
