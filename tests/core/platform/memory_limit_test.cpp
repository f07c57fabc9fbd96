#include "platform/memory_limit.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "support/temp_dir.h"

namespace tessary::platform {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kMB = 1024 * 1024;
constexpr std::uint64_t kPhysical = 8192 * kMB;

// Made-up /proc and /sys trees: each case lists its files (path below the
// root, contents) and the limit that must come out.
TEST(MemoryLimit, SmallestOfPhysicalMemoryAndEveryControlGroupLimit) {
    using Files = std::vector<std::pair<std::string, std::string>>;
    struct Case {
        const char* name;
        Files files;
        std::uint64_t bytes;
        const char* description;
    } cases[] = {
        {"v2 limit",
         {{"proc/self/cgroup", "0::/user.slice/app.scope\n"},
          {"sys/fs/cgroup/user.slice/app.scope/memory.max", "536870912\n"}},
         512 * kMB,
         "cgroup v2 (/sys/fs/cgroup/user.slice/app.scope/memory.max)"},
        {"v2 max",
         {{"proc/self/cgroup", "0::/user.slice/app.scope\n"},
          {"sys/fs/cgroup/user.slice/app.scope/memory.max", "max\n"}},
         kPhysical,
         "physical memory"},
        {"nested parent limit",
         {{"proc/self/cgroup", "0::/a/b/c\n"},
          {"sys/fs/cgroup/a/b/c/memory.max", "max\n"},
          {"sys/fs/cgroup/a/b/memory.max", "1073741824\n"},
          {"sys/fs/cgroup/a/memory.max", "2147483648\n"}},
         1024 * kMB,
         "cgroup v2 (/sys/fs/cgroup/a/b/memory.max)"},
        {"container root group",
         {{"proc/self/cgroup", "0::/\n"}, {"sys/fs/cgroup/memory.max", "268435456"}},
         256 * kMB,
         "cgroup v2 (/sys/fs/cgroup/memory.max)"},
        {"v1 limit",
         {{"proc/self/cgroup", "5:cpu,cpuacct:/\n4:memory:/docker/abc\n1:name=systemd:/\n"},
          {"sys/fs/cgroup/memory/docker/abc/memory.limit_in_bytes", "805306368\n"}},
         768 * kMB,
         "cgroup v1 (/sys/fs/cgroup/memory/docker/abc/memory.limit_in_bytes)"},
        {"v1 unlimited",
         {{"proc/self/cgroup", "4:memory:/docker/abc\n"},
          {"sys/fs/cgroup/memory/docker/abc/memory.limit_in_bytes", "9223372036854771712\n"}},
         kPhysical,
         "physical memory"},
        {"hybrid: v1 below v2",
         {{"proc/self/cgroup", "4:memory:/job\n0::/job\n"},
          {"sys/fs/cgroup/job/memory.max", "1073741824"},
          {"sys/fs/cgroup/memory/job/memory.limit_in_bytes", "536870912"}},
         512 * kMB,
         "cgroup v1 (/sys/fs/cgroup/memory/job/memory.limit_in_bytes)"},
        {"limit above physical memory",
         {{"proc/self/cgroup", "0::/big\n"}, {"sys/fs/cgroup/big/memory.max", "17179869184"}},
         kPhysical,
         "physical memory"},
        {"no process group file", {}, kPhysical, "physical memory"},
        {"limit file missing", {{"proc/self/cgroup", "0::/gone\n"}}, kPhysical, "physical memory"},
        {"garbage contents",
         {{"proc/self/cgroup", "garbage\n0::/g/h\n::\n"},
          {"sys/fs/cgroup/g/h/memory.max", "12abc\n"},
          {"sys/fs/cgroup/g/memory.max", "-5\n"},
          {"sys/fs/cgroup/memory.max", "99999999999999999999999\n"}},
         kPhysical,
         "physical memory"},
        {"zero and empty values",
         {{"proc/self/cgroup", "0::/g\n"},
          {"sys/fs/cgroup/g/memory.max", "0\n"},
          {"sys/fs/cgroup/memory.max", ""}},
         kPhysical,
         "physical memory"},
        {"group path climbing out",
         {{"proc/self/cgroup", "0::/../../x\n"}, {"sys/x/memory.max", "1048576"}},
         kPhysical,
         "physical memory"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir root;
        for (const auto& [path, contents] : c.files) {
            fs::create_directories((root / path).parent_path());
            std::ofstream(root / path, std::ios::binary) << contents;
        }
        const MemoryLimit limit = memoryLimitUnder(root.path(), kPhysical);
        EXPECT_EQ(limit.bytes, c.bytes);
        EXPECT_EQ(describeMemoryLimit(limit), c.description);
    }
}

TEST(MemoryLimit, UnreadableFilesAndAnEmptyRootGiveNoLimit) {
    test::TempDir root;
    // A folder where the files belong cannot be read as a file.
    fs::create_directories(root / "sys/fs/cgroup/g/memory.max");
    fs::create_directories(root / "proc/self");
    std::ofstream(root / "proc/self/cgroup") << "0::/g\n";
    EXPECT_EQ(memoryLimitUnder(root.path(), kPhysical).bytes, kPhysical);
    fs::remove(root / "proc/self/cgroup");
    fs::create_directories(root / "proc/self/cgroup");
    EXPECT_EQ(memoryLimitUnder(root.path(), kPhysical).bytes, kPhysical);

    const MemoryLimit none = memoryLimitUnder({}, kPhysical);
    EXPECT_EQ(none.bytes, kPhysical);
    EXPECT_EQ(none.source, MemoryLimit::Source::PhysicalMemory);
}

}  // namespace
}  // namespace tessary::platform
