#include "tools/paint/pen_stroke.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

#include "model/blend_table.h"
#include "model/grey_weights.h"
#include "model/page.h"
#include "model/page_data.h"
#include "platform/assert.h"

namespace tessary {
namespace {

Rect intersect(const Rect& a, const Rect& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

StrokeParams clamped(StrokeParams params) {
    params.width = std::clamp(params.width, 1, 255);
    params.height = std::clamp(params.height, 1, 255);
    params.thickness = std::clamp(params.thickness, 1, 255);
    params.shapeClass = std::clamp(params.shapeClass, 0, 4);
    params.profile = std::clamp(params.profile, 0, 15);
    params.opacity = std::clamp(params.opacity, 0, 255);
    params.spacing = std::clamp(params.spacing, 1, 1000);
    return params;
}

// Points farther out than this from the origin are no pointer positions;
// holding them there keeps every dab rectangle inside 32 bits.
constexpr std::int32_t kCoordinateLimit = 1 << 24;

ToolPoint limited(ToolPoint point) {
    return {std::clamp(point.x, -kCoordinateLimit, kCoordinateLimit),
            std::clamp(point.y, -kCoordinateLimit, kCoordinateLimit)};
}

// Rounds half away from zero.
std::int32_t roundCoordinate(double value) {
    return static_cast<std::int32_t>(std::round(value));
}

}  // namespace

PenStroke::PenStroke(Page& page, const StrokeParams& params)
    : m_page(page),
      m_data(*page.pageData()),
      m_blend(page.blend()),
      m_params(clamped(params)),
      m_planes(page.colourPlaneCount()),
      m_maskPlane(page.maskPlane()),
      m_image(page.bounds()) {
    m_useBefore = m_params.opacity < 255 || m_maskPlane >= 0;
}

PenStroke::~PenStroke() = default;

ErrorCode PenStroke::begin(ToolPoint start) {
    const auto w = static_cast<std::size_t>(m_params.width);
    const auto h = static_cast<std::size_t>(m_params.height);
    try {
        m_paint.resize(w * h * static_cast<std::size_t>(m_planes));
        m_spans.resize(h);
        m_currentRow.resize(w);
        if (m_useBefore) m_beforeRow.resize(w);
        if (m_maskPlane >= 0) m_selectionRow.resize(w);
        const SoftnessTable softness = buildSoftnessTable();
        buildDabShape({m_params.width, m_params.height, m_params.thickness, m_params.shapeClass,
                       m_params.profile},
                      softness, m_coverage);
    } catch (const std::bad_alloc&) {
        return kErrMemory;
    }

    for (std::size_t y = 0; y < h; ++y) {
        const std::uint8_t* row = m_coverage.data() + y * w;
        std::size_t begin = 0;
        std::size_t end = w;
        while (begin < end && row[begin] == 0) ++begin;
        while (end > begin && row[end - 1] == 0) --end;
        m_spans[y] = {static_cast<std::int32_t>(begin), static_cast<std::int32_t>(end)};
    }

    // A grey page paints the grey of the colour.
    const std::uint32_t colour = m_params.colour;
    for (int p = 0; p < m_planes; ++p) {
        const std::uint8_t sample = m_planes == 1 ? GreyWeights::greyOfColour(colour)
                                                  : static_cast<std::uint8_t>(colour >> (8 * p));
        std::fill_n(paintPlane(p), w * h, sample);
    }

    m_start = limited(start);
    m_distance = 0.0;
    return kErrNone;
}

std::uint8_t* PenStroke::paintPlane(int plane) {
    TS_ASSERT(plane >= 0 && plane < m_planes);
    return m_paint.data() + static_cast<std::size_t>(plane) *
                                static_cast<std::size_t>(m_params.width) *
                                static_cast<std::size_t>(m_params.height);
}

ErrorCode PenStroke::stamp(ToolPoint at) {
    const ToolPoint centre = limited(at);
    const std::int32_t left = centre.x - m_params.width / 2;
    const std::int32_t top = centre.y - m_params.height / 2;
    m_dab = {left, top, left + m_params.width, top + m_params.height};
    m_dabOffset = {centre.x - m_start.x, centre.y - m_start.y};
    const Rect area = intersect(m_dab, m_image);
    if (area.empty()) return kErrNone;

    if (m_params.dabHook != nullptr) m_params.dabHook->beforeDab(*this);

    for (std::int32_t y = area.top; y < area.bottom; ++y) {
        const RowSpan& span = m_spans[static_cast<std::size_t>(y - m_dab.top)];
        const std::int32_t from = std::max(area.left, m_dab.left + span.begin);
        const std::int32_t to = std::min(area.right, m_dab.left + span.end);
        if (from >= to) continue;
        const ErrorCode code = compositeRow(y, from, to);
        if (code != kErrNone) return code;
    }
    return kErrNone;
}

// Composites image row y, columns [left, right), which lie inside the image
// and the dab.
ErrorCode PenStroke::compositeRow(std::int32_t y, std::int32_t left, std::int32_t right) {
    const std::int32_t count = right - left;
    const std::size_t offset =
        static_cast<std::size_t>(y - m_dab.top) * static_cast<std::size_t>(m_params.width) +
        static_cast<std::size_t>(left - m_dab.left);
    const std::uint8_t* coverage = m_coverage.data() + offset;
    const std::uint8_t* table = m_blend.data();
    std::uint8_t* current = m_currentRow.data();
    std::uint8_t* before = m_beforeRow.data();
    std::uint8_t* selection = m_maskPlane >= 0 ? m_selectionRow.data() : nullptr;

    if (m_maskPlane >= 0) m_data.readRowOrFill(m_maskPlane, left, y, count, selection, 0);
    const bool faded = m_params.opacity < 255;
    const std::uint8_t* opaque = m_blend.row(static_cast<std::uint8_t>(m_params.opacity));
    const std::uint8_t* clear = m_blend.row(static_cast<std::uint8_t>(255 - m_params.opacity));

    for (int p = 0; p < m_planes; ++p) {
        const std::uint8_t* paint = paintPlane(p) + offset;
        m_data.readRow(p, left, y, count, current);
        if (!m_useBefore) {
            for (std::int32_t i = 0; i < count; ++i) {
                const unsigned d = coverage[i];
                current[i] = static_cast<std::uint8_t>(table[d * 256 + paint[i]] +
                                                       table[(255 - d) * 256 + current[i]]);
            }
        } else {
            m_data.readRowFromPrevious(p, left, y, count, before);
            for (std::int32_t i = 0; i < count; ++i) {
                unsigned source = paint[i];
                const unsigned old = before[i];
                if (faded) source = static_cast<unsigned>(opaque[source] + clear[old]);
                if (selection != nullptr) {
                    const unsigned s = selection[i];
                    source = static_cast<unsigned>(table[s * 256 + source] +
                                                   table[(255 - s) * 256 + old]);
                }
                const unsigned d = coverage[i];
                current[i] = static_cast<std::uint8_t>(table[d * 256 + source] +
                                                       table[(255 - d) * 256 + current[i]]);
            }
        }
        if (!m_data.writeRow(p, left, y, count, current)) return kErrDisk;
    }
    return kErrNone;
}

ErrorCode PenStroke::segment(ToolPoint start, ToolPoint end) {
    const ToolPoint from = limited(start);
    const ToolPoint to = limited(end);
    const std::int64_t dx = std::int64_t{to.x} - from.x;
    const std::int64_t dy = std::int64_t{to.y} - from.y;
    const std::int64_t steps = std::max(std::llabs(dx), std::llabs(dy));
    if (steps == 0) return kErrNone;
    const double stepX = static_cast<double>(dx) / static_cast<double>(steps);
    const double stepY = static_cast<double>(dy) / static_cast<double>(steps);
    const double stepLength = std::sqrt(stepX * stepX + stepY * stepY);
    double offsetX = 0.0;
    double offsetY = 0.0;
    for (std::int64_t i = 0; i < steps; ++i) {
        offsetX += stepX;
        offsetY += stepY;
        m_distance += stepLength;
        if (static_cast<std::int64_t>(m_distance) >= m_params.spacing) {
            m_distance = 0.0;
            const ErrorCode code =
                stamp({roundCoordinate(from.x + offsetX), roundCoordinate(from.y + offsetY)});
            if (code != kErrNone) return code;
        }
    }
    return kErrNone;
}

}  // namespace tessary
