#pragma once

#include <cstdint>
#include <memory>

#include "effects/framework/c_vector_3d.h"
#include "effects/framework/effect_context.h"
#include "model/error_codes.h"
#include "model/image_data.h"

namespace tessary {

class ConvolutionFltr;
class DeInterlaceFltr;
class DespeckleFltr;
class ImageMap;
class NoiseFltr;
class Page;

// The neighbourhood and repair commands. The dialog-driven ones (Blur &
// Sharpen, Despeckle, Noise) take the variations dialog's rectangle, its x
// value and the final flag: an empty rectangle returns 0 at once; the run
// uses the change held by the dialog, shows progress and keeps the last
// filter only when final. The menu commands run on the standard target with
// the change opened by the run and progress shown, and keep their filter as
// the last filter when they return 0. A filter that cannot be allocated
// gives 0x10003.

// Blur & Sharpen for x: x < 0 box mean (mode 0) of radius min(-x, 16);
// x >= 0 sharpen (mode 3, 2 x centre - mean) of radius min(x, 16); divisor
// (2 x radius + 1)^2, all weights 1. x = 0 leaves the image as it is.
std::unique_ptr<ConvolutionFltr> makeBlurSharpenFilter(std::int32_t x);
ErrorCode blurSharpenCommand(Page& page, const Rect& rect, const CVector3D& adjustment, bool final,
                             const EffectContext& context);

// Despeckle for x: median of radius x clamped to 1 ... 16.
std::unique_ptr<DespeckleFltr> makeDespeckleFilter(std::int32_t x);
ErrorCode despeckleCommand(Page& page, const Rect& rect, const CVector3D& adjustment, bool final,
                           const EffectContext& context);

// Noise for x: amount x (negative removes spikes, positive adds noise).
std::unique_ptr<NoiseFltr> makeNoiseFilter(std::int32_t x);
ErrorCode noiseCommand(Page& page, const Rect& rect, const CVector3D& adjustment, bool final,
                       const EffectContext& context);

// Scratch Removal: radius-1 median with threshold 20.
std::unique_ptr<DespeckleFltr> makeScratchRemovalFilter();
ErrorCode scratchRemovalCommand(Page& page, const EffectContext& context);

// The De-Interlace dialog's choices ("Replace:" odd or even fields, "By:"
// interpolation or duplication), as kept in the preferences.
struct DeInterlaceChoice {
    bool replaceOddFields = true;  // "Odd Fields"; false: "Even Fields"
    bool interpolate = true;       // "Interpolation"; false: "Duplication"
};
// "Even Fields" replaces rows 1, 3, 5, ... (field 1), "Odd Fields" rows 0,
// 2, 4, ... (field 0).
std::unique_ptr<DeInterlaceFltr> makeDeInterlaceFilter(const DeInterlaceChoice& choice);
ErrorCode deInterlaceCommand(Page& page, const DeInterlaceChoice& choice,
                             const EffectContext& context);

// Red Eye Removal: a kind-6 map over slots 0 ... 2 with range (0, 64) on
// slots 1 and 2 (saturation and lightness). Does nothing and returns 0
// unless the page is RGB-Millions.
std::unique_ptr<ImageMap> makeRedEyeFilter();
ErrorCode redEyeRemovalCommand(Page& page, const EffectContext& context);

}  // namespace tessary
