#include "remembered_source.h"

#include <fstream>
#include <system_error>

namespace tessary::twain {

namespace {

// A device name is one line of printable text; anything longer is not ours.
constexpr size_t kMaximumNameLength = 1024;

}  // namespace

std::string readRememberedSource(const std::filesystem::path& folder) {
    std::ifstream file(folder / kRememberedSourceFile);
    std::string name;
    if (!file || !std::getline(file, name) || name.size() > kMaximumNameLength) return {};
    return name;
}

bool rememberSource(const std::filesystem::path& folder, const std::string& deviceName) {
    if (deviceName.empty() || deviceName.size() > kMaximumNameLength ||
        deviceName.find('\n') != std::string::npos)
        return false;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const std::filesystem::path target = folder / kRememberedSourceFile;
    std::filesystem::path temporary = target;
    temporary += ".new";
    {
        std::ofstream file(temporary, std::ios::trunc);
        file << deviceName << '\n';
        if (!file.flush()) {
            std::filesystem::remove(temporary, error);
            return false;
        }
    }
    std::filesystem::rename(temporary, target, error);
    if (!error) return true;
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return false;
}

}  // namespace tessary::twain
