#include "effects/neighbourhood/noise_adder.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

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
#include "platform/worker_pool.h"

namespace tessary {

namespace {

// Rows per band: about this many samples per plane, so a band is worth
// handing to a thread.
constexpr std::size_t kBandSamples = 64 * 1024;
constexpr std::int32_t kMaxBandRows = 64;

// One band's rows of every plane and of the mask, the results, and each
// row's start index into the table with the generator's state after the
// draw that follows the row.
struct NoiseSlot {
    std::unique_ptr<std::uint8_t[]> source;
    std::unique_ptr<std::uint8_t[]> noisy;
    std::unique_ptr<std::uint8_t[]> mask;
    std::unique_ptr<int[]> starts;
    std::unique_ptr<std::uint32_t[]> statesAfter;
};

// Adds noise in bands of rows spread over the page's worker pool. The start
// indices are drawn on this thread in row order, as a row-by-row pass draws
// them, so the noise does not depend on the threads; rows are read and
// written here, the noise and blends computed on any thread. When the run
// stops early the generator is left as a row-by-row pass would leave it:
// after the draws of the rows it finished.
ErrorCode addNoise(Page& page, std::int32_t amount, const EffectTarget& target, int opacity,
                   ProgressPort* progress, NoiseGenerator& generator) {
    PageData* data = page.pageData();
    const Rect& rect = target.rect;
    if (rect.empty()) return kErrNone;
    const auto width = static_cast<std::size_t>(rect.width());
    const auto level = static_cast<std::uint8_t>(std::clamp(opacity, 0, 255));
    const bool masked = target.maskPlane >= 0;
    const BlendTable& blend = page.blend();
    const int planes = target.planeCount;
    const auto bandRows =
        static_cast<std::int32_t>(std::clamp<std::size_t>(kBandSamples / width, 1, kMaxBandRows));
    const std::size_t bandBytes = width * static_cast<std::size_t>(bandRows);

    WorkerPool* workers = page.workers();
    std::vector<NoiseSlot> slots(static_cast<std::size_t>(OrderedJobs::slotsFor(workers)));
    for (NoiseSlot& slot : slots) {
        slot.source = allocateScratch<std::uint8_t>(bandBytes * planes);
        slot.noisy = allocateScratch<std::uint8_t>(bandBytes * planes);
        slot.mask = allocateScratch<std::uint8_t>(bandBytes);
        slot.starts = allocateScratch<int>(static_cast<std::size_t>(bandRows));
        slot.statesAfter = allocateScratch<std::uint32_t>(static_cast<std::size_t>(bandRows));
        if (!slot.source || !slot.noisy || !slot.mask || !slot.starts || !slot.statesAfter)
            return kErrMemory;
    }

    NoiseTable table;
    buildNoiseTable(amount, generator, table);
    constexpr int kEntries = static_cast<int>(std::tuple_size_v<NoiseTable>);

    WorkerProgress steps(progress, std::int64_t{rect.height()} * planes);
    auto rowAt = [&](std::uint8_t* buffer, int plane, std::int32_t row) {
        return buffer + static_cast<std::size_t>(plane) * bandBytes +
               static_cast<std::size_t>(row) * width;
    };
    auto bandTop = [&](std::int64_t job) {
        return static_cast<std::int32_t>(rect.top + job * bandRows);
    };
    auto rowsOf = [&](std::int64_t job) { return std::min(bandRows, rect.bottom - bandTop(job)); };

    int start = 0;
    std::uint32_t finishedState = generator.state();
    auto prepare = [&](std::int64_t job, int s) {
        NoiseSlot& slot = slots[static_cast<std::size_t>(s)];
        for (std::int32_t row = 0; row < rowsOf(job); ++row) {
            const std::int32_t y = bandTop(job) + row;
            if (masked)
                data->readRowFromPrevious(target.maskPlane, rect.left, y, rect.width(),
                                          rowAt(slot.mask.get(), 0, row));
            for (int k = 0; k < planes; ++k)
                data->readRowFromPrevious(target.firstPlane + k, rect.left, y, rect.width(),
                                          rowAt(slot.source.get(), k, row));
            slot.starts[static_cast<std::size_t>(row)] = start;
            start = generator.draw() / 40;
            slot.statesAfter[static_cast<std::size_t>(row)] = generator.state();
        }
        return true;
    };
    auto compute = [&](std::int64_t job, int s) {
        NoiseSlot& slot = slots[static_cast<std::size_t>(s)];
        for (std::int32_t row = 0; row < rowsOf(job); ++row) {
            for (int k = 0; k < planes; ++k) {
                const std::uint8_t* source = rowAt(slot.source.get(), k, row);
                std::uint8_t* noisy = rowAt(slot.noisy.get(), k, row);
                int index = slot.starts[static_cast<std::size_t>(row)];
                for (std::size_t i = 0; i < width; ++i) {
                    const int v = source[i] + table[static_cast<std::size_t>(index)];
                    noisy[i] = static_cast<std::uint8_t>(std::clamp(v, 0, 255));
                    if (++index == kEntries) index = 0;
                }
                if (level < 255) opacityBlendRow(source, noisy, noisy, level, blend, rect.width());
                if (masked)
                    maskBlendRow(rowAt(slot.mask.get(), 0, row), source, noisy, noisy, blend,
                                 rect.width());
            }
        }
    };
    ErrorCode code = kErrNone;
    auto finish = [&](std::int64_t job, int s) {
        NoiseSlot& slot = slots[static_cast<std::size_t>(s)];
        for (std::int32_t row = 0; row < rowsOf(job); ++row) {
            for (int k = 0; k < planes; ++k) {
                if (!data->writeRow(target.firstPlane + k, rect.left, bandTop(job) + row,
                                    rect.width(), rowAt(slot.noisy.get(), k, row))) {
                    code = kErrMemory;
                    return false;
                }
                if (steps.step()) {
                    code = kErrCancelled;
                    return false;
                }
            }
            finishedState = slot.statesAfter[static_cast<std::size_t>(row)];
        }
        return true;
    };
    const std::int64_t bands = (std::int64_t{rect.height()} + bandRows - 1) / bandRows;
    OrderedJobs::run(workers, bands, std::ssize(slots), prepare, compute, finish);
    generator.setState(finishedState);
    return code;
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
