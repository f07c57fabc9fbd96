#include "effects/tonal/auto_tone.h"

#include <cmath>
#include <utility>

#include "effects/framework/effect_names.h"
#include "effects/framework/effect_run.h"
#include "effects/framework/effect_target.h"
#include "effects/framework/histogram.h"
#include "effects/framework/image_map.h"
#include "effects/framework/scratch_buffer.h"
#include "effects/tonal/tonal_commands.h"
#include "model/page.h"
#include "model/page_data.h"

namespace tessary {

Rect toneArea(const Page& page) {
    if (page.hasMask()) return intersectRects(page.selectionRect(), page.bounds());
    return page.bounds();
}

ErrorCode gatherHistogram(const Page& page, const Rect& area, Histogram& histogram) {
    const PageData* data = page.pageData();
    const Rect rect = intersectRects(area, page.bounds());
    if (data == nullptr || rect.empty()) return kErrNone;
    const auto width = static_cast<std::size_t>(rect.width());
    const bool masked = page.hasMask();
    auto row = allocateScratch<std::uint8_t>(width);
    auto mask = allocateScratch<std::uint8_t>(width);
    if (!row || !mask) return kErrMemory;
    const int channels = std::min(page.colourPlaneCount(), histogram.channelCount());
    for (std::int32_t y = rect.top; y < rect.bottom; ++y) {
        if (masked) data->readRow(page.maskPlane(), rect.left, y, rect.width(), mask.get());
        for (int c = 0; c < channels; ++c) {
            data->readRow(c, rect.left, y, rect.width(), row.get());
            if (masked) {
                histogram.addRowMasked(c, row.get(), mask.get(), rect.width());
            } else {
                histogram.addRow(c, row.get(), rect.width());
            }
        }
    }
    return kErrNone;
}

ErrorCode autoContrastCommand(Page& page, const EffectContext& context) {
    std::unique_ptr<ImageMap> map = makeColourMap(page, effect_name::kAutoContrast.text);
    if (!map) return kErrMemory;
    Histogram histogram(page.colourPlaneCount());
    histogram.clear();
    if (const ErrorCode code = gatherHistogram(page, toneArea(page), histogram)) return code;
    histogram.computeStatistics();
    Histogram::Points points = histogram.percentilePoints();
    // When the darkest or lightest 1 % is empty the two points cross (the
    // high one below the low one), and a stretch between them would run
    // downhill and invert the image. Exchanged, they stretch uphill: a
    // uniform image still goes to mid grey, black, white and sparse images
    // keep their levels.
    if (points.high < points.low) std::swap(points.low, points.high);
    map->stretch(map->firstSlot(), map->lastSlot(), points.low, points.high);
    return runMenuFilter(page, std::move(map), context);
}

double autoEnhanceCurveParameter(double m, double* limited) {
    if (128.0 - m > 30.0) m = 98.0;
    if (128.0 - m < -30.0) m = 158.0;
    if (limited) *limited = m;
    auto level = static_cast<std::int32_t>(std::trunc(m));
    if (level <= 0) level = 1;
    if (level >= 255) level = 254;
    const double p = level / 255.0;
    const double q = 128.0 / 255.0;
    return (std::log((1.0 - p) / p) - std::log((1.0 - q) / q)) / 0.75;
}

ErrorCode measureAutoEnhance(const Page& page, AutoEnhanceMeasure& measure) {
    const int channels = page.colourPlaneCount();
    const Rect image = page.bounds();
    const std::int32_t cellWidth = image.width() / 4;
    const std::int32_t cellHeight = image.height() / 4;
    const bool everyCellEmpty = cellWidth == 0 || cellHeight == 0;

    double weighted[3] = {0, 0, 0};
    double deviations[3] = {0, 0, 0};
    auto addCell = [&](const Histogram& cell, int times) {
        for (int c = 0; c < channels; ++c) {
            const Histogram::Statistics& s = cell.statistics(c);
            const double mean = std::trunc(s.mean + 0.5);
            const double deviation = std::trunc(s.deviation);
            weighted[c] += times * mean * deviation;
            deviations[c] += times * deviation;
        }
    };

    Histogram cell(channels);
    if (page.hasMask() || everyCellEmpty) {
        // Every cell counts the same area (the selection), or there are no
        // cells: one histogram stands for them all.
        cell.clear();
        if (const ErrorCode code = gatherHistogram(page, toneArea(page), cell)) return code;
        cell.computeStatistics();
        addCell(cell, everyCellEmpty ? 1 : 16);
    } else {
        for (int row = 0; row < 4; ++row) {
            for (int column = 0; column < 4; ++column) {
                const Rect area{column * cellWidth, row * cellHeight, (column + 1) * cellWidth,
                                (row + 1) * cellHeight};
                cell.clear();
                if (const ErrorCode code = gatherHistogram(page, area, cell)) return code;
                cell.computeStatistics();
                addCell(cell, 1);
            }
        }
    }

    for (int c = 0; c < channels; ++c) {
        measure.levels[c] = weighted[c] > 0 && deviations[c] > 0
                                ? static_cast<std::int32_t>(std::trunc(weighted[c] / deviations[c]))
                                : 0;
    }
    double m = measure.levels[0];
    if (channels == 3) {
        double bright = 0, dark = 0;
        int brightCount = 0, darkCount = 0;
        for (int c = 0; c < 3; ++c) {
            if (measure.levels[c] >= 128) {
                bright += measure.levels[c];
                ++brightCount;
            } else {
                dark += measure.levels[c];
                ++darkCount;
            }
        }
        m = brightCount > darkCount ? bright / brightCount : dark / darkCount;
    }
    measure.curve = autoEnhanceCurveParameter(m, &measure.level);
    return kErrNone;
}

ErrorCode autoEnhanceCommand(Page& page, const EffectContext& context) {
    std::unique_ptr<ImageMap> map = makeColourMap(page, effect_name::kAutoEnhance.text);
    if (!map) return kErrMemory;
    Histogram histogram(page.colourPlaneCount());
    histogram.clear();
    if (const ErrorCode code = gatherHistogram(page, toneArea(page), histogram)) return code;
    histogram.computeStatistics();
    AutoEnhanceMeasure measure;
    if (const ErrorCode code = measureAutoEnhance(page, measure)) return code;
    map->curve(measure.curve);
    map->stretchByHistogram(histogram);
    return runMenuFilter(page, std::move(map), context);
}

}  // namespace tessary
