#pragma once

#include <filesystem>
#include <string_view>

namespace tessary {

// Where the engine keeps its files. In a build tree (or any program folder
// the process may write) everything lies in "QSStuff" beside the program, as
// foldersBeside() gives. An installed program reads its shipped modules from
// its own module folder (read only) and keeps the user's files in the
// per-user folders of the XDG base directories.
struct ProgramFolders {
    // Names the installation: the executable's folder (or the folder given
    // by TESSARY_PROGRAM_FOLDER). Nothing is written there unless it is the
    // parent of `stuff`.
    std::filesystem::path program;
    std::filesystem::path stuff;           // holds the preference file
    std::filesystem::path working;         // swap files
    std::filesystem::path plugIns;         // modules the user adds; created at start
    std::filesystem::path shippedPlugIns;  // shipped modules, read only; empty when in plugIns
    std::filesystem::path preferenceFile;
    friend bool operator==(const ProgramFolders&, const ProgramFolders&) = default;
};

// The shipped module folder of an installed program, relative to the folder
// of its executable (bin/ -> lib/tessary/modules under the same prefix; the
// install rules put the modules there).
inline constexpr std::string_view kInstalledModuleFolder = "../lib/tessary/modules";

// The build-tree layout: <program>/QSStuff holds the preference file QSPrefs,
// the working folder Temp and the plug-in folder Plugins.
ProgramFolders foldersBeside(const std::filesystem::path& programFolder);

// The process environment the per-user folders come from.
struct UserEnvironment {
    std::string_view xdgDataHome;
    std::string_view xdgConfigHome;
    std::string_view xdgCacheHome;
    std::string_view home;
};

// Chooses the layout.
// - `installed` (the installed module folder exists beside the executable):
//   shipped modules from <exe>/../lib/tessary/modules; preferences in
//   $XDG_CONFIG_HOME/tessary, swap files in $XDG_CACHE_HOME/tessary, the
//   user's modules in $XDG_DATA_HOME/tessary/modules (each XDG variable
//   unset, empty or relative: $HOME/.config, $HOME/.cache, $HOME/.local/share).
// - otherwise, when `stuffOrProgramWritable` ("QSStuff" beside the program is
//   writable, or it does not exist yet and the executable's folder is):
//   foldersBeside(executableFolder).
// - otherwise the per-user folders as for an installed program, with the
//   shipped modules read from <exe>/QSStuff/Plugins.
// When no per-user folder can be named (no absolute $HOME), the build-tree
// layout.
ProgramFolders chooseProgramFolders(const std::filesystem::path& executableFolder, bool installed,
                                    bool stuffOrProgramWritable, const UserEnvironment& user);

// chooseProgramFolders() for this process: the executable's folder from
// /proc/self/exe, the module folder and writability asked of the system, the
// environment's XDG variables and HOME. Per-user folders are created when
// missing (with their parents), so the engine can make its own folders in
// them. TESSARY_PROGRAM_FOLDER, when set to an absolute path, overrides all
// of this with foldersBeside() of that folder (for tests and scripted runs).
ProgramFolders defaultProgramFolders();

// defaultProgramFolders().program.
std::filesystem::path defaultProgramFolder();

}  // namespace tessary
