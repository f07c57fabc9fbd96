#include "platform/mount_table.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/temp_dir.h"

namespace tessary::platform {
namespace {

// A hand-written table in the kernel's format: optional fields, an escaped
// space, read-only flags in both option fields, and two broken lines.
constexpr const char* kTable =
    "22 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
    "23 22 0:21 / /proc rw,nosuid - proc proc rw\n"
    "24 22 0:23 / /mnt/my\\040disk rw master:4 shared:7 - vfat /dev/sdb1 rw\n"
    "25 22 11:0 / /media/cd ro,nosuid - iso9660 /dev/sr0 ro\n"
    "26 22 0:40 / /mnt/share rw - nfs4 server:/export rw,vers=4.2\n"
    "garbage line\n"
    "27 22 0:41 / /mnt/a rw - tmpfs tmpfs ro\n"
    "28 22 x:y / /broken rw - ext4 /dev/x rw\n"
    "29 22 0:42 / /mnt/ab rw - ext4 /dev/sdc rw\n"
    "30 22 0:43 / /mnt/a rw - ramfs ramfs rw\n";

TEST(MountTable, ParsesEveryWellFormedLine) {
    const std::vector<MountEntry> mounts = parseMountInfo(kTable);
    ASSERT_EQ(mounts.size(), 8u);

    EXPECT_EQ(mounts[0].mountPoint, "/");
    EXPECT_EQ(mounts[0].fileSystem, "ext4");
    EXPECT_EQ(mounts[0].major, 254u);
    EXPECT_EQ(mounts[0].minor, 0u);
    EXPECT_FALSE(mounts[0].readOnly);

    EXPECT_EQ(mounts[2].mountPoint, "/mnt/my disk");
    EXPECT_EQ(mounts[2].fileSystem, "vfat");
    EXPECT_EQ(mounts[2].major, 0u);
    EXPECT_EQ(mounts[2].minor, 23u);

    EXPECT_EQ(mounts[3].fileSystem, "iso9660");
    EXPECT_TRUE(mounts[3].readOnly);  // per-mount option
    EXPECT_TRUE(mounts[5].readOnly);  // super-block option only
    EXPECT_EQ(mounts[4].fileSystem, "nfs4");
    EXPECT_EQ(mounts[7].fileSystem, "ramfs");
}

TEST(MountTable, EmptyOrTruncatedTextGivesNothing) {
    EXPECT_TRUE(parseMountInfo("").empty());
    EXPECT_TRUE(parseMountInfo("22 1 254:0 / / rw shared:1").empty());  // no separator
    EXPECT_TRUE(parseMountInfo("22 1 254:0 / / rw -").empty());         // no type
}

TEST(MountTable, FindsTheLongestWholeComponentPrefix) {
    const std::vector<MountEntry> mounts = parseMountInfo(kTable);
    struct Case {
        const char* path;
        const char* fileSystem;
    } cases[] = {
        {"/", "ext4"},
        {"/home/user/QSStuff/Temp", "ext4"},
        {"/proc", "proc"},
        {"/proc/self", "proc"},
        {"/processes", "ext4"},  // "/proc" is not a component prefix
        {"/mnt/my disk/Temp", "vfat"},
        {"/media/cd/x", "iso9660"},
        {"/mnt/share/deep/er", "nfs4"},
        {"/mnt/ab/c", "ext4"},
        {"/mnt/a/c", "ramfs"},  // the later of two mounts on /mnt/a is on top
        {"/mnt/a", "ramfs"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const MountEntry* found = findMountFor(mounts, c.path);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->fileSystem, c.fileSystem);
    }
    EXPECT_EQ(findMountFor(mounts, "relative/path"), nullptr);
    EXPECT_EQ(findMountFor({}, "/anything"), nullptr);
}

TEST(MountTable, RemovableFlagOfADiskAndOfItsPartition) {
    test::TempDir sys;
    namespace fs = std::filesystem;
    const fs::path stick = sys / "devices" / "usb" / "sdb";
    const fs::path disk = sys / "devices" / "pci" / "sda";
    fs::create_directories(stick / "sdb1");
    fs::create_directories(disk / "sda1");
    std::ofstream(stick / "removable") << "1\n";
    std::ofstream(disk / "removable") << "0\n";
    fs::create_directories(sys / "dev" / "block");
    fs::create_directory_symlink(stick, sys / "dev" / "block" / "8:16");
    fs::create_directory_symlink(stick / "sdb1", sys / "dev" / "block" / "8:17");
    fs::create_directory_symlink(disk, sys / "dev" / "block" / "8:0");
    fs::create_directory_symlink(disk / "sda1", sys / "dev" / "block" / "8:1");

    EXPECT_TRUE(blockDeviceIsRemovable(sys.path(), 8, 16));
    EXPECT_TRUE(blockDeviceIsRemovable(sys.path(), 8, 17));
    EXPECT_FALSE(blockDeviceIsRemovable(sys.path(), 8, 0));
    EXPECT_FALSE(blockDeviceIsRemovable(sys.path(), 8, 1));
    EXPECT_FALSE(blockDeviceIsRemovable(sys.path(), 9, 9));  // no such device
}

}  // namespace
}  // namespace tessary::platform
