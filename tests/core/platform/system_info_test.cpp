#include "platform/system_info.h"

#include <gtest/gtest.h>
#include <linux/magic.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "support/temp_dir.h"

namespace tessary::platform {
namespace {

TEST(DriveKindOfFileSystem, ClassifiesByTypeAndDevice) {
    struct Case {
        const char* type;
        bool readOnly;
        bool removable;
        DriveKind kind;
    } cases[] = {
        {"ext4", false, false, DriveKind::Fixed},
        {"xfs", true, false, DriveKind::Fixed},
        {"btrfs", false, true, DriveKind::Removable},
        {"vfat", false, true, DriveKind::Removable},
        {"nfs", false, false, DriveKind::Remote},
        {"nfs4", false, false, DriveKind::Remote},
        {"cifs", false, false, DriveKind::Remote},
        {"smb3", false, false, DriveKind::Remote},
        {"fuse.sshfs", false, false, DriveKind::Remote},
        {"9p", false, false, DriveKind::Remote},
        {"iso9660", true, true, DriveKind::CdRom},
        {"iso9660", false, false, DriveKind::CdRom},
        {"udf", true, true, DriveKind::CdRom},
        {"udf", false, true, DriveKind::Removable},
        {"udf", false, false, DriveKind::Fixed},
        {"tmpfs", false, false, DriveKind::RamDisk},
        {"ramfs", false, false, DriveKind::RamDisk},
        {"fuseblk", false, true, DriveKind::Removable},
        {"", false, false, DriveKind::Unknown},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        EXPECT_EQ(driveKindOfFileSystem(c.type, c.readOnly, c.removable), c.kind);
    }
    EXPECT_EQ(driveKindOfFileSystem(nullptr, false, false), DriveKind::Unknown);
}

TEST(SystemInfoDrive, MissingFoldersAndFilesHaveNoDrive) {
    test::TempDir dir;
    std::ofstream(dir / "file") << "x";
    DriveInfo info;
    EXPECT_FALSE(systemInfo().driveOf(dir / "missing", info));
    EXPECT_FALSE(systemInfo().driveOf(dir / "file", info));
}

TEST(SystemInfoDrive, FreeSpaceAndKindOfARealFolder) {
    test::TempDir dir;
    DriveInfo info;
    ASSERT_TRUE(systemInfo().driveOf(dir.path(), info));

    struct statvfs volume {};
    ASSERT_EQ(::statvfs(dir.path().c_str(), &volume), 0);
    const double expectedFree = double(volume.f_bavail) * double(volume.f_frsize);
    // Other processes write to the disk meanwhile; allow 64 MB of drift.
    EXPECT_NEAR(info.freeBytes, expectedFree, 64.0 * 1024 * 1024);

    // The kernel's own idea of the file system type gives the expected kind.
    struct statfs fs {};
    ASSERT_EQ(::statfs(dir.path().c_str(), &fs), 0);
    if (fs.f_type == TMPFS_MAGIC || fs.f_type == RAMFS_MAGIC) {
        EXPECT_EQ(info.kind, DriveKind::RamDisk);
    } else if (fs.f_type == NFS_SUPER_MAGIC) {
        EXPECT_EQ(info.kind, DriveKind::Remote);
    } else {
        EXPECT_TRUE(info.kind == DriveKind::Fixed || info.kind == DriveKind::Removable);
    }
}

TEST(SystemInfoDrive, SharedMemoryFolderIsARamDisk) {
    struct statfs fs {};
    if (::statfs("/dev/shm", &fs) != 0 || fs.f_type != TMPFS_MAGIC)
        GTEST_SKIP() << "/dev/shm is not tmpfs here";
    DriveInfo info;
    ASSERT_TRUE(systemInfo().driveOf("/dev/shm", info));
    EXPECT_EQ(info.kind, DriveKind::RamDisk);
}

TEST(SystemInfoMemory, PhysicalMemoryMatchesTheKernelsTotal) {
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    std::uint64_t totalKB = 0;
    while (meminfo >> key) {
        if (key == "MemTotal:") {
            meminfo >> totalKB;
            break;
        }
        std::getline(meminfo, key);
    }
    ASSERT_GT(totalKB, 0u);
    const std::uint64_t bytes = systemInfo().physicalMemoryBytes();
    EXPECT_NEAR(double(bytes), double(totalKB) * 1024.0, 1024.0 * 1024.0);
}

TEST(SystemInfoClock, TickCountFollowsTheSteadyClock) {
    const std::uint32_t before = systemInfo().tickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const std::uint32_t after = systemInfo().tickCount();
    const std::uint32_t elapsed = after - before;  // modulo 2^32, as the tick count wraps
    EXPECT_GE(elapsed, 29u);
    EXPECT_LT(elapsed, 5000u);
}

}  // namespace
}  // namespace tessary::platform
