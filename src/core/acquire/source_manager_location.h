#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

namespace tessary {

// The file name of the source manager library.
inline constexpr std::string_view kSourceManagerFileName = "libtessary_twain_dsm.so";

// The places the source manager library is looked for, in order:
// `overridePath` alone when it is not empty (the value of TESSARY_TWAIN_DSM,
// a full path); otherwise the program's folder, then
// <program folder>/../lib/tessary/ (where an installed program keeps it).
std::vector<std::filesystem::path> sourceManagerCandidates(
    std::string_view overridePath, const std::filesystem::path& programFolder);

// sourceManagerCandidates() for this process: TESSARY_TWAIN_DSM from the
// environment and the folder of the running executable (/proc/self/exe).
std::vector<std::filesystem::path> sourceManagerCandidates();

}  // namespace tessary
