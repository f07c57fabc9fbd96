#include "platform/mount_table.h"

#include <charconv>
#include <fstream>

namespace tessary::platform {

namespace {

std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && line[pos] == ' ') ++pos;
        if (pos >= line.size()) break;
        const std::size_t end = line.find(' ', pos);
        const std::size_t stop = end == std::string_view::npos ? line.size() : end;
        fields.push_back(line.substr(pos, stop - pos));
        pos = stop;
    }
    return fields;
}

// The kernel writes space, tab, newline and backslash in paths as \ooo.
std::string decodeOctalEscapes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size()) {
            const char a = text[i + 1], b = text[i + 2], c = text[i + 3];
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
                out.push_back(static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0')));
                i += 3;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

bool hasOption(std::string_view options, std::string_view wanted) {
    std::size_t pos = 0;
    while (pos <= options.size()) {
        const std::size_t end = options.find(',', pos);
        const std::size_t stop = end == std::string_view::npos ? options.size() : end;
        if (options.substr(pos, stop - pos) == wanted) return true;
        if (end == std::string_view::npos) break;
        pos = end + 1;
    }
    return false;
}

bool parseDevice(std::string_view text, unsigned& major, unsigned& minor) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) return false;
    const char* begin = text.data();
    const char* middle = text.data() + colon;
    const char* end = text.data() + text.size();
    auto first = std::from_chars(begin, middle, major);
    if (first.ec != std::errc() || first.ptr != middle) return false;
    auto second = std::from_chars(middle + 1, end, minor);
    return second.ec == std::errc() && second.ptr == end;
}

bool readsOne(const std::filesystem::path& file) {
    std::ifstream in(file);
    char c = 0;
    return in.get(c) && c == '1';
}

}  // namespace

std::vector<MountEntry> parseMountInfo(std::string_view text) {
    std::vector<MountEntry> mounts;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        const std::vector<std::string_view> fields = splitFields(text.substr(pos, end - pos));
        pos = end + 1;

        // id parent major:minor root mount-point options [optional...] - type source super-options
        if (fields.size() < 7) continue;
        std::size_t separator = 6;
        while (separator < fields.size() && fields[separator] != "-") ++separator;
        if (separator + 1 >= fields.size()) continue;

        MountEntry entry;
        if (!parseDevice(fields[2], entry.major, entry.minor)) continue;
        entry.mountPoint = decodeOctalEscapes(fields[4]);
        if (entry.mountPoint.empty() || entry.mountPoint.front() != '/') continue;
        entry.fileSystem = std::string(fields[separator + 1]);
        entry.readOnly = hasOption(fields[5], "ro") ||
                         (separator + 3 < fields.size() && hasOption(fields[separator + 3], "ro"));
        mounts.push_back(std::move(entry));
    }
    return mounts;
}

const MountEntry* findMountFor(const std::vector<MountEntry>& mounts,
                               const std::string& canonicalPath) {
    const MountEntry* best = nullptr;
    for (const MountEntry& entry : mounts) {
        const std::string& point = entry.mountPoint;
        bool covers = false;
        if (point == "/") {
            covers = !canonicalPath.empty() && canonicalPath.front() == '/';
        } else if (canonicalPath.compare(0, point.size(), point) == 0) {
            covers = canonicalPath.size() == point.size() || canonicalPath[point.size()] == '/';
        }
        if (covers && (best == nullptr || point.size() >= best->mountPoint.size())) best = &entry;
    }
    return best;
}

bool blockDeviceIsRemovable(const std::filesystem::path& sysRoot, unsigned major, unsigned minor) {
    const std::filesystem::path device =
        sysRoot / "dev" / "block" / (std::to_string(major) + ":" + std::to_string(minor));
    std::error_code error;
    if (std::filesystem::exists(device / "removable", error)) return readsOne(device / "removable");
    // A partition has no flag of its own; the kernel resolves the link before
    // "..", which lands on the whole disk.
    if (std::filesystem::exists(device / ".." / "removable", error))
        return readsOne(device / ".." / "removable");
    return false;
}

}  // namespace tessary::platform
