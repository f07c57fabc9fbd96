#include "tools/edit/gradient_tool.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "app/tool_globals.h"
#include "effects/geometry/geometry_change.h"
#include "model/page.h"
#include "model/page_data.h"
#include "platform/assert.h"
#include "tools/edit/area_painter.h"
#include "tools/tool_view.h"

namespace tessary {
namespace {

Rect intersect(const Rect& a, const Rect& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

// trunc((c2 p + (100 - p) c1) x 0.01) for p = (x - lo) x 100 / (hi - lo).
std::uint8_t percentBlend(std::int64_t x, std::int64_t lo, std::int64_t hi, int c1, int c2) {
    const double p = static_cast<double>(x - lo) * 100.0 / static_cast<double>(hi - lo);
    return static_cast<std::uint8_t>((c2 * p + (100.0 - p) * c1) * 0.01);
}

// trunc(c2 t + (1 - t) c1) for t = (v - lo) / (hi - lo).
std::uint8_t fractionBlend(std::int64_t v, std::int64_t lo, std::int64_t hi, int c1, int c2) {
    const double t = static_cast<double>(v - lo) / static_cast<double>(hi - lo);
    return static_cast<std::uint8_t>(c2 * t + (1.0 - t) * c1);
}

// Clips the segment (x0, y0)-(x1, y1) to the box [left, right] x [top,
// bottom]; false when nothing of it is inside.
bool clipSegment(double& x0, double& y0, double& x1, double& y1, double left, double top,
                 double right, double bottom) {
    double t0 = 0.0;
    double t1 = 1.0;
    const double dx = x1 - x0;
    const double dy = y1 - y0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - left, right - x0, y0 - top, bottom - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;
            continue;
        }
        const double r = q[i] / p[i];
        if (p[i] < 0.0) {
            t0 = std::max(t0, r);
        } else {
            t1 = std::min(t1, r);
        }
        if (t0 > t1) return false;
    }
    const double sx = x0;
    const double sy = y0;
    x0 = sx + t0 * dx;
    y0 = sy + t0 * dy;
    x1 = sx + t1 * dx;
    y1 = sy + t1 * dy;
    return true;
}

ToolPoint rounded(double x, double y) {
    return {static_cast<std::int32_t>(std::lround(x)), static_cast<std::int32_t>(std::lround(y))};
}

}  // namespace

GradientTool::GradientTool(ToolGlobals& globals) : TrackingTool(globals) {
    initialise();
}

void GradientTool::initialise() {
    setAll(15, 2);
    setEntryInAllRanges(kAlt, 2, 10);
    setEntryInAllRanges(kSpace, 3, 4);
}

GradientTool::Mode GradientTool::modeOf(ToolPoint from, ToolPoint to) {
    if (from.y == to.y) return Mode::Horizontal;
    if (from.x == to.x) return Mode::Vertical;
    return Mode::General;
}

void GradientTool::drawFeedback(ToolView& view, ToolPoint from, ToolPoint to) {
    view.toggleFeedback(
        {FeedbackFigure::Kind::Line, view.imageToWindow(from), view.imageToWindow(to)});
    if (from == to || m_image.empty()) return;
    const double left = m_image.left;
    const double top = m_image.top;
    const double right = m_image.right - 1.0;
    const double bottom = m_image.bottom - 1.0;
    const ToolPoint ends[2] = {from, to};
    for (int i = 0; i < 2; ++i) {
        const ToolPoint p = ends[i];
        double x0 = 0.0, y0 = 0.0, x1 = 0.0, y1 = 0.0;
        if (from.x == to.x) {
            // A vertical drag: the perpendiculars are rows.
            x0 = left;
            x1 = right;
            y0 = y1 = p.y;
        } else {
            // X(Y) = px + (py - Y) k, from the top row to the bottom row.
            const double k = static_cast<double>(std::int64_t{to.y} - from.y) /
                             static_cast<double>(std::int64_t{to.x} - from.x);
            y0 = top;
            y1 = bottom;
            x0 = p.x + (p.y - top) * k;
            x1 = p.x + (p.y - bottom) * k;
        }
        if (!clipSegment(x0, y0, x1, y1, left, top, right, bottom)) {
            m_perpendiculars[2 * i] = m_perpendiculars[2 * i + 1] = p;
            continue;
        }
        m_perpendiculars[2 * i] = rounded(x0, y0);
        m_perpendiculars[2 * i + 1] = rounded(x1, y1);
        view.toggleFeedback({FeedbackFigure::Kind::Line,
                             view.imageToWindow(m_perpendiculars[2 * i]),
                             view.imageToWindow(m_perpendiculars[2 * i + 1])});
    }
}

