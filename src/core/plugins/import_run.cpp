#include "plugins/import_run.h"

#include <cstring>
#include <string>

#include "plugins/block_values.h"
#include "plugins/host_callbacks.h"
#include "plugins/module_data.h"

namespace tessary {

namespace {

// The cycle's result when the page cannot be shaped.
constexpr std::int16_t kShapeFailed = 2;

}  // namespace

bool RunPlugInImport(PlugInHost& host, PlugInRecord& record, PlugInDocumentPort& documents,
                     const PageEnvironment& environment) {
    PlugInImportRun run(host, record, documents, environment);
    return run.run();
}

PlugInImportRun::PlugInImportRun(PlugInHost& host, PlugInRecord& record,
                                 PlugInDocumentPort& documents, const PageEnvironment& environment)
    : m_host(host), m_record(record), m_documents(documents), m_environment(environment) {
    std::memset(&m_block, 0, sizeof m_block);
}

std::int16_t PlugInImportRun::advanceState() {
    if (m_block.data == nullptr || !coversPixels(m_block.theRect)) return 0;
    if (!m_page || !m_buffer) return TSPI_ERR_HOST_INSUFFICIENT;
    ModuleData data;
    data.data = m_block.data;
    data.rect = m_block.theRect;
    data.loPlane = m_block.loPlane;
    data.hiPlane = m_block.hiPlane;
    data.colBytes = m_block.colBytes;
    data.rowBytes = m_block.rowBytes;
    if (m_block.wantReadBack != 0) {
        // Reading back into one-bit or indexed data would need the reverse
        // conversion, which the host does not offer.
        if (m_buffer->converting()) return TSPI_ERR_HOST_INSUFFICIENT;
        return fillModuleData(*m_page, *m_buffer, data, TSPI_ERR_IMPORT_BAD_PARAMETERS);
    }
    return deliverModuleData(*m_page, *m_buffer, data, TSPI_ERR_IMPORT_BAD_PARAMETERS);
}

std::int16_t PlugInImportRun::prepareImage() {
    const DeliveredMode mode = deliveredModeOf(m_block.imageMode);
    const int planes = deliveredPlaneCount(m_block.imageMode, m_block.planes);
    if (!m_page->storeCanHold(m_block.imageSize.h, m_block.imageSize.v, planes))
        return TSPI_ERR_MEMORY_FULL;
    if (!m_page->shapeWhite(mode.pageType, m_block.imageSize.h, m_block.imageSize.v, planes))
        return kShapeFailed;
    m_buffer = std::make_unique<ProDataBuffer>();
    if (mode.conversion != ProDataBuffer::kSourceNone) {
        m_buffer->setSourceKind(mode.conversion);
        m_buffer->setColourTable(m_block.redLUT, m_block.greenLUT, m_block.blueLUT);
    }
    // Entry p of the plane map names the module's slot for image plane p.
    // An entry that names no slot is refused for the planes the page has and
    // ignored (left as identity) for the others.
    for (int p = 0; p < DataBuffer::kMaxPlanes; ++p) {
        const std::int16_t slot = m_block.planeMap[p];
        if (slot >= 0 && slot < DataBuffer::kMaxPlanes) {
            m_buffer->setPlaneOrder(p, slot);
        } else if (p < m_page->planeCount()) {
            return TSPI_ERR_IMPORT_BAD_PARAMETERS;
        }
    }
    return 0;
}

bool PlugInImportRun::cycle(std::int16_t& result) {
    if (!m_page) m_page = std::make_unique<Page>(m_environment);
    result = m_host.CallPlugIn(m_record, TSPI_IMPORT_START);
    if (result != 0) return false;

    std::int16_t cycleResult = prepareImage();
    if (cycleResult == 0) {
        cycleResult = m_host.CallPlugIn(m_record, TSPI_IMPORT_CONTINUE);
        while (cycleResult == 0) {
            const std::int16_t advanced = advanceState();
            if (advanced != 0) {
                cycleResult = advanced;
                break;
            }
            if (m_block.data == nullptr) break;
            cycleResult = m_host.CallPlugIn(m_record, TSPI_IMPORT_CONTINUE);
        }
    }
    m_buffer.reset();

    const std::int16_t finished = m_host.CallPlugIn(m_record, TSPI_IMPORT_FINISH);
    m_host.progress().close(true);
    if (finished != 0) {
        result = finished;
        return false;
    }

    if (cycleResult == 0) {
        m_page->setModified(true);
        const std::string title = textOfPString(m_block.filename);
        if (!m_documents.openImportedPage(std::move(m_page), title)) {
            m_block.acquireAgain = 0;
            cycleResult = -1;
        }
    }
    m_page.reset();
    result = cycleResult;
    return true;
}

bool PlugInImportRun::run() {
    PlugInHost::RunScope scope(m_host, *this);
    if (!scope.accepted()) return false;
    m_host.FillParameterBlock(m_record, m_block, hostProcedures().advanceState);
    if (m_host.LoadPlugIn(m_record) != 0) {
        m_host.UnloadPlugIn(m_record);
        return false;
    }
    m_block.hostModes = TSPI_IMPORT_HOST_MODES;
    for (int p = 0; p < 16; ++p) m_block.planeMap[p] = static_cast<std::int16_t>(p);
    m_block.hostWord1144 = -1;
    m_block.canReadBack = 1;
    m_block.canFinalize = 1;

    std::int16_t result = m_host.CallPlugIn(m_record, TSPI_IMPORT_PREPARE);
    const bool prepared = result == 0;
    if (prepared) {
        for (;;) {
            if (!cycle(result)) break;
            if (m_block.acquireAgain == 0) break;
            if (result == 0 && m_block.data == nullptr) continue;
            if ((result != 0 && result != -1) || m_block.wantFinalize == 0) break;
        }
        m_page.reset();
        if (m_block.wantFinalize != 0) m_host.CallPlugIn(m_record, TSPI_IMPORT_FINALIZE);
    }
    m_buffer.reset();
    m_host.UnloadPlugIn(m_record);
    return result == 0;
}

}  // namespace tessary
