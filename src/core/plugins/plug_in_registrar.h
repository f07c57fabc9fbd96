#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "plugins/plug_in_list.h"
#include "plugins/plug_in_record.h"

namespace tessary {

// Results of registration besides 0 (registered), kPiPLNotVersionZero,
// kPiPLPropertyNotFound and kPlugInCommandRangeFull.
inline constexpr std::int16_t kPiPLUnknownKind = 1;
inline constexpr std::int16_t kPiPLForeignHost = 6700;
inline constexpr std::int16_t kUnknownModuleExtension = -1;
inline constexpr std::int16_t kModulePathTooLong = -37;

// Longest extension looked at, in bytes.
inline constexpr std::size_t kMaxModuleExtension = 32;

// The text after the last "." of the path's file name, ASCII upper-cased and
// cut to kMaxModuleExtension bytes; empty when the name has no ".".
std::string moduleExtension(const std::filesystem::path& path);

// True for the six module extensions ("8BF", "8BA", "8BE", "8BI", "8BP",
// "8BY"), given upper-cased.
bool isModuleExtension(std::string_view upperExtension);

// Fills `record` from one property list of the module at `path` and puts it
// on `list`. `pipl` is the list's bytes, or nullopt when the resource could
// not be loaded: the record then goes on the list with kind -1 and no
// command id. Otherwise:
//   "kind" is required and must be one of the four kinds (a format's "RdTy"
//   and "RdEx" are read with it); "host", when present, must be four blanks
//   or the record's host signature (else kPiPLForeignHost); "mode" is read
//   over the supported modes and its low 16 bits reversed; "name" and
//   "catg" are length-prefixed texts kept to 63 bytes; "wx86" and "fx86"
//   are NUL-terminated texts, cut to their fields, each with its flag.
// Returns 0 when the record is on the list, else the reason it was refused
// (the record is then destroyed and the list unchanged).
std::int16_t ReadPiPL(PlugInList& list, std::unique_ptr<PlugInRecord> record,
                      const std::filesystem::path& path,
                      std::optional<std::span<const std::uint8_t>> pipl);

// Registers a module without a usable property list from its file name:
// name = the file name cut at its last ".", at most 63 bytes; kind by
// extension ("8BA" import, "8BE" export, "8BF" filter in category "Other",
// "8BI" format); every mode; entry name "ENTRYPOINT1". Returns 0, or
// kUnknownModuleExtension for other extensions (record destroyed).
std::int16_t RegisterByExtension(PlugInList& list, std::unique_ptr<PlugInRecord> record,
                                 const std::filesystem::path& path);

// Reverses the order of the low 16 bits (bit 0 becomes bit 15); the high 16
// bits stay.
std::uint32_t reverseLowModeBits(std::uint32_t modes);

}  // namespace tessary
