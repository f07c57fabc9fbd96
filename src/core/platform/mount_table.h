#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tessary::platform {

// One line of the kernel's per-process mount table (/proc/self/mountinfo).
struct MountEntry {
    std::string mountPoint;  // absolute, with the kernel's octal escapes decoded
    std::string fileSystem;  // "ext4", "nfs4", "fuse.sshfs", ...
    bool readOnly = false;   // mounted read-only (per-mount or super-block option)
    unsigned major = 0;      // device numbers; major 0 for virtual file systems
    unsigned minor = 0;
};

// Parses the text of /proc/self/mountinfo. Malformed lines are skipped.
std::vector<MountEntry> parseMountInfo(std::string_view text);

// The entry whose mount point is the longest whole-component prefix of
// `canonicalPath` (an absolute path without "." or ".." parts or symbolic
// links). Among equal mount points the later entry wins, as it is mounted on
// top. Null when no entry matches.
const MountEntry* findMountFor(const std::vector<MountEntry>& mounts,
                               const std::string& canonicalPath);

// True when the block device major:minor is marked removable under
// `sysRoot` ("/sys" on a real system): <sysRoot>/dev/block/<major>:<minor>/
// removable holds 1, looking at the parent disk for a partition.
bool blockDeviceIsRemovable(const std::filesystem::path& sysRoot, unsigned major, unsigned minor);

}  // namespace tessary::platform
