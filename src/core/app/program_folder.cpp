#include "app/program_folder.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

#include "app/string_ids.h"
#include "app/string_table.h"

namespace tessary {

namespace {

std::string_view environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string_view(value) : std::string_view();
}

bool writable(const std::filesystem::path& folder) {
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

// An XDG base folder: the variable when it is an absolute path, else
// $HOME/<fallback>; empty when neither is usable.
std::filesystem::path baseFolder(std::string_view variable, std::string_view home,
                                 const char* fallback) {
    const std::filesystem::path given(variable);
    if (!variable.empty() && given.is_absolute()) return given;
    const std::filesystem::path homeFolder(home);
    if (!home.empty() && homeFolder.is_absolute()) return homeFolder / fallback;
    return {};
}

}  // namespace

ProgramFolders foldersBeside(const std::filesystem::path& programFolder) {
    ProgramFolders folders;
    folders.program = programFolder;
    folders.stuff = programFolder / loadString(string_id::kStuffFolderName);
    folders.working = folders.stuff / loadString(string_id::kTempFolderName);
    folders.plugIns = folders.stuff / loadString(string_id::kPlugInFolderName);
    folders.preferenceFile = folders.stuff / loadString(string_id::kPrefsFileName);
    return folders;
}

ProgramFolders chooseProgramFolders(const std::filesystem::path& executableFolder, bool installed,
                                    bool stuffOrProgramWritable, const UserEnvironment& user) {
    const ProgramFolders beside = foldersBeside(executableFolder);
    if (!installed && stuffOrProgramWritable) return beside;
    const std::filesystem::path data = baseFolder(user.xdgDataHome, user.home, ".local/share");
    const std::filesystem::path config = baseFolder(user.xdgConfigHome, user.home, ".config");
    const std::filesystem::path cache = baseFolder(user.xdgCacheHome, user.home, ".cache");
    if (data.empty() || config.empty() || cache.empty()) return beside;

    ProgramFolders folders;
    folders.program = executableFolder;
    folders.stuff = config / "tessary";
    folders.preferenceFile = folders.stuff / loadString(string_id::kPrefsFileName);
    folders.working = cache / "tessary";
    folders.plugIns = data / "tessary" / "modules";
    folders.shippedPlugIns =
        installed ? (executableFolder / kInstalledModuleFolder).lexically_normal() : beside.plugIns;
    return folders;
}

ProgramFolders defaultProgramFolders() {
    const std::filesystem::path override(environment("TESSARY_PROGRAM_FOLDER"));
    if (!override.empty() && override.is_absolute()) return foldersBeside(override);

    std::error_code error;
    std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path executableFolder =
        error ? std::filesystem::current_path(error) : executable.parent_path();

    const bool installed =
        std::filesystem::is_directory(executableFolder / kInstalledModuleFolder, error);
    const std::filesystem::path stuff = executableFolder / loadString(string_id::kStuffFolderName);
    const bool stuffExists = std::filesystem::exists(stuff, error);
    const bool usable = stuffExists ? writable(stuff) : writable(executableFolder);

    const UserEnvironment user{environment("XDG_DATA_HOME"), environment("XDG_CONFIG_HOME"),
                               environment("XDG_CACHE_HOME"), environment("HOME")};
    const ProgramFolders chosen = chooseProgramFolders(executableFolder, installed, usable, user);
    if (!chosen.shippedPlugIns.empty()) {
        // Per-user folders: make them (and their parents) now; the engine
        // makes only the last level of each.
        for (const auto& folder : {chosen.stuff, chosen.working, chosen.plugIns})
            std::filesystem::create_directories(folder, error);
    }
    return chosen;
}

std::filesystem::path defaultProgramFolder() {
    return defaultProgramFolders().program;
}

}  // namespace tessary
