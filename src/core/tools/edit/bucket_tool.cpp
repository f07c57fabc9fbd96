#include "tools/edit/bucket_tool.h"

#include <algorithm>
#include <memory>
#include <new>
#include <span>
#include <vector>

#include "app/tool_globals.h"
#include "effects/geometry/geometry_change.h"
#include "model/connected_area.h"
#include "model/page.h"
#include "model/page_data.h"
#include "model/progress_port.h"
#include "platform/assert.h"
#include "tools/edit/area_painter.h"
#include "tools/tool_view.h"

namespace tessary {
namespace {

// Owns the press's progress window, if the view gives one, and closes it
// when the press is done.
class ProgressSession {
public:
    explicit ProgressSession(std::unique_ptr<ProgressPort> port) : m_port(std::move(port)) {
        if (m_port) m_port->setText(0, "Working...");
    }
    ~ProgressSession() {
        if (m_port) m_port->close(m_finished);
    }
    ProgressSession(const ProgressSession&) = delete;
    ProgressSession& operator=(const ProgressSession&) = delete;

    ProgressPort* port() const { return m_port.get(); }
    void finished() { m_finished = true; }

private:
    std::unique_ptr<ProgressPort> m_port;
    bool m_finished = false;
};

}  // namespace

BucketTool::BucketTool(ToolGlobals& globals) : Tool(globals) {
    initialise();
}

void BucketTool::initialise() {
    setAll(14, 18);
    setEntryInAllRanges(kAlt, 2, 10);
    setEntryInAllRanges(kSpace, 3, 4);
}

ErrorCode BucketTool::mouseDown(ToolEvent& event) {
    TS_ASSERT(event.page != nullptr && event.view != nullptr);
    Page& page = *event.page;
    ToolView& view = *event.view;
    PageData* data = page.pageData();
    if (data == nullptr) return kErrGeneral;
    const Rect image = page.bounds();
    const ToolPoint seed = event.imagePoint;
    if (seed.x < image.left || seed.x >= image.right || seed.y < image.top ||
        seed.y >= image.bottom)
        return kErrNone;

    GeometryChange change(page);
    if (const ErrorCode code = change.open(); code != kErrNone) return code;
    if (const ErrorCode code = page.mergeFloat(); code != kErrNone) return change.fail(code);

    // The painter takes the selection mask's plane now, before the
    // temporary plane follows it.
    AreaPainter painter(page);
    const int planes = page.colourPlaneCount();
    const int marks = data->planeCount();
    if (!data->insertPlane(marks, 0)) return change.fail(kErrDisk);

    ProgressSession progress(view.createProgress());
    ComparedPlane compared[3];
    for (int p = 0; p < planes; ++p) {
        std::uint8_t reference = 0;
        data->readRow(p, seed.x, seed.y, 1, &reference);
        compared[p] = {p, reference, kTolerance};
    }
    const OutputPlane output{marks, 255};
    Rect bounds;
    ConnectedArea search(*data, progress.port());
    if (!search.search(seed.x, seed.y, std::span<const ComparedPlane>(compared, planes),
                       std::span<const OutputPlane>(&output, 1), image, bounds))
        return change.fail(search.cancelled() ? kErrCancelled : kErrDisk);

    // The marked pixels (255 in the temporary plane) get the foreground at
    // the global opacity; the others keep their samples (weight 0).
    const ToolGlobals& shared = globals();
    const auto opacity = static_cast<std::uint8_t>(std::clamp(shared.opacity, 0, 255));
    const auto width = static_cast<std::size_t>(std::max(bounds.width(), 0));
    std::vector<std::uint8_t> paint;
    std::vector<std::uint8_t> weights;
    try {
        paint.resize(width * static_cast<std::size_t>(planes));
        weights.resize(width);
    } catch (const std::bad_alloc&) {
        return change.fail(kErrMemory);
    }
    if (const ErrorCode code = painter.begin(bounds.width()); code != kErrNone)
        return change.fail(code);
    const std::uint8_t* rows[3] = {};
    for (int p = 0; p < planes; ++p) {
        std::uint8_t* row = paint.data() + static_cast<std::size_t>(p) * width;
        std::fill_n(row, width, painter.sampleOf(shared.foreground, p));
        rows[p] = row;
    }
    for (std::int32_t y = bounds.top; y < bounds.bottom; ++y) {
        if (!data->readRow(marks, bounds.left, y, bounds.width(), weights.data()))
            return change.fail(kErrDisk);
        bool whole = true;
        for (std::size_t i = 0; i < width; ++i) {
            whole = whole && weights[i] == 255;
            weights[i] = weights[i] != 0 ? opacity : 0;
        }
        const ErrorCode code =
            whole ? painter.paintRow(y, bounds.left, bounds.width(), rows, nullptr, opacity)
                  : painter.paintRow(y, bounds.left, bounds.width(), rows, weights.data());
        if (code != kErrNone) return change.fail(code);
        if (progress.port() != nullptr &&
            progress.port()->update(y - bounds.top + 1, bounds.height()))
            return change.fail(kErrCancelled);
    }
    if (!data->removePlane(marks)) return change.fail(kErrDisk);
    progress.finished();

    if (const ErrorCode code = change.commit(kUndoKind, bounds); code != kErrNone) return code;
    page.setModified(true);
    view.invalidateImage(bounds);
    return kErrNone;
}

}  // namespace tessary
