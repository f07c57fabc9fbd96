#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace tessary::platform {

// How much memory the process may use before it is killed rather than paged,
// and where that number came from.
struct MemoryLimit {
    enum class Source {
        PhysicalMemory,  // no control group limits the process below it
        CgroupV2,        // a memory.max file of the unified hierarchy
        CgroupV1,        // a memory.limit_in_bytes file of the memory controller
    };
    std::uint64_t bytes = 0;
    Source source = Source::PhysicalMemory;
    // The control-group file that gave the limit, as a path on the live
    // system ("/sys/fs/cgroup/..."); empty for physical memory.
    std::string file;
};

// Values of memory.limit_in_bytes from here on mean "no limit": the kernel
// writes the largest page-aligned signed 64-bit value there when none is set.
inline constexpr std::uint64_t kCgroupV1Unlimited = std::uint64_t{1} << 62;

// The smallest of `physicalBytes` and every memory limit of a control group
// that holds the process, read from the files below `root` ("/" on a live
// system; tests give a folder holding a made-up proc/ and sys/ tree):
// - cgroup v2: the "0::/path" line of proc/self/cgroup names the group;
//   sys/fs/cgroup/path/memory.max and that of every parent group up to
//   sys/fs/cgroup hold its limits, "max" meaning none;
// - cgroup v1: the line whose controller list holds "memory" names the group;
//   sys/fs/cgroup/memory/path/memory.limit_in_bytes and its parents' hold the
//   limits, kCgroupV1Unlimited and above meaning none.
// Both hierarchies are read (a hybrid system has both lines). A file that
// is missing, unreadable, or holds anything but a positive decimal number
// (or "max") is no limit. An empty `root` reads nothing. On a tie physical
// memory wins, then the group nearest the process.
MemoryLimit memoryLimitUnder(const std::filesystem::path& root, std::uint64_t physicalBytes);

// "physical memory" or "cgroup v2 (/sys/fs/cgroup/.../memory.max)", for
// reports.
std::string describeMemoryLimit(const MemoryLimit& limit);

}  // namespace tessary::platform
