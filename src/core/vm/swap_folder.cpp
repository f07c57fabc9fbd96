#include "vm/swap_folder.h"

#include <unistd.h>

#include <set>
#include <system_error>

#include "vm/vm_tile.h"

namespace tessary {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kFolderPrefix = "VMemD_";
constexpr std::string_view kLockSuffix = ".lock";
// Names tried after "VMemD_<pid>" is held (by a process of another process
// namespace sharing the folder, or a second engine in this process).
constexpr int kMoreNames = 100;

fs::path lockPathOf(const fs::path& folder) {
    fs::path lock = folder;
    lock += kLockSuffix;
    return lock;
}

// Makes `folder` fresh and owner-only: whatever a process that is gone left
// in it is deleted first.
bool makeEmptyFolder(const fs::path& folder) {
    std::error_code error;
    fs::remove_all(folder, error);
    if (error) return false;
    if (!fs::create_directory(folder, error) || error) return false;
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, error);
    return !error;
}

}  // namespace

SwapFolder::~SwapFolder() {
    release();
}

bool SwapFolder::isSwapFolderName(const std::string& name) {
    if (name.size() <= kFolderPrefix.size() || name.compare(0, kFolderPrefix.size(), kFolderPrefix))
        return false;
    for (std::size_t i = kFolderPrefix.size(); i < name.size(); ++i) {
        const char c = name[i];
        if ((c < '0' || c > '9') && c != '_') return false;
    }
    return true;
}

bool SwapFolder::claim(const fs::path& workingFolder) {
    release();
    const std::string base = std::string(kFolderPrefix) + std::to_string(::getpid());
    for (int n = 0; n <= kMoreNames; ++n) {
        const fs::path folder = workingFolder / (n == 0 ? base : base + "_" + std::to_string(n));
        const platform::FileError locked = m_lock.acquire(lockPathOf(folder));
        if (locked == platform::kFileBusy) continue;
        if (locked != platform::kNoErr) return false;
        if (!makeEmptyFolder(folder)) {
            m_lock.removeAndRelease();
            return false;
        }
        m_path = folder;
        return true;
    }
    return false;
}

void SwapFolder::release() {
    if (!m_lock.held()) return;
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
    m_lock.removeAndRelease();
    m_path.clear();
}

void SwapFolder::removeAbandoned(const fs::path& workingFolder, platform::FileLayer& files) {
    std::set<std::string> folders;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(workingFolder, error)) {
        std::string name = entry.path().filename().native();
        if (name.size() > kLockSuffix.size() &&
            name.compare(name.size() - kLockSuffix.size(), kLockSuffix.size(), kLockSuffix) == 0)
            name.resize(name.size() - kLockSuffix.size());
        if (isSwapFolderName(name)) folders.insert(name);
    }
    if (error) return;

    for (const std::string& name : folders) {
        const fs::path folder = workingFolder / name;
        platform::LockFile lock;
        if (lock.acquire(lockPathOf(folder)) != platform::kNoErr) continue;  // running
        std::error_code ignored;
        fs::remove_all(folder, ignored);
        lock.removeAndRelease();
    }
    // Swap files of runs that kept them in the working folder itself.
    VMTile::deleteStaleSwapFilesIn(workingFolder, files);
}

}  // namespace tessary
