#include "model/page_traverse.h"

#include <new>

#include "model/page_data.h"
#include "platform/assert.h"

namespace tessary {

PageTraverse::PageTraverse(PageData& data, const Rect& rect, int firstPlane, int lastPlane,
                           unsigned flags, Direction readDirection, Direction writeDirection)
    : m_data(data),
      m_rect(rect),
      m_firstPlane(firstPlane),
      m_lastPlane(lastPlane),
      m_flags(flags),
      m_readDirection(readDirection),
      m_writeDirection(writeDirection) {
    TS_ASSERT(firstPlane >= 0 && firstPlane <= lastPlane && lastPlane < ImageData::kMaxPlanes);
}

bool PageTraverse::start() {
    m_started = true;
    m_readY = m_readDirection == Direction::Down ? m_rect.top : m_rect.bottom - 1;
    m_writeY = m_writeDirection == Direction::Down ? m_rect.top : m_rect.bottom - 1;
    if (m_rect.empty()) {
        // No row at all: make hasRow() false whatever the direction.
        m_readY = m_rect.bottom;
        return true;
    }
    const std::int64_t bytes = std::int64_t{m_rect.width()} * (m_lastPlane - m_firstPlane + 1);
    m_buffer.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(bytes)]);
    if (!m_buffer) return false;
    if (m_flags & kRead) readCurrent();
    return true;
}

bool PageTraverse::hasRow() const {
    return m_started && m_readY >= m_rect.top && m_readY < m_rect.bottom && !m_rect.empty();
}

bool PageTraverse::advance() {
    if (!hasRow()) return false;
    if (m_flags & kWrite) writeCurrent();
    m_readY += m_readDirection == Direction::Down ? 1 : -1;
    m_writeY += m_writeDirection == Direction::Down ? 1 : -1;
    if (!hasRow()) return false;
    if (m_flags & kRead) readCurrent();
    return true;
}

void PageTraverse::readCurrent() {
    for (int p = m_firstPlane; p <= m_lastPlane; ++p) {
        if (!m_data.readRow(p, m_rect.left, m_readY, m_rect.width(), row(p))) m_readFailed = true;
    }
}

void PageTraverse::writeCurrent() {
    if (m_writeY < m_rect.top || m_writeY >= m_rect.bottom) return;
    for (int p = m_firstPlane; p <= m_lastPlane; ++p) {
        if (!m_data.writeRow(p, m_rect.left, m_writeY, m_rect.width(), row(p))) {
            m_writeFailed = true;
        }
    }
}

}  // namespace tessary
