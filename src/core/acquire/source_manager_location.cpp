#include "acquire/source_manager_location.h"

#include <cstdlib>
#include <system_error>

namespace tessary {

std::vector<std::filesystem::path> sourceManagerCandidates(
    std::string_view overridePath, const std::filesystem::path& programFolder) {
    if (!overridePath.empty()) return {std::filesystem::path(overridePath)};
    std::vector<std::filesystem::path> candidates;
    if (programFolder.empty()) return candidates;
    candidates.push_back(programFolder / kSourceManagerFileName);
    candidates.push_back(
        (programFolder / ".." / "lib" / "tessary" / kSourceManagerFileName).lexically_normal());
    return candidates;
}

std::vector<std::filesystem::path> sourceManagerCandidates() {
    const char* overridePath = std::getenv("TESSARY_TWAIN_DSM");
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return sourceManagerCandidates(overridePath != nullptr ? overridePath : "",
                                   error ? std::filesystem::path() : executable.parent_path());
}

}  // namespace tessary
