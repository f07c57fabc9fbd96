#include "platform/module_resources_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>

namespace tessary::platform {

bool ModuleByteSource::readVector(std::uint64_t offset, std::size_t count,
                                  std::vector<std::uint8_t>& out) const {
    if (!contains(offset, count)) return false;
    out.resize(count);
    return count == 0 || read(offset, out.data(), count);
}

bool MemoryByteSource::read(std::uint64_t offset, void* out, std::size_t count) const {
    if (!contains(offset, count)) return false;
    if (count != 0) std::memcpy(out, m_bytes.data() + offset, count);
    return true;
}

std::unique_ptr<FileByteSource> FileByteSource::open(const std::filesystem::path& path) {
    if (path.native().find('\0') != std::string::npos) return nullptr;
    // Non-blocking so that opening a named pipe cannot stall the scan; only
    // regular files are kept.
    int descriptor;
    do {
        descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    } while (descriptor < 0 && errno == EINTR);
    if (descriptor < 0) return nullptr;
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size < 0) {
        ::close(descriptor);
        return nullptr;
    }
    return std::unique_ptr<FileByteSource>(
        new FileByteSource(descriptor, static_cast<std::uint64_t>(status.st_size)));
}

FileByteSource::~FileByteSource() {
    ::close(m_descriptor);
}

bool FileByteSource::read(std::uint64_t offset, void* out, std::size_t count) const {
    if (!contains(offset, count)) return false;
    auto* cursor = static_cast<unsigned char*>(out);
    while (count > 0) {
        if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) return false;
        const ssize_t done = ::pread(m_descriptor, cursor, count, static_cast<off_t>(offset));
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) return false;  // error, or the file got shorter
        cursor += done;
        offset += static_cast<std::uint64_t>(done);
        count -= static_cast<std::size_t>(done);
    }
    return true;
}

}  // namespace tessary::platform
