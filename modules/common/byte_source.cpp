#include "common/byte_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tessary::modules {

CodecStatus ByteSource::readExactly(std::uint64_t offset, void* destination, std::size_t count) {
    std::size_t copied = 0;
    const CodecStatus status = readAt(offset, destination, count, &copied);
    if (status != CodecStatus::Ok) return status;
    return copied == count ? CodecStatus::Ok : CodecStatus::Corrupt;
}

CodecStatus FdByteSource::open(UniqueFd fd, std::unique_ptr<FdByteSource>* source) {
    if (!fd.valid()) return CodecStatus::IoError;
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size < 0)
        return CodecStatus::IoError;
    source->reset(new FdByteSource(std::move(fd), static_cast<std::uint64_t>(status.st_size)));
    return CodecStatus::Ok;
}

CodecStatus FdByteSource::openPath(const char* path, std::unique_ptr<FdByteSource>* source) {
    UniqueFd fd(::open(path, O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) return CodecStatus::IoError;
    return open(std::move(fd), source);
}

CodecStatus FdByteSource::readAt(std::uint64_t offset, void* destination, std::size_t count,
                                 std::size_t* copied) {
    *copied = 0;
    if (offset >= m_size) return CodecStatus::Ok;
    if (count > m_size - offset) count = static_cast<std::size_t>(m_size - offset);
    auto* out = static_cast<unsigned char*>(destination);
    while (*copied < count) {
        const ssize_t got = ::pread(m_fd.get(), out + *copied, count - *copied,
                                    static_cast<off_t>(offset + *copied));
        if (got < 0) {
            if (errno == EINTR) continue;
            return CodecStatus::IoError;
        }
        if (got == 0) break;  // the file shrank since it was opened
        *copied += static_cast<std::size_t>(got);
    }
    return CodecStatus::Ok;
}

CodecStatus MemoryByteSource::readAt(std::uint64_t offset, void* destination, std::size_t count,
                                     std::size_t* copied) {
    *copied = 0;
    if (offset >= m_bytes.size()) return CodecStatus::Ok;
    const std::size_t available = m_bytes.size() - static_cast<std::size_t>(offset);
    const std::size_t n = count < available ? count : available;
    if (n > 0) std::memcpy(destination, m_bytes.data() + offset, n);
    *copied = n;
    return CodecStatus::Ok;
}

}  // namespace tessary::modules
