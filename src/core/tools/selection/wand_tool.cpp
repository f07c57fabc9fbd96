#include "tools/selection/wand_tool.h"

#include <array>
#include <memory>
#include <span>

#include "app/string_table.h"
#include "model/connected_area.h"
#include "model/page.h"
#include "model/page_data.h"
#include "platform/assert.h"
#include "tools/selection/selection_change.h"
#include "tools/tool_view.h"

namespace tessary {
namespace {

constexpr int kWorkingText = 4068;  // "Working..."
// Most presses find their area well within this; only longer searches show
// the progress window.
constexpr std::uint32_t kProgressDelayMs = 500;

}  // namespace

WandTool::WandTool(ToolGlobals& globals) : Tool(globals) {
    initialise();
}

void WandTool::initialise() {
    setAll(kSelectAction, 13);
    setOverSelection(21, 1);
    setOverSelectionEntry(kCtrl, kSelectAction, 13);
    setOverSelectionEntry(kShift, kSelectAction, 13);
    setOverFloatingEntry(kCtrl, kSelectAction, 13);
    setOverFloatingEntry(kShift, kSelectAction, 13);
    setNormalEntry(kSpace, 3, 4);
    setOverSelectionEntry(kSpace, 3, 4);
}

ErrorCode WandTool::mouseDown(ToolEvent& event) {
    TS_ASSERT(event.page != nullptr && event.view != nullptr);
    Page& page = *event.page;
    PageData* data = page.pageData();
    if (data == nullptr) return kErrGeneral;
    const ToolPoint seed = event.imagePoint;
    const Rect image = page.bounds();
    if (seed.x < image.left || seed.x >= image.right || seed.y < image.top ||
        seed.y >= image.bottom)
        return kErrNone;

    SelectionChange change(page);
    ErrorCode code = change.open();
    if (code == kErrNone) code = change.mergeFloat();
    if (code == kErrNone) code = change.chooseTarget(event.shift != 0, event.ctrl != 0);
    if (code != kErrNone) return code;

    // The reference is the pressed pixel as it shows once a float is merged.
    const int planes = page.colourPlaneCount();
    std::array<ComparedPlane, 3> compared{};
    for (int p = 0; p < planes; ++p) {
        std::uint8_t sample = 0;
        data->readRow(p, seed.x, seed.y, 1, &sample);
        compared[p] = {p, sample, static_cast<std::uint8_t>(kTolerance)};
    }
    const OutputPlane output{change.targetPlane(), 255};

    std::unique_ptr<ProgressPort> progress = event.view->createProgress();
    if (progress) {
        progress->setText(0, loadString(kWorkingText));
        progress->setDelay(kProgressDelayMs);
    }
    ConnectedArea search(*data, progress.get());
    Rect found;
    const bool searched =
        search.search(seed.x, seed.y, std::span(compared.data(), static_cast<std::size_t>(planes)),
                      std::span(&output, 1), image, found);
    if (progress) progress->close(searched);
    progress.reset();
    if (!searched) return search.cancelled() ? kErrCancelled : kErrDisk;

    code = change.combine(found);
    if (code != kErrNone) return code;
    change.takeMaskBounds();
    const Rect changed = change.changedArea();
    code = change.commit(changed);
    if (code != kErrNone) return code;
    event.view->invalidateImage(changed);
    return kErrNone;
}

}  // namespace tessary
