#pragma once

#include <cstdint>

#include "model/blend_table.h"
#include "plugins/host_ports.h"
#include "tessary_plugin.h"

namespace tessary {

// Largest bitmap the host builds for a module, in pixels.
inline constexpr std::int64_t kMaxDisplayPixels = std::int64_t{1} << 26;

// Builds the bitmap for a module's display-pixels request: the part of
// `rect` (rows top..bottom, columns left..right, in the pixel map's own
// coordinates) that lies inside the map's bounds, top-down. Pixel (row,
// column) is read at baseAddr + (row - bounds.top) x rowBytes + (column -
// bounds.left) x colBytes; for RGB the green and blue samples follow at
// planeBytes and 2 x planeBytes (1 and 2 when planeBytes is 0).
//
// Greyscale maps give an 8-bit bitmap of the samples as they are with the
// identity grey palette (0 black, 255 white, as the page renderer shows
// grey pages, so a module's preview of page pixels looks like the page);
// RGB maps a 32-bit bitmap of blue, green, red, 0. A map of version 1 or
// later with a mask is drawn over a checkerboard of 10-pixel squares of 255
// and 127 in both modes (phase from maskPhaseRow and maskPhaseCol): the
// mask sample m weighs the pixel, 255 - m the square, through the blend
// table. The mask is addressed like the pixels, with its own row and column
// steps.
//
// Results: 0 (an empty area gives an empty bitmap); TSPI_ERR_PARAMETER for
// a null map, rectangle or base address, or a null mask data pointer;
// -30900 for modes other than greyscale and RGB; -108 when the area exceeds
// kMaxDisplayPixels or memory runs out.
TsPiResult buildDisplayBitmap(const TsPiPixelMap* source, const TsPiLongRect* rect,
                              const BlendTable& blend, HostBitmap& out);

}  // namespace tessary
