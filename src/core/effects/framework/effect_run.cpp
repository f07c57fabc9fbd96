#include "effects/framework/effect_run.h"

#include <algorithm>

#include "effects/framework/effect_names.h"
#include "effects/framework/image_map.h"
#include "effects/framework/tiled_worker.h"
#include "effects/neighbourhood/convolution_fltr.h"
#include "effects/neighbourhood/convolution_kernel.h"
#include "effects/neighbourhood/de_interlace_fltr.h"
#include "effects/neighbourhood/de_interlace_worker.h"
#include "effects/neighbourhood/despeckle_fltr.h"
#include "effects/neighbourhood/median_kernel.h"
#include "effects/neighbourhood/noise_adder.h"
#include "effects/neighbourhood/noise_fltr.h"
#include "effects/neighbourhood/red_eye_worker.h"
#include "effects/tonal/lookup_table_worker.h"
#include "model/page.h"
#include "model/page_data.h"
#include "platform/assert.h"

namespace tessary {

namespace {

ErrorCode dispatch(Page& page, const Filter& filter, const EffectTarget& target, int opacity,
                   ProgressPort* progress, NoiseGenerator& noise) {
    switch (filter.kind()) {
        case kFilterKindImageMap:
            if (const auto* map = dynamic_cast<const ImageMap*>(&filter); map && map->valid()) {
                return runLookupTableWorker(page, *map, target, opacity, progress);
            }
            return kErrNone;
        case kFilterKindDeInterlace:
            if (const auto* fields = dynamic_cast<const DeInterlaceFltr*>(&filter)) {
                const ErrorCode code = runDeInterlaceWorker(page, *fields, target, progress);
                if (code != kErrNone) return code;
                return runDeInterlaceOpacityPass(page, *fields, target, opacity);
            }
            return kErrNone;
        case kFilterKindConvolution:
            if (const auto* convolution = dynamic_cast<const ConvolutionFltr*>(&filter)) {
                ConvolutionKernel kernel(*convolution);
                if (!kernel.valid()) return kErrMemory;
                return runTiledWorker(page, kernel, target, opacity, progress);
            }
            return kErrNone;
        case kFilterKindNoise:
            if (const auto* amount = dynamic_cast<const NoiseFltr*>(&filter)) {
                return runNoiseWorker(page, *amount, target, opacity, progress, noise);
            }
            return kErrNone;
        case kFilterKindDespeckle:
            if (const auto* median = dynamic_cast<const DespeckleFltr*>(&filter)) {
                MedianKernel kernel(*median);
                if (!kernel.valid()) return kErrMemory;
                return runTiledWorker(page, kernel, target, opacity, progress);
            }
            return kErrNone;
        case kFilterKindRedEye:
            if (const auto* map = dynamic_cast<const ImageMap*>(&filter);
                map && map->valid() && page.type() == Page::kTypeRgb && target.planeCount == 3 &&
                map->hasSlot(map->firstSlot() + 2)) {
                return runRedEyeWorker(page, *map, target, opacity, progress);
            }
            return kErrNone;
        default:
            return kErrNone;
    }
}

}  // namespace

ErrorCode runEffect(Page& page, const Filter& filter, const EffectTarget& target,
                    bool callerHoldsChange, bool showProgress, const EffectContext& context) {
    PageData* data = page.pageData();
    TS_ASSERT(data != nullptr);
    if (!callerHoldsChange && !data->beginChange()) return kErrDisk;

    std::unique_ptr<ProgressPort> progress;
    if (showProgress) {
        progress = context.progress.create(ProgressFactory::kEffectStyle);
        if (progress) {
            progress->setText(0, effect_name::kFiltering.text);
            progress->setText(1, filter.name());
            progress->setDelay(kEffectProgressDelayMs);
        }
    }

    const int opacity = page.hasFloat() ? 255 : std::clamp(context.opacity, 0, 255);
    EffectTarget run = target;
    run.releasesPrevious = target.releasesPrevious || !callerHoldsChange;
    ErrorCode code = dispatch(page, filter, run, opacity, progress.get(), context.noise);

    if (progress) {
        progress->close(code == kErrNone);
        progress.reset();
    }

    if (!callerHoldsChange) {
        if (code == kErrNone && !page.saveState(kUndoKindFilter, 0, target.rect)) code = kErrMemory;
        if (code == kErrNone) {
            data->endChange();
        } else {
            data->abortChange();
        }
    }
    return code;
}

bool lastFilterRunsHere(const Filter* filter) {
    return filter != nullptr && filter->kind() != kFilterKindPlugIn;
}

ErrorCode runLastFilter(Page& page, const EffectContext& context) {
    const Filter* filter = context.lastFilter.get();
    if (!lastFilterRunsHere(filter) || page.pageData() == nullptr) return kErrNone;
    return runEffect(page, *filter, standardTarget(page), false, true, context);
}

ErrorCode keepAsLastFilter(ErrorCode code, std::unique_ptr<Filter> filter,
                           const EffectContext& context) {
    if (code == kErrNone && filter) context.lastFilter = std::move(filter);
    return code;
}

ErrorCode runMenuFilter(Page& page, std::unique_ptr<Filter> filter, const EffectContext& context) {
    if (!filter) return kErrMemory;
    const ErrorCode code = runEffect(page, *filter, standardTarget(page), false, true, context);
    return keepAsLastFilter(code, std::move(filter), context);
}

ErrorCode runDialogFilter(Page& page, std::unique_ptr<Filter> filter, const Rect& rect, bool final,
                          const EffectContext& context) {
    if (rect.empty()) return kErrNone;
    if (!filter) return kErrMemory;
    EffectTarget target = standardTarget(page);
    target.rect = rect;
    // Previews read the state before the change again; the final run is
    // the dialog's last.
    target.releasesPrevious = final;
    const ErrorCode code = runEffect(page, *filter, target, true, final, context);
    if (!final) return code;
    return keepAsLastFilter(code, std::move(filter), context);
}

}  // namespace tessary
