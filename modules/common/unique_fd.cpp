#include "common/unique_fd.h"

#include <fcntl.h>
#include <unistd.h>

namespace tessary::modules {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
}

int UniqueFd::release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

void UniqueFd::reset(int fd) {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = fd;
}

UniqueFd duplicateFd(int fd) {
    if (fd < 0) return UniqueFd();
    return UniqueFd(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
}

}  // namespace tessary::modules
