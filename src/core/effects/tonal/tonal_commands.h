#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "effects/framework/c_vector_3d.h"
#include "effects/framework/effect_context.h"
#include "model/error_codes.h"
#include "model/image_data.h"

namespace tessary {

class ImageMap;
class Page;

// The lookup-table commands that work sample by sample. Each builds an
// ImageMap over the page's colour slots (0 for 256 Grays, 0 ... 2 for
// RGB-Millions), runs it as kind 1 on the standard target and keeps it as
// the last filter when the final run returned 0. A map that cannot be
// allocated gives 0x10003.

// A map over the page's colour slots named `name`; null when it cannot be
// allocated.
std::unique_ptr<ImageMap> makeColourMap(const Page& page, std::string_view name);

// "Invert": 255 - v on every colour plane; change opened by the run,
// progress shown.
ErrorCode invertCommand(Page& page, const EffectContext& context);

// "NTSC Video Safe": every colour sample limited to 12 ... 243.
ErrorCode ntscVideoSafeCommand(Page& page, const EffectContext& context);
// Fills every slot: 0 ... 12 become 12, 243 ... 255 become 243.
void buildNtscVideoSafeMap(ImageMap& map);

// "Brightness & Contrast" from its variations dialog: brightness
// b = adjustment.x, contrast c = adjustment.y; every table becomes
// clamp(i + b), then every entry t becomes clamp(-c + trunc((255 + 2c) x t /
// 255)). Runs on `rect` with the change held by the dialog, progress and
// the last filter only when `final`. An empty rectangle returns 0 at once.
ErrorCode brightnessContrastCommand(Page& page, const Rect& rect, const CVector3D& adjustment,
                                    bool final, const EffectContext& context);
void buildBrightnessContrastMap(ImageMap& map, std::int32_t brightness, std::int32_t contrast);

// "Color Variations" from its dialog: table 0 clamp(i + x), table 1
// clamp(i + y), table 2 clamp(i + z). Needs three colour planes: on a
// 256 Grays page it returns 0x10002 and changes nothing.
ErrorCode colorVariationsCommand(Page& page, const Rect& rect, const CVector3D& adjustment,
                                 bool final, const EffectContext& context);
void buildColorVariationsMap(ImageMap& map, const CVector3D& adjustment);

}  // namespace tessary
