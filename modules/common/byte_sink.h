#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "common/codec_status.h"
#include "common/unique_fd.h"

namespace tessary::modules {

// Sequential output of an encoder.
class ByteSink {
public:
    virtual ~ByteSink() = default;

    // Appends `count` bytes. After a failure the sink stays failed and
    // returns the same status again.
    virtual CodecStatus write(const void* bytes, std::size_t count) = 0;
    // Pushes buffered bytes to their destination.
    virtual CodecStatus flush() = 0;
    // Flushes and releases the destination (a file is closed, and a failure
    // to close reported); no writing afterwards.
    virtual CodecStatus close() { return flush(); }
    // Bytes accepted so far.
    virtual std::uint64_t bytesWritten() const = 0;
};

// Writes to a file descriptor it owns, through a buffer, starting at the
// descriptor's current position. Disk full is reported as DiskFull, other
// write failures as IoError. The destructor closes the descriptor without
// reporting errors: call close() to learn whether everything reached the
// file.
class FdByteSink final : public ByteSink {
public:
    explicit FdByteSink(UniqueFd fd, std::size_t bufferSize = 64 * 1024);
    ~FdByteSink() override;

    CodecStatus write(const void* bytes, std::size_t count) override;
    CodecStatus flush() override;
    CodecStatus close() override;
    std::uint64_t bytesWritten() const override { return m_written; }

private:
    CodecStatus writeAll(const std::uint8_t* bytes, std::size_t count);

    // Bytes written from which writing to the disk is started early.
    static constexpr std::uint64_t kStartWritingBytes = std::uint64_t{8} << 20;

    UniqueFd m_fd;
    std::vector<std::uint8_t> m_buffer;
    std::uint64_t m_started = 0;    // bytes from the start whose writing was started
    std::uint64_t m_unstarted = 0;  // bytes written since
    std::size_t m_fill = 0;
    std::uint64_t m_written = 0;
    CodecStatus m_failure = CodecStatus::Ok;
};

// Collects output in memory up to a capacity. Bytes beyond it are counted
// but not kept, and overflowed() becomes true; writing never fails, so an
// encoder can run to its end while its caller only wants to know the size.
class MemoryByteSink final : public ByteSink {
public:
    explicit MemoryByteSink(std::size_t capacity) : m_capacity(capacity) {}

    CodecStatus write(const void* bytes, std::size_t count) override;
    CodecStatus flush() override { return CodecStatus::Ok; }
    std::uint64_t bytesWritten() const override { return m_written; }

    bool overflowed() const { return m_written > m_capacity; }
    // The bytes kept: all of the output unless overflowed().
    const std::vector<std::uint8_t>& bytes() const { return m_bytes; }

private:
    std::size_t m_capacity;
    std::vector<std::uint8_t> m_bytes;
    std::uint64_t m_written = 0;
};

}  // namespace tessary::modules
