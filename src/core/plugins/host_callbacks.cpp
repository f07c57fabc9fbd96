#include "plugins/host_callbacks.h"

#include <cstring>

#include "plugins/memory_status.h"
#include "plugins/movable_memory.h"
#include "plugins/plug_in_host.h"
#include "plugins/question_services.h"

namespace tessary {

namespace {

TsPiBool8 TSPI_CALL abortProc() {
    PlugInHost* host = PlugInHost::active();
    return host != nullptr && host->abortRequested() ? 1 : 0;
}

void TSPI_CALL progressProc(std::int32_t done, std::int32_t total) {
    if (PlugInHost* host = PlugInHost::active()) host->reportProgress(done, total);
}

// Serves three selectors: TSPI_HOST_ASK_SUITE writes the ask suite's
// address into the word `data` points at; TSPI_HOST_REPORT_WARNING hands the
// text the word points at to the active host and clears the word when it was
// taken; TSPI_HOST_WORKER_THREADS writes the active host's thread count.
// Every other selector does nothing.
void TSPI_CALL hostProc(std::int16_t selector, std::intptr_t* data) {
    if (data == nullptr) return;
    if (selector == TSPI_HOST_ASK_SUITE) {
        *data = reinterpret_cast<std::intptr_t>(&askSuite());
    } else if (selector == TSPI_HOST_REPORT_WARNING) {
        PlugInHost* host = PlugInHost::active();
        if (host != nullptr && host->noteWarning(reinterpret_cast<const char*>(*data))) *data = 0;
    } else if (selector == TSPI_HOST_WORKER_THREADS) {
        if (PlugInHost* host = PlugInHost::active()) *data = host->workerThreads();
    }
}

void TSPI_CALL processEventProc(void* event) {
    if (PlugInHost* host = PlugInHost::active()) host->processEvent(event);
}

TsPiResult TSPI_CALL displayPixelsProc(const TsPiPixelMap* source, const TsPiLongRect* sourceRect,
                                       std::int32_t destinationRow, std::int32_t destinationColumn,
                                       void* platformContext) {
    PlugInHost* host = PlugInHost::active();
    if (host == nullptr) return TSPI_ERR_HOST_INSUFFICIENT;
    return host->displayPixels(source, sourceRect, destinationRow, destinationColumn,
                               platformContext);
}

TsPiResult TSPI_CALL colourServicesProc(TsPiColorServicesInfo* info) {
    PlugInHost* host = PlugInHost::active();
    if (host == nullptr) return TSPI_ERR_HOST_INSUFFICIENT;
    return host->colourServices(info);
}

TsPiResult TSPI_CALL advanceStateProc() {
    PlugInHost* host = PlugInHost::active();
    if (host == nullptr) return TSPI_ERR_HOST_INSUFFICIENT;
    return host->advanceState();
}

// --- Buffers --------------------------------------------------------------

TsPiResult TSPI_CALL allocateBufferProc(std::int32_t size, TsPiBufferId* bufferId) {
    if (bufferId == nullptr || size < 0) return TSPI_ERR_PARAMETER;
    MovableBlock* block = plugInBufferPool().allocate(size);
    if (block == nullptr) return TSPI_ERR_MEMORY_FULL;
    *bufferId = reinterpret_cast<TsPiBufferId>(block);
    return TSPI_NO_ERR;
}

void* TSPI_CALL lockBufferProc(TsPiBufferId bufferId, TsPiBool8) {
    return plugInBufferPool().lock(bufferId);
}

void TSPI_CALL unlockBufferProc(TsPiBufferId bufferId) {
    plugInBufferPool().unlock(bufferId);
}

void TSPI_CALL freeBufferProc(TsPiBufferId bufferId) {
    plugInBufferPool().release(bufferId);
}

// The memory available, not the share offered as maximum space: the module
// decides how much of it to take.
std::int32_t TSPI_CALL bufferSpaceProc() {
    PlugInHost* host = PlugInHost::active();
    return host != nullptr ? host->availableMemory()
                           : availableForModule(systemMemoryStatus().availableVirtualBytes());
}

// --- Handles --------------------------------------------------------------

TsPiHandle TSPI_CALL newHandleProc(std::int32_t size) {
    return newPlugInHandle(size);
}

void TSPI_CALL disposeHandleProc(TsPiHandle handle) {
    disposePlugInHandle(handle);
}

std::int32_t TSPI_CALL getHandleSizeProc(TsPiHandle handle) {
    return static_cast<std::int32_t>(plugInHandleSize(handle));
}

TsPiResult TSPI_CALL setHandleSizeProc(TsPiHandle handle, std::int32_t size) {
    if (size < 0 || !isLivePlugInHandle(handle)) return TSPI_ERR_PARAMETER;
    return plugInHandlePool().resize(handle, size) ? TSPI_NO_ERR : TSPI_ERR_MEMORY_FULL;
}

void* TSPI_CALL lockHandleProc(TsPiHandle handle, TsPiBool8) {
    return plugInHandlePool().lock(handle);
}

void TSPI_CALL unlockHandleProc(TsPiHandle handle) {
    plugInHandlePool().unlock(handle);
}

void TSPI_CALL recoverSpaceProc(std::int32_t) {}

// --- Image services and properties ----------------------------------------

TsPiResult TSPI_CALL resampleProc(TsPiImagePlane*, TsPiImagePlane*, TsPiRect*, TsPiFixed*,
                                  std::int16_t) {
    return TSPI_NO_ERR;
}

TsPiResult TSPI_CALL getPropertyProc(TsPiFourCC, TsPiFourCC, std::int32_t, std::intptr_t*,
                                     TsPiHandle*) {
    return TSPI_NO_ERR;
}

TsPiResult TSPI_CALL setPropertyProc(TsPiFourCC, TsPiFourCC, std::int32_t, std::intptr_t,
                                     TsPiHandle) {
    return TSPI_NO_ERR;
}

}  // namespace

const HostProcedures& hostProcedures() {
    static const HostProcedures procedures{abortProc,        progressProc,      hostProc,
                                           processEventProc, displayPixelsProc, colourServicesProc,
                                           advanceStateProc};
    return procedures;
}

void fillBufferSuite(TsPiBufferSuite& suite) {
    suite.version = TSPI_BUFFER_SUITE_VERSION;
    suite.count = TSPI_BUFFER_SUITE_COUNT;
    suite.allocateProc = allocateBufferProc;
    suite.lockProc = lockBufferProc;
    suite.unlockProc = unlockBufferProc;
    suite.freeProc = freeBufferProc;
    suite.spaceProc = bufferSpaceProc;
}

void fillResourceSuite(TsPiResourceSuite& suite) {
    std::memset(&suite, 0, sizeof suite);
    suite.version = TSPI_RESOURCE_SUITE_VERSION;
    suite.count = TSPI_RESOURCE_SUITE_COUNT;
}

void fillHandleSuite(TsPiHandleSuite& suite) {
    suite.version = TSPI_HANDLE_SUITE_VERSION;
    suite.count = TSPI_HANDLE_SUITE_COUNT;
    suite.newProc = newHandleProc;
    suite.disposeProc = disposeHandleProc;
    suite.getSizeProc = getHandleSizeProc;
    suite.setSizeProc = setHandleSizeProc;
    suite.lockProc = lockHandleProc;
    suite.unlockProc = unlockHandleProc;
    suite.recoverSpaceProc = recoverSpaceProc;
}

void fillImageServicesSuite(TsPiImageServicesSuite& suite) {
    suite.version = TSPI_IMAGE_SERVICES_SUITE_VERSION;
    suite.count = TSPI_IMAGE_SERVICES_SUITE_COUNT;
    suite.resample1DProc = resampleProc;
    suite.resample2DProc = resampleProc;
}

void fillPropertySuite(TsPiPropertySuite& suite) {
    suite.version = TSPI_PROPERTY_SUITE_VERSION;
    suite.count = TSPI_PROPERTY_SUITE_COUNT;
    suite.getPropertyProc = getPropertyProc;
    suite.setPropertyProc = setPropertyProc;
}

}  // namespace tessary
