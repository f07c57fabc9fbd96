#include "plugins/export_run.h"

#include <cstring>
#include <limits>

#include "app/string_table.h"
#include "plugins/block_values.h"
#include "plugins/host_callbacks.h"
#include "plugins/module_link.h"
#include "plugins/page_transfer.h"

namespace tessary {

namespace {

constexpr int kUntitledText = 4200;  // "Untitled"

}  // namespace

bool RunPlugInExport(PlugInHost& host, PlugInRecord& record, Page& page) {
    if (page.pageData() == nullptr) return false;
    PlugInExportRun run(host, record, page);
    return run.run();
}

PlugInExportRun::PlugInExportRun(PlugInHost& host, PlugInRecord& record, Page& page)
    : m_host(host), m_record(record), m_page(page) {
    std::memset(&m_block, 0, sizeof m_block);
}

std::int16_t PlugInExportRun::advanceState() {
    const TsPiRect rect = m_block.theRect;
    if (!coversPixels(rect)) return 0;
    const int first = m_block.loPlane;
    const int last = m_block.hiPlane;
    if (first < 0 || last < first || last >= DataBuffer::kMaxPlanes)
        return TSPI_ERR_EXPORT_BAD_PARAMETERS;
    const std::int64_t bytes = (std::int64_t{rect.right} - rect.left) *
                               (std::int64_t{rect.bottom} - rect.top) * (last - first + 1);
    if (bytes > m_host.moduleMemoryLimit()) return TSPI_ERR_MEMORY_FULL;
    m_buffer.setLayout(first == last ? DataBuffer::kPlanar : DataBuffer::kInterleaved);
    if (!m_host.shapeModuleBuffer(m_buffer, kSlotExport, first, last, rect.left, rect.top,
                                  rect.right, rect.bottom))
        return TSPI_ERR_MEMORY_FULL;
    // Planes the page does not have reach the module as zeros.
    std::memset(m_buffer.storage(), 0, static_cast<std::size_t>(m_buffer.storageBytes()));
    if (!readPageIntoBuffer(m_page, PageState::Current, m_buffer, 1)) return TSPI_ERR_MEMORY_FULL;
    m_block.data = m_buffer.storage();
    m_block.rowBytes = static_cast<std::int32_t>(m_buffer.rowBytes());
    return 0;
}

bool PlugInExportRun::run() {
    PlugInHost::RunScope scope(m_host, *this);
    if (!scope.accepted()) return false;
    const Rect bounds = m_page.bounds();
    constexpr std::int32_t kMax = std::numeric_limits<std::int16_t>::max();
    if (bounds.width() > kMax || bounds.height() > kMax) return false;

    m_host.FillParameterBlock(m_record, m_block, hostProcedures().advanceState);
    if (m_host.LoadPlugIn(m_record) != 0) {
        m_host.UnloadPlugIn(m_record);
        return false;
    }
    const std::int16_t planes = static_cast<std::int16_t>(m_page.colourPlaneCount());
    m_block.imageMode = imageModeOfPageType(m_page.type());
    m_block.imageSize.v = static_cast<std::int16_t>(bounds.height());
    m_block.imageSize.h = static_cast<std::int16_t>(bounds.width());
    m_block.depth = 8;
    m_block.planes = planes;
    m_block.imageHRes = fixedResolution(m_page.horizontalResolution());
    m_block.imageVRes = fixedResolution(m_page.verticalResolution());
    setPString(m_block.filename, loadString(kUntitledText));
    m_block.hostByte1082 = 1;
    m_block.hostByte1104 = 255;
    m_block.hostByte1105 = 255;
    m_block.hostWord1192 = planes;

    std::int16_t result = m_host.CallPlugIn(m_record, TSPI_EXPORT_PREPARE);
    if (result == 0) {
        result = m_host.CallPlugIn(m_record, TSPI_EXPORT_START);
        while (result == 0 && coversPixels(m_block.theRect)) {
            result = advanceState();
            if (result != 0) break;
            result = m_host.CallPlugIn(m_record, TSPI_EXPORT_CONTINUE);
        }
    }
    // The module may still read the last answer in Finish: the buffer goes
    // only afterwards, and the block forgets it.
    const std::int16_t finished = m_host.CallPlugIn(m_record, TSPI_EXPORT_FINISH);
    if (result == 0) result = finished;
    m_block.data = nullptr;
    m_block.rowBytes = 0;
    m_buffer.reshape(0, 0, 0, 0, 0, 0);
    m_host.UnloadPlugIn(m_record);
    return result == 0;
}

}  // namespace tessary
