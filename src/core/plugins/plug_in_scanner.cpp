#include "plugins/plug_in_scanner.h"

#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/module_resources.h"
#include "plugins/plug_in_registrar.h"

namespace tessary {

namespace {

namespace fs = std::filesystem;

using FolderIdentity = std::pair<dev_t, ino_t>;

bool skippedName(const std::string& name) {
    if (name.empty()) return true;
    const auto first = static_cast<unsigned char>(name[0]);
    return first == 0xC2 || first == 0xAC;
}

void registerModule(PlugInList& list, const fs::path& path) {
    int registered = 0;
    for (const platform::ModuleResource& resource : platform::readModulePiPLs(path)) {
        const std::int16_t result = ReadPiPL(list, std::make_unique<PlugInRecord>(), path,
                                             std::span<const std::uint8_t>(resource.bytes));
        if (result == 0) ++registered;
    }
    if (registered == 0) RegisterByExtension(list, std::make_unique<PlugInRecord>(), path);
}

void scanFolder(PlugInList& list, const fs::path& folder, std::size_t depth,
                std::set<FolderIdentity>& entered) {
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return;
    if (!entered.insert({status.st_dev, status.st_ino}).second) return;

    std::error_code error;
    fs::directory_iterator entries(folder, error);
    if (error) return;
    std::vector<std::string> names;
    for (const fs::directory_iterator end; entries != end; entries.increment(error)) {
        if (error) break;
        names.push_back(entries->path().filename().native());
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return std::lexicographical_compare(
            a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
                return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
            });
    });

    for (const std::string& name : names) {
        if (skippedName(name) || name == "." || name == "..") continue;
        const fs::path path = folder / name;
        const fs::file_status kind = fs::status(path, error);  // follows links
        if (error) continue;
        if (fs::is_directory(kind)) {
            if (depth < kMaxPlugInFolderDepth) scanFolder(list, path, depth + 1, entered);
        } else if (fs::is_regular_file(kind) && isModuleExtension(moduleExtension(path))) {
            registerModule(list, path);
        }
    }
}

}  // namespace

void ScanPlugInFolder(PlugInList& list, const std::filesystem::path& folder) {
    std::error_code error;
    const fs::path absolute = fs::absolute(folder, error);
    if (error) return;
    std::set<FolderIdentity> entered;
    scanFolder(list, absolute.lexically_normal(), 0, entered);
}

}  // namespace tessary
