#include "effects/shadow/drop_shadow_feather.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "effects/geometry/geometry_divider.h"
#include "effects/geometry/geometry_progress.h"
#include "model/page_data.h"
#include "platform/assert.h"
#include "platform/worker_pool.h"

namespace tessary {

namespace {

// Reads samples [x, x + count) of row y of a plane, 0 outside `limit`.
bool readLimited(const PageData& data, int plane, std::int64_t x, std::int64_t y, std::size_t count,
                 const Rect& limit, std::uint8_t* dest) {
    std::memset(dest, 0, count);
    if (y < limit.top || y >= limit.bottom) return true;
    const std::int64_t lo = std::max<std::int64_t>(x, limit.left);
    const std::int64_t hi =
        std::min<std::int64_t>(x + static_cast<std::int64_t>(count), limit.right);
    if (lo >= hi) return true;
    return data.readRowOrFill(plane, static_cast<std::int32_t>(lo), static_cast<std::int32_t>(y),
                              static_cast<std::int32_t>(hi - lo), dest + (lo - x), 0);
}

// Output rows per band: about this many samples, at least four windows
// high, so a band is worth handing to a thread.
constexpr std::size_t kBandSamples = 128 * 1024;
constexpr std::size_t kMaxBandRows = 512;

}  // namespace

ErrorCode featherMask(PageData& data, int source, int target, const Rect& area, const Rect& limit,
                      int radius, GeometryProgress& progress, WorkerPool* workers) {
    TS_ASSERT(source != target && radius >= 0 && radius <= 16);
    if (area.empty()) return kErrNone;
    const auto width = static_cast<std::size_t>(area.width());
    const auto span = static_cast<std::size_t>(2 * radius + 1);
    const std::size_t readWidth = width + span - 1;
    // A band's 2r rows above and below are read and summed twice (by this
    // band and its neighbour): bands of many rows keep that small.
    const auto bandRows = static_cast<std::int32_t>(
        std::clamp<std::size_t>(kBandSamples / width, 4 * span, kMaxBandRows));
    const std::size_t sourceRows = static_cast<std::size_t>(bandRows) + span - 1;
    const std::int64_t bands = (std::int64_t{area.height()} + bandRows - 1) / bandRows;

    // A band's source rows (0 outside `limit`), their horizontal window
    // sums, the running vertical totals and the band's output rows.
    struct Slot {
        std::vector<std::uint8_t> samples;
        std::vector<std::uint16_t> sums;
        std::vector<std::uint32_t> total;
        std::vector<std::uint8_t> out;
    };
    std::vector<Slot> slots;
    try {
        slots.resize(static_cast<std::size_t>(OrderedJobs::slotsFor(workers)));
        for (Slot& slot : slots) {
            slot.samples.assign(sourceRows * readWidth, 0);
            slot.sums.assign(sourceRows * width, 0);
            slot.total.assign(width, 0);
            slot.out.assign(static_cast<std::size_t>(bandRows) * width, 0);
        }
    } catch (const std::bad_alloc&) {
        return kErrMemory;
    }
    auto top = [&](std::int64_t job) {
        return static_cast<std::int32_t>(area.top + job * bandRows);
    };
    auto rowsOf = [&](std::int64_t job) { return std::min(bandRows, area.bottom - top(job)); };

    ErrorCode code = kErrNone;
    // Source rows top - r ... top + rows + r - 1 of the band.
    auto prepare = [&](std::int64_t job, int s) {
        Slot& slot = slots[static_cast<std::size_t>(s)];
        const std::size_t count = static_cast<std::size_t>(rowsOf(job)) + span - 1;
        for (std::size_t k = 0; k < count; ++k) {
            if (!readLimited(data, source, std::int64_t{area.left} - radius,
                             std::int64_t{top(job)} - radius + static_cast<std::int64_t>(k),
                             readWidth, limit, slot.samples.data() + k * readWidth)) {
                code = kErrDisk;
                return false;
            }
        }
        return true;
    };
    const ExactDivider divider(span * span);
    auto compute = [&](std::int64_t job, int s) {
        Slot& slot = slots[static_cast<std::size_t>(s)];
        const auto rows = static_cast<std::size_t>(rowsOf(job));
        for (std::size_t k = 0; k < rows + span - 1; ++k) {
            const std::uint8_t* samples = slot.samples.data() + k * readWidth;
            std::uint16_t* sums = slot.sums.data() + k * width;
            std::uint32_t window = 0;
            for (std::size_t i = 0; i + 1 < span; ++i) window += samples[i];
            for (std::size_t x = 0; x < width; ++x) {
                window += samples[x + span - 1];
                sums[x] = static_cast<std::uint16_t>(window);
                window -= samples[x];
            }
        }
        // The window of output row k covers sum rows k ... k + 2r.
        std::fill(slot.total.begin(), slot.total.end(), 0);
        for (std::size_t k = 0; k + 1 < span; ++k) {
            const std::uint16_t* sums = slot.sums.data() + k * width;
            for (std::size_t x = 0; x < width; ++x) slot.total[x] += sums[x];
        }
        for (std::size_t k = 0; k < rows; ++k) {
            const std::uint16_t* entering = slot.sums.data() + (k + span - 1) * width;
            const std::uint16_t* leaving = slot.sums.data() + k * width;
            std::uint8_t* out = slot.out.data() + k * width;
            for (std::size_t x = 0; x < width; ++x) {
                slot.total[x] += entering[x];
                out[x] = static_cast<std::uint8_t>(divider.divide(slot.total[x]));
                slot.total[x] -= leaving[x];
            }
        }
    };
    auto finish = [&](std::int64_t job, int s) {
        Slot& slot = slots[static_cast<std::size_t>(s)];
        for (std::int32_t k = 0; k < rowsOf(job); ++k) {
            if (!data.writeRow(target, area.left, top(job) + k, area.width(),
                               slot.out.data() + static_cast<std::size_t>(k) * width)) {
                code = kErrDisk;
                return false;
            }
            if (progress.step()) {
                code = kErrCancelled;
                return false;
            }
        }
        return true;
    };
    OrderedJobs::run(workers, bands, std::ssize(slots), prepare, compute, finish);
    return code;
}

}  // namespace tessary
