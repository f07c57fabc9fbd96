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

}  // namespace

ErrorCode featherMask(PageData& data, int source, int target, const Rect& area, const Rect& limit,
                      int radius, GeometryProgress& progress) {
    TS_ASSERT(source != target && radius >= 0 && radius <= 16);
    if (area.empty()) return kErrNone;
    const auto width = static_cast<std::size_t>(area.width());
    const auto span = static_cast<std::size_t>(2 * radius + 1);
    const std::size_t readWidth = width + span - 1;

    // A ring of the horizontal window sums of the 2r + 1 source rows around
    // the current row, and their running total per column.
    std::vector<std::uint16_t> ring;
    std::vector<std::uint32_t> total;
    std::vector<std::uint8_t> samples, out;
    try {
        ring.assign(span * width, 0);
        total.assign(width, 0);
        samples.assign(readWidth, 0);
        out.assign(width, 0);
    } catch (const std::bad_alloc&) {
        return kErrMemory;
    }
    auto horizontalSums = [&](std::int64_t y, std::uint16_t* sums) {
        if (!readLimited(data, source, std::int64_t{area.left} - radius, y, readWidth, limit,
                         samples.data()))
            return false;
        std::uint32_t window = 0;
        for (std::size_t k = 0; k + 1 < span; ++k) window += samples[k];
        for (std::size_t x = 0; x < width; ++x) {
            window += samples[x + span - 1];
            sums[x] = static_cast<std::uint16_t>(window);
            window -= samples[x];
        }
        return true;
    };

    // Prime the ring with rows top - r ... top + r - 1; the loop adds the
    // row below each output row before using the total.
    for (std::size_t k = 0; k + 1 < span; ++k) {
        std::uint16_t* sums = ring.data() + k * width;
        if (!horizontalSums(std::int64_t{area.top} - radius + static_cast<std::int64_t>(k), sums))
            return kErrDisk;
        for (std::size_t x = 0; x < width; ++x) total[x] += sums[x];
    }
    const ExactDivider divider(span * span);
    std::size_t slot = span - 1;  // ring slot of the row to add next
    for (std::int32_t y = area.top; y < area.bottom; ++y) {
        std::uint16_t* sums = ring.data() + slot * width;
        if (!horizontalSums(std::int64_t{y} + radius, sums)) return kErrDisk;
        for (std::size_t x = 0; x < width; ++x) {
            total[x] += sums[x];
            out[x] = static_cast<std::uint8_t>(divider.divide(total[x]));
        }
        // The oldest row leaves the window: it sits in the slot after this one.
        slot = (slot + 1) % span;
        const std::uint16_t* oldest = ring.data() + slot * width;
        for (std::size_t x = 0; x < width; ++x) total[x] -= oldest[x];
        if (!data.writeRow(target, area.left, y, area.width(), out.data())) return kErrDisk;
        if (progress.step()) return kErrCancelled;
    }
    return kErrNone;
}

}  // namespace tessary