ErrorCode GradientTool::mouseDown(ToolEvent& event) {
    TS_ASSERT(event.page != nullptr && event.view != nullptr);
    Page& page = *event.page;
    ToolView& view = *event.view;
    if (page.pageData() == nullptr) return kErrGeneral;

    m_image = page.bounds();
    track(event);
    const ToolPoint from = start();
    const ToolPoint to = end();
    if (from == to) return kErrNone;

    GeometryChange change(page);
    if (const ErrorCode code = change.open(); code != kErrNone) return code;
    if (const ErrorCode code = page.mergeFloat(); code != kErrNone) return change.fail(code);

    const Rect area = intersect(page.selectionRect(), page.bounds());
    if (!area.empty()) {
        const ToolGlobals& shared = globals();
        AreaPainter painter(page);
        const int planes = painter.planeCount();
        const auto width = static_cast<std::size_t>(area.width());
        std::vector<std::uint8_t> paint;
        try {
            paint.resize(width * static_cast<std::size_t>(planes));
        } catch (const std::bad_alloc&) {
            return change.fail(kErrMemory);
        }
        if (const ErrorCode code = painter.begin(area.width()); code != kErrNone)
            return change.fail(code);
        std::uint8_t* rows[3] = {};
        int startColour[3] = {};
        int endColour[3] = {};
        for (int p = 0; p < planes; ++p) {
            rows[p] = paint.data() + static_cast<std::size_t>(p) * width;
            startColour[p] = painter.sampleOf(shared.background, p);
            endColour[p] = painter.sampleOf(shared.foreground, p);
        }
        const auto weight = static_cast<std::uint8_t>(std::clamp(shared.opacity, 0, 255));
        const Mode mode = modeOf(from, to);
        const std::int64_t dx = std::int64_t{to.x} - from.x;
        const std::int64_t dy = std::int64_t{to.y} - from.y;
        const double slope = mode == Mode::General ? static_cast<double>(dy) / dx : 0.0;

        // Fills row y of the gradient into `rows` (horizontal: the same
        // row every time, built once).
        const auto buildRow = [&](std::int32_t y) {
            for (int p = 0; p < planes; ++p) {
                std::uint8_t* out = rows[p];
                if (mode == Mode::Horizontal) {
                    const bool startLow = from.x < to.x;
                    const int c1 = startLow ? startColour[p] : endColour[p];
                    const int c2 = startLow ? endColour[p] : startColour[p];
                    const std::int64_t lo = std::min(from.x, to.x);
                    const std::int64_t hi = std::max(from.x, to.x);
                    for (std::size_t i = 0; i < width; ++i) {
                        const std::int64_t x = area.left + static_cast<std::int64_t>(i);
                        out[i] = x <= lo   ? static_cast<std::uint8_t>(c1)
                                 : x >= hi ? static_cast<std::uint8_t>(c2)
                                           : percentBlend(x, lo, hi, c1, c2);
                    }
                } else if (mode == Mode::Vertical) {
                    const bool startLow = from.y < to.y;
                    const int c1 = startLow ? startColour[p] : endColour[p];
                    const int c2 = startLow ? endColour[p] : startColour[p];
                    const std::int64_t lo = std::min(from.y, to.y);
                    const std::int64_t hi = std::max(from.y, to.y);
                    const std::uint8_t value = y <= lo   ? static_cast<std::uint8_t>(c1)
                                               : y >= hi ? static_cast<std::uint8_t>(c2)
                                                         : fractionBlend(y, lo, hi, c1, c2);
                    std::fill_n(out, width, value);
                } else {
                    const auto crossing = [&](ToolPoint point) {
                        return static_cast<std::int64_t>(
                            static_cast<double>(std::int64_t{point.y} - y) * slope + point.x);
                    };
                    const std::int64_t fromCross = crossing(from);
                    const std::int64_t toCross = crossing(to);
                    const bool startLow = fromCross <= toCross;
                    const int c1 = startLow ? startColour[p] : endColour[p];
                    const int c2 = startLow ? endColour[p] : startColour[p];
                    const std::int64_t lo = std::min(fromCross, toCross);
                    const std::int64_t hi = std::max(fromCross, toCross);
                    for (std::size_t i = 0; i < width; ++i) {
                        const std::int64_t x = area.left + static_cast<std::int64_t>(i);
                        out[i] = x <= lo       ? static_cast<std::uint8_t>(c1)
                                 : x >= hi - 1 ? static_cast<std::uint8_t>(c2)
                                               : fractionBlend(x, lo, hi, c1, c2);
                    }
                }
            }
        };

        if (mode == Mode::Horizontal) buildRow(area.top);
        for (std::int32_t y = area.top; y < area.bottom; ++y) {
            if (mode != Mode::Horizontal) buildRow(y);
            if (const ErrorCode code =
                    painter.paintRow(y, area.left, area.width(), rows, nullptr, weight);
                code != kErrNone)
                return change.fail(code);
        }
    }

    if (const ErrorCode code = change.commit(kUndoKind, area); code != kErrNone) return code;
    page.setModified(true);
    if (!area.empty()) view.invalidateImage(area);
    return kErrNone;
}

}  // namespace tessary
