#include "cli/batch_options.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace tessary {
namespace {

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Splits "--name=value"; `value` is empty and false is returned without '='.
bool optionValue(std::string_view argument, std::string_view name, std::string& value) {
    if (!startsWith(argument, name)) return false;
    if (argument.size() == name.size() || argument[name.size()] != '=') return false;
    value = std::string(argument.substr(name.size() + 1));
    return true;
}

}  // namespace

std::optional<std::uint32_t> parseHexColour(std::string_view text) {
    if (!text.empty() && text.front() == '#') text.remove_prefix(1);
    if (text.size() != 6) return std::nullopt;
    std::uint32_t rgb = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), rgb, 16);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    const std::uint32_t red = (rgb >> 16) & 0xFF;
    const std::uint32_t green = (rgb >> 8) & 0xFF;
    const std::uint32_t blue = rgb & 0xFF;
    return red | (green << 8) | (blue << 16);
}

std::optional<std::int32_t> parseInteger(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<double> parseDecimal(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    // Only plain decimal notation: digits, at most one point, a leading sign.
    bool digits = false;
    bool point = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digits = true;
        } else if (c == '.' && !point) {
            point = true;
        } else if (c == '-' && i == 0) {
        } else {
            return std::nullopt;
        }
    }
    if (!digits) return std::nullopt;
    const std::string copy(text);
    const double value = std::strtod(copy.c_str(), nullptr);
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

std::vector<std::string> splitFields(std::string_view text) {
    std::vector<std::string> fields;
    if (text.empty()) return fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        if (comma == std::string_view::npos) {
            fields.emplace_back(text.substr(start));
            return fields;
        }
        fields.emplace_back(text.substr(start, comma - start));
        start = comma + 1;
    }
}

namespace {

// The most threads --threads takes.
constexpr int kMaxBatchThreads = 64;

// An option's value: "--name=value", or "--name value" (the value taken from
// the next argument). False when `argument` is not the option.
bool scanOptionValue(const std::vector<std::string>& arguments, std::size_t& i,
                     std::string_view name, std::string& value, bool& missing) {
    const std::string& argument = arguments[i];
    if (optionValue(argument, name, value)) return true;
    if (argument != name) return false;
    missing = i + 1 >= arguments.size();
    if (!missing) value = arguments[++i];
    return true;
}

std::optional<ScanSettings::Mode> parseScanMode(std::string_view text) {
    if (text == "color" || text == "colour") return ScanSettings::Mode::Colour;
    if (text == "grey" || text == "gray") return ScanSettings::Mode::Grey;
    if (text == "lineart") return ScanSettings::Mode::LineArt;
    return std::nullopt;
}

}  // namespace

