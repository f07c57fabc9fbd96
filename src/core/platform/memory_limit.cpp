#include "platform/memory_limit.h"

#include <charconv>
#include <fstream>
#include <optional>
#include <string_view>
#include <vector>

namespace tessary::platform {

namespace {

// Control-group files are a line or a few hundred lines; anything longer is
// not one of them.
constexpr std::size_t kMaxFileBytes = 64 * 1024;

std::optional<std::string> readSmallFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string text(kMaxFileBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) return std::nullopt;
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxFileBytes) return std::nullopt;
    return text;
}

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

// A limit file's value: a positive decimal number below `unlimitedFrom`.
// "max", garbage, zero and the unlimited values give none.
std::optional<std::uint64_t> limitValue(std::string_view text, std::uint64_t unlimitedFrom) {
    text = trimmed(text);
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    if (value == 0 || value >= unlimitedFrom) return std::nullopt;
    return value;
}

// The components of a group path such as "/user.slice/app.scope"; nothing
// for a path that is not absolute or that climbs ("..").
std::optional<std::vector<std::string>> groupComponents(std::string_view path) {
    if (path.empty() || path.front() != '/') return std::nullopt;
    std::vector<std::string> parts;
    while (!path.empty()) {
        const std::size_t slash = path.find('/');
        const std::string_view part = path.substr(0, slash);
        if (part == "..") return std::nullopt;
        if (!part.empty() && part != ".") parts.emplace_back(part);
        if (slash == std::string_view::npos) break;
        path.remove_prefix(slash + 1);
    }
    return parts;
}

struct GroupLines {
    std::optional<std::string> unified;  // the "0::" line's path
    std::optional<std::string> memory;   // the v1 memory controller's path
};

GroupLines parseProcessGroups(std::string_view text) {
    GroupLines lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);

        const std::size_t first = line.find(':');
        if (first == std::string_view::npos) continue;
        const std::size_t second = line.find(':', first + 1);
        if (second == std::string_view::npos) continue;
        const std::string_view id = line.substr(0, first);
        std::string_view controllers = line.substr(first + 1, second - first - 1);
        const std::string_view path = line.substr(second + 1);

        if (id == "0" && controllers.empty()) {
            lines.unified = std::string(path);
            continue;
        }
        while (!controllers.empty()) {
            const std::size_t comma = controllers.find(',');
            if (controllers.substr(0, comma) == "memory") {
                lines.memory = std::string(path);
                break;
            }
            if (comma == std::string_view::npos) break;
            controllers.remove_prefix(comma + 1);
        }
    }
    return lines;
}

// Reads `fileName` in the group's folder below `hierarchy` and in every
// parent folder up to `hierarchy`, and lowers `best` to any smaller limit.
void lowerToGroupLimits(const std::filesystem::path& root, const std::string& hierarchy,
                        const std::string& groupPath, const char* fileName,
                        std::uint64_t unlimitedFrom, MemoryLimit::Source source,
                        MemoryLimit& best) {
    const auto parts = groupComponents(groupPath);
    if (!parts) return;
    for (std::size_t depth = parts->size() + 1; depth-- > 0;) {
        std::string relative = hierarchy;
        for (std::size_t i = 0; i < depth; ++i) relative += "/" + (*parts)[i];
        relative += "/";
        relative += fileName;
        const auto text = readSmallFile(root / relative);
        if (!text) continue;
        const auto value = limitValue(*text, unlimitedFrom);
        if (value && *value < best.bytes) {
            best.bytes = *value;
            best.source = source;
            best.file = "/" + relative;
        }
    }
}

}  // namespace

MemoryLimit memoryLimitUnder(const std::filesystem::path& root, std::uint64_t physicalBytes) {
    MemoryLimit best;
    best.bytes = physicalBytes;
    if (root.empty()) return best;
    const auto text = readSmallFile(root / "proc/self/cgroup");
    if (!text) return best;
    const GroupLines groups = parseProcessGroups(*text);
    constexpr std::uint64_t kNoUnlimitedValue = ~std::uint64_t{0};
    if (groups.unified) {
        lowerToGroupLimits(root, "sys/fs/cgroup", *groups.unified, "memory.max", kNoUnlimitedValue,
                           MemoryLimit::Source::CgroupV2, best);
    }
    if (groups.memory) {
        lowerToGroupLimits(root, "sys/fs/cgroup/memory", *groups.memory, "memory.limit_in_bytes",
                           kCgroupV1Unlimited, MemoryLimit::Source::CgroupV1, best);
    }
    return best;
}

std::string describeMemoryLimit(const MemoryLimit& limit) {
    switch (limit.source) {
        case MemoryLimit::Source::CgroupV2:
            return "cgroup v2 (" + limit.file + ")";
        case MemoryLimit::Source::CgroupV1:
            return "cgroup v1 (" + limit.file + ")";
        case MemoryLimit::Source::PhysicalMemory:
            break;
    }
    return "physical memory";
}

}  // namespace tessary::platform
