#pragma once

#include <cstdint>
#include <string>

#include "tessary_plugin.h"

namespace tessary {

// Results of loading a module besides 0.
inline constexpr std::int16_t kModuleFileNotFound = TSPI_ERR_FILE_NOT_FOUND;
// The file exists but is no library this system can load (a Windows module,
// a damaged file, a library built for another machine).
inline constexpr std::int16_t kModuleNotLoadable = TSPI_ERR_IO;
// The library loaded but exports no entry point of the recorded name (or
// the record names none).
inline constexpr std::int16_t kModuleNoEntryPoint = TSPI_ERR_PROPERTY_UNDEFINED;

// A module loaded as a shared library, with its entry point.
struct LoadedModule {
    void* library = nullptr;        // from dlopen; null when not loaded
    TsPiEntryProc entry = nullptr;  // null when there is none
    std::int16_t code = 0;          // 0 or one of the codes above
    std::string message;            // the loader's explanation when it failed
};

// Loads the module at `path` as a shared library (its initialisers run) and
// looks up `entryName`, when not null. A file that cannot be loaded as a
// library stays unloaded: its code is never mapped and entered by other
// means. A library without the entry point stays loaded (the caller unloads
// it), so that its selectors can be answered uniformly.
LoadedModule loadModule(const char* path, const char* entryName);

// Releases a library from loadModule; null is ignored.
void unloadModule(void* library);

}  // namespace tessary
