#include "model/data_buffer.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "model/blend_table.h"
#include "platform/assert.h"

namespace tessary {

namespace {

// b - a when it is a usable extent, 0 for an empty or reversed span, -1 when
// the span does not fit a 32-bit size.
std::int64_t extentOf(std::int32_t a, std::int32_t b) {
    const std::int64_t d = std::int64_t{b} - a;
    if (d <= 0) return 0;
    if (d > std::numeric_limits<std::int32_t>::max()) return -1;
    return d;
}

// a x b, or the largest value when that does not fit (such a block can never
// be allocated anyway).
std::uint64_t multiplySaturated(std::uint64_t a, std::uint64_t b) {
    if (b != 0 && a > std::numeric_limits<std::uint64_t>::max() / b)
        return std::numeric_limits<std::uint64_t>::max();
    return a * b;
}

bool sameSize(const DataBuffer& a, const DataBuffer& b) {
    return a.width() == b.width() && a.height() == b.height();
}

}  // namespace

DataBuffer::DataBuffer() {
    for (int i = 0; i < kMaxPlanes; ++i) m_planeOrder[i] = static_cast<std::uint8_t>(i);
}

DataBuffer::DataBuffer(int firstPlane, int lastPlane, std::int32_t layout) : DataBuffer() {
    assignPlanes(firstPlane, lastPlane);
    m_layout = layout;
    recomputeStepAndRowBytes();
}

DataBuffer::DataBuffer(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                       int firstPlane, int lastPlane)
    : DataBuffer() {
    reshape(firstPlane, lastPlane, left, top, right, bottom);
}

DataBuffer::~DataBuffer() {
    freeStorage();
}

void DataBuffer::assignPlanes(int firstPlane, int lastPlane) {
    TS_ASSERT(firstPlane >= 0 && firstPlane <= lastPlane && lastPlane < kMaxPlanes);
    m_firstPlane = firstPlane;
    m_lastPlane = lastPlane;
}

void DataBuffer::recomputeStepAndRowBytes() {
    if (m_layout == kInterleaved) {
        m_sampleStep = planeCount();
        m_rowBytes = std::int64_t{m_width} * planeCount();
    } else {
        m_sampleStep = 1;
        m_rowBytes = m_width;
    }
    updateStorageBytes();
    dropStorageThatNoLongerHolds();
}

bool DataBuffer::storageHoldsGeometry() const {
    if (m_width == 0 || m_height == 0) return true;
    if (m_sampleStep < 1) return false;
    // The last sample of a row (of the last plane, when interleaved) must lie
    // within the row, and all rows of all planes within the block.
    const std::int64_t rowNeed =
        std::int64_t{m_width - 1} * m_sampleStep + (m_layout == kInterleaved ? planeCount() : 1);
    return rowNeed <= m_rowBytes && m_storageBytes <= m_capacity;
}

void DataBuffer::dropStorageThatNoLongerHolds() {
    if (m_ownsStorage && !storageHoldsGeometry()) freeStorage();
}

void DataBuffer::updateStorageBytes() {
    const std::uint64_t blocks =
        m_layout == kInterleaved ? 1u : static_cast<std::uint64_t>(planeCount());
    m_storageBytes = multiplySaturated(
        blocks,
        multiplySaturated(static_cast<std::uint64_t>(m_height),
                          static_cast<std::uint64_t>(std::max<std::int64_t>(m_rowBytes, 0))));
}

void DataBuffer::freeStorage() {
    if (m_ownsStorage) delete[] m_storage;
    m_storage = nullptr;
    m_ownsStorage = false;
    m_capacity = 0;
    m_valid = false;
}

bool DataBuffer::allocateStorage() {
    freeStorage();
    if (m_storageBytes > std::numeric_limits<std::size_t>::max() / 2) return false;
    // A zero-area buffer still gets a (one-byte) block so that valid() means
    // "storage present" without special cases.
    m_storage = new (std::nothrow) std::uint8_t[std::max<std::uint64_t>(m_storageBytes, 1)];
    if (!m_storage) return false;
    m_ownsStorage = true;
    m_capacity = m_storageBytes;
    m_valid = true;
    return true;
}

bool DataBuffer::reshape(int firstPlane, int lastPlane, std::int32_t left, std::int32_t top,
                         std::int32_t right, std::int32_t bottom) {
    freeStorage();
    assignPlanes(firstPlane, lastPlane);
    const std::int64_t width = extentOf(left, right);
    const std::int64_t height = extentOf(top, bottom);
    m_left = left;
    m_top = top;
    if (width < 0 || height < 0) {
        m_width = m_height = 0;
        recomputeStepAndRowBytes();
        return false;
    }
    m_width = static_cast<std::int32_t>(width);
    m_height = static_cast<std::int32_t>(height);
    recomputeStepAndRowBytes();
    if (m_allocate != 1) return false;
    return allocateStorage();
}

bool DataBuffer::move(std::int32_t left, std::int32_t top, std::int32_t right,
                      std::int32_t bottom) {
    const std::int64_t width = extentOf(left, right);
    const std::int64_t height = extentOf(top, bottom);
    if (width < 0 || height < 0) return false;
    const std::int32_t oldWidth = m_width, oldHeight = m_height;
    m_width = static_cast<std::int32_t>(width);
    m_height = static_cast<std::int32_t>(height);
    updateStorageBytes();
    if (m_ownsStorage && !storageHoldsGeometry()) {
        m_width = oldWidth;
        m_height = oldHeight;
        updateStorageBytes();
        return false;
    }
    m_left = left;
    m_top = top;
    return true;
}

void DataBuffer::setFirstPlane(int plane) {
    assignPlanes(plane, std::max(plane, m_lastPlane));
    recomputeStepAndRowBytes();
}

void DataBuffer::setLastPlane(int plane) {
    assignPlanes(std::min(plane, m_firstPlane), plane);
    recomputeStepAndRowBytes();
}

void DataBuffer::setLayout(std::int32_t layout) {
    m_layout = layout;
    recomputeStepAndRowBytes();
}

void DataBuffer::setStorage(std::uint8_t* storage) {
    freeStorage();
    m_storage = storage;
    m_valid = storage != nullptr;
}

void DataBuffer::setRowBytes(std::int64_t rowBytes) {
    m_rowBytes = rowBytes;
    updateStorageBytes();
    dropStorageThatNoLongerHolds();
}

void DataBuffer::setSampleStep(std::int32_t step) {
    m_sampleStep = step;
    dropStorageThatNoLongerHolds();
}

void DataBuffer::setPlaneOrder(int plane, int slot) {
    TS_ASSERT(plane >= 0 && plane < kMaxPlanes && slot >= 0 && slot < kMaxPlanes);
    m_planeOrder[plane] = static_cast<std::uint8_t>(slot);
}

int DataBuffer::planeOrder(int plane) const {
    TS_ASSERT(plane >= 0 && plane < kMaxPlanes);
    return m_planeOrder[plane];
}

std::ptrdiff_t DataBuffer::planeOffset(int plane) const {
    TS_ASSERT(plane >= 0 && plane < kMaxPlanes);
    const std::ptrdiff_t slot = std::ptrdiff_t{m_planeOrder[plane]} - m_firstPlane;
    if (m_layout == kInterleaved) return slot;
    return slot * static_cast<std::ptrdiff_t>(m_rowBytes) * m_height;
}

void DataBuffer::fill(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                      const std::uint8_t* values) {
    if (!m_valid || !m_storage) return;
    // Clip to the buffer, then work in buffer coordinates.
    const std::int64_t x0 = std::max<std::int64_t>(left, m_left) - m_left;
    const std::int64_t x1 = std::min<std::int64_t>(right, std::int64_t{m_left} + m_width) - m_left;
    const std::int64_t y0 = std::max<std::int64_t>(top, m_top) - m_top;
    const std::int64_t y1 = std::min<std::int64_t>(bottom, std::int64_t{m_top} + m_height) - m_top;
    if (x0 >= x1 || y0 >= y1) return;
    for (int i = 0; i < planeCount(); ++i) {
        const std::uint8_t value = values[i];
        for (std::int64_t r = y0; r < y1; ++r) {
            std::uint8_t* p =
                row(m_firstPlane + i, static_cast<std::int32_t>(r)) + x0 * m_sampleStep;
            if (m_sampleStep == 1) {
                std::memset(p, value, static_cast<std::size_t>(x1 - x0));
            } else {
                for (std::int64_t x = x0; x < x1; ++x, p += m_sampleStep) *p = value;
            }
        }
    }
}

bool DataBuffer::maskedBlend(const DataBuffer& background, const DataBuffer& foreground,
                             DataBuffer& output, const BlendTable& table) const {
    if (!m_valid || !background.m_valid || !foreground.m_valid || !output.m_valid) return false;
    if (foreground.planeCount() != output.planeCount() ||
        foreground.planeCount() != background.planeCount())
        return false;
    if (!sameSize(*this, foreground) || !sameSize(*this, background) || !sameSize(*this, output))
        return false;
    const std::uint8_t* t = table.data();
    const std::int32_t ms = m_sampleStep, fs = foreground.m_sampleStep;
    const std::int32_t bs = background.m_sampleStep, os = output.m_sampleStep;
    for (int i = 0; i < foreground.planeCount(); ++i) {
        for (std::int32_t r = 0; r < m_height; ++r) {
            const std::uint8_t* m = row(m_firstPlane, r);
            const std::uint8_t* f = foreground.row(foreground.m_firstPlane + i, r);
            const std::uint8_t* b = background.row(background.m_firstPlane + i, r);
            std::uint8_t* o = output.row(output.m_firstPlane + i, r);
            for (std::int32_t x = 0; x < m_width; ++x) {
                const unsigned mv = m[x * ms];
                o[x * os] = static_cast<std::uint8_t>(t[mv * 256 + f[x * fs]] +
                                                      t[(255 - mv) * 256 + b[x * bs]]);
            }
        }
    }
    return true;
}

bool DataBuffer::constantBlend(const DataBuffer& foreground, const DataBuffer& background,
                               std::uint8_t amount, const BlendTable& table) {
    if (!m_valid || !background.m_valid || !foreground.m_valid) return false;
    if (foreground.planeCount() != background.planeCount() ||
        foreground.planeCount() != planeCount())
        return false;
    if (!sameSize(*this, foreground) || !sameSize(*this, background)) return false;
    const std::uint8_t* tf = table.row(amount);
    const std::uint8_t* tb = table.row(static_cast<std::uint8_t>(255 - amount));
    const std::int32_t fs = foreground.m_sampleStep, bs = background.m_sampleStep,
                       os = m_sampleStep;
    for (int i = 0; i < foreground.planeCount(); ++i) {
        for (std::int32_t r = 0; r < m_height; ++r) {
            const std::uint8_t* f = foreground.row(foreground.m_firstPlane + i, r);
            const std::uint8_t* b = background.row(background.m_firstPlane + i, r);
            std::uint8_t* o = row(m_firstPlane + i, r);
            for (std::int32_t x = 0; x < m_width; ++x) {
                o[x * os] = static_cast<std::uint8_t>(tf[f[x * fs]] + tb[b[x * bs]]);
            }
        }
    }
    return true;
}

}  // namespace tessary
