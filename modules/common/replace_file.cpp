#include "common/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "common/unique_fd.h"

namespace tessary::modules {

namespace {

// The permission bits a new file gets: 0666 less the umask.
mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

CodecStatus replaceFile(const std::string& path, const std::function<CodecStatus(int fd)>& write) {
    // ".<name>-XXXXXX" in the same folder, so the rename cannot cross file
    // systems; mkostemp makes it 0600 and fails rather than reuse a name.
    const std::size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string pattern = folder + "." + name + "-XXXXXX";
    std::vector<char> temporary(pattern.begin(), pattern.end());
    temporary.push_back('\0');
    UniqueFd fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd.valid()) return CodecStatus::IoError;

    struct stat target {};
    const mode_t mode =
        ::stat(path.c_str(), &target) == 0 ? (target.st_mode & 07777) : newFileMode();
    CodecStatus status = write(fd.get());
    if (status == CodecStatus::Ok) {
        ::fchmod(fd.get(), mode);
        if (::fsync(fd.get()) != 0) status = CodecStatus::IoError;
    }
    if (::close(fd.release()) != 0 && status == CodecStatus::Ok) status = CodecStatus::IoError;
    if (status == CodecStatus::Ok && std::rename(temporary.data(), path.c_str()) != 0)
        status = CodecStatus::IoError;
    if (status != CodecStatus::Ok) ::unlink(temporary.data());
    return status;
}

}  // namespace tessary::modules
