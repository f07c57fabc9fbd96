#pragma once

// Where the test modules of tests/modules are built, and the property lists
// each one must carry, written out with the reference encoder from what the
// modules' sources declare.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/plugins/pipl_reference.h"

#ifndef TESSARY_TEST_MODULE_DIR
#error "TESSARY_TEST_MODULE_DIR must name the folder of the built test modules"
#endif

namespace tessary::test {

inline std::filesystem::path testModulePath(std::string_view fileName) {
    return std::filesystem::path(TESSARY_TEST_MODULE_DIR) / fileName;
}

struct ExpectedPiPL {
    std::int32_t id = 0;
    std::string name;  // text name (Windows modules), else empty
    Bytes bytes;
    friend bool operator==(const ExpectedPiPL&, const ExpectedPiPL&) = default;
};

// The ELF test modules, one per kind of case.
inline const std::vector<std::string>& linuxTestModules() {
    static const std::vector<std::string> names = {"Invert.8bf",  "Sharpen.8bf",    "Foreign.8bf",
                                                   "Pair.8bf",    "BitmapOnly.8bf", "Sample.8bi",
                                                   "Scanner.8ba", "Printer.8be"};
    return names;
}

// The Windows test modules (built only when the cross tools exist).
inline const std::vector<std::string>& windowsTestModules() {
    static const std::vector<std::string> names = {"WinFilter.8bf", "WinFilter64.8bf"};
    return names;
}

inline constexpr std::uint32_t kGreyAndRgbFlags = 0x4000 | 0x1000;

// Expected property lists of a test module, sorted by (id, name).
inline std::vector<ExpectedPiPL> expectedPiPLs(std::string_view fileName) {
    std::vector<ExpectedPiPL> lists;
    if (fileName == "Invert.8bf") {
        lists.push_back({16000, "",
                         PiPLWriter()
                             .code("kind", "8BFM")
                             .code("host", "QSTY")
                             .pascal("name", "Invert Colors")
                             .pascal("catg", "Adjust")
                             .word("mode", kGreyAndRgbFlags)
                             .cString("wx86", "PluginMain")
                             .build()});
    } else if (fileName == "Foreign.8bf") {
        lists.push_back({16000, "",
                         PiPLWriter()
                             .code("kind", "8BFM")
                             .code("host", "8BIM")
                             .pascal("name", "Foreign Filter")
                             .pascal("catg", "Elsewhere")
                             .cString("wx86", "PluginMain")
                             .build()});
    } else if (fileName == "Pair.8bf") {
        lists.push_back({16000, "",
                         PiPLWriter()
                             .code("kind", "8BFM")
                             .pascal("name", "Zebra Stripes")
                             .pascal("catg", "Stylize")
                             .cString("wx86", "ZebraMain")
                             .build()});
        lists.push_back({16001, "",
                         PiPLWriter()
                             .code("kind", "8BFM")
                             .code("host", "    ")
                             .pascal("name", "apple Blur")
                             .pascal("catg", "Stylize")
                             .cString("fx86", "AppleMain")
                             .build()});
    } else if (fileName == "BitmapOnly.8bf") {
        lists.push_back({16000, "",
                         PiPLWriter()
                             .code("kind", "8BFM")
                             .pascal("name", "Bitmap Only")
                             .word("mode", 0x8000)
                             .cString("wx86", "PluginMain")
                             .build()});
    } else if (fileName == "Sample.8bi") {
        lists.push_back({16000, "",
                         PiPLWriter()
                             .code("kind", "8BIF")
                             .code("host", "QSTY")
                             .pascal("name", "Sample Format")
                             .text4("RdTy", "SMPL")
                             .text4("RdEx", "SMP")
                             .cString("wx86", "PluginMain")
                             .build()});
    } else if (fileName == "Scanner.8ba") {
        lists.push_back({16000, "",
                         PiPLWriter()
                             .code("kind", "8BAM")
                             .code("host", "QSTY")
                             .pascal("name", "Sample Scanner")
                             .cString("wx86", "PluginMain")
                             .build()});
    } else if (fileName == "Printer.8be") {
        lists.push_back({16000, "",
                         PiPLWriter()
                             .code("kind", "8BEM")
                             .pascal("name", "Sample Export")
                             .cString("wx86", "PluginMain")
                             .build()});
    } else if (fileName == "WinFilter.8bf" || fileName == "WinFilter64.8bf") {
        lists.push_back({0, "WINSCAN",
                         PiPLWriter()
                             .code("kind", "8BAM")
                             .pascal("name", "Windows Scanner")
                             .cString("wx86", "PluginMain")
                             .build()});
        lists.push_back({16000, "",
                         PiPLWriter()
                             .code("kind", "8BFM")
                             .code("host", "QSTY")
                             .word("mode", 0x5000)
                             .pascal("name", "Windows Filter")
                             .pascal("catg", "Windows")
                             .cString("wx86", "PluginMain")
                             .build()});
        lists.push_back(
            {16002, "",
             PiPLWriter().code("kind", "8BEM").pascal("name", "Neutral Export").build()});
    }
    std::sort(lists.begin(), lists.end(), [](const ExpectedPiPL& a, const ExpectedPiPL& b) {
        return a.id != b.id ? a.id < b.id : a.name < b.name;
    });
    return lists;
}

}  // namespace tessary::test
