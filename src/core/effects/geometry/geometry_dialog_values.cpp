#include "effects/geometry/geometry_dialog_values.h"

#include <cmath>
#include <cstdio>

#include "app/units.h"

namespace tessary {

std::string twoDecimals(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

std::string kilobyteSizeText(double width, double height, std::int32_t type) {
    auto whole = [](double v) -> std::int64_t {
        if (!(v >= 0)) return 0;
        return v >= 2147483647.0 ? 2147483647 : static_cast<std::int64_t>(v);
    };
    const std::uint64_t bytes = imageByteCount(whole(width), whole(height), type);
    // Tenths of a kilobyte, truncated: bytes x 10 / 1024 in integers.
    const std::uint64_t tenths = bytes / 1024 * 10 + (bytes % 1024) * 10 / 1024;
    char text[64];
    std::snprintf(text, sizeof text, "%llu.%llu K", static_cast<unsigned long long>(tenths / 10),
                  static_cast<unsigned long long>(tenths % 10));
    return text;
}

double clampValue(double value, double low, double high) {
    if (!(value >= low)) return low;  // also NaN
    if (value > high) return high;
    return value;
}

}  // namespace tessary
