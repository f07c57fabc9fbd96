#pragma once

#include <cstdint>
#include <string>

namespace tessary {

// Measurement units of sizes and lengths. Unit 5 is accepted wherever a unit
// is converted and behaves as inches.
enum MeasurementUnit : int {
    kUnitPixels = 0,
    kUnitInches = 1,
    kUnitCentimeters = 2,
    kUnitPicas = 3,
    kUnitPoints = 4,
};

// Resolution units: pixels per inch and pixels per centimetre.
enum ResolutionUnit : int {
    kPerInch = 1,
    kPerCentimeter = 2,
};

inline constexpr double kInchesPerCentimeter = 0.39370078740157477;
inline constexpr double kCentimetersPerInch = 2.54;
inline constexpr double kDefaultResolution = 72.0;

// Sizes offered by the size dialogs, in their display unit.
inline constexpr double kMinimumSizeValue = 0.01;
inline constexpr double kMaximumSizeValue = 16382.0;

// Conversions between a value in `unit` and inches; `resolution` is in pixels
// per inch and only matters for pixels. A resolution that is not a positive
// finite number is taken as kDefaultResolution, so that no conversion ever
// divides by zero or yields an infinity. Unknown units pass values unchanged.
double toInches(double value, int unit, double resolution);
double fromInches(double inches, int unit, double resolution);

// to pixels = resolution x to inches; from pixels = from inches (pixels / r).
// A value already in pixels is returned as it is, without rounding error.
double toPixels(double value, int unit, double resolution);
double fromPixels(double pixels, int unit, double resolution);

// A value shown in `fromUnit` re-expressed in `toUnit` through inches.
double convertUnit(double value, int fromUnit, int toUnit, double resolution);

// The size dialogs' display clamp: 0.01 .. 16382.
double clampSizeValue(double value);

// Resolutions between pixels per centimetre and pixels per inch.
double perCentimeterToPerInch(double perCentimeter);
double perInchToPerCentimeter(double perInch);

// The name of a measurement unit (string 4120 + unit); empty outside 0..4.
const std::string& unitName(int unit);

// Bits per pixel of an image type code: 1 -> 1; 2, 4 -> 8; 3 -> 16; 5, 7 -> 24;
// 6 -> 48; 8 -> 32; any other non-negative code t -> t; negative codes -> 0.
int bitsPerPixelOfType(int type);

// Whole pixels of a size in pixels: trunc(pixels + 0.5), 0 for values below
// 0.5 or not numbers, at most 2^31 - 1.
std::int64_t wholePixels(double pixels);

// Bytes of an image of width x height whole pixels of the given type:
// width x height x bits per pixel / 8, the division last. Computed in 128-bit
// arithmetic and saturated at UINT64_MAX, so that no size wraps.
std::uint64_t imageByteCount(std::int64_t width, std::int64_t height, int type);

// The memory size text: below 1,048,576 bytes the kilobytes followed by " K",
// from there on the megabytes followed by " M". Kilobytes of 1 or more are
// shown whole (truncated: 525,312 bytes read "513 K"); below 1 kilobyte the
// value gets two decimals, truncated ("0.50 K" for 512 bytes, "0.00 K" for
// nothing). Megabytes always get one decimal, truncated ("1.5 M"), so a size
// is never shown larger than it is.
std::string sizeText(std::uint64_t bytes);

// The New Image dialog's size text for a width and height shown in `unit` at
// `resolution` pixels per inch and an image type code.
std::string imageSizeText(double width, double height, int unit, double resolution, int type);

}  // namespace tessary
