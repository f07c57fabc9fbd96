#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "common/codec_status.h"
#include "common/unique_fd.h"

namespace tessary::modules {

// Random-access read-only bytes: a file or a block of memory.
class ByteSource {
public:
    virtual ~ByteSource() = default;

    // Total size in bytes.
    virtual std::uint64_t size() const = 0;

    // Copies up to `count` bytes from `offset` into `destination` and sets
    // `*copied` to how many were copied: fewer than `count` only at the end
    // of the source (none when `offset` is at or past the end). IoError when
    // the underlying file fails.
    virtual CodecStatus readAt(std::uint64_t offset, void* destination, std::size_t count,
                               std::size_t* copied) = 0;

    // Reads exactly `count` bytes at `offset`; Corrupt when the source ends
    // before them (a truncated file).
    CodecStatus readExactly(std::uint64_t offset, void* destination, std::size_t count);
};

// Bytes of an open file, read with pread(): the file position of the
// descriptor is neither used nor moved. The size is taken once at open.
class FdByteSource final : public ByteSource {
public:
    // Takes ownership of `fd`; IoError when it cannot be examined or is not
    // a regular file of known size.
    static CodecStatus open(UniqueFd fd, std::unique_ptr<FdByteSource>* source);
    // Opens `path` for reading.
    static CodecStatus openPath(const char* path, std::unique_ptr<FdByteSource>* source);

    std::uint64_t size() const override { return m_size; }
    CodecStatus readAt(std::uint64_t offset, void* destination, std::size_t count,
                       std::size_t* copied) override;

private:
    FdByteSource(UniqueFd fd, std::uint64_t size) : m_fd(std::move(fd)), m_size(size) {}

    UniqueFd m_fd;
    std::uint64_t m_size;
};

// Bytes held by the caller, who keeps them alive while the source is used.
class MemoryByteSource final : public ByteSource {
public:
    explicit MemoryByteSource(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

    std::uint64_t size() const override { return m_bytes.size(); }
    CodecStatus readAt(std::uint64_t offset, void* destination, std::size_t count,
                       std::size_t* copied) override;

private:
    std::span<const std::uint8_t> m_bytes;
};

}  // namespace tessary::modules
