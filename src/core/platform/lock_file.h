#pragma once

#include <filesystem>

#include "platform/file_layer.h"

namespace tessary::platform {

// An exclusive advisory lock (flock) held through a file for the life of the
// object. The kernel drops the lock when its holder closes the file, exits or
// dies, so a lock that can be taken means that whoever held it before is
// gone. A lock that can be had always belongs to the file that is at the path
// at that moment: a file deleted or replaced while it was being locked is
// let go and the path tried again, so two holders never think they own the
// same name.
class LockFile {
public:
    LockFile() = default;
    // Releases the lock (the file stays).
    ~LockFile();
    LockFile(const LockFile&) = delete;
    LockFile& operator=(const LockFile&) = delete;

    // Creates the file (owner-only) when it is missing and takes the lock
    // without waiting. kNoErr when held; kFileBusy when another holder has
    // it; otherwise the file layer's code for creating the file. Releases any
    // lock this object held before.
    FileError acquire(const std::filesystem::path& path);
    // acquire() of an existing file: kFileNotFound when there is none.
    FileError acquireExisting(const std::filesystem::path& path);

    bool held() const { return m_fd >= 0; }
    const std::filesystem::path& path() const { return m_path; }

    // Releases the lock; the file stays for the next holder.
    void release();
    // Deletes the file while the lock is still held, then releases it, so no
    // one can take the lock of the deleted file in between.
    void removeAndRelease();

private:
    FileError take(const std::filesystem::path& path, bool create);

    int m_fd = -1;
    std::filesystem::path m_path;
};

}  // namespace tessary::platform
