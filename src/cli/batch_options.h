#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessary {

// One step of a batch run as the user wrote it: an operation ("invert",
// "scale=50%,50%") or a change of the foreground, background or opacity that
// holds for the operations after it.
struct BatchStep {
    enum class Kind { Operation, Foreground, Background, Opacity };
    Kind kind = Kind::Operation;
    std::string text;      // the argument as typed (label of the --time line)
    std::string name;      // operation name: the part before '='
    std::string argument;  // the part after '=' (empty when there is none)
    bool hasArgument = false;
    std::uint32_t value = 0;  // colour (red bits 0-7) or opacity 0-255
};

// How tessary-batch scans (--scan).
struct ScanSettings {
    enum class Mode { Default, Colour, Grey, LineArt };
    std::string device;  // the SANE device name; empty: the default source
    Mode mode = Mode::Default;
    double resolution = 0;  // dots per inch; 0: the source's own
    bool feeder = false;    // scan every page of the document feeder
};

// The parsed command line of tessary-batch.
struct BatchOptions {
    bool help = false;
    bool time = false;
    int threads = 0;  // threads effects compute on (--threads); 0: all cores
    bool listScanners = false;
    // --modules=in-process: plug-in modules run in this process instead of
    // the module host process each.
    bool modulesInProcess = false;
    bool scan = false;  // the image comes from a scanner, not a file
    ScanSettings scanSettings;
    std::string input;  // empty when the first operation is an import, or a scan
    std::string output;
    std::vector<BatchStep> steps;  // in command-line order
};

// Parses argv[1...]. The input file may be left out when the first
// operation (before any colour or opacity step) is "import=...". With --scan
// the argument in the input file's place names the device (optional), and
// the --scan-... options are taken; --list-scanners needs no file names.
// Returns the options, or nothing with `error` set to a one-line message for
// the user (an unknown option, a missing or extra file name, a bad colour,
// opacity, thread count or scan setting). With --help the file names may be missing.
// Operation names are not checked here: the operation table does that.
std::optional<BatchOptions> parseBatchArguments(const std::vector<std::string>& arguments,
                                                std::string& error);

// "RRGGBB" (hexadecimal, an optional leading '#') as a colour with red in
// bits 0-7, green 8-15, blue 16-23; nothing for any other text.
std::optional<std::uint32_t> parseHexColour(std::string_view text);

// A whole decimal number with an optional sign; nothing for anything else
// (also for values outside the 32-bit range).
std::optional<std::int32_t> parseInteger(std::string_view text);

// A decimal number (digits with an optional fraction and sign); nothing for
// anything else, also for infinities and NaN.
std::optional<double> parseDecimal(std::string_view text);

// Splits "a,b,c" at the commas (empty fields kept; "" gives no fields).
std::vector<std::string> splitFields(std::string_view text);

}  // namespace tessary
