#include "plugins/format_run.h"

#include <cstring>
#include <limits>

#include "model/page_data.h"
#include "plugins/block_values.h"
#include "plugins/host_callbacks.h"
#include "plugins/module_data.h"
#include "plugins/page_transfer.h"
#include "plugins/plug_in_registrar.h"

namespace tessary {

namespace {

constexpr std::int16_t kShapeFailed = 2;
constexpr std::uint32_t kUndoRevert = 4;

Rect unionOf(const Rect& a, const Rect& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

}  // namespace

std::string formatExtensionOf(const std::filesystem::path& path) {
    std::string extension = moduleExtension(path);
    while (!extension.empty() && extension.back() == ' ') extension.pop_back();
    return extension;
}

PlugInRecord* findFormatModule(const PlugInList& list, const std::filesystem::path& path) {
    return list.FindPlugInByExtension(formatExtensionOf(path), kPlugInKindFormat);
}

bool FormatRead(PlugInHost& host, const PlugInList& list, const std::filesystem::path& path,
                int descriptor, Page& page) {
    PlugInRecord* record = findFormatModule(list, path);
    if (record == nullptr) return false;
    return FormatReadWith(host, *record, path, descriptor, page);
}

bool FormatReadWith(PlugInHost& host, PlugInRecord& record, const std::filesystem::path& path,
                    int descriptor, Page& page, std::int16_t* result) {
    PlugInFormatRun run(host, record);
    const bool read = run.read(path, descriptor, page);
    if (result != nullptr) *result = run.result();
    return read;
}

bool FormatWrite(PlugInHost& host, const PlugInList& list, const std::filesystem::path& path,
                 int descriptor, const Page& page, bool wantOptions) {
    PlugInRecord* record = findFormatModule(list, path);
    if (record == nullptr) return false;
    return FormatWriteWith(host, *record, path, descriptor, page, wantOptions);
}

bool FormatWriteWith(PlugInHost& host, PlugInRecord& record, const std::filesystem::path& path,
                     int descriptor, const Page& page, bool wantOptions,
                     std::int16_t* result) {
    PlugInFormatRun run(host, record);
    const bool written = run.write(path, descriptor, page, wantOptions);
    if (result != nullptr) *result = run.result();
    return written;
}

bool FormatReread(PlugInHost& host, const PlugInList& list, const std::filesystem::path& path,
                  int descriptor, Page& page) {
    PlugInRecord* record = findFormatModule(list, path);
    if (record == nullptr) return false;
    return FormatRereadWith(host, *record, path, descriptor, page);
}

bool FormatRereadWith(PlugInHost& host, PlugInRecord& record, const std::filesystem::path& path,
                      int descriptor, Page& page, std::int16_t* result) {
    PageData* data = page.pageData();
    if (data == nullptr || data->changeOpen()) return false;
    const Rect oldBounds = page.bounds();
    const std::int32_t oldType = page.type();
    const double oldHorizontal = page.horizontalResolution();
    const double oldVertical = page.verticalResolution();
    const Rect oldSelection = page.storedSelectionRect();
    if (!data->beginChange()) return false;
    if (!FormatReadWith(host, record, path, descriptor, page, result)) {
        data->abortChange();
        page.setType(oldType);
        page.setResolution(oldHorizontal, oldVertical);
        page.setSelectionRect(oldSelection);
        return false;
    }
    data->endChange();
    page.saveState(kUndoRevert, 0, unionOf(oldBounds, page.bounds()));
    page.setModified(true);
    return true;
}

PlugInFormatRun::PlugInFormatRun(PlugInHost& host, PlugInRecord& record)
    : m_host(host), m_record(record) {
    std::memset(&m_block, 0, sizeof m_block);
}

bool PlugInFormatRun::giveFile(const std::filesystem::path& path, int descriptor) {
    const std::string& text = path.native();
    if (text.size() >= sizeof m_record.fileSpec.path || text.find('\0') != std::string::npos)
        return false;
    std::memset(&m_record.fileSpec, 0, sizeof m_record.fileSpec);
    std::memcpy(m_record.fileSpec.path, text.data(), text.size());
    m_block.fileSpec = &m_record.fileSpec;
    m_block.dataFork = descriptor;
    return true;
}

std::int16_t PlugInFormatRun::advanceState() {
    if (!m_buffer) return TSPI_ERR_HOST_INSUFFICIENT;
    ModuleData data;
    data.data = m_block.data;
    data.rect = m_block.theRect;
    data.loPlane = m_block.loPlane;
    data.hiPlane = m_block.hiPlane;
    data.colBytes = m_block.colBytes;
    data.rowBytes = m_block.rowBytes;
    if (m_readPage != nullptr)
        return deliverModuleData(*m_readPage, *m_buffer, data, TSPI_ERR_FORMAT_BAD_PARAMETERS);
    if (m_writePage != nullptr)
        return fillModuleData(*m_writePage, *m_buffer, data, TSPI_ERR_FORMAT_BAD_PARAMETERS);
    return TSPI_ERR_HOST_INSUFFICIENT;
}

bool PlugInFormatRun::read(const std::filesystem::path& path, int descriptor, Page& page) {
    PlugInHost::RunScope scope(m_host, *this);
    if (!scope.accepted()) return false;
    if (path.native().size() >= sizeof m_record.fileSpec.path) return false;
    m_host.FillParameterBlock(m_record, m_block, hostProcedures().advanceState);
    if (m_host.LoadPlugIn(m_record) != 0) {
        m_host.UnloadPlugIn(m_record);
        return false;
    }
    giveFile(path, descriptor);

    std::int16_t result = m_host.CallPlugIn(m_record, TSPI_FORMAT_READ_PREPARE);
    if (result == 0) result = m_host.CallPlugIn(m_record, TSPI_FORMAT_READ_START);
    if (result == 0) {
        const DeliveredMode mode = deliveredModeOf(m_block.imageMode);
        const int planes = deliveredPlaneCount(m_block.imageMode, m_block.planes);
        const double resolution = resolutionFromFixed(m_block.imageHRes);
        m_buffer = std::make_unique<ProDataBuffer>();
        if (mode.conversion != ProDataBuffer::kSourceNone) {
            m_buffer->setSourceKind(mode.conversion);
            m_buffer->setColourTable(m_block.redLUT, m_block.greenLUT, m_block.blueLUT);
        }
        // The resolution goes in first, so that the state record written by
        // the shaping carries it.
        page.setResolution(resolution, resolution);
        if (!page.storeCanHold(m_block.imageSize.h, m_block.imageSize.v, planes)) {
            result = TSPI_ERR_MEMORY_FULL;
        } else if (!page.shapeWhite(mode.pageType, m_block.imageSize.h, m_block.imageSize.v,
                                    planes)) {
            result = kShapeFailed;
        } else {
            // Every tile of the page is about to be written.
            const std::uint64_t tilesAcross = (std::uint64_t(m_block.imageSize.h) + 127) / 128;
            const std::uint64_t tilesDown = (std::uint64_t(m_block.imageSize.v) + 127) / 128;
            page.pageData()->store().prepareForTiles(tilesAcross * tilesDown *
                                                     std::uint64_t(page.colourPlaneCount()));
            m_readPage = &page;
            result = m_host.CallPlugIn(m_record, TSPI_FORMAT_READ_CONTINUE);
            while (result == 0) {
                const std::int16_t advanced = advanceState();
                if (advanced != 0) {
                    result = advanced;
                    break;
                }
                if (m_block.data == nullptr) break;
                result = m_host.CallPlugIn(m_record, TSPI_FORMAT_READ_CONTINUE);
            }
            m_readPage = nullptr;
        }
        // Finish follows every successful Start, so that the module can
        // release what Start took.
        const std::int16_t finished = m_host.CallPlugIn(m_record, TSPI_FORMAT_READ_FINISH);
        if (result == 0) result = finished;
    }
    m_buffer.reset();
    m_host.UnloadPlugIn(m_record);
    m_result = result;
    return result == 0;
}

std::int16_t PlugInFormatRun::writePhase(std::int16_t prepare) {
    std::int16_t result = m_host.CallPlugIn(m_record, prepare);
    if (result != 0) return result;
    result = m_host.CallPlugIn(m_record, static_cast<std::int16_t>(prepare + 1));
    if (result != 0) return result;
    result = advanceState();
    while (result == 0) {
        result = m_host.CallPlugIn(m_record, static_cast<std::int16_t>(prepare + 2));
        if (result != 0 || m_block.data == nullptr) break;
        result = advanceState();
    }
    const std::int16_t finished =
        m_host.CallPlugIn(m_record, static_cast<std::int16_t>(prepare + 3));
    return result != 0 ? result : finished;
}

bool PlugInFormatRun::write(const std::filesystem::path& path, int descriptor, const Page& page,
                            bool wantOptions) {
    PlugInHost::RunScope scope(m_host, *this);
    if (!scope.accepted()) return false;
    const Rect bounds = page.bounds();
    constexpr std::int32_t kMax = std::numeric_limits<std::int16_t>::max();
    if (page.pageData() == nullptr || bounds.width() > kMax || bounds.height() > kMax ||
        path.native().size() >= sizeof m_record.fileSpec.path)
        return false;

    m_host.FillParameterBlock(m_record, m_block, hostProcedures().advanceState);
    m_block.imageMode = imageModeOfPageType(page.type());
    m_block.imageSize.v = static_cast<std::int16_t>(bounds.height());
    m_block.imageSize.h = static_cast<std::int16_t>(bounds.width());
    m_block.depth = depthOfPageType(page.type());
    m_block.planes = static_cast<std::int16_t>(page.colourPlaneCount());
    m_block.imageHRes = fixedResolution(page.horizontalResolution());
    m_block.imageVRes = fixedResolution(page.verticalResolution());
    m_buffer = std::make_unique<ProDataBuffer>();
    giveFile(path, descriptor);
    if (m_host.LoadPlugIn(m_record) != 0) {
        m_buffer.reset();
        m_host.UnloadPlugIn(m_record);
        return false;
    }

    m_writePage = &page;
    std::int16_t result = 0;
    if (wantOptions) result = writePhase(TSPI_FORMAT_OPTIONS_PREPARE);
    if (result == 0) result = writePhase(TSPI_FORMAT_ESTIMATE_PREPARE);
    if (result == 0) result = writePhase(TSPI_FORMAT_WRITE_PREPARE);
    m_writePage = nullptr;
    m_buffer.reset();
    m_host.UnloadPlugIn(m_record);
    m_result = result;
    return result == 0;
}

}  // namespace tessary