std::optional<BatchOptions> parseBatchArguments(const std::vector<std::string>& arguments,
                                                std::string& error) {
    BatchOptions options;
    bool haveInput = false;
    bool haveOutput = false;
    bool scanSettingGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        std::string value;
        bool missing = false;
        if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--list-scanners") {
            options.listScanners = true;
        } else if (argument == "--scan") {
            if (haveInput) {
                error = "--scan takes the place of the input file";
                return std::nullopt;
            }
            options.scan = true;
            // The device, when named, comes next.
            if (i + 1 < arguments.size() && !startsWith(arguments[i + 1], "-") &&
                !arguments[i + 1].empty())
                options.scanSettings.device = arguments[++i];
            haveInput = true;
        } else if (scanOptionValue(arguments, i, "--scan-mode", value, missing)) {
            const auto mode = parseScanMode(value);
            if (missing || !mode) {
                error = "bad scan mode '" + value + "' (expected color, grey or lineart)";
                return std::nullopt;
            }
            options.scanSettings.mode = *mode;
            scanSettingGiven = true;
        } else if (scanOptionValue(arguments, i, "--scan-resolution", value, missing)) {
            const auto dpi = parseDecimal(value);
            if (missing || !dpi || *dpi < 1 || *dpi > 32767) {
                error = "bad scan resolution '" + value + "' (expected 1 to 32767 dpi)";
                return std::nullopt;
            }
            options.scanSettings.resolution = *dpi;
            scanSettingGiven = true;
        } else if (argument == "--scan-feeder") {
            options.scanSettings.feeder = true;
            scanSettingGiven = true;
        } else if (argument == "--time") {
            options.time = true;
        } else if (scanOptionValue(arguments, i, "--threads", value, missing)) {
            const auto threads = parseInteger(value);
            if (missing || !threads || *threads < 1 || *threads > kMaxBatchThreads) {
                error = "bad thread count '" + value + "' (expected 1 to " +
                        std::to_string(kMaxBatchThreads) + ")";
                return std::nullopt;
            }
            options.threads = *threads;
        } else if (argument == "--modules" || startsWith(argument, "--modules=")) {
            if (argument == "--modules") {
                if (i + 1 >= arguments.size()) {
                    error = "option '--modules' needs in-process or isolated";
                    return std::nullopt;
                }
                value = arguments[++i];
            } else {
                optionValue(argument, "--modules", value);
            }
            if (value != "in-process" && value != "isolated") {
                error = "--modules takes in-process or isolated, not '" + value + "'";
                return std::nullopt;
            }
            options.modulesInProcess = value == "in-process";
        } else if (argument == "-o" || argument == "--output") {
            if (i + 1 >= arguments.size()) {
                error = "option '" + argument + "' needs a file name";
                return std::nullopt;
            }
            if (haveOutput) {
                error = "more than one output file given";
                return std::nullopt;
            }
            options.output = arguments[++i];
            haveOutput = true;
        } else if (optionValue(argument, "--output", value)) {
            if (haveOutput) {
                error = "more than one output file given";
                return std::nullopt;
            }
            options.output = value;
            haveOutput = true;
        } else if (optionValue(argument, "--foreground", value) ||
                   optionValue(argument, "--background", value)) {
            const auto colour = parseHexColour(value);
            if (!colour) {
                error = "bad colour in '" + argument + "' (expected RRGGBB in hexadecimal)";
                return std::nullopt;
            }
            BatchStep step;
            step.kind = startsWith(argument, "--foreground") ? BatchStep::Kind::Foreground
                                                             : BatchStep::Kind::Background;
            step.text = argument;
            step.value = *colour;
            options.steps.push_back(step);
        } else if (optionValue(argument, "--opacity", value)) {
            const auto opacity = parseInteger(value);
            if (!opacity || *opacity < 0 || *opacity > 255) {
                error = "bad opacity in '" + argument + "' (expected 0 to 255)";
                return std::nullopt;
            }
            BatchStep step;
            step.kind = BatchStep::Kind::Opacity;
            step.text = argument;
            step.value = static_cast<std::uint32_t>(*opacity);
            options.steps.push_back(step);
        } else if (startsWith(argument, "-") && argument.size() > 1 && !haveInput) {
            error = "unknown option '" + argument + "'";
            return std::nullopt;
        } else if (startsWith(argument, "--")) {
            error = "unknown option '" + argument + "'";
            return std::nullopt;
        } else if (!haveInput && options.steps.empty() && startsWith(argument, "import=")) {
            // The image comes from an import: there is no input file.
            haveInput = true;
            --i;
        } else if (!haveInput) {
            if (argument.empty()) {
                error = "empty input file name";
                return std::nullopt;
            }
            options.input = argument;
            haveInput = true;
        } else {
            BatchStep step;
            step.text = argument;
            const std::size_t equals = argument.find('=');
            step.name = argument.substr(0, equals);
            if (equals != std::string::npos) {
                step.argument = argument.substr(equals + 1);
                step.hasArgument = true;
            }
            options.steps.push_back(step);
        }
    }
    if (options.help) return options;
    if (scanSettingGiven && !options.scan) {
        error = "the --scan-... options need --scan";
        return std::nullopt;
    }
    if (options.listScanners) {
        if (options.scan || haveInput || haveOutput || !options.steps.empty()) {
            error = "--list-scanners takes no files, operations or --scan";
            return std::nullopt;
        }
        return options;
    }
    if (!haveInput) {
        error = "no input file given";
        return std::nullopt;
    }
    if (!haveOutput || options.output.empty()) {
        error = "no output file given (-o OUTPUT)";
        return std::nullopt;
    }
    return options;
}

}  // namespace tessary
