#include "environment.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace tessary::twain {

namespace {

std::string_view variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string_view(value) : std::string_view();
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool absolute(std::string_view path) {
    return !path.empty() && path.front() == '/';
}

}  // namespace

bool headlessRequested() {
    const std::string_view value = variable("TESSARY_TWAIN_HEADLESS");
    return !value.empty() && value != "0";
}

std::string deviceOverride() {
    return std::string(trimmed(variable("TESSARY_TWAIN_DEVICE")));
}

std::optional<OptionList> parseOptionList(std::string_view text) {
    OptionList options;
    while (!trimmed(text).empty()) {
        const auto comma = text.find(',');
        const std::string_view entry = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        if (trimmed(entry).empty()) continue;
        const auto equals = entry.find('=');
        if (equals == std::string_view::npos) return std::nullopt;
        const std::string_view name = trimmed(entry.substr(0, equals));
        if (name.empty()) return std::nullopt;
        options.emplace_back(std::string(name), std::string(trimmed(entry.substr(equals + 1))));
    }
    return options;
}

std::optional<OptionList> optionList() {
    return parseOptionList(variable("TESSARY_TWAIN_OPTIONS"));
}

std::filesystem::path stateFolder() {
    namespace fs = std::filesystem;
    const std::string_view given = variable("TESSARY_TWAIN_STATE_DIR");
    if (!given.empty()) return fs::path(given);
    const std::string_view program = variable("TESSARY_PROGRAM_FOLDER");
    if (absolute(program)) return fs::path(program) / "QSStuff";

    std::error_code error;
    const fs::path executable = fs::read_symlink("/proc/self/exe", error);
    const fs::path folder = error ? fs::current_path(error) : executable.parent_path();
    const fs::path beside = folder / "QSStuff";
    const bool installed = fs::is_directory(folder / "../lib/tessary/modules", error);
    const bool writable =
        ::access((fs::exists(beside, error) ? beside : folder).c_str(), W_OK | X_OK) == 0;
    if (!installed && writable) return beside;

    const std::string_view config = variable("XDG_CONFIG_HOME");
    if (absolute(config)) return fs::path(config) / "tessary";
    const std::string_view home = variable("HOME");
    if (absolute(home)) return fs::path(home) / ".config" / "tessary";
    return beside;
}

}  // namespace tessary::twain
