#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace tessary::platform {

class ModuleByteSource;

// One resource read out of a module file: its name (a number, or for
// Windows modules possibly a text) and its bytes.
struct ModuleResource {
    std::int32_t id = 0;              // numeric name; 0 when the resource is named by text
    std::string name;                 // text name in UTF-8 (Windows modules only), else empty
    std::vector<std::uint8_t> bytes;  // the resource's data, at most kMaxModuleResourceBytes
};

using ModuleResourceList = std::vector<ModuleResource>;

// Limits that keep a hostile module file from costing much time or memory.
// Real property lists are a few hundred bytes and a module has a handful.
inline constexpr std::size_t kMaxModuleResources = 1024;
inline constexpr std::size_t kMaxModuleResourceBytes = 1024 * 1024;
inline constexpr std::size_t kMaxModuleResourceTotalBytes = 16 * 1024 * 1024;

// Resource type of plug-in property lists.
inline constexpr char kPiPLResourceType[] = "PiPL";

// Reads the plug-in property lists of a module file without loading or
// running it: from the property-list section of an ELF file (32- or 64-bit,
// either byte order), or from the "PiPL" resources of a Windows PE file
// (PE32 or PE32+), in the order they are stored.
//
// Every size and offset is checked before use: a file that is truncated,
// corrupt or hostile yields fewer or no resources, never a fault or a hang.
// An empty list also comes back when the file cannot be opened or is
// neither ELF nor PE.
ModuleResourceList readModulePiPLs(const std::filesystem::path& path);
ModuleResourceList readModulePiPLs(std::span<const std::uint8_t> bytes);
ModuleResourceList readModulePiPLs(const ModuleByteSource& source);

}  // namespace tessary::platform
