#pragma once

#include <string_view>

#include "platform/module_resources.h"

namespace tessary::platform {

// Directory entries the PE reader looks at in one file, over all three
// levels; bounds the work on a resource tree whose directories share
// entries or point back at each other.
inline constexpr std::size_t kMaxPeDirectoryEntries = 65536;
// Sections considered when mapping addresses (the Windows loader takes 96).
inline constexpr std::uint16_t kMaxPeSections = 1024;

// True when the source starts with the MZ signature of a Windows executable.
bool looksLikePe(const ModuleByteSource& source);

// The resources of type `typeName` in a Windows PE file (PE32 or PE32+),
// without loading it. The type is matched by its text name without regard
// to ASCII case (resource compilers store "PiPL" as "PIPL"); numbered types
// never match. The resource tree is read to its fixed depth of three levels
// (type, name, language); for each name the language-neutral data is taken
// when present, else the first language listed. Addresses are mapped to file
// offsets through the section table; a resource whose address does not map
// into a section's file data, or that is larger than the limits, is left out.
ModuleResourceList readPeResources(const ModuleByteSource& source, std::string_view typeName);

}  // namespace tessary::platform
