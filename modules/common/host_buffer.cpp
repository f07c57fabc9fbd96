#include "common/host_buffer.h"

#include <cstdint>
#include <cstring>

namespace tessary::modules {

namespace {

bool suiteUsable(const TsPiBufferSuite* suite) {
    return suite != nullptr && suite->count >= TSPI_BUFFER_SUITE_COUNT &&
           suite->allocateProc != nullptr && suite->lockProc != nullptr &&
           suite->freeProc != nullptr;
}

}  // namespace

TsPiResult HostBuffer::allocate(const TsPiBufferSuite* suite, std::size_t bytes,
                                bool heapFallback) {
    release();
    TsPiResult result = TSPI_ERR_MEMORY_FULL;
    if (suiteUsable(suite) && bytes <= static_cast<std::size_t>(INT32_MAX)) {
        TsPiBufferId id = nullptr;
        result = suite->allocateProc(static_cast<std::int32_t>(bytes), &id);
        if (result == TSPI_NO_ERR && id != nullptr) {
            m_suite = *suite;
            m_id = id;
            m_data = static_cast<std::uint8_t*>(suite->lockProc(id, 0));
            if (m_data != nullptr) {
                std::memset(m_data, 0, bytes);
                return TSPI_NO_ERR;
            }
            release();
        }
        if (result == TSPI_NO_ERR) result = TSPI_ERR_MEMORY_FULL;
        if (!heapFallback) return result;
    }
    m_heap.resize(bytes);
    m_data = m_heap.data();
    return TSPI_NO_ERR;
}

void HostBuffer::release() {
    if (m_id != nullptr) {
        if (m_suite.unlockProc != nullptr) m_suite.unlockProc(m_id);
        m_suite.freeProc(m_id);
    }
    m_suite = TsPiBufferSuite{};
    m_id = nullptr;
    m_data = nullptr;
    m_heap.clear();
    m_heap.shrink_to_fit();
}

}  // namespace tessary::modules
