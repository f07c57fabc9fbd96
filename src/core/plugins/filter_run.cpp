#include "plugins/filter_run.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "model/page.h"
#include "model/page_data.h"
#include "plugins/block_values.h"
#include "plugins/host_callbacks.h"
#include "plugins/module_link.h"
#include "plugins/movable_memory.h"

namespace tessary {

namespace {

constexpr std::uint32_t kUndoFilter = 6;

// The sampling rate of a request: the integer part of the 16.16 value; any
// rate below 2 counts as 1.
int rateOf(TsPiFixed fixed) {
    const std::int32_t whole = fixed >> 16;
    return whole < 2 ? 1 : whole;
}

Rect unionOf(const Rect& a, const Rect& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

bool fitsInt16(std::int64_t value) {
    return value >= std::numeric_limits<std::int16_t>::min() &&
           value <= std::numeric_limits<std::int16_t>::max();
}

TsPiPoint pointOf(std::int32_t v, std::int32_t h) {
    TsPiPoint point;
    point.v = static_cast<std::int16_t>(v);
    point.h = static_cast<std::int16_t>(h);
    return point;
}

}  // namespace

bool RunPlugInFilter(PlugInHost& host, PlugInRecord& record, bool showDialog, PlugInView& view) {
    Page* page = view.page();
    if (page == nullptr || page->pageData() == nullptr) return false;
    PlugInFilterRun run(host, record, *page);
    return run.run(showDialog, view);
}

PlugInFilterRun::PlugInFilterRun(PlugInHost& host, PlugInRecord& record, Page& page)
    : m_host(host), m_record(record), m_page(page) {
    std::memset(&m_block, 0, sizeof m_block);
}

bool PlugInFilterRun::pageFitsBlock() const {
    const Rect bounds = m_page.bounds();
    const Rect selection = m_page.selectionRect();
    return fitsInt16(bounds.width()) && fitsInt16(bounds.height()) && fitsInt16(selection.left) &&
           fitsInt16(selection.top) && fitsInt16(selection.right) && fitsInt16(selection.bottom);
}

void PlugInFilterRun::describePage() {
    const Rect bounds = m_page.bounds();
    const Rect selection = m_page.selectionRect();
    m_colourPlanes = m_page.colourPlaneCount();
    m_floating = m_page.hasFloat();
    m_haveMask = m_page.hasMask() || m_floating;
    m_planeOffset = m_page.floatBase();
    m_maskPlane = m_haveMask ? m_colourPlanes : -1;
    m_floatLeft = m_floating ? selection.left : 0;
    m_floatTop = m_floating ? selection.top : 0;

    const Rect imageArea = m_floating ? selection : bounds;
    Rect filter = m_haveMask ? selection : bounds;
    if (m_floating) filter = Rect{0, 0, selection.width(), selection.height()};
    blockRectOf(filter, m_block.filterRect);
    m_block.imageSize = pointOf(imageArea.height(), imageArea.width());
    m_block.planes = static_cast<std::int16_t>(m_colourPlanes);
    m_block.background = rgbColourOf(m_host.background());
    m_block.foreground = rgbColourOf(m_host.foreground());
    const bool grey = m_page.type() == Page::kTypeGrey;
    modeColourOf(m_host.background(), grey, m_block.backColor);
    modeColourOf(m_host.foreground(), grey, m_block.foreColor);
    m_block.imageMode = imageModeOfPageType(m_page.type());
    m_block.imageHRes = fixedResolution(m_page.horizontalResolution());
    m_block.imageVRes = fixedResolution(m_page.verticalResolution());
    m_block.floatCoord = m_haveMask ? pointOf(selection.top, selection.left) : pointOf(0, 0);
    m_block.wholeSize = pointOf(bounds.height(), bounds.width());
    m_block.isFloating = m_floating ? 1 : 0;
    m_block.haveMask = m_haveMask ? 1 : 0;
    m_block.autoMask = 1;
    m_block.samplingSupport = 1;
    m_block.inputRate = 1;
    m_block.maskRate = 1;
}

bool PlugInFilterRun::requestPending() const {
    // A mask request counts only on a page that has a mask, whatever the
    // module wrote into the block's have-mask flag.
    return requestsSomething(m_block.inRect) || requestsSomething(m_block.outRect) ||
           (m_haveMask && m_block.haveMask != 0 && requestsSomething(m_block.maskRect));
}

std::int16_t PlugInFilterRun::fetchRequest(DataBuffer& buffer, int slot, const TsPiRect& rect,
                                           int firstPlane, int lastPlane, int shift, int rate,
                                           PageState state, Rect& imageRect) {
    // A reversed rectangle or a plane range the buffers cannot hold is a
    // malformed request, refused before anything is allocated.
    if (rect.bottom < rect.top || rect.right < rect.left) return TSPI_ERR_FILTER_BAD_PARAMETERS;
    if (firstPlane < 0 || lastPlane < firstPlane || lastPlane + shift >= DataBuffer::kMaxPlanes)
        return TSPI_ERR_FILTER_BAD_PARAMETERS;
    std::int32_t dx = 0;
    std::int32_t dy = 0;
    if (m_floating) {
        dx = static_cast<std::int32_t>(std::trunc(static_cast<double>(m_floatLeft) / rate + 0.5));
        dy = static_cast<std::int32_t>(std::trunc(static_cast<double>(m_floatTop) / rate + 0.5));
    }
    imageRect = Rect{rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
    const int planes = lastPlane - firstPlane + 1;
    const std::int64_t bytes = std::int64_t{imageRect.width()} * imageRect.height() * planes;
    if (bytes > m_host.moduleMemoryLimit()) return TSPI_ERR_MEMORY_FULL;

    buffer.setLayout(planes > 1 ? DataBuffer::kInterleaved : DataBuffer::kPlanar);
    if (!m_host.shapeModuleBuffer(buffer, slot, firstPlane + shift, lastPlane + shift,
                                  imageRect.left, imageRect.top, imageRect.right, imageRect.bottom))
        return TSPI_ERR_MEMORY_FULL;
    // Planes the page lacks are not read: they reach the module as zeros.
    std::memset(buffer.storage(), 0, static_cast<std::size_t>(buffer.storageBytes()));
    if (!readPageIntoBuffer(m_page, state, buffer, rate)) return TSPI_ERR_MEMORY_FULL;
    return 0;
}

std::int16_t PlugInFilterRun::fetch() {
    Rect imageRect;
    if (requestsSomething(m_block.inRect) && !isUnitRequest(m_block.inRect)) {
        const std::int16_t result =
            fetchRequest(m_input, kSlotInput, m_block.inRect, m_block.inLoPlane, m_block.inHiPlane,
                         m_planeOffset, rateOf(m_block.inputRate), PageState::Previous, imageRect);
        if (result != 0) return result;
        m_block.inData = m_input.storage();
        m_block.inRowBytes = static_cast<std::int32_t>(m_input.rowBytes());
    }
    if (requestsSomething(m_block.outRect) && !isUnitRequest(m_block.outRect)) {
        const std::int16_t result =
            fetchRequest(m_output, kSlotOutput, m_block.outRect, m_block.outLoPlane,
                         m_block.outHiPlane, m_planeOffset, 1, PageState::Current, imageRect);
        if (result != 0) return result;
        m_outputPending = true;
        m_outputFirstPlane = m_block.outLoPlane + m_planeOffset;
        m_outputLastPlane = m_block.outHiPlane + m_planeOffset;
        m_block.outData = m_output.storage();
        m_block.outRowBytes = static_cast<std::int32_t>(m_output.rowBytes());
    }
    if (m_block.haveMask != 0 && m_maskPlane >= 0 && requestsSomething(m_block.maskRect) &&
        !isUnitRequest(m_block.maskRect)) {
        // The mask buffer holds the mask plane only.
        const std::int16_t result =
            fetchRequest(m_mask, kSlotMask, m_block.maskRect, m_maskPlane, m_maskPlane, 0,
                         rateOf(m_block.maskRate), PageState::Previous, imageRect);
        if (result != 0) return result;
        m_block.maskData = m_mask.storage();
        m_block.maskRowBytes = static_cast<std::int32_t>(m_mask.rowBytes());
    }
    return 0;
}

std::int16_t PlugInFilterRun::store() {
    if (!m_outputPending) return 0;
    m_outputPending = false;
    // Only the colour planes the filter works on (the block's planes) take
    // output; whatever the module returned for planes past them is dropped.
    // The plane after them is the selection mask, which a module sees only
    // through its mask request: written here, it would change the
    // selection behind the page's selection rectangle's back.
    const int first = std::max(m_outputFirstPlane, m_planeOffset);
    const int last = std::min(m_outputLastPlane, m_planeOffset + m_colourPlanes - 1);
    if (first > last) return 0;
    // The module may store anywhere in the planes' area, not only in the
    // filter rectangle: what it touches is noted for the mask and the undo
    // step.
    const Rect area = planeArea(m_page, first);
    if (!writeBufferIntoPage(m_page, m_output, first, last, area)) return TSPI_ERR_MEMORY_FULL;
    const Rect written = intersection(
        area, Rect{m_output.left(), m_output.top(), m_output.right(), m_output.bottom()});
    m_storedArea = unionOf(m_storedArea, written);
    return 0;
}

std::int16_t PlugInFilterRun::advanceState() {
    const std::int16_t stored = store();
    if (stored != 0) return stored;
    return fetch();
}

Rect PlugInFilterRun::filterArea() const {
    Rect area = rectOf(m_block.filterRect);
    area.left += m_floatLeft;
    area.right += m_floatLeft;
    area.top += m_floatTop;
    area.bottom += m_floatTop;
    return intersection(area, planeArea(m_page, m_planeOffset));
}

std::int16_t PlugInFilterRun::maskResult() {
    // Every stored pixel is blended, wherever the module put it: pixels
    // outside the selection have mask 0 and get their earlier values back.
    // Pixels not stored are left alone (blending a sample with itself
    // gives the sample).
    const Rect area = m_storedArea;
    if (area.empty()) return 0;
    PageData& data = *m_page.pageData();
    const Rect maskArea = planeArea(m_page, m_maskPlane);
    const auto width = static_cast<std::size_t>(area.width());
    std::vector<std::uint8_t> mask(width), filtered(width), before(width);
    const BlendTable& blend = m_page.blend();
    for (std::int32_t y = area.top; y < area.bottom; ++y) {
        readRowClamped(data, PageState::Previous, m_maskPlane, area.left, y, area.width(),
                       mask.data(), maskArea);
        for (int p = m_planeOffset; p < m_planeOffset + m_colourPlanes; ++p) {
            const Rect colourArea = planeArea(m_page, p);
            readRowClamped(data, PageState::Current, p, area.left, y, area.width(), filtered.data(),
                           colourArea);
            readRowClamped(data, PageState::Previous, p, area.left, y, area.width(), before.data(),
                           colourArea);
            for (std::size_t x = 0; x < width; ++x)
                filtered[x] = blend.blend(mask[x], filtered[x], before[x]);
            if (!data.writeRow(p, area.left, y, area.width(), filtered.data()))
                return TSPI_ERR_MEMORY_FULL;
        }
    }
    return 0;
}

bool PlugInFilterRun::run(bool showDialog, PlugInView& view) {
    PlugInHost::RunScope scope(m_host, *this);
    if (!scope.accepted() || !pageFitsBlock()) return false;
    m_host.FillParameterBlock(m_record, m_block, hostProcedures().advanceState);
    if (m_host.LoadPlugIn(m_record) != 0) {
        // Nothing to call: the page stays as it is and the run fails.
        m_host.UnloadPlugIn(m_record);
        return false;
    }
    describePage();

    PageData& data = *m_page.pageData();
    m_outputPending = false;
    m_storedArea = Rect{};
    if (!data.beginChange()) {
        m_host.UnloadPlugIn(m_record);
        return false;
    }
    const std::int32_t historyOffset = view.historyOffset();
    view.setHistoryOffset(1);

    std::int16_t result = 0;
    bool failedEarly = true;
    do {
        if (m_record.parameters == nullptr || showDialog) {
            disposePlugInHandle(m_record.parameters);
            m_record.parameters = nullptr;
            m_block.parameters = nullptr;
            result = m_host.CallPlugIn(m_record, TSPI_FILTER_PARAMETERS);
            if (result != 0) break;
        }
        result = m_host.CallPlugIn(m_record, TSPI_FILTER_PREPARE);
        if (result != 0) break;
        result = m_host.CallPlugIn(m_record, TSPI_FILTER_START);
        if (result != 0) break;
        if (requestPending()) {
            result = fetch();
            if (result != 0) break;
            do {
                result = m_host.CallPlugIn(m_record, TSPI_FILTER_CONTINUE);
                if (result != 0) break;
                result = advanceState();
                if (result != 0) break;
            } while (requestPending());
            if (result != 0) break;
        }
        failedEarly = false;
    } while (false);

    if (failedEarly) {
        m_host.CallPlugIn(m_record, TSPI_FILTER_FINISH);
        view.setHistoryOffset(historyOffset);
        data.abortChange();
    } else {
        result = m_host.CallPlugIn(m_record, TSPI_FILTER_FINISH);
        if (result == 0 && m_haveMask && m_block.autoMask != 0) result = maskResult();
        if (result == 0) {
            data.endChange();
            m_page.saveState(kUndoFilter, 0,
                             unionOf(intersection(filterArea(), m_page.bounds()), m_storedArea));
        } else {
            data.abortChange();
        }
    }
    // -1 (also every positive result): the module has told the user; the
    // page is as before and the run counts as done.
    if (result == -1) result = 0;

    view.setHistoryOffset(historyOffset);
    m_input.reshape(0, 0, 0, 0, 0, 0);
    m_output.reshape(0, 0, 0, 0, 0, 0);
    m_mask.reshape(0, 0, 0, 0, 0, 0);
    m_host.UnloadPlugIn(m_record);
    return result == 0;
}

}  // namespace tessary
