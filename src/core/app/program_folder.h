#pragma once

#include <filesystem>
#include <string_view>

namespace tessary {

// The folder that holds "QSStuff": the executable's own folder when the
// program may write there; otherwise "tessary" in the user's data folder
// ($XDG_DATA_HOME, or $HOME/.local/share when that is unset, empty or not an
// absolute path). When neither folder can be named, the executable's folder.
//
// `stuffOrProgramWritable` says whether the program may write its working
// files beside the executable: "QSStuff" there is writable, or it does not
// exist yet and the executable's folder is writable.
std::filesystem::path chooseProgramFolder(const std::filesystem::path& executableFolder,
                                          bool stuffOrProgramWritable, std::string_view xdgDataHome,
                                          std::string_view home);

// chooseProgramFolder() for this process: the executable's folder from
// /proc/self/exe, writability asked of the system, the environment's
// XDG_DATA_HOME and HOME. The user-data fallback folder is created when
// missing (so that "QSStuff" can be made inside it). The environment variable
// TESSARY_PROGRAM_FOLDER, when set to an absolute path, overrides all of this
// (for tests and scripted runs).
std::filesystem::path defaultProgramFolder();

}  // namespace tessary
