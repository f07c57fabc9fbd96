#include "platform/lock_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace tessary::platform {

namespace {

// How often a path whose file keeps being replaced under us is tried again
// before the lock counts as busy.
constexpr int kAttempts = 8;

}  // namespace

LockFile::~LockFile() {
    release();
}

FileError LockFile::acquire(const std::filesystem::path& path) {
    return take(path, true);
}

FileError LockFile::acquireExisting(const std::filesystem::path& path) {
    return take(path, false);
}

FileError LockFile::take(const std::filesystem::path& path, bool create) {
    release();
    if (path.native().find('\0') != std::string::npos)
        return create ? createErrorFromErrno(EINVAL) : openErrorFromErrno(EINVAL);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        int fd;
        do {
            fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | (create ? O_CREAT : 0), 0600);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) return create ? createErrorFromErrno(errno) : openErrorFromErrno(errno);

        int locked;
        do {
            locked = ::flock(fd, LOCK_EX | LOCK_NB);
        } while (locked != 0 && errno == EINTR);
        if (locked != 0) {
            const int error = errno;
            ::close(fd);
            return error == EWOULDBLOCK ? kFileBusy : kIOErr;
        }

        // The previous holder may have deleted the file between our open and
        // our lock: then the lock is of a file no one else can find, and the
        // name must be tried again.
        struct stat opened {};
        struct stat named {};
        const bool same = ::fstat(fd, &opened) == 0 && ::stat(path.c_str(), &named) == 0 &&
                          opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
        if (same) {
            m_fd = fd;
            m_path = path;
            return kNoErr;
        }
        ::close(fd);
        if (!create) return kFileNotFound;
    }
    return kFileBusy;
}

void LockFile::release() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    m_path.clear();
}

void LockFile::removeAndRelease() {
    if (m_fd >= 0) ::unlink(m_path.c_str());
    release();
}

}  // namespace tessary::platform
