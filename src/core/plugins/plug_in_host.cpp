#include "plugins/plug_in_host.h"

#include <cstring>

#include "app/error_messages.h"
#include "app/string_table.h"
#include "model/data_buffer.h"
#include "plugins/colour_services.h"
#include "plugins/display_pixels.h"
#include "plugins/host_callbacks.h"
#include "plugins/module_process.h"
#include "plugins/movable_memory.h"
#include "platform/worker_pool.h"
#include "plugins/plug_in_module.h"
#include "tessary_ask.h"

namespace tessary {

namespace {

constexpr int kFilteringText = 4067;  // "Filtering..."
constexpr int kWorkingText = 4068;    // "Working..."

// The host whose module is being called, and whether a run is in progress
// anywhere in the process.
PlugInHost* g_active = nullptr;
bool g_running = false;

}  // namespace

PlugInHost::PlugInHost(ProgressPort& progress, const BlendTable& blend, MemoryStatusPort& memory)
    : m_progress(progress), m_blend(blend), m_memory(memory) {}

PlugInHost::~PlugInHost() {
    if (g_active == this) g_active = nullptr;
}

void PlugInHost::setModuleCalls(ModuleCalls calls, std::filesystem::path helper) {
    m_calls = calls;
    m_helper = std::move(helper);
}

bool PlugInHost::shapeModuleBuffer(DataBuffer& buffer, int slot, int firstPlane, int lastPlane,
                                   std::int32_t left, std::int32_t top, std::int32_t right,
                                   std::int32_t bottom) {
    if (!m_process) {
        buffer.setAllocate(1);
        return buffer.reshape(firstPlane, lastPlane, left, top, right, bottom);
    }
    buffer.setAllocate(0);
    buffer.reshape(firstPlane, lastPlane, left, top, right, bottom);
    std::uint8_t* storage = m_process->sharedStorage(slot, buffer.storageBytes());
    if (storage == nullptr) return false;
    buffer.setStorage(storage);
    return true;
}

bool PlugInHost::pumpWhileWaiting() {
    // The last progress again: the window appears after its delay even for
    // a module that never reports, and looks for a cancel.
    m_progress.setDelay(kPlugInProgressDelayMs);
    if (m_progress.update(m_lastDone, m_lastTotal)) m_cancelled = true;
    return m_cancelled;
}

std::string PlugInHost::failureMessage() const {
    std::string text = errorMessage(failureCode());
    const std::size_t at = text.find("%1");
    if (at != std::string::npos) text.replace(at, 2, m_moduleName);
    return text;
}

void PlugInHost::setColours(std::uint32_t foreground, std::uint32_t background) {
    m_foreground = foreground & 0xFFFFFFu;
    m_background = background & 0xFFFFFFu;
}

std::int32_t PlugInHost::moduleMemoryLimit() {
    return fiveEighthsForModule(m_memory.availableVirtualBytes());
}

std::int32_t PlugInHost::availableMemory() {
    return availableForModule(m_memory.availableVirtualBytes());
}

PlugInHost* PlugInHost::active() {
    return g_active;
}

PlugInHost::RunScope::RunScope(PlugInHost& host, PlugInRun& run) : m_host(host) {
    if (g_running) return;
    g_running = true;
    m_previous = g_active;
    g_active = &host;
    host.m_run = &run;
    host.m_loadFailed = false;
    host.m_stopped = false;
    m_accepted = true;
}

PlugInHost::RunScope::~RunScope() {
    if (!m_accepted) return;
    m_host.m_run = nullptr;
    g_active = m_previous;
    g_running = false;
}

std::int16_t PlugInHost::LoadPlugIn(PlugInRecord& record) {
    if (record.moduleHandle != nullptr) unloadModule(record.moduleHandle);
    record.moduleHandle = nullptr;
    record.entryPoint = nullptr;
    m_process.reset();
    m_stopped = false;
    m_lastDone = 0;
    m_lastTotal = 0;
    // The name first: a module that stops while loading is reported by it.
    m_moduleName = textOf(record.name);

    const char* entryName = nullptr;
    if (record.hasWindowsEntryName != 0) {
        entryName = record.windowsEntryName;
    } else if (record.hasAlternativeEntryName != 0) {
        entryName = record.alternativeEntryName;
    }
    // The fields are NUL-terminated by discovery; make sure of it anyway.
    record.windowsEntryName[kWindowsEntryNameCapacity - 1] = '\0';
    record.alternativeEntryName[kAlternativeEntryNameCapacity - 1] = '\0';
    record.modulePath[kModulePathCapacity - 1] = '\0';

    // A cancel belongs to the module it was given to: a failed load must not
    // pass off as one either. So does a warning.
    m_cancelled = false;
    m_warning.clear();
    std::int16_t code = 0;
    if (m_calls == ModuleCalls::Isolated) {
        code = loadInHelper(record, entryName);
    } else {
        LoadedModule module = loadModule(record.modulePath, entryName);
        record.moduleHandle = module.library;
        record.entryPoint = module.entry;
        m_lastLoadMessage = module.message;
        code = module.code;
    }
    m_loadFailed = code != 0 && !m_stopped;
    if (code != 0) return code;

    m_progress.setText(1, m_moduleName);
    m_progress.setText(
        0, loadString(record.kind == kPlugInKindFilter ? kFilteringText : kWorkingText));
    return 0;
}

std::int16_t PlugInHost::loadInHelper(PlugInRecord& record, const char* entryName) {
    m_process =
        ModuleProcess::start(m_helper.empty() ? findModuleHost() : m_helper, m_lastLoadMessage);
    if (!m_process) return kModuleNotLoadable;
    std::int16_t code = 0;
    if (!m_process->load(record.modulePath, entryName, m_mainWindow, code, m_lastLoadMessage)) {
        // The module's initialisers took the helper down.
        stopHelper();
        return kModuleStopped;
    }
    if (code != 0) m_process.reset();
    return code;
}

void PlugInHost::stopHelper() {
    if (m_process) m_process->kill();
    m_process.reset();
    m_stopped = true;
}

std::int16_t PlugInHost::CallPlugIn(PlugInRecord& record, std::int16_t selector) {
    TsPiResult result = selector;
    if (m_stopped) return kModuleStopped;
    if (m_process) {
        PlugInHost* previous = g_active;
        g_active = this;
        const bool returned = m_process->call(*this, record, selector, result);
        g_active = previous;
        if (!returned) {
            stopHelper();
            return kModuleStopped;
        }
    } else if (record.entryPoint != nullptr) {
        PlugInHost* previous = g_active;
        g_active = this;
        try {
            record.entryPoint(selector, record.currentBlock, &record.plugInData, &result);
        } catch (...) {
            result = kModuleThrew;
        }
        g_active = previous;
    }
    if (result == TSPI_ERR_USER_CANCELED) m_cancelled = true;
    return result > 0 ? -1 : result;
}

int PlugInHost::workerThreads() const {
    return m_workers != nullptr ? m_workers->threadCount() : 1;
}

void PlugInHost::UnloadPlugIn(PlugInRecord& record) {
    m_process.reset();
    unloadModule(record.moduleHandle);
    record.moduleHandle = nullptr;
    record.entryPoint = nullptr;
    if (record.kind == kPlugInKindFilter && record.currentBlock != nullptr) {
        TsPiHandle kept = static_cast<TsPiFilterBlock*>(record.currentBlock)->parameters;
        record.parameters = isLivePlugInHandle(kept) ? kept : nullptr;
    } else if (record.kind == kPlugInKindImport) {
        record.plugInData = 0;
    }
    // Buffers live for one run: what the module did not free goes now.
    plugInBufferPool().releaseAll();
    record.currentBlock = nullptr;
    m_progress.close(true);
}

void PlugInHost::fillSuites(PlugInRecord& record) {
    fillBufferSuite(record.bufferSuite);
    fillResourceSuite(record.resourceSuite);
    fillHandleSuite(record.handleSuite);
    fillImageServicesSuite(record.imageServicesSuite);
    fillPropertySuite(record.propertySuite);
}

std::int16_t PlugInHost::FillParameterBlock(PlugInRecord& record, TsPiFilterBlock& block,
                                            TsPiAdvanceStateProc advance) {
    const HostProcedures& procs = hostProcedures();
    fillSuites(record);
    TsPiFilterBlock local;
    std::memset(&local, 0, sizeof local);
    local.serialNumber = record.serialNumber;
    local.abortProc = procs.abort;
    local.progressProc = procs.progress;
    local.parameters = isLivePlugInHandle(record.parameters) ? record.parameters : nullptr;
    local.maxSpace = moduleMemoryLimit();
    local.hostSignature = record.hostSignature;
    local.hostProc = procs.host;
    local.platformData = &m_mainWindow;
    local.bufferProcs = &record.bufferSuite;
    local.resourceProcs = &record.resourceSuite;
    local.processEvent = procs.processEvent;
    local.displayPixels = procs.displayPixels;
    local.handleProcs = &record.handleSuite;
    local.advanceState = advance;
    local.colorServices = procs.colourServices;
    local.imageServicesProcs = &record.imageServicesSuite;
    local.propertyProcs = &record.propertySuite;
    std::memcpy(&block, &local, sizeof block);
    record.currentBlock = &block;
    return 0;
}

template <class Block>
std::int16_t PlugInHost::fillTransferBlock(PlugInRecord& record, Block& block,
                                           TsPiAdvanceStateProc advance) {
    const HostProcedures& procs = hostProcedures();
    fillSuites(record);
    Block local;
    std::memset(&local, 0, sizeof local);
    local.serialNumber = record.serialNumber;
    local.abortProc = procs.abort;
    local.progressProc = procs.progress;
    local.maxData = moduleMemoryLimit();
    local.hostSignature = record.hostSignature;
    local.hostProc = procs.host;
    local.platformData = &m_mainWindow;
    local.bufferProcs = &record.bufferSuite;
    local.processEvent = procs.processEvent;
    local.displayPixels = procs.displayPixels;
    local.advanceState = advance;
    std::memcpy(&block, &local, sizeof block);
    record.currentBlock = &block;
    return 0;
}

std::int16_t PlugInHost::FillParameterBlock(PlugInRecord& record, TsPiImportBlock& block,
                                            TsPiAdvanceStateProc advance) {
    return fillTransferBlock(record, block, advance);
}

std::int16_t PlugInHost::FillParameterBlock(PlugInRecord& record, TsPiExportBlock& block,
                                            TsPiAdvanceStateProc advance) {
    return fillTransferBlock(record, block, advance);
}

std::int16_t PlugInHost::FillParameterBlock(PlugInRecord& record, TsPiFormatBlock& block,
                                            TsPiAdvanceStateProc advance) {
    return fillTransferBlock(record, block, advance);
}

bool PlugInHost::abortRequested() {
    if (!m_cancelled) m_cancelled = m_progress.checkCancel();
    return m_cancelled;
}

void PlugInHost::reportProgress(std::int32_t done, std::int32_t total) {
    m_lastDone = done;
    m_lastTotal = total;
    m_progress.setDelay(kPlugInProgressDelayMs);
    if (m_progress.update(done, total)) m_cancelled = true;
}

void PlugInHost::processEvent(const void* event) {
    if (m_pump == nullptr || event == nullptr) return;
    PlugInEvent words{};
    std::memcpy(words.data(), event, sizeof words);
    m_pump->dispatchEvent(words);
}

TsPiResult PlugInHost::displayPixels(const TsPiPixelMap* source, const TsPiLongRect* rect,
                                     std::int32_t destinationRow, std::int32_t destinationColumn,
                                     void* platformContext) {
    HostBitmap bitmap;
    const TsPiResult result = buildDisplayBitmap(source, rect, m_blend, bitmap);
    if (result != TSPI_NO_ERR) return result;
    drawModuleBitmap(bitmap, destinationRow, destinationColumn, platformContext);
    return TSPI_NO_ERR;
}

void PlugInHost::drawModuleBitmap(const HostBitmap& bitmap, std::int32_t destinationRow,
                                  std::int32_t destinationColumn, void* platformContext) {
    if (m_display != nullptr && bitmap.width > 0 && bitmap.height > 0)
        m_display->drawBitmap(bitmap, destinationRow, destinationColumn, platformContext);
}

TsPiResult PlugInHost::colourServices(TsPiColorServicesInfo* info) {
    ColourServicesContext context;
    context.foreground = m_foreground;
    context.background = m_background;
    context.chooser = m_chooser;
    return serveColourServices(info, context);
}

bool PlugInHost::noteWarning(const char* text) {
    if (text == nullptr) return false;
    const std::size_t length = ::strnlen(text, TSPI_ASK_MAX_TEXT);
    if (length == TSPI_ASK_MAX_TEXT) return false;
    if (m_warning.empty()) m_warning.assign(text, length);
    return true;
}

TsPiResult PlugInHost::advanceState() {
    if (m_run == nullptr) return TSPI_ERR_HOST_INSUFFICIENT;
    return m_run->advanceState();
}

}  // namespace tessary
