#pragma once

namespace tessary::modules {

// Owns one file descriptor and closes it when destroyed.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Gives up ownership without closing.
    int release();
    // Closes the descriptor held, if any, and takes `fd`.
    void reset(int fd = -1);

private:
    int m_fd = -1;
};

// A duplicate of `fd` (close-on-exec) owned by the result; invalid when
// `fd` is not an open descriptor. Lets a module close its own stream
// without closing a descriptor that belongs to its caller.
UniqueFd duplicateFd(int fd);

}  // namespace tessary::modules
