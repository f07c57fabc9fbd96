#pragma once

#include "platform/module_resources.h"

namespace tessary::platform {

// Limits of the ELF reader beyond those of module_resources.h.
inline constexpr std::uint32_t kMaxElfSections = 65535;
inline constexpr std::uint64_t kMaxElfSectionBytes = 16 * 1024 * 1024;
// Property-list sections read per file (a linked module has one).
inline constexpr std::size_t kMaxElfPiPLSections = 16;

// True when the source starts with the ELF magic.
bool looksLikeElf(const ModuleByteSource& source);

// The property lists stored in the property-list section of an ELF module
// (every section of that name, in section order; within a section, blobs in
// the order found). A section is scanned at every multiple of 4 bytes from
// its start for the blob magic; a blob whose length runs past the section's
// end is skipped and the scan goes on after its magic. Ids are the blobs'
// resource ids; names stay empty.
ModuleResourceList readElfPiPLs(const ModuleByteSource& source);

}  // namespace tessary::platform
