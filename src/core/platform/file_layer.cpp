#include "platform/file_layer.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace tessary::platform {

namespace {

// Largest chunk writeZeros asks for, and the smallest it settles for when
// memory is short.
constexpr std::size_t kZeroChunkBytes = 64 * 1024;
constexpr std::size_t kSmallestZeroChunkBytes = 512;

// A handle that cannot be a descriptor maps to -1, which every system call
// rejects with EBADF.
int descriptorOf(FileHandle file) {
    return (file < 0 || file > INT_MAX) ? -1 : static_cast<int>(file);
}

bool hasEmbeddedNul(const std::filesystem::path& path) {
    return path.native().find('\0') != std::filesystem::path::string_type::npos;
}

// Takes the exclusive hold on a freshly opened descriptor. On failure the
// descriptor is closed and the layer's code returned.
FileError holdExclusively(int fd) {
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        const int error = errno;
        ::close(fd);
        return error == EWOULDBLOCK ? kFileBusy : kIOErr;
    }
    return kNoErr;
}

// True when [offset, offset + count) lies within the range of off_t.
bool positionFits(std::uint64_t offset, std::size_t count) {
    constexpr auto kMaxOffset = static_cast<std::uint64_t>(std::numeric_limits<off_t>::max());
    return offset <= kMaxOffset && count <= kMaxOffset - offset;
}

}  // namespace

FileError openErrorFromErrno(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return kFileNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case ETXTBSY:
            return kWritePermission;
        case ENAMETOOLONG:
        case EINVAL:
        case ELOOP:
        case EILSEQ:
            return kBadName;
        case EMFILE:
        case ENFILE:
            return kTooManyFiles;
        default:
            return kIOErr;
    }
}

FileError createErrorFromErrno(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return kFileNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case ETXTBSY:
            return kFileBusy;
        case EMFILE:
        case ENFILE:
            return kTooManyFiles;
        default:
            return kIOErr;
    }
}

FileError writeErrorFromErrno(int error) {
    return (error == ENOSPC || error == EDQUOT) ? kDiskFull : kIOErr;
}

FileError seekErrorFromErrno(int error) {
    return error == EBADF ? kBadFileHandle : kPositionErr;
}

FileError FileLayer::openExisting(const std::filesystem::path& path, FileHandle& out) {
    out = kNoFile;
    if (hasEmbeddedNul(path)) return openErrorFromErrno(EINVAL);
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return openErrorFromErrno(errno);
    if (const FileError held = holdExclusively(fd); held != kNoErr) return held;
    // The tile store and the preference reader jump about; read-ahead only
    // wastes the page cache here.
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
    out = fd;
    return kNoErr;
}

FileError FileLayer::create(const std::filesystem::path& path, FileHandle& out) {
    out = kNoFile;
    if (hasEmbeddedNul(path)) return createErrorFromErrno(EINVAL);
    // No O_TRUNC: a file another opener holds must stay intact, so the
    // truncation waits until the hold is ours. The files made here (swap
    // files with the user's pixels, the preference record) are the owner's
    // alone.
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return createErrorFromErrno(errno);
    if (const FileError held = holdExclusively(fd); held != kNoErr) return held;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size != 0) {
        if (::ftruncate(fd, 0) != 0) {
            const int error = errno;
            ::close(fd);
            return createErrorFromErrno(error);
        }
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
    out = fd;
    return kNoErr;
}

FileError FileLayer::remove(const std::filesystem::path& path) {
    if (hasEmbeddedNul(path)) return openErrorFromErrno(EINVAL);
    if (::unlink(path.c_str()) != 0) return openErrorFromErrno(errno);
    return kNoErr;
}

FileError FileLayer::rename(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (hasEmbeddedNul(from) || hasEmbeddedNul(to)) return openErrorFromErrno(EINVAL);
    if (::rename(from.c_str(), to.c_str()) != 0) return openErrorFromErrno(errno);
    return kNoErr;
}

FileError FileLayer::read(FileHandle file, void* buffer, std::size_t count, std::size_t& done) {
    done = 0;
    const int fd = descriptorOf(file);
    auto* bytes = static_cast<unsigned char*>(buffer);
    while (done < count) {
        const ssize_t got = ::read(fd, bytes + done, count - done);
        if (got < 0) {
            if (errno == EINTR) continue;
            return kIOErr;
        }
        if (got == 0) break;  // end of file
        done += static_cast<std::size_t>(got);
    }
    return kNoErr;
}

