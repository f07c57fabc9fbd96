#pragma once

#include <cstdint>

#include "effects/framework/effect_target.h"
#include "model/error_codes.h"
#include "model/progress_port.h"

namespace tessary {

class BlendTable;
class ImageMap;
class Page;

// Hue, saturation and lightness, each 0 ... 255.
struct HslLevels {
    std::int32_t hue = 0;
    std::int32_t saturation = 0;
    std::int32_t lightness = 0;
};

// The colour model of the red-eye worker. lightness = trunc((max + min) / 2);
// for a grey colour hue and saturation are 0; otherwise with d = max - min
// the saturation is trunc(d x 255 / (max + min)) below lightness 128 and
// trunc(d x 255 / (512 - max - min)) above, and the hue is
// trunc((G - B) x 43 / d) when red is largest, + 85 from (B - R) when green
// is, + 170 from (R - G) otherwise, negative hues wrapping by 256.
HslLevels rgbToHsl(std::uint8_t red, std::uint8_t green, std::uint8_t blue);

// The way back, through the blend table T (T[a][b] ~ a x b / 255); writes
// red, green and blue.
void hslToRgb(const HslLevels& hsl, const BlendTable& blend, std::uint8_t& red, std::uint8_t& green,
              std::uint8_t& blue);

// The red-eye worker: for every pixel of the target (three colour planes
// from target.firstPlane), converts to hue, saturation and lightness, maps
// the saturation through the map's slot firstSlot + 1 and the lightness
// through slot firstSlot + 2, converts back, lays the result over the
// original with `opacity` and through the mask, and writes the three rows.
// The map must have those slots and the target three planes.
//
// The page's change must be open. Returns 0, 0x10003 (buffers), 0x10002
// (a failed write) or 0x10000 (cancel; one step per row).
ErrorCode runRedEyeWorker(Page& page, const ImageMap& map, const EffectTarget& target, int opacity,
                          ProgressPort* progress);

}  // namespace tessary
