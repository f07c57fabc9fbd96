#include "app/units.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "app/string_ids.h"
#include "app/string_table.h"

namespace tessary {

namespace {

double usableResolution(double resolution) {
    return std::isfinite(resolution) && resolution > 0 ? resolution : kDefaultResolution;
}

}  // namespace

double toInches(double value, int unit, double resolution) {
    switch (unit) {
        case kUnitPixels:
            return value / usableResolution(resolution);
        case kUnitCentimeters:
            return value * kInchesPerCentimeter;
        case kUnitPicas:
            return value / 6.0;
        case kUnitPoints:
            return value / 72.0;
        default:
            return value;
    }
}

double fromInches(double inches, int unit, double resolution) {
    switch (unit) {
        case kUnitPixels:
            return inches * usableResolution(resolution);
        case kUnitCentimeters:
            return inches * kCentimetersPerInch;
        case kUnitPicas:
            return inches * 6.0;
        case kUnitPoints:
            return inches * 72.0;
        default:
            return inches;
    }
}

double toPixels(double value, int unit, double resolution) {
    // Pixels stay exactly what they are rather than going through r x (v / r).
    if (unit == kUnitPixels) return value;
    return usableResolution(resolution) * toInches(value, unit, resolution);
}

double fromPixels(double pixels, int unit, double resolution) {
    if (unit == kUnitPixels) return pixels;
    return fromInches(pixels / usableResolution(resolution), unit, resolution);
}

double convertUnit(double value, int fromUnit, int toUnit, double resolution) {
    return fromInches(toInches(value, fromUnit, resolution), toUnit, resolution);
}

double clampSizeValue(double value) {
    if (!(value >= kMinimumSizeValue)) return kMinimumSizeValue;  // also NaN
    if (value > kMaximumSizeValue) return kMaximumSizeValue;
    return value;
}

double perCentimeterToPerInch(double perCentimeter) {
    return perCentimeter * kCentimetersPerInch;
}

double perInchToPerCentimeter(double perInch) {
    return perInch * kInchesPerCentimeter;
}

const std::string& unitName(int unit) {
    static const std::string none;
    if (unit < kUnitPixels || unit > kUnitPoints) return none;
    return loadString(string_id::kUnitNameBase + unit);
}

int bitsPerPixelOfType(int type) {
    switch (type) {
        case 1:
            return 1;
        case 2:
        case 4:
            return 8;
        case 3:
            return 16;
        case 5:
        case 7:
            return 24;
        case 6:
            return 48;
        case 8:
            return 32;
        default:
            return type < 0 ? 0 : type;
    }
}

std::int64_t wholePixels(double pixels) {
    constexpr double kLimit = static_cast<double>(std::numeric_limits<std::int32_t>::max());
    const double rounded = std::trunc(pixels + 0.5);
    if (!(rounded > 0)) return 0;  // also NaN
    if (rounded >= kLimit) return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int64_t>(rounded);
}

std::uint64_t imageByteCount(std::int64_t width, std::int64_t height, int type) {
    if (width <= 0 || height <= 0) return 0;
    const unsigned __int128 bits = static_cast<unsigned __int128>(width) *
                                   static_cast<unsigned __int128>(height) *
                                   static_cast<unsigned __int128>(bitsPerPixelOfType(type));
    const unsigned __int128 bytes = bits / 8;
    if (bytes > std::numeric_limits<std::uint64_t>::max()) {
        return std::numeric_limits<std::uint64_t>::max();
    }
    return static_cast<std::uint64_t>(bytes);
}

std::string sizeText(std::uint64_t bytes) {
    constexpr std::uint64_t kKilo = 1024;
    constexpr std::uint64_t kMega = 1024 * 1024;
    char text[48];
    if (bytes < kKilo) {
        // Hundredths of a kilobyte, truncated: 0 .. 99.
        const unsigned hundredths = static_cast<unsigned>(bytes * 100 / kKilo);
        std::snprintf(text, sizeof text, "0.%02u K", hundredths);
    } else if (bytes < kMega) {
        std::snprintf(text, sizeof text, "%llu K", static_cast<unsigned long long>(bytes / kKilo));
    } else {
        const std::uint64_t whole = bytes / kMega;
        const unsigned tenths = static_cast<unsigned>((bytes % kMega) * 10 / kMega);
        std::snprintf(text, sizeof text, "%llu.%u M", static_cast<unsigned long long>(whole),
                      tenths);
    }
    return text;
}

std::string imageSizeText(double width, double height, int unit, double resolution, int type) {
    const std::int64_t pixelWidth = wholePixels(toPixels(width, unit, resolution));
    const std::int64_t pixelHeight = wholePixels(toPixels(height, unit, resolution));
    return sizeText(imageByteCount(pixelWidth, pixelHeight, type));
}

}  // namespace tessary
