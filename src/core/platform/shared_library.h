#pragma once

#include <filesystem>
#include <string>

namespace tessary::platform {

// A shared library loaded into the process (dlopen), released when the
// object goes away or close() is called. Symbols are resolved at load time
// (a library with unresolved references does not load) and kept local to
// the library.
class SharedLibrary {
public:
    SharedLibrary() = default;
    ~SharedLibrary();
    SharedLibrary(SharedLibrary&& other) noexcept;
    SharedLibrary& operator=(SharedLibrary&& other) noexcept;
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // Loads `path`, releasing any library held before. False when the file
    // is missing or is no library this process can load; error() then says
    // why and nothing is held.
    bool open(const std::filesystem::path& path);
    // Releases the library; nothing happens when none is held.
    void close();
    bool isOpen() const { return m_handle != nullptr; }

    // The address of the exported symbol `name`, or null when the library
    // exports none (or none is held).
    void* symbol(const char* name) const;
    const std::string& error() const { return m_error; }

private:
    void* m_handle = nullptr;
    std::string m_error;
};

}  // namespace tessary::platform
