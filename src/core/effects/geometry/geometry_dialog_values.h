#pragma once

#include <cstdint>
#include <string>

namespace tessary {

// Number formatting and size texts shared by the geometry dialogs' logic.

// A value with two decimals ("%.2f"), as the size and offset edits show it.
std::string twoDecimals(double value);

// The memory an image of `type` (2 grey, 5 RGB) and width x height pixels
// (each truncated to whole pixels) takes, in kilobytes with one decimal,
// truncated, followed by " K": "0.0 K" for nothing, "1875.0 K" for
// 800 x 800 RGB.
std::string kilobyteSizeText(double width, double height, std::int32_t type);

// value clamped to [low, high]; a value that is not a number gives low.
double clampValue(double value, double low, double high);

}  // namespace tessary
