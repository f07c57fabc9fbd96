#include "plugins/module_data.h"

#include <algorithm>
#include <limits>

#include "model/page.h"
#include "plugins/block_values.h"
#include "plugins/page_transfer.h"

namespace tessary {

namespace {

// Checks the plane range, step and row bytes of unconverted data and lends
// its memory to `buffer`. False when the description cannot be used.
bool lendModuleMemory(DataBuffer& buffer, const ModuleData& data) {
    if (data.loPlane < 0 || data.hiPlane < data.loPlane || data.hiPlane >= DataBuffer::kMaxPlanes)
        return false;
    const int planes = data.hiPlane - data.loPlane + 1;
    if (data.colBytes < 1) return false;
    const bool planar = data.colBytes == 1;
    if (!planar && data.colBytes < planes) return false;
    const std::int64_t width = std::int64_t{data.rect.right} - data.rect.left;
    const std::int64_t needed = (width - 1) * data.colBytes + (planar ? 1 : planes);
    if (data.rowBytes < needed || data.rowBytes > std::numeric_limits<std::int32_t>::max())
        return false;
    for (int p = data.loPlane; p <= data.hiPlane; ++p) {
        const int slot = buffer.planeOrder(p);
        if (slot < data.loPlane || slot > data.hiPlane) return false;
    }
    buffer.setStorage(nullptr);
    buffer.setLayout(planar ? DataBuffer::kPlanar : DataBuffer::kInterleaved);
    buffer.setFirstPlane(data.loPlane);
    buffer.setLastPlane(data.hiPlane);
    if (!buffer.move(data.rect.left, data.rect.top, data.rect.right, data.rect.bottom))
        return false;
    buffer.setRowBytes(data.rowBytes);
    buffer.setSampleStep(data.colBytes);
    buffer.setStorage(static_cast<std::uint8_t*>(data.data));
    return true;
}

std::int16_t deliverConverted(Page& page, ProDataBuffer& buffer, const ModuleData& data,
                              std::int16_t badParameters) {
    if (data.rect.top < 0 || data.rect.left < 0) return badParameters;
    for (int p = buffer.firstPlane(); p <= buffer.lastPlane(); ++p) {
        const int slot = buffer.planeOrder(p);
        if (slot < buffer.firstPlane() || slot > buffer.lastPlane()) return badParameters;
    }
    const Rect bounds = page.bounds();
    const std::int32_t right = std::min<std::int32_t>(data.rect.right, bounds.right);
    const std::int32_t bottom = std::min<std::int32_t>(data.rect.bottom, bounds.bottom);
    if (right <= data.rect.left || bottom <= data.rect.top) return 0;
    const std::int64_t width = right - data.rect.left;
    const std::int64_t needed =
        buffer.sourceKind() == ProDataBuffer::kSourceOneBit ? (width + 7) / 8 : width;
    if (data.rowBytes < needed) return badParameters;

    buffer.setLayout(data.colBytes == 1 ? DataBuffer::kPlanar : DataBuffer::kInterleaved);
    buffer.setFirstPlane(std::max<int>(data.loPlane, 0));
    buffer.setLastPlane(std::max<int>(data.hiPlane, 0));
    buffer.setSampleStep(data.colBytes);
    buffer.setStorage(static_cast<std::uint8_t*>(data.data));
    buffer.setRowBytes(data.rowBytes);
    if (!buffer.move(data.rect.left, data.rect.top, right, bottom)) return badParameters;
    if (!buffer.convert()) return TSPI_ERR_MEMORY_FULL;
    if (!writeBufferIntoPage(page, buffer, buffer.firstPlane(), buffer.lastPlane(), bounds))
        return TSPI_ERR_MEMORY_FULL;
    return 0;
}

}  // namespace

std::int16_t deliverModuleData(Page& page, ProDataBuffer& buffer, const ModuleData& data,
                               std::int16_t badParameters) {
    if (data.data == nullptr || !coversPixels(data.rect)) return 0;
    if (page.pageData() == nullptr) return badParameters;
    if (buffer.converting()) return deliverConverted(page, buffer, data, badParameters);
    if (!lendModuleMemory(buffer, data)) return badParameters;
    const bool written =
        writeBufferIntoPage(page, buffer, buffer.firstPlane(), buffer.lastPlane(), page.bounds());
    buffer.setStorage(nullptr);
    return written ? 0 : TSPI_ERR_MEMORY_FULL;
}

std::int16_t fillModuleData(const Page& page, DataBuffer& buffer, const ModuleData& data,
                            std::int16_t badParameters) {
    if (data.data == nullptr || !coversPixels(data.rect)) return 0;
    if (page.pageData() == nullptr) return badParameters;
    if (!lendModuleMemory(buffer, data)) return badParameters;
    const bool read = readPageIntoBuffer(page, PageState::Current, buffer, 1);
    buffer.setStorage(nullptr);
    return read ? 0 : TSPI_ERR_MEMORY_FULL;
}

}  // namespace tessary
