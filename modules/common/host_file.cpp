#include "common/host_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tessary::modules {

std::string fileSpecPath(const TsPiFileSpec* fileSpec) {
    if (fileSpec == nullptr) return std::string();
    const void* end = std::memchr(fileSpec->path, '\0', sizeof(fileSpec->path));
    if (end == nullptr) return std::string();
    return std::string(fileSpec->path, static_cast<const char*>(end));
}

UniqueFd openHostFileForReading(std::int32_t dataFork, const TsPiFileSpec* fileSpec) {
    UniqueFd fd = duplicateFd(dataFork);
    if (fd.valid()) return fd;
    const std::string path = fileSpecPath(fileSpec);
    if (path.empty()) return UniqueFd();
    return UniqueFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
}

CodecStatus openHostFileForWriting(std::int32_t dataFork, UniqueFd* fd) {
    UniqueFd copy = duplicateFd(dataFork);
    if (!copy.valid()) return CodecStatus::IoError;
    // The duplicate shares the host's file offset; writing starts at 0
    // whatever the host did with the descriptor before.
    if (::lseek(copy.get(), 0, SEEK_SET) != 0) {
        if (errno != ESPIPE) return CodecStatus::IoError;
    } else if (::ftruncate(copy.get(), 0) != 0 && errno != EINVAL) {
        return CodecStatus::IoError;
    }
    *fd = std::move(copy);
    return CodecStatus::Ok;
}

void setPString(TsPiPString destination, std::string_view text) {
    const std::size_t length = text.size() < 255 ? text.size() : 255;
    destination[0] = static_cast<unsigned char>(length);
    std::memcpy(destination + 1, text.data(), length);
}

std::string pstringText(const TsPiPString source) {
    return std::string(reinterpret_cast<const char*>(source + 1), source[0]);
}

std::optional<long> environmentInteger(const char* who, const char* name, long minimum,
                                       long maximum) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0') return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < minimum || value > maximum) {
        std::fprintf(stderr, "%s: ignoring %s=\"%s\" (expected an integer from %ld to %ld)\n", who,
                     name, text, minimum, maximum);
        return std::nullopt;
    }
    return value;
}

}  // namespace tessary::modules
