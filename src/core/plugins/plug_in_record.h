#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "tessary_plugin.h"

namespace tessary {

// Kinds of plug-in, as kept in `PlugInRecord::kind`.
inline constexpr std::int32_t kPlugInKindUnknown = -1;
inline constexpr std::int32_t kPlugInKindImport = 1;
inline constexpr std::int32_t kPlugInKindFilter = 2;
inline constexpr std::int32_t kPlugInKindExport = 3;
inline constexpr std::int32_t kPlugInKindFormat = 4;

// Menu command ids: each kind owns a range of kCommandsPerKind ids from its
// base, handed out in the order plug-ins of that kind are registered.
inline constexpr std::uint32_t kImportCommandBase = 40000;
inline constexpr std::uint32_t kExportCommandBase = 41000;
inline constexpr std::uint32_t kFormatCommandBase = 42000;
inline constexpr std::uint32_t kFilterCommandBase = 43000;
inline constexpr std::uint32_t kCommandsPerKind = 1000;

// The base of a kind's command range; 0 for a kind without one.
std::uint32_t commandBaseOfKind(std::int32_t kind);

// Capacities of the record's text fields, NUL included. Module paths get the
// system's path limit; the others are those of the record's published use.
inline constexpr std::size_t kModulePathCapacity = 4096;
inline constexpr std::size_t kPlugInNameCapacity = 64;
inline constexpr std::size_t kPlugInCategoryCapacity = 64;
inline constexpr std::size_t kReadExtensionCapacity = 5;
inline constexpr std::size_t kAlternativeEntryNameCapacity = 76;
inline constexpr std::size_t kWindowsEntryNameCapacity = 80;

// Every mode accepted: the initial supported-modes word.
inline constexpr std::uint32_t kAllModes = 0xFFFFFFFFu;

// Copies `text` into a fixed text field: at most N - 1 bytes, always
// NUL-terminated, the rest of the field zeroed. True when it fitted whole.
template <std::size_t N>
bool copyText(char (&field)[N], std::string_view text) {
    static_assert(N >= 1);
    const std::size_t kept = text.size() < N ? text.size() : N - 1;
    for (std::size_t i = 0; i < N; ++i) field[i] = i < kept ? text[i] : '\0';
    return kept == text.size();
}

// The text of a fixed field up to its first NUL, never past the field.
template <std::size_t N>
std::string_view textOf(const char (&field)[N]) {
    std::size_t length = 0;
    while (length < N && field[length] != '\0') ++length;
    return std::string_view(field, length);
}

// One discovered plug-in. Records are created with the host's signature and
// serial number and the initial values below, filled from a property list or
// from the module's file name, and then owned by the plug-in list, which
// chains them through `next`. The per-call fields belong to the drivers that
// load and call modules; discovery leaves them at their initial values.
struct PlugInRecord {
    std::uint32_t hostSignature = TSPI_HOST_SIGNATURE;
    std::int32_t serialNumber = TSPI_SERIAL_NUMBER;
    char modulePath[kModulePathCapacity] = {};  // full path of the module file
    std::intptr_t plugInData = 0;               // the module's private word, passed by address
    TsPiHandle parameters = nullptr;            // a filter's saved parameters
    std::uint32_t supportedModes = kAllModes;   // bit n: accepts image mode n (recorded only)
    std::int32_t kind = kPlugInKindUnknown;
    char name[kPlugInNameCapacity] = {};              // menu text
    char category[kPlugInCategoryCapacity] = {};      // filter submenu
    std::uint8_t readType[4] = {};                    // "RdTy" of a format module, as stored
    char readExtension[kReadExtensionCapacity] = {};  // "RdEx" of a format module, as text

    // Per-call fields: the block of the current call, the file a format
    // module works on, and the suites handed to the module, which must stay
    // put while it runs.
    void* currentBlock = nullptr;
    TsPiFileSpec fileSpec = {};
    TsPiBufferSuite bufferSuite = {};
    TsPiResourceSuite resourceSuite = {};
    TsPiHandleSuite handleSuite = {};
    TsPiImageServicesSuite imageServicesSuite = {};
    TsPiPropertySuite propertySuite = {};

    std::uint8_t hasWindowsEntryName = 0;      // 1 when the list had "wx86"
    std::uint8_t hasAlternativeEntryName = 0;  // 1 for "fx86" or a module registered by extension

    // Set while the module is loaded.
    void* moduleHandle = nullptr;
    std::intptr_t fileHandle = -1;
    void* mappingHandle = nullptr;
    TsPiEntryProc entryPoint = nullptr;

    std::uint32_t commandId = 0;  // 0 until registered with a kind that has a range
    char alternativeEntryName[kAlternativeEntryNameCapacity] = {};
    char windowsEntryName[kWindowsEntryNameCapacity] = {};

    std::unique_ptr<PlugInRecord> next;  // the next record of the plug-in list

    // Stores the module's path; false (nothing changed) when it does not
    // fit, since a cut path would name another file.
    bool setModulePath(std::string_view path);
};

}  // namespace tessary
