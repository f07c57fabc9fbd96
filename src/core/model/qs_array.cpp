#include "model/qs_array.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "platform/assert.h"

namespace tessary {

namespace {
// A table never has fewer slots than this, whatever the expected count.
constexpr std::size_t kMinimumChunkSlots = 100;
}  // namespace

QSArray::QSArray(std::size_t expected, std::size_t elementSize, std::size_t perChunk)
    : m_perChunk(perChunk), m_elementSize(elementSize) {
    TS_ASSERT(elementSize >= 1 && perChunk >= 1);
    // Round to nearest, computed without the overflow of expected + perChunk / 2.
    const std::size_t rounded =
        expected / perChunk + (expected % perChunk >= perChunk - perChunk / 2 ? 1 : 0);
    m_tableLength = std::max({perChunk, rounded, kMinimumChunkSlots});
    // A chunk whose byte size overflows can never be allocated: keep the
    // table empty so that every operation refuses.
    if (elementSize > std::numeric_limits<std::size_t>::max() / perChunk) return;
    m_chunks.reset(new (std::nothrow) std::uint8_t* [m_tableLength] {});
    if (!m_chunks) m_tableLength = 0;
}

QSArray::~QSArray() {
    if (!m_chunks) return;
    for (std::size_t i = 0; i < m_tableLength; ++i) delete[] m_chunks[i];
}

void* QSArray::elementAddress(std::size_t index) const {
    const std::size_t chunk = index / m_perChunk;
    if (!m_chunks || chunk >= m_tableLength || !m_chunks[chunk]) return nullptr;
    return m_chunks[chunk] + (index % m_perChunk) * m_elementSize;
}

bool QSArray::set(const void* source, std::size_t index) {
    const std::size_t chunk = index / m_perChunk;
    if (!m_chunks || chunk >= m_tableLength) return false;
    if (!m_chunks[chunk]) {
        m_chunks[chunk] = new (std::nothrow) std::uint8_t[m_elementSize * m_perChunk];
        if (!m_chunks[chunk]) return false;
    }
    std::memcpy(m_chunks[chunk] + (index % m_perChunk) * m_elementSize, source, m_elementSize);
    return true;
}

bool QSArray::append(const void* source) {
    if (!set(source, m_count)) return false;
    ++m_count;
    return true;
}

}  // namespace tessary
