#include "platform/system_info.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "platform/mount_table.h"

namespace tessary::platform {

namespace {

constexpr std::array<std::string_view, 22> kRemoteFileSystems = {
    "nfs",
    "nfs4",
    "cifs",
    "smb3",
    "smbfs",
    "ncpfs",
    "9p",
    "afs",
    "ceph",
    "coda",
    "glusterfs",
    "lustre",
    "davfs",
    "fuse.sshfs",
    "fuse.rclone",
    "fuse.s3fs",
    "fuse.davfs2",
    "fuse.cephfs",
    "fuse.glusterfs",
    "fuse.gvfsd-fuse",
    "sshfs",
    "fuse.curlftpfs",
};

bool isRemote(std::string_view type) {
    for (std::string_view remote : kRemoteFileSystems)
        if (type == remote) return true;
    return false;
}

std::string readWholeFile(const char* path) {
    std::ifstream in(path);
    if (!in) return {};
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

DriveKind driveKindOfFileSystem(const char* fsType, bool readOnly, bool removableDevice) {
    if (fsType == nullptr || *fsType == '\0') return DriveKind::Unknown;
    const std::string_view type(fsType);
    if (isRemote(type)) return DriveKind::Remote;
    if (type == "iso9660") return DriveKind::CdRom;
    // udf is both the optical format and a writable format for disks and
    // sticks; only a read-only mount is treated as optical media.
    if (type == "udf" && readOnly) return DriveKind::CdRom;
    if (type == "tmpfs" || type == "ramfs") return DriveKind::RamDisk;
    if (removableDevice) return DriveKind::Removable;
    return DriveKind::Fixed;
}

std::uint64_t SystemInfo::physicalMemoryBytes() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return 0;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
}

MemoryLimit SystemInfo::memoryLimit() {
    return memoryLimitUnder(m_root, physicalMemoryBytes());
}

bool SystemInfo::driveOf(const std::filesystem::path& folder, DriveInfo& out) {
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::canonical(folder, error);
    if (error || !std::filesystem::is_directory(canonical, error) || error) return false;

    struct statvfs volume {};
    if (::statvfs(canonical.c_str(), &volume) != 0) return false;

    DriveInfo info;
    // In floating point: the product of two 64-bit counts can exceed 64 bits.
    info.freeBytes = static_cast<double>(volume.f_bavail) * static_cast<double>(volume.f_frsize);
    info.kind = DriveKind::Fixed;

    const std::vector<MountEntry> mounts = parseMountInfo(readWholeFile("/proc/self/mountinfo"));
    if (const MountEntry* mount = findMountFor(mounts, canonical.native())) {
        const bool removable =
            mount->major != 0 && blockDeviceIsRemovable("/sys", mount->major, mount->minor);
        info.kind = driveKindOfFileSystem(mount->fileSystem.c_str(), mount->readOnly, removable);
    }
    out = info;
    return true;
}

std::uint32_t SystemInfo::tickCount() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms));
}

SystemInfo& systemInfo() {
    static SystemInfo info;
    return info;
}

}  // namespace tessary::platform
