#pragma once

#include <cstdint>

#include "plugins/host_ports.h"
#include "tessary_plugin.h"

namespace tessary {

// What colour services need from the application.
struct ColourServicesContext {
    std::uint32_t foreground = 0;  // red bits 0-7, green 8-15, blue 16-23
    std::uint32_t background = 0xFFFFFF;
    ColourChooserPort* chooser = nullptr;  // null: choosing keeps the colour
};

// Serves one colour-services request of a module.
//
// The source colour becomes a working colour of three 16-bit channels:
// RGB (and "chosen") takes the low byte of each component times 256;
// CMYK gives each channel trunc(0.8 x 257 x component + 0.2 x 257 x black);
// grey gives all three component x 257; HSB and HSL are not converted (the
// working colour stays black). The selector then chooses a colour through
// the dialog, converts, or fetches the foreground (specialColorId 0) or
// background colour; the result is written in the result space: RGB as the
// channels' high bytes; CMYK as r - k, g - k, b - k, k with
// k = min(r, g, b) x max(r, g, b) / 255; grey as the mean of the channels'
// high bytes; HSB and HSL leave the components as they were.
//
// Results: 0; -30000 when `info` is null or a reserved pointer is set;
// -30900 for source or result spaces the host does not convert (Lab, XYZ,
// unknown) and for sampling a point or an unknown selector. The gamut flags
// are always cleared. Components out of their range are clamped, so that no
// conversion can overflow.
TsPiResult serveColourServices(TsPiColorServicesInfo* info, const ColourServicesContext& context);

}  // namespace tessary
