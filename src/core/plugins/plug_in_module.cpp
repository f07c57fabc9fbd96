#include "plugins/plug_in_module.h"

#include <dlfcn.h>
#include <sys/stat.h>

namespace tessary {

LoadedModule loadModule(const char* path, const char* entryName) {
    LoadedModule module;
    struct stat info {};
    if (path == nullptr || ::stat(path, &info) != 0) {
        module.code = kModuleFileNotFound;
        return module;
    }
    if (!S_ISREG(info.st_mode)) {
        module.code = kModuleNotLoadable;
        return module;
    }
    ::dlerror();
    module.library = ::dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (module.library == nullptr) {
        const char* why = ::dlerror();
        module.message = why != nullptr ? why : "";
        module.code = kModuleNotLoadable;
        return module;
    }
    if (entryName != nullptr && entryName[0] != '\0') {
        ::dlerror();
        void* symbol = ::dlsym(module.library, entryName);
        if (symbol != nullptr) module.entry = reinterpret_cast<TsPiEntryProc>(symbol);
    }
    if (module.entry == nullptr) module.code = kModuleNoEntryPoint;
    return module;
}

void unloadModule(void* library) {
    if (library != nullptr) ::dlclose(library);
}

}  // namespace tessary
