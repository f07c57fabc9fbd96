#pragma once

// Test doubles for the two operating-system ports, used by the platform and
// vm tests. Both sit over the real implementations: files are real files in a
// temporary folder, and only what a test asks for is counted or made to fail.

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include "platform/file_layer.h"
#include "platform/system_info.h"

namespace tessary::test {

// A machine with a chosen amount of memory, and one drive (of a chosen kind
// and free space) under every folder that really exists.
class FakeSystemInfo : public platform::SystemInfo {
public:
    // Control-group limits are read below `root` (none when it is empty).
    explicit FakeSystemInfo(std::filesystem::path root = {}) : SystemInfo(std::move(root)) {}
    std::uint64_t physicalBytes = std::uint64_t{64} << 20;
    platform::DriveKind kind = platform::DriveKind::Fixed;
    double freeBytes = 500.0 * 1024 * 1024;
    std::uint32_t ticks = 0;
    int driveQueries = 0;

    std::uint64_t physicalMemoryBytes() override { return physicalBytes; }
    bool driveOf(const std::filesystem::path& folder, platform::DriveInfo& out) override {
        ++driveQueries;
        std::error_code error;
        if (!std::filesystem::is_directory(folder, error)) return false;
        out.kind = kind;
        out.freeBytes = freeBytes;
        return true;
    }
    std::uint32_t tickCount() override { return ticks; }
};

// The real file layer with counters and switches for failures.
class CountingFileLayer : public platform::FileLayer {
public:
    struct Transfer {
        platform::FileHandle file;
        std::uint64_t offset;
        std::size_t count;
    };
    std::vector<Transfer> reads;          // readAt calls
    std::vector<Transfer> writes;         // writeAt calls
    std::vector<std::size_t> writeSizes;  // write calls (sequential)
    std::vector<std::size_t> chunkRequests;
    int creates = 0;

    // writeAt fails with this code after writing writeAtBytesBeforeFailure.
    std::optional<platform::FileError> writeAtFailure;
    std::size_t writeAtBytesBeforeFailure = 0;
    std::optional<platform::FileError> readAtFailure;
    // readAt transfers at most this many bytes and reports no error, as a
    // file cut short under the reader would.
    std::optional<std::size_t> readAtShortTo;
    // create fails with this code without touching the disk.
    std::optional<platform::FileError> createFailure;
    // Sequential writes see a disk with this many bytes left.
    std::optional<std::uint64_t> diskBytesLeft;
    // Sequential writes fail with this code.
    std::optional<platform::FileError> writeFailure;
    // Sequential writes report success without touching the disk, so that
    // huge swap files can be "created" quickly.
    bool pretendWrites = false;
    // reserveZeros() reserves space only when this is set (then counted in
    // reserves); otherwise it reports that it cannot, so zeros get written.
    bool reserveSpace = false;
    int reserves = 0;
    // Chunk allocations larger than this fail.
    std::optional<std::size_t> largestChunk;
    // Chunks are handed out full of this byte, to show they get cleared.
    std::uint8_t chunkGarbage = 0xA5;

    void resetCounts() {
        reads.clear();
        writes.clear();
        writeSizes.clear();
        chunkRequests.clear();
        creates = 0;
    }

    platform::FileError create(const std::filesystem::path& path,
                               platform::FileHandle& out) override {
        ++creates;
        if (createFailure) {
            out = platform::kNoFile;
            return *createFailure;
        }
        return FileLayer::create(path, out);
    }

    platform::FileError write(platform::FileHandle file, const void* buffer, std::size_t count,
                              std::size_t& done) override {
        writeSizes.push_back(count);
        done = 0;
        if (writeFailure) return *writeFailure;
        if (pretendWrites) {
            done = count;
            return platform::kNoErr;
        }
        if (diskBytesLeft) {
            const auto allowed =
                static_cast<std::size_t>(std::min<std::uint64_t>(count, *diskBytesLeft));
            const platform::FileError result = FileLayer::write(file, buffer, allowed, done);
            *diskBytesLeft -= done;
            if (result != platform::kNoErr) return result;
            return done < count ? platform::kDiskFull : platform::kNoErr;
        }
        return FileLayer::write(file, buffer, count, done);
    }

    platform::FileError reserveZeros(platform::FileHandle file, std::uint64_t count) override {
        if (!reserveSpace) return platform::kIOErr;
        ++reserves;
        if (diskBytesLeft && count > *diskBytesLeft) return platform::kDiskFull;
        return FileLayer::reserveZeros(file, count);
    }

    platform::FileError readAt(platform::FileHandle file, std::uint64_t offset, void* buffer,
                               std::size_t count, std::size_t& done) override {
        reads.push_back({file, offset, count});
        if (readAtFailure) {
            done = 0;
            return *readAtFailure;
        }
        if (readAtShortTo) count = std::min(count, *readAtShortTo);
        return FileLayer::readAt(file, offset, buffer, count, done);
    }

    platform::FileError writeAt(platform::FileHandle file, std::uint64_t offset, const void* buffer,
                                std::size_t count, std::size_t& done) override {
        writes.push_back({file, offset, count});
        if (writeAtFailure) {
            const std::size_t partial = std::min(count, writeAtBytesBeforeFailure);
            FileLayer::writeAt(file, offset, buffer, partial, done);
            return *writeAtFailure;
        }
        return FileLayer::writeAt(file, offset, buffer, count, done);
    }

protected:
    void* allocateChunk(std::size_t bytes) override {
        chunkRequests.push_back(bytes);
        if (largestChunk && bytes > *largestChunk) return nullptr;
        void* chunk = std::malloc(bytes);
        if (chunk != nullptr) std::memset(chunk, chunkGarbage, bytes);
        return chunk;
    }
};

// Makes a folder refuse new files for as long as the object lives: by its
// permission bits for an ordinary user, by the immutable attribute for the
// superuser (whom permission bits do not stop). applied() is false when
// neither could be set.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const std::filesystem::path& folder) : m_folder(folder) {
        if (::geteuid() != 0) {
            m_chmod = ::chmod(folder.c_str(), 0555) == 0;
            return;
        }
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
        if (fd < 0) return;
        int flags = 0;
        if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            m_immutable = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
    }
    ~ReadOnlyFolder() {
        if (m_chmod) ::chmod(m_folder.c_str(), 0755);
        if (m_immutable) {
            const int fd = ::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY);
            if (fd < 0) return;
            int flags = 0;
            if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
                flags &= ~FS_IMMUTABLE_FL;
                ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
            }
            ::close(fd);
        }
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    bool applied() const { return m_chmod || m_immutable; }

private:
    std::filesystem::path m_folder;
    bool m_chmod = false;
    bool m_immutable = false;
};

}  // namespace tessary::test
