#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "model/image_data.h"
#include "tessary_plugin.h"

namespace tessary {

// Conversions between the engine's values and the fields of the parameter
// blocks modules see.

// The published image mode of a page type: 1 bitmap 0, 2 greyscale 1, 3 10,
// 4 indexed 2, 5 RGB 3, 6 11, 7 6, 8 CMYK 4; any other type is its own mode.
std::int16_t imageModeOfPageType(std::int32_t pageType);

// What a delivered image mode becomes: the page type, and the conversion a
// ProDataBuffer applies to the module's data (kSourceNone, kSourceOneBit or
// kSourceIndexed). Bitmap becomes grey through the one-bit conversion,
// indexed becomes RGB through the colour tables; other modes map back
// through the table above, anything else to itself. Only grey and RGB pages
// can be shaped, so other modes fail later.
struct DeliveredMode {
    std::int32_t pageType = 0;
    std::int32_t conversion = -1;
};
DeliveredMode deliveredModeOf(std::int16_t imageMode);

// The plane count a page is shaped with for a delivered image: 3 for
// indexed images; else the block's planes, cut to the colour planes of the
// page type (1 grey, 3 RGB). Planes a module describes beyond them (an
// alpha plane) are not kept: the plane after the colour planes is the
// selection mask, and a page read from a file has no selection. Fewer
// planes are returned as they are, and the shaping refuses them.
int deliveredPlaneCount(std::int16_t imageMode, std::int16_t planes);

// Bits per sample a format module writes for a page type: 1 for 1; 16 for
// 3 and 6; 8 otherwise.
std::int16_t depthOfPageType(std::int32_t pageType);

// A resolution in pixels per inch as 16.16 fixed point, truncated and
// clamped into the field's range (a NaN gives 0).
TsPiFixed fixedResolution(double pixelsPerInch);
// A delivered 16.16 resolution as the page keeps it: rounded to one decimal
// place; below 1.0 it is 72.0.
double resolutionFromFixed(TsPiFixed fixed);

// A colour (red bits 0-7, green 8-15, blue 16-23) as three 16-bit channels,
// each 8-bit channel times 257.
TsPiRgbColor rgbColourOf(std::uint32_t colour);
// The colour as the image's own four bytes: red, green, blue, 0 for RGB
// pages; (red + green + blue) / 3, 0, 0, 0 for grey pages.
void modeColourOf(std::uint32_t colour, bool grey, TsPiModeColor& out);

// Block rectangles are (top, left, bottom, right) in 16 bits.
Rect rectOf(const TsPiRect& rect);
// The rectangle as a block holds it; false (out untouched) when an edge
// does not fit 16 bits.
bool blockRectOf(const Rect& rect, TsPiRect& out);
// Both edges differ: the test the request loops use.
bool requestsSomething(const TsPiRect& rect);
// At least one pixel wide and high.
bool coversPixels(const TsPiRect& rect);
bool isUnitRequest(const TsPiRect& rect);  // exactly (0, 0, 1, 1)

// Length-prefixed text of the blocks.
void setPString(TsPiPString& out, std::string_view text);
// The text of a length-prefixed string, up to its first NUL.
std::string textOfPString(const TsPiPString& text);

}  // namespace tessary
