#include "common/byte_reader.h"

#include <algorithm>
#include <cstring>

namespace tessary::modules {

ByteReader::ByteReader(ByteSource& source, std::size_t bufferSize)
    : m_source(source), m_buffer(std::max<std::size_t>(bufferSize, 16)) {}

void ByteReader::seek(std::uint64_t offset) {
    if (offset >= m_bufferStart && offset <= m_bufferStart + m_bufferFill) {
        m_bufferPos = static_cast<std::size_t>(offset - m_bufferStart);
        return;
    }
    m_bufferStart = offset;
    m_bufferPos = 0;
    m_bufferFill = 0;
}

CodecStatus ByteReader::refill() {
    m_bufferStart += m_bufferPos;
    m_bufferPos = 0;
    m_bufferFill = 0;
    return m_source.readAt(m_bufferStart, m_buffer.data(), m_buffer.size(), &m_bufferFill);
}

CodecStatus ByteReader::readSome(void* destination, std::size_t count, std::size_t* copied) {
    auto* out = static_cast<std::uint8_t*>(destination);
    *copied = 0;
    while (*copied < count) {
        if (m_bufferPos == m_bufferFill) {
            const CodecStatus status = refill();
            if (status != CodecStatus::Ok) return status;
            if (m_bufferFill == 0) break;
        }
        const std::size_t n = std::min(count - *copied, m_bufferFill - m_bufferPos);
        std::memcpy(out + *copied, m_buffer.data() + m_bufferPos, n);
        m_bufferPos += n;
        *copied += n;
    }
    return CodecStatus::Ok;
}

CodecStatus ByteReader::read(void* destination, std::size_t count) {
    std::size_t copied = 0;
    const CodecStatus status = readSome(destination, count, &copied);
    if (status != CodecStatus::Ok) return status;
    return copied == count ? CodecStatus::Ok : CodecStatus::Corrupt;
}

}  // namespace tessary::modules
