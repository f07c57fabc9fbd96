#include "effects/neighbourhood/neighbourhood_commands.h"

#include <algorithm>
#include <new>

#include "effects/framework/effect_names.h"
#include "effects/framework/effect_run.h"
#include "effects/framework/image_map.h"
#include "effects/neighbourhood/convolution_fltr.h"
#include "effects/neighbourhood/de_interlace_fltr.h"
#include "effects/neighbourhood/despeckle_fltr.h"
#include "effects/neighbourhood/noise_fltr.h"
#include "model/page.h"

namespace tessary {

namespace {

constexpr std::int32_t kScratchThreshold = 20;

template <class T>
std::unique_ptr<T> makeNamed(std::string_view name) {
    std::unique_ptr<T> filter(new (std::nothrow) T());
    if (filter) filter->setName(name);
    return filter;
}

}  // namespace

std::unique_ptr<ConvolutionFltr> makeBlurSharpenFilter(std::int32_t x) {
    auto filter = makeNamed<ConvolutionFltr>(effect_name::kBlurSharpen.text);
    if (!filter) return nullptr;
    const std::int64_t amount = x;
    filter->mode = x < 0 ? 0 : 3;
    filter->radius = static_cast<std::int32_t>(
        std::min<std::int64_t>(x < 0 ? -amount : amount, ConvolutionFltr::kMaxRadius));
    const std::int32_t side = 2 * filter->radius + 1;
    filter->divisor = side * side;
    return filter;
}

ErrorCode blurSharpenCommand(Page& page, const Rect& rect, const CVector3D& adjustment, bool final,
                             const EffectContext& context) {
    if (rect.empty()) return kErrNone;
    return runDialogFilter(page, makeBlurSharpenFilter(adjustment.x), rect, final, context);
}

std::unique_ptr<DespeckleFltr> makeDespeckleFilter(std::int32_t x) {
    auto filter = makeNamed<DespeckleFltr>(effect_name::kDespeckle.text);
    if (!filter) return nullptr;
    filter->radius = std::clamp<std::int32_t>(x, 1, DespeckleFltr::kMaxRadius);
    filter->threshold = DespeckleFltr::kPlainMedian;
    return filter;
}

ErrorCode despeckleCommand(Page& page, const Rect& rect, const CVector3D& adjustment, bool final,
                           const EffectContext& context) {
    if (rect.empty()) return kErrNone;
    return runDialogFilter(page, makeDespeckleFilter(adjustment.x), rect, final, context);
}

std::unique_ptr<NoiseFltr> makeNoiseFilter(std::int32_t x) {
    auto filter = makeNamed<NoiseFltr>(effect_name::kNoise.text);
    if (filter) filter->amount = x;
    return filter;
}

ErrorCode noiseCommand(Page& page, const Rect& rect, const CVector3D& adjustment, bool final,
                       const EffectContext& context) {
    if (rect.empty()) return kErrNone;
    return runDialogFilter(page, makeNoiseFilter(adjustment.x), rect, final, context);
}

std::unique_ptr<DespeckleFltr> makeScratchRemovalFilter() {
    auto filter = makeNamed<DespeckleFltr>(effect_name::kScratchRemoval.text);
    if (!filter) return nullptr;
    filter->radius = 1;
    filter->threshold = kScratchThreshold;
    return filter;
}

ErrorCode scratchRemovalCommand(Page& page, const EffectContext& context) {
    return runMenuFilter(page, makeScratchRemovalFilter(), context);
}

std::unique_ptr<DeInterlaceFltr> makeDeInterlaceFilter(const DeInterlaceChoice& choice) {
    auto filter = makeNamed<DeInterlaceFltr>(effect_name::kDeInterlace.text);
    if (!filter) return nullptr;
    filter->field = choice.replaceOddFields ? DeInterlaceFltr::kReplaceEvenRows
                                            : DeInterlaceFltr::kReplaceOddRows;
    filter->method =
        choice.interpolate ? DeInterlaceFltr::kInterpolation : DeInterlaceFltr::kDuplication;
    return filter;
}

ErrorCode deInterlaceCommand(Page& page, const DeInterlaceChoice& choice,
                             const EffectContext& context) {
    return runMenuFilter(page, makeDeInterlaceFilter(choice), context);
}

std::unique_ptr<ImageMap> makeRedEyeFilter() {
    std::unique_ptr<ImageMap> map(new (std::nothrow) ImageMap(0, 2));
    if (!map || !map->valid()) return nullptr;
    map->setKind(kFilterKindRedEye);
    map->setName(effect_name::kRedEyeRemoval.text);
    map->range(1, 0, 64);
    map->range(2, 0, 64);
    return map;
}

ErrorCode redEyeRemovalCommand(Page& page, const EffectContext& context) {
    if (page.type() != Page::kTypeRgb) return kErrNone;
    return runMenuFilter(page, makeRedEyeFilter(), context);
}

}  // namespace tessary
