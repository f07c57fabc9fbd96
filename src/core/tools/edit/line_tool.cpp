#include "tools/edit/line_tool.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "app/tool_box_prefs.h"
#include "app/tool_globals.h"
#include "effects/geometry/geometry_change.h"
#include "model/page.h"
#include "model/page_data.h"
#include "platform/assert.h"
#include "tools/edit/area_painter.h"
#include "tools/tool_view.h"

namespace tessary {
namespace {

// The largest subsample count used: N^2 + 1 weights stay a small table.
constexpr std::int32_t kMaxSubsamples = 16;

// A rectangle in 64-bit image pixels: a line may reach far outside the
// image, and its N-fold copy further still.
struct WideBox {
    std::int64_t left = 0, top = 0, right = 0, bottom = 0;
};

// The band of shape class 3 (falling) or 4 (rising) of thickness t in a
// w x h rectangle: the covered columns [begin, end) of row y.
struct Band {
    std::int64_t w = 1;
    std::int64_t h = 1;
    std::int64_t t = 1;
    bool rising = false;
    double slope = 0.0;
    double length = 0.0;

    Band(std::int64_t width, std::int64_t height, std::int64_t thickness, bool rise)
        : w(width), h(height), t(thickness), rising(rise) {
        if (h == t || w == t) return;
        slope = static_cast<double>(w - t) / static_cast<double>(h - t);
        length = static_cast<double>(t) * (1.0 + slope);
        if (t % 2 != 0) length -= 1.0;
        if (h > w) length = std::max(length, static_cast<double>(t));
    }

