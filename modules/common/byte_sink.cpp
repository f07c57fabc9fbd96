#include "common/byte_sink.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tessary::modules {

FdByteSink::FdByteSink(UniqueFd fd, std::size_t bufferSize)
    : m_fd(std::move(fd)), m_buffer(std::max<std::size_t>(bufferSize, 512)) {
    if (!m_fd.valid()) m_failure = CodecStatus::IoError;
    const off_t position = m_fd.valid() ? ::lseek(m_fd.get(), 0, SEEK_CUR) : -1;
    m_started = position > 0 ? static_cast<std::uint64_t>(position) : 0;
}

FdByteSink::~FdByteSink() = default;

CodecStatus FdByteSink::writeAll(const std::uint8_t* bytes, std::size_t count) {
    while (count > 0) {
        const ssize_t done = ::write(m_fd.get(), bytes, count);
        if (done < 0) {
            if (errno == EINTR) continue;
            m_failure =
                (errno == ENOSPC || errno == EDQUOT) ? CodecStatus::DiskFull : CodecStatus::IoError;
            return m_failure;
        }
        if (done == 0) {
            m_failure = CodecStatus::IoError;
            return m_failure;
        }
        bytes += done;
        count -= static_cast<std::size_t>(done);
        m_unstarted += static_cast<std::uint64_t>(done);
    }
    // Starts writing what has piled up to the disk, without waiting for it,
    // so that a later fsync() of the file has little left to wait for.
    // Advice only: descriptors that are not files refuse it.
    if (m_unstarted >= kStartWritingBytes) {
        ::sync_file_range(m_fd.get(), static_cast<off64_t>(m_started),
                          static_cast<off64_t>(m_unstarted), SYNC_FILE_RANGE_WRITE);
        m_started += m_unstarted;
        m_unstarted = 0;
    }
    return CodecStatus::Ok;
}

CodecStatus FdByteSink::write(const void* bytes, std::size_t count) {
    if (m_failure != CodecStatus::Ok) return m_failure;
    const auto* in = static_cast<const std::uint8_t*>(bytes);
    m_written += count;
    if (count >= m_buffer.size()) {
        const CodecStatus status = flush();
        if (status != CodecStatus::Ok) return status;
        return writeAll(in, count);
    }
    if (count > m_buffer.size() - m_fill) {
        const CodecStatus status = flush();
        if (status != CodecStatus::Ok) return status;
    }
    std::memcpy(m_buffer.data() + m_fill, in, count);
    m_fill += count;
    return CodecStatus::Ok;
}

CodecStatus FdByteSink::flush() {
    if (m_failure != CodecStatus::Ok) return m_failure;
    const std::size_t fill = m_fill;
    m_fill = 0;
    return writeAll(m_buffer.data(), fill);
}

CodecStatus FdByteSink::close() {
    CodecStatus status = flush();
    if (m_fd.valid() && ::close(m_fd.release()) != 0 && status == CodecStatus::Ok)
        status =
            (errno == ENOSPC || errno == EDQUOT) ? CodecStatus::DiskFull : CodecStatus::IoError;
    if (m_failure == CodecStatus::Ok) m_failure = CodecStatus::IoError;  // closed: no more writing
    return status;
}

CodecStatus MemoryByteSink::write(const void* bytes, std::size_t count) {
    const auto* in = static_cast<const std::uint8_t*>(bytes);
    if (m_bytes.size() < m_capacity) {
        const std::size_t keep = std::min(count, m_capacity - m_bytes.size());
        m_bytes.insert(m_bytes.end(), in, in + keep);
    }
    m_written += count;
    return CodecStatus::Ok;
}

}  // namespace tessary::modules
