#include "effects/neighbourhood/red_eye_worker.h"

#include <algorithm>
#include <cmath>

#include "effects/framework/image_map.h"
#include "effects/framework/row_operations.h"
#include "effects/framework/scratch_buffer.h"
#include "effects/framework/worker_progress.h"
#include "model/blend_table.h"
#include "model/page.h"
#include "model/page_data.h"
#include "platform/assert.h"

namespace tessary {

namespace {

// The rising ramp of a component between the two lightness levels: 0 at
// the start of a sector, 255 at its end.
std::int32_t ramp(std::int32_t h) {
    const std::int32_t k = h <= 42 ? h : 170 - h;
    const auto u = static_cast<std::int32_t>(std::trunc(255.0 - k * 255.0 / 42.0 + 0.5));
    return 255 - u;
}

std::uint8_t component(std::int32_t h, std::int32_t m1, std::int32_t m2, const BlendTable& blend) {
    if (h > 255) h -= 255;
    if (h < 0) h += 255;
    std::int32_t v = 0;
    if (h < 43 || (h >= 128 && h < 170)) {
        const auto spread = static_cast<std::uint8_t>(std::clamp(m2 - m1, 0, 255));
        const auto weight = static_cast<std::uint8_t>(std::clamp(ramp(h), 0, 255));
        v = m1 + blend.product(spread, weight);
    } else if (h < 128) {
        v = m2;
    } else {
        v = m1;
    }
    return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

}  // namespace

HslLevels rgbToHsl(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    const int r = red, g = green, b = blue;
    const int hi = std::max({r, g, b});
    const int lo = std::min({r, g, b});
    HslLevels out;
    out.lightness = (hi + lo) / 2;
    if (hi == lo) return out;
    const int d = hi - lo;
    out.saturation = out.lightness < 128 ? d * 255 / (hi + lo) : d * 255 / (512 - hi - lo);
    int h = 0;
    if (hi == r) {
        h = (g - b) * 43 / d;
    } else if (hi == g) {
        h = (b - r) * 43 / d + 85;
    } else {
        h = (r - g) * 43 / d + 170;
    }
    if (h < 0) h += 256;
    out.hue = h;
    return out;
}

void hslToRgb(const HslLevels& hsl, const BlendTable& blend, std::uint8_t& red, std::uint8_t& green,
              std::uint8_t& blue) {
    const std::int32_t l = std::clamp(hsl.lightness, 0, 255);
    const std::int32_t s = std::clamp(hsl.saturation, 0, 255);
    const std::int32_t product =
        blend.product(static_cast<std::uint8_t>(l), static_cast<std::uint8_t>(s));
    const std::int32_t m2 = l < 128 ? (l + product) % 256 : (l + s - product) % 256;
    const std::int32_t m1 = 2 * l - m2;
    red = component(hsl.hue + 85, m1, m2, blend);
    green = component(hsl.hue, m1, m2, blend);
    blue = component(hsl.hue - 85, m1, m2, blend);
}

ErrorCode runRedEyeWorker(Page& page, const ImageMap& map, const EffectTarget& target, int opacity,
                          ProgressPort* progress) {
    PageData* data = page.pageData();
    TS_ASSERT(data != nullptr && target.planeCount == 3);
    TS_ASSERT(map.hasSlot(map.firstSlot() + 2));
    const Rect& rect = target.rect;
    if (rect.empty()) return kErrNone;
    const auto width = static_cast<std::size_t>(rect.width());
    const auto level = static_cast<std::uint8_t>(std::clamp(opacity, 0, 255));
    const bool masked = target.maskPlane >= 0;
    const BlendTable& blend = page.blend();
    const std::uint8_t* saturationMap = map.table(map.firstSlot() + 1);
    const std::uint8_t* lightnessMap = map.table(map.firstSlot() + 2);

    // Rows 0-2: the original planes; 3-5: the results; 6: the mask.
    auto rows = allocateScratch<std::uint8_t>(7 * width);
    if (!rows) return kErrMemory;
    std::uint8_t* original[3] = {rows.get(), rows.get() + width, rows.get() + 2 * width};
    std::uint8_t* result[3] = {rows.get() + 3 * width, rows.get() + 4 * width,
                               rows.get() + 5 * width};
    std::uint8_t* mask = rows.get() + 6 * width;

    WorkerProgress steps(progress, rect.height());
    for (std::int32_t y = rect.top; y < rect.bottom; ++y) {
        for (int c = 0; c < 3; ++c) {
            data->readRowFromPrevious(target.firstPlane + c, rect.left, y, rect.width(),
                                      original[c]);
        }
        for (std::size_t i = 0; i < width; ++i) {
            HslLevels hsl = rgbToHsl(original[0][i], original[1][i], original[2][i]);
            hsl.saturation = saturationMap[hsl.saturation];
            hsl.lightness = lightnessMap[hsl.lightness];
            hslToRgb(hsl, blend, result[0][i], result[1][i], result[2][i]);
        }
        if (masked) data->readRowFromPrevious(target.maskPlane, rect.left, y, rect.width(), mask);
        for (int c = 0; c < 3; ++c) {
            if (level < 255)
                opacityBlendRow(original[c], result[c], result[c], level, blend, rect.width());
            if (masked) maskBlendRow(mask, original[c], result[c], result[c], blend, rect.width());
            if (!data->writeRow(target.firstPlane + c, rect.left, y, rect.width(), result[c])) {
                return kErrDisk;
            }
        }
        if (steps.step()) return kErrCancelled;
    }
    return kErrNone;
}

}  // namespace tessary
