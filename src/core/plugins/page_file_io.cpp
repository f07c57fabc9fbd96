#include "plugins/page_file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "app/error_messages.h"
#include "model/error_codes.h"
#include "model/page_data.h"
#include "plugins/format_run.h"

namespace tessary {

namespace {

constexpr std::uint32_t kUndoSelection = 5;

// Closes a descriptor when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() { closeNow(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now; false when closing reported an error (a write that did
    // not reach the disk).
    bool closeNow() {
        if (m_fd < 0) return true;
        const int result = ::close(m_fd);
        m_fd = -1;
        return result == 0;
    }

private:
    int m_fd;
};

// The permission bits a new file gets: 0666 less the umask.
mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Merges a floating selection into the page as one undoable change.
bool mergeFloatingSelection(Page& page) {
    if (!page.hasFloat()) return true;
    PageData& data = *page.pageData();
    if (!data.beginChange()) return false;
    const Rect selection = page.selectionRect();
    if (page.mergeFloat() != kErrNone) {
        data.abortChange();
        return false;
    }
    data.endChange();
    page.saveState(kUndoSelection, 0, selection);
    return true;
}

}  // namespace

std::string_view describePageFileError(PageFileError error) {
    switch (error) {
        case PageFileError::None:
            return "no error";
        case PageFileError::NoFormatModule:
            return "no format plug-in handles this file type";
        case PageFileError::CannotOpenFile:
            return "the file cannot be opened";
        case PageFileError::CannotCreateFile:
            return "the file cannot be created";
        case PageFileError::ModuleFailed:
            return "the format plug-in could not process the file";
        case PageFileError::ModuleNotLoaded:
            return "the format plug-in could not be loaded";
        case PageFileError::ModuleStopped:
            return "the format plug-in stopped unexpectedly";
        case PageFileError::NotEnoughMemory:
            return errorMessage(kErrMemory);
        case PageFileError::MergeFailed:
            return "the floating selection could not be merged";
        case PageFileError::CannotReplaceFile:
            return "the file could not be replaced";
        case PageFileError::PageNotShaped:
            return "the image holds no pixels";
        case PageFileError::Busy:
            return "another plug-in is running";
        case PageFileError::Cancelled:
            return "cancelled";
        case PageFileError::DiskFull:
            return errorMessage(kErrDisk);
    }
    return "unknown error";
}

PageFileIO::PageFileIO(PlugInHost& host, const PlugInList& list, const PageEnvironment& environment)
    : m_host(host), m_list(list), m_environment(environment) {}

std::unique_ptr<Page> PageFileIO::open(const std::filesystem::path& path, PageFileError* error,
                                       std::string* warning) {
    PageFileError local = PageFileError::None;
    PageFileError& result = error != nullptr ? *error : local;
    result = PageFileError::None;
    if (warning != nullptr) warning->clear();
    PlugInRecord* record = findFormatModule(m_list, path);
    if (record == nullptr) {
        result = PageFileError::NoFormatModule;
        return nullptr;
    }
    if (m_host.busy()) {
        result = PageFileError::Busy;
        return nullptr;
    }
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
        result = PageFileError::CannotOpenFile;
        return nullptr;
    }
    auto page = std::make_unique<Page>(m_environment);
    std::int16_t code = 0;
    if (!FormatReadWith(m_host, *record, path, file.get(), *page, &code) ||
        page->pageData() == nullptr) {
        result = moduleFailure(code);
        return nullptr;
    }
    page->setModified(false);
    if (warning != nullptr) *warning = m_host.moduleWarning();
    return page;
}

PageFileError PageFileIO::save(Page& page, const std::filesystem::path& path) {
    PlugInRecord* record = findFormatModule(m_list, path);
    if (record == nullptr) return PageFileError::NoFormatModule;
    if (page.pageData() == nullptr) return PageFileError::PageNotShaped;
    if (m_host.busy()) return PageFileError::Busy;
    if (!mergeFloatingSelection(page)) return PageFileError::MergeFailed;

    // The temporary file sits beside the target (same file system, so the
    // rename is atomic) and keeps the target's extension.
    const std::filesystem::path folder =
        path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
    const std::string extension = path.extension().native();
    std::string pattern = (folder / ("." + path.stem().native() + "-XXXXXX")).native() + extension;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkostemps(name.data(), static_cast<int>(extension.size()), O_CLOEXEC);
    if (fd < 0) return PageFileError::CannotCreateFile;
    Descriptor file(fd);
    const std::filesystem::path temporary(name.data());

    // mkostemps made the file 0600: the pixels are the owner's alone until
    // the file is complete. Only then does it take the permissions of the
    // file it replaces, or those of a new file.
    struct stat target {};
    const mode_t mode =
        ::stat(path.c_str(), &target) == 0 ? (target.st_mode & 07777) : newFileMode();

    std::int16_t code = 0;
    bool written = FormatWriteWith(m_host, *record, temporary, file.get(), page, true, &code);
    if (written) ::fchmod(file.get(), mode);
    // The system may take the last blocks only at fsync or close: a file
    // system that fills up then fails them with ENOSPC or EDQUOT.
    if (written && ::fsync(file.get()) != 0) {
        written = false;
        if (errno == ENOSPC || errno == EDQUOT) code = TSPI_ERR_DISK_FULL;
    }
    if (!file.closeNow()) {
        if (written && (errno == ENOSPC || errno == EDQUOT)) code = TSPI_ERR_DISK_FULL;
        written = false;
    }
    if (!written) {
        ::unlink(temporary.c_str());
        return moduleFailure(code);
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return PageFileError::CannotReplaceFile;
    }
    page.setModified(false);
    return PageFileError::None;
}

PageFileError PageFileIO::revert(Page& page, const std::filesystem::path& path) {
    PlugInRecord* record = findFormatModule(m_list, path);
    if (record == nullptr) return PageFileError::NoFormatModule;
    if (page.pageData() == nullptr) return PageFileError::PageNotShaped;
    if (m_host.busy()) return PageFileError::Busy;
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) return PageFileError::CannotOpenFile;
    std::int16_t code = 0;
    if (!FormatRereadWith(m_host, *record, path, file.get(), page, &code))
        return moduleFailure(code);
    return PageFileError::None;
}

PageFileError PageFileIO::moduleFailure(std::int16_t code) const {
    if (m_host.moduleStopped()) return PageFileError::ModuleStopped;
    if (m_host.cancelled()) return PageFileError::Cancelled;
    if (m_host.loadFailed()) return PageFileError::ModuleNotLoaded;
    if (code == TSPI_ERR_MEMORY_FULL) return PageFileError::NotEnoughMemory;
    if (code == TSPI_ERR_DISK_FULL) return PageFileError::DiskFull;
    return PageFileError::ModuleFailed;
}

}  // namespace tessary
