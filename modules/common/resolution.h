#pragma once

#include <cstdint>

#include "tessary_plugin.h"

namespace tessary::modules {

// Conversions between the resolutions files store and the 16.16 fixed-point
// pixels per inch of the parameter blocks. A resolution of 0 stands for
// "not stated"; negative, non-finite and zero inputs all give 0.

inline constexpr double kMetresPerInch = 0.0254;

// Pixels per inch as 16.16 fixed point, rounded; values beyond the largest
// representable resolution (just under 32768) are clamped to it.
TsPiFixed ppiToFixed(double ppi);
// The block's 16.16 value as pixels per inch (negative values give 0).
double fixedToPpi(TsPiFixed value);

// Pixels per metre (BMP, PNG) to pixels per inch and back; the latter is
// rounded to the nearest integer and clamped to [0, INT32_MAX].
double ppmToPpi(double pixelsPerMetre);
std::int32_t ppiToPpm(double ppi);

}  // namespace tessary::modules
