#pragma once

#include <cstdint>
#include <filesystem>
#include <utility>

#include "platform/memory_limit.h"

namespace tessary::platform {

// What kind of storage a folder lives on, in the terms the tile store cares
// about: fixed and RAM disks are usable and fixed, removable media usable but
// not fixed, network file systems and read-only optical media not usable.
enum class DriveKind { Unknown, NoRootDir, Removable, Fixed, Remote, CdRom, RamDisk };

struct DriveInfo {
    DriveKind kind = DriveKind::Unknown;
    double freeBytes = 0;  // available to an unprivileged writer
};

// Questions the engine asks about the machine. Virtual so tests can pretend
// to have 64 MB of memory, 1,025 KB free, or a folder on optical media.
class SystemInfo {
public:
    // `root` is where /proc and /sys are read from ("/" on a live system; a
    // folder with a made-up tree in tests; empty: no control group limits).
    explicit SystemInfo(std::filesystem::path root = "/") : m_root(std::move(root)) {}
    virtual ~SystemInfo() = default;

    // Total physical memory in bytes.
    virtual std::uint64_t physicalMemoryBytes();
    // The memory the process may fill before it is killed instead of paged:
    // the smallest of physicalMemoryBytes() and the memory limits of the
    // control groups that hold the process (memoryLimitUnder() on the root).
    MemoryLimit memoryLimit();
    // The drive holding `folder`: kind from the mount table, free space from
    // statvfs. False when the folder does not exist, is not a folder, or
    // cannot be measured. When the mount table cannot be read the drive
    // counts as Fixed.
    virtual bool driveOf(const std::filesystem::path& folder, DriveInfo& out);
    // Milliseconds from a steady clock, wrapping at 2^32.
    virtual std::uint32_t tickCount();

private:
    std::filesystem::path m_root;
};

// Classifies a file system type name from the mount table ("ext4", "nfs",
// "iso9660", "tmpfs", ...) and its mount options: network file systems are
// Remote; iso9660, and udf mounted read-only, are CdRom; tmpfs and ramfs are
// RamDisk; anything else on a removable block device is Removable; the rest
// is Fixed. A null or empty name is Unknown.
DriveKind driveKindOfFileSystem(const char* fsType, bool readOnly, bool removableDevice);

SystemInfo& systemInfo();

}  // namespace tessary::platform