    void span(std::int64_t y, std::int64_t& begin, std::int64_t& end) const {
        if (h == t || w == t) {
            begin = 0;
            end = w;
            return;
        }
        const double yk = static_cast<double>(y) * slope;
        const double td = static_cast<double>(t);
        const double wd = static_cast<double>(w);
        if (!rising) {
            begin = static_cast<std::int64_t>(yk + td - length + 0.5);
            end = static_cast<std::int64_t>(yk + td + 0.5);
        } else {
            begin = static_cast<std::int64_t>(wd - yk - td + 0.5);
            end = static_cast<std::int64_t>(wd - yk - td + length + 0.5);
        }
        begin = std::clamp<std::int64_t>(begin, 0, w);
        end = std::clamp<std::int64_t>(end, 0, w);
        if (end <= begin) {
            // An empty span keeps one pixel: the one before its start
            // (falling) or at its start (rising), inside the row.
            const std::int64_t x = std::clamp<std::int64_t>(rising ? begin : begin - 1, 0, w - 1);
            begin = x;
            end = x + 1;
        }
    }
};

Rect clipToImage(const WideBox& box, const Rect& image) {
    const std::int64_t left = std::max<std::int64_t>(box.left, image.left);
    const std::int64_t top = std::max<std::int64_t>(box.top, image.top);
    const std::int64_t right = std::min<std::int64_t>(box.right, image.right);
    const std::int64_t bottom = std::min<std::int64_t>(box.bottom, image.bottom);
    if (right <= left || bottom <= top) return Rect{};
    return {static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
            static_cast<std::int32_t>(right), static_cast<std::int32_t>(bottom)};
}

}  // namespace

LineTool::LineTool(ToolGlobals& globals) : TrackingTool(globals) {
    initialise();
}

void LineTool::initialise() {
    setAll(20, 2);
    setEntryInAllRanges(kAlt, 2, 10);
    setEntryInAllRanges(kSpace, 3, 4);
}

void LineTool::loadOptions(const ToolBoxPrefs* record) {
    setLineWidth(record == nullptr ? kDefaultWidth : record->toolWord27);
}

void LineTool::storeOptions(ToolBoxPrefs& record) const {
    record.toolWord27 = m_lineWidth;
}

void LineTool::setLineWidth(std::int32_t width) {
    m_lineWidth = std::clamp(width, kMinWidth, kMaxWidth);
}

void LineTool::drawFeedback(ToolView& view, ToolPoint from, ToolPoint to) {
    const double pen = std::trunc(static_cast<double>(m_lineWidth) * view.zoom());
    FeedbackFigure figure{FeedbackFigure::Kind::Line, view.imageToWindow(from),
                          view.imageToWindow(to)};
    figure.penWidth = pen >= 1.0 ? static_cast<std::int32_t>(std::min(pen, 1024.0)) : 1;
    view.toggleFeedback(figure);
}

ErrorCode LineTool::mouseDown(ToolEvent& event) {
    TS_ASSERT(event.page != nullptr && event.view != nullptr);
    Page& page = *event.page;
    ToolView& view = *event.view;
    if (page.pageData() == nullptr) return kErrGeneral;

    track(event);
    const ToolPoint a = start();
    const ToolPoint b = end();
    const std::int64_t t = m_lineWidth;
    const WideBox box{std::min<std::int64_t>(a.x, b.x), std::min<std::int64_t>(a.y, b.y),
                      std::max<std::int64_t>(a.x, b.x) + t, std::max<std::int64_t>(a.y, b.y) + t};
    const bool falling = (a.x < b.x && a.y <= b.y) || (a.x > b.x && a.y > b.y);

    GeometryChange change(page);
    if (const ErrorCode code = change.open(); code != kErrNone) return code;
    if (const ErrorCode code = page.mergeFloat(); code != kErrNone) return change.fail(code);

    const Rect image = page.bounds();
    const Rect area = clipToImage(box, image);
    if (!area.empty()) {
        const ToolGlobals& shared = globals();
        const std::int64_t n =
            shared.antiAlias ? std::clamp(shared.subsamples, 1, kMaxSubsamples) : 1;
        const auto opacity = static_cast<std::uint32_t>(std::clamp(shared.opacity, 0, 255));
        // weight[count] = count x opacity / N^2: with N = 1 a covered pixel
        // gets the opacity.
        std::vector<std::uint8_t> weightOf(static_cast<std::size_t>(n * n + 1));
        for (std::size_t c = 0; c < weightOf.size(); ++c)
            weightOf[c] = static_cast<std::uint8_t>(c * opacity / static_cast<std::size_t>(n * n));

        AreaPainter painter(page);
        const auto width = static_cast<std::size_t>(area.width());
        std::vector<std::uint8_t> paint;
        std::vector<std::uint32_t> counts;
        std::vector<std::uint8_t> weights;
        try {
            paint.resize(width * static_cast<std::size_t>(painter.planeCount()));
            counts.resize(width);
            weights.resize(width);
        } catch (const std::bad_alloc&) {
            return change.fail(kErrMemory);
        }
        if (const ErrorCode code = painter.begin(area.width()); code != kErrNone)
            return change.fail(code);
        const std::uint8_t* planes[3] = {};
        for (int p = 0; p < painter.planeCount(); ++p) {
            std::uint8_t* plane = paint.data() + static_cast<std::size_t>(p) * width;
            std::fill_n(plane, width, painter.sampleOf(shared.foreground, p));
            planes[p] = plane;
        }

        // The band at N-fold resolution; sub-column sx lies in pixel
        // box.left + sx / N.
        const Band band((box.right - box.left) * n, (box.bottom - box.top) * n, t * n, !falling);
        const std::int64_t firstColumn = (area.left - box.left) * n;
        const std::int64_t endColumn = (area.right - box.left) * n;
        for (std::int32_t y = area.top; y < area.bottom; ++y) {
            std::fill(counts.begin(), counts.end(), 0u);
            for (std::int64_t j = 0; j < n; ++j) {
                std::int64_t begin = 0;
                std::int64_t end = 0;
                band.span((y - box.top) * n + j, begin, end);
                begin = std::max(begin, firstColumn);
                end = std::min(end, endColumn);
                // Adds the overlap of [begin, end) with each pixel's N
                // sub-columns.
                for (std::int64_t sx = begin; sx < end;) {
                    const std::int64_t pixel = sx / n;
                    const std::int64_t next = std::min(end, (pixel + 1) * n);
                    counts[static_cast<std::size_t>(pixel - firstColumn / n)] +=
                        static_cast<std::uint32_t>(next - sx);
                    sx = next;
                }
            }
            for (std::size_t i = 0; i < width; ++i) weights[i] = weightOf[counts[i]];
            if (const ErrorCode code =
                    painter.paintRow(y, area.left, area.width(), planes, weights.data());
                code != kErrNone)
                return change.fail(code);
        }
    }

    const Rect changed =
        clipToImage({box.left - t, box.top - t, box.right + t, box.bottom + t}, image);
    if (const ErrorCode code = change.commit(kUndoKind, changed); code != kErrNone) return code;
    page.setModified(true);
    if (!changed.empty()) view.invalidateImage(changed);
    return kErrNone;
}

}  // namespace tessary
