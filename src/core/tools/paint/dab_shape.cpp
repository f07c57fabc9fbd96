#include "tools/paint/dab_shape.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tessary {
namespace {

constexpr std::uint8_t kFull = 255;

// Truncation toward zero as an int.
int trunc(double value) {
    return static_cast<int>(value);
}

// The covered span [begin, end) of row y of the shape class.
struct Span {
    int begin = 0;
    int end = 0;
};

Span ellipseSpan(int w, int h, int y) {
    const double a = h / 2.0;
    const double b = w / 2.0;
    const int dy = std::abs(y - h / 2);
    const double ratio = 1.0 - static_cast<double>(dy) * dy / (a * a);
    const int x0 = w / 2 - trunc(b * std::sqrt(std::max(ratio, 0.0)));
    return {x0, w - x0};
}

Span diamondSpan(int w, int h, int y) {
    const double slope = (w / 2.0) / (h / 2.0);
    const int middle = h / 2;
    const int x0 = y < middle ? w / 2 - trunc(slope * y) : trunc(slope * (y - middle));
    return {x0, w - x0};
}

// Classes 3 and 4: a band of thickness t along the diagonal.
Span bandSpan(int w, int h, int t, int y, bool rising) {
    if (h == t || w == t) return {0, w};
    const double k = static_cast<double>(w - t) / (h - t);
    double length = t * (1.0 + k);
    if (t % 2 != 0) length -= 1.0;
    if (h > w) length = std::max(length, static_cast<double>(t));
    int begin = 0;
    int end = 0;
    if (!rising) {
        begin = trunc(y * k + t - length + 0.5);
        end = trunc(y * k + t + 0.5);
    } else {
        begin = trunc(w - y * k - t + 0.5);
        end = trunc(w - y * k - t + length + 0.5);
    }
    begin = std::clamp(begin, 0, w);
    end = std::clamp(end, 0, w);
    if (end <= begin) {
        // An empty span keeps one pixel: the one before its start (falling)
        // or at its start (rising), kept inside the row.
        const int x = std::clamp(rising ? begin : begin - 1, 0, w - 1);
        return {x, x + 1};
    }
    return {begin, end};
}

Span spanOf(const DabGeometry& dab, int y) {
    const int w = dab.width;
    const int h = dab.height;
    switch (dab.shapeClass) {
        case 1:
            return ellipseSpan(w, h, y);
        case 2:
            return diamondSpan(w, h, y);
        case 3:
            return bandSpan(w, h, dab.thickness, y, false);
        case 4:
            return bandSpan(w, h, dab.thickness, y, true);
        default:
            return {0, w};
    }
}

// u, folded back below 256 (profiles 5, 14 and 15).
int fold(int u) {
    return u > 255 ? 510 - u : u;
}

// v of the profile at (x, y), before clamping; `full` is set instead where
// the profile divides by a half side of 0.
int profileValue(int profile, int w, int h, int x, int y, bool& full) {
    switch (profile) {
        case 1:
            return 255 * (w - x) / w;
        case 2:
            return 255 * x / w;
        case 3:
            return 255 * y / h;
        case 4:
            return 255 * (h - y) / h;
        case 5:
        case 15: {
            const double k = 255.0 / w;
            const int s = trunc(255 - y * k);
            if (s == 255) return trunc(255 - x * k + 0.5);
            return fold(trunc(x * k + s + 0.5));
        }
        case 6: {
            const int m = w / 2;
            const int d = w - 2 * m;
            const int c = m + d;
            return 255 * std::min(x + d, w - x) / c;
        }
        case 7: {
            const int m = h / 2;
            if (m == 0) break;
            return y <= m ? 255 * y / m : (510 * m - 255 * y) / m;
        }
        case 8: {
            const int r = w / 2;
            if (r == 0) break;
            const double dx = x - w / 2;
            const double dy = y - h / 2;
            return trunc((r - std::sqrt(dx * dx + dy * dy)) * 255.0 / r + 0.5);
        }
        case 9: {
            const int m = w / 2;
            if (m == 0) break;
            const int ax = std::abs(x - m);
            const int ay = std::abs(y - h / 2);
            const int d = ay >= ax ? h / 2 - ay : m - ax;
            return trunc(d * 255.0 / m + 0.5);
        }
        case 10: {
            const double k = 128.0 / w;
            const int s = trunc(255 - y * k);
            return trunc(s - x * k + 0.5);
        }
        case 11: {
            const double k = 128.0 / w;
            const int s = trunc(y * k);
            return trunc(x * k + s + 0.5);
        }
        case 12: {
            const double k = 128.0 / w;
            const int s = trunc(128 - y * k);
            return trunc(x * k + s + 0.5);
        }
        case 13: {
            const double k = 128.0 / w;
            const int s = trunc(y * k + 128);
            return trunc(s - x * k + 0.5);
        }
        case 14: {
            const double k = 255.0 / w;
            const int s = trunc(y * k);
            return fold(trunc(x * k + s + 0.5));
        }
        default:
            return 255;
    }
    full = true;
    return 255;
}

}  // namespace

SoftnessTable buildSoftnessTable() {
    const auto g = [](int i) { return std::pow(static_cast<double>(i), 5.0 / 3.0); };
    const double g127 = g(127);
    SoftnessTable table{};
    for (int i = 0; i < 128; ++i) {
        const int e = trunc(127.0 * g(i) / g127 + 0.5);
        table[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(e);
        table[static_cast<std::size_t>(255 - i)] = static_cast<std::uint8_t>(255 - std::max(e, 1));
    }
    return table;
}

void buildDabShape(const DabGeometry& dab, const SoftnessTable& softness,
                   std::vector<std::uint8_t>& out) {
    const int w = dab.width;
    const int h = dab.height;
    out.assign(static_cast<std::size_t>(w) * h, 0);
    for (int y = 0; y < h; ++y) {
        std::uint8_t* row = out.data() + static_cast<std::size_t>(y) * w;
        const Span span = spanOf(dab, y);
        for (int x = std::max(span.begin, 0); x < std::min(span.end, w); ++x) {
            if (dab.profile == 0) {
                row[x] = kFull;
                continue;
            }
            bool full = false;
            const int v = profileValue(dab.profile, w, h, x, y, full);
            row[x] = full ? kFull : softness[static_cast<std::size_t>(std::clamp(v, 0, 255))];
        }
    }
}

}  // namespace tessary
