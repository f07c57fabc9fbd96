#include "platform/shared_library.h"

#include <dlfcn.h>

#include <utility>

namespace tessary::platform {

SharedLibrary::~SharedLibrary() {
    close();
}

SharedLibrary::SharedLibrary(SharedLibrary&& other) noexcept
    : m_handle(std::exchange(other.m_handle, nullptr)), m_error(std::move(other.m_error)) {}

SharedLibrary& SharedLibrary::operator=(SharedLibrary&& other) noexcept {
    if (this != &other) {
        close();
        m_handle = std::exchange(other.m_handle, nullptr);
        m_error = std::move(other.m_error);
    }
    return *this;
}

bool SharedLibrary::open(const std::filesystem::path& path) {
    close();
    m_error.clear();
    ::dlerror();
    m_handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m_handle == nullptr) {
        const char* why = ::dlerror();
        m_error = why != nullptr ? why : "cannot load " + path.string();
        return false;
    }
    return true;
}

void SharedLibrary::close() {
    if (m_handle != nullptr) ::dlclose(m_handle);
    m_handle = nullptr;
}

void* SharedLibrary::symbol(const char* name) const {
    if (m_handle == nullptr || name == nullptr) return nullptr;
    return ::dlsym(m_handle, name);
}

}  // namespace tessary::platform
