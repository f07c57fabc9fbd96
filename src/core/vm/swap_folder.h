#pragma once

#include <filesystem>
#include <string>

#include "platform/file_layer.h"
#include "platform/lock_file.h"

namespace tessary {

// One process's own folder for its swap files inside the shared working
// folder. The editor and the batch program started from the same program
// folder share the working folder; each takes a folder "VMemD_<pid>" (or
// "VMemD_<pid>_<n>" when that name is held) and holds the lock file
// "<folder>.lock" beside it for as long as it runs. The lock is taken before
// the folder is made and let go only after the folder is deleted, so a
// folder whose lock can be taken belongs to no running process.
class SwapFolder {
public:
    SwapFolder() = default;
    // Runs release().
    ~SwapFolder();
    SwapFolder(const SwapFolder&) = delete;
    SwapFolder& operator=(const SwapFolder&) = delete;

    // Takes a folder in `workingFolder`: locks its lock file, then makes the
    // folder (owner only), emptying one a process that is gone left behind.
    // False, holding nothing, when no folder could be had. Releases any
    // folder held before.
    bool claim(const std::filesystem::path& workingFolder);
    // Deletes the folder with everything in it, then the lock file, and lets
    // the lock go. Harmless when nothing is held.
    void release();

    bool claimed() const { return m_lock.held(); }
    // The folder; empty when nothing is held.
    const std::filesystem::path& path() const { return m_path; }

    // The start-up clean-up of a working folder: deletes every swap folder
    // (with its lock file) whose lock can be taken, and every swap file
    // ("VMemF_00" ... "VMemF_14") lying directly in the working folder that
    // no running process holds. Folders and files of running processes,
    // this one's included, are left alone.
    static void removeAbandoned(const std::filesystem::path& workingFolder,
                                platform::FileLayer& files);

    // True for the names claim() gives folders ("VMemD_" then digits and
    // underscores).
    static bool isSwapFolderName(const std::string& name);

private:
    platform::LockFile m_lock;
    std::filesystem::path m_path;
};

}  // namespace tessary
