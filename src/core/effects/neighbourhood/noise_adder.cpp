#include "effects/neighbourhood/noise_adder.h"

#include <algorithm>
#include <cstdint>

#include "effects/framework/row_operations.h"
#include "effects/framework/scratch_buffer.h"
#include "effects/framework/tiled_worker.h"
#include "effects/framework/worker_progress.h"
#include "effects/neighbourhood/noise_fltr.h"
#include "effects/neighbourhood/noise_generator.h"
#include "effects/neighbourhood/spike_kernel.h"
#include "model/page.h"
#include "model/page_data.h"
#include "platform/assert.h"

namespace tessary {

namespace {

ErrorCode addNoise(Page& page, std::int32_t amount, const EffectTarget& target, int opacity,
                   ProgressPort* progress, NoiseGenerator& generator) {
    PageData* data = page.pageData();
    const Rect& rect = target.rect;
    if (rect.empty()) return kErrNone;
    const auto width = static_cast<std::size_t>(rect.width());
    const auto level = static_cast<std::uint8_t>(std::clamp(opacity, 0, 255));
    const bool masked = target.maskPlane >= 0;
    const BlendTable& blend = page.blend();

    auto source = allocateScratch<std::uint8_t>(width);
    auto noisy = allocateScratch<std::uint8_t>(width);
    auto mask = allocateScratch<std::uint8_t>(width);
    if (!source || !noisy || !mask) return kErrMemory;

    NoiseTable table;
    buildNoiseTable(amount, generator, table);
    constexpr int kEntries = static_cast<int>(std::tuple_size_v<NoiseTable>);

    WorkerProgress steps(progress, std::int64_t{rect.height()} * target.planeCount);
    int start = 0;
    for (std::int32_t y = rect.top; y < rect.bottom; ++y) {
        if (masked)
            data->readRowFromPrevious(target.maskPlane, rect.left, y, rect.width(), mask.get());
        for (int plane = target.firstPlane; plane <= target.lastPlane(); ++plane) {
            data->readRowFromPrevious(plane, rect.left, y, rect.width(), source.get());
            int index = start;
            for (std::size_t i = 0; i < width; ++i) {
                const int v = source[i] + table[static_cast<std::size_t>(index)];
                noisy[i] = static_cast<std::uint8_t>(std::clamp(v, 0, 255));
                if (++index == kEntries) index = 0;
            }
            if (level < 255)
                opacityBlendRow(source.get(), noisy.get(), noisy.get(), level, blend, rect.width());
            if (masked)
                maskBlendRow(mask.get(), source.get(), noisy.get(), noisy.get(), blend,
                             rect.width());
            if (!data->writeRow(plane, rect.left, y, rect.width(), noisy.get())) return kErrMemory;
            if (steps.step()) return kErrCancelled;
        }
        start = generator.draw() / 40;
    }
    return kErrNone;
}

}  // namespace

ErrorCode runNoiseWorker(Page& page, const NoiseFltr& filter, const EffectTarget& target,
                         int opacity, ProgressPort* progress, NoiseGenerator& generator) {
    TS_ASSERT(page.pageData() != nullptr);
    if (filter.amount == 0) return kErrNone;
    if (filter.amount < 0) {
        SpikeKernel kernel(SpikeKernel::thresholdForAmount(filter.amount));
        return runTiledWorker(page, kernel, target, opacity, progress);
    }
    return addNoise(page, filter.amount, target, opacity, progress, generator);
}

}  // namespace tessary