FileError FileLayer::write(FileHandle file, const void* buffer, std::size_t count,
                           std::size_t& done) {
    done = 0;
    const int fd = descriptorOf(file);
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    while (done < count) {
        const ssize_t put = ::write(fd, bytes + done, count - done);
        if (put < 0) {
            if (errno == EINTR) continue;
            return writeErrorFromErrno(errno);
        }
        if (put == 0) return kIOErr;
        done += static_cast<std::size_t>(put);
    }
    return kNoErr;
}

FileError FileLayer::readAt(FileHandle file, std::uint64_t offset, void* buffer, std::size_t count,
                            std::size_t& done) {
    done = 0;
    if (!positionFits(offset, count)) return kPositionErr;
    const int fd = descriptorOf(file);
    auto* bytes = static_cast<unsigned char*>(buffer);
    while (done < count) {
        const ssize_t got =
            ::pread(fd, bytes + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR) continue;
            return kIOErr;
        }
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return kNoErr;
}

FileError FileLayer::writeAt(FileHandle file, std::uint64_t offset, const void* buffer,
                             std::size_t count, std::size_t& done) {
    done = 0;
    if (!positionFits(offset, count)) return kPositionErr;
    const int fd = descriptorOf(file);
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    while (done < count) {
        const ssize_t put =
            ::pwrite(fd, bytes + done, count - done, static_cast<off_t>(offset + done));
        if (put < 0) {
            if (errno == EINTR) continue;
            return writeErrorFromErrno(errno);
        }
        if (put == 0) return kIOErr;
        done += static_cast<std::size_t>(put);
    }
    return kNoErr;
}

FileError FileLayer::setPosition(FileHandle file, std::int64_t offset, SeekFrom from) {
    const int fd = descriptorOf(file);
    if (fd < 0) return kBadFileHandle;
    int whence = SEEK_SET;
    if (from == SeekFrom::Current) whence = SEEK_CUR;
    if (from == SeekFrom::End) whence = SEEK_END;
    if (::lseek(fd, static_cast<off_t>(offset), whence) < 0) return seekErrorFromErrno(errno);
    return kNoErr;
}

FileError FileLayer::close(FileHandle file) {
    const int fd = descriptorOf(file);
    if (fd < 0) return kBadFileHandle;
    // On Linux the descriptor is gone even when close reports EINTR, so only
    // other failures are errors.
    if (::close(fd) != 0 && errno != EINTR) return kBadFileHandle;
    return kNoErr;
}

FileError FileLayer::writeZeros(FileHandle file, std::uint64_t count, std::uint64_t& written) {
    written = 0;
    if (count == 0) return kNoErr;

    std::size_t chunkBytes = kZeroChunkBytes;
    void* chunk = allocateChunk(chunkBytes);
    while (chunk == nullptr) {
        if (chunkBytes <= kSmallestZeroChunkBytes) return kOutOfMemory;
        chunkBytes /= 2;
        chunk = allocateChunk(chunkBytes);
    }
    std::memset(chunk, 0, chunkBytes);

    FileError result = kNoErr;
    while (written < count) {
        const auto piece =
            static_cast<std::size_t>(std::min<std::uint64_t>(chunkBytes, count - written));
        std::size_t done = 0;
        result = write(file, chunk, piece, done);
        written += done;
        if (result != kNoErr) break;
        if (done != piece) {
            result = kIOErr;
            break;
        }
    }
    freeChunk(chunk);
    return result;
}

FileError FileLayer::reserveZeros(FileHandle file, std::uint64_t count) {
    if (count == 0) return kNoErr;
    if (count > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) return kIOErr;
    // fallocate() rather than posix_fallocate(): where the file system
    // cannot allocate, the latter falls back to writing, which is the slow
    // path this call exists to avoid; callers write zeros themselves then.
    while (::fallocate(descriptorOf(file), 0, 0, static_cast<off_t>(count)) != 0) {
        if (errno == EINTR) continue;
        return (errno == ENOSPC || errno == EDQUOT) ? kDiskFull : kIOErr;
    }
    return kNoErr;
}

void* FileLayer::allocateChunk(std::size_t bytes) {
    return std::malloc(bytes);
}

void FileLayer::freeChunk(void* chunk) {
    std::free(chunk);
}

FileLayer& systemFileLayer() {
    static FileLayer layer;
    return layer;
}

}  // namespace tessary::platform
