#pragma once

#include <cstddef>
#include <filesystem>

#include "plugins/plug_in_list.h"

namespace tessary {

// Folder levels below the plug-in folder that the scan enters.
inline constexpr std::size_t kMaxPlugInFolderDepth = 32;

// Registers every module found in `folder` and the folders below it on
// `list`. Nothing of a module's code runs: its property lists are read from
// the file.
//
// Entries of each folder are taken in byte order of their names (so command
// ids do not depend on the order the file system lists them in), depth first.
// Names beginning with the byte 0xC2 or 0xAC are skipped, files and folders
// alike. A folder is entered unless it was entered before (through a link)
// or lies more than kMaxPlugInFolderDepth levels down. A regular file goes on
// when its extension, upper-cased, is one of the six module extensions: each
// of its property lists becomes a record through ReadPiPL; when none was
// accepted (also when the file is neither ELF nor PE, or unreadable), the
// file is registered by its extension. A folder that cannot be read adds
// nothing. The process's current directory is not touched.
void ScanPlugInFolder(PlugInList& list, const std::filesystem::path& folder);

}  // namespace tessary
