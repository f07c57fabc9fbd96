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

}  // namespace

std::filesystem::path chooseProgramFolder(const std::filesystem::path& executableFolder,
                                          bool stuffOrProgramWritable, std::string_view xdgDataHome,
                                          std::string_view home) {
    if (stuffOrProgramWritable) return executableFolder;
    const std::filesystem::path xdg(xdgDataHome);
    if (!xdgDataHome.empty() && xdg.is_absolute()) return xdg / "tessary";
    const std::filesystem::path homeFolder(home);
    if (!home.empty() && homeFolder.is_absolute()) {
        return homeFolder / ".local" / "share" / "tessary";
    }
    return executableFolder;
}

std::filesystem::path defaultProgramFolder() {
    const std::filesystem::path override(environment("TESSARY_PROGRAM_FOLDER"));
    if (!override.empty() && override.is_absolute()) return override;

    std::error_code error;
    std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path executableFolder =
        error ? std::filesystem::current_path(error) : executable.parent_path();

    const std::filesystem::path stuff = executableFolder / loadString(string_id::kStuffFolderName);
    const bool stuffExists = std::filesystem::exists(stuff, error);
    const bool usable = stuffExists ? writable(stuff) : writable(executableFolder);

    const std::filesystem::path chosen = chooseProgramFolder(
        executableFolder, usable, environment("XDG_DATA_HOME"), environment("HOME"));
    if (chosen != executableFolder) std::filesystem::create_directories(chosen, error);
    return chosen;
}

}  // namespace tessary
