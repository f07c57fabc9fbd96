#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

namespace tessary::platform {

// Random read access to the bytes of a module file, so that the resource
// readers work the same on a file on disk (reading only the parts they need)
// and on bytes in memory (tests, fuzzing).
class ModuleByteSource {
public:
    virtual ~ModuleByteSource() = default;

    // Total number of bytes.
    virtual std::uint64_t size() const = 0;

    // Copies `count` bytes starting at `offset` into `out`. False when the
    // range does not lie wholly inside the source or the read fails; `out`
    // is then unspecified. Never reads outside the source.
    virtual bool read(std::uint64_t offset, void* out, std::size_t count) const = 0;

    // True when [offset, offset + count) lies inside the source (no overflow).
    bool contains(std::uint64_t offset, std::uint64_t count) const {
        const std::uint64_t total = size();
        return offset <= total && count <= total - offset;
    }

    // Reads `count` bytes into a new vector; false when `read` fails.
    bool readVector(std::uint64_t offset, std::size_t count, std::vector<std::uint8_t>& out) const;
};

// Bytes held by the caller; they must outlive the source.
class MemoryByteSource final : public ModuleByteSource {
public:
    explicit MemoryByteSource(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}
    std::uint64_t size() const override { return m_bytes.size(); }
    bool read(std::uint64_t offset, void* out, std::size_t count) const override;

private:
    std::span<const std::uint8_t> m_bytes;
};

// A regular file opened read-only. Reads go straight to the file with
// positioned reads, so a file that shrinks while it is read yields failed
// reads, not a fault.
class FileByteSource final : public ModuleByteSource {
public:
    // Null when the path does not name a regular file that can be opened for
    // reading (folders, devices and pipes are refused without blocking).
    static std::unique_ptr<FileByteSource> open(const std::filesystem::path& path);
    ~FileByteSource() override;
    FileByteSource(const FileByteSource&) = delete;
    FileByteSource& operator=(const FileByteSource&) = delete;

    std::uint64_t size() const override { return m_size; }
    bool read(std::uint64_t offset, void* out, std::size_t count) const override;

private:
    FileByteSource(int descriptor, std::uint64_t size) : m_descriptor(descriptor), m_size(size) {}

    int m_descriptor;
    std::uint64_t m_size;
};

// Little- and big-endian integers at a byte position of a buffer the caller
// has already checked to be long enough.
inline std::uint16_t loadU16(const std::uint8_t* p, bool bigEndian) {
    return bigEndian ? static_cast<std::uint16_t>((p[0] << 8) | p[1])
                     : static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t loadU32(const std::uint8_t* p, bool bigEndian) {
    const std::uint32_t b0 = p[0], b1 = p[1], b2 = p[2], b3 = p[3];
    return bigEndian ? (b0 << 24) | (b1 << 16) | (b2 << 8) | b3
                     : b0 | (b1 << 8) | (b2 << 16) | (b3 << 24);
}
inline std::uint64_t loadU64(const std::uint8_t* p, bool bigEndian) {
    const std::uint64_t first = loadU32(p, bigEndian), second = loadU32(p + 4, bigEndian);
    return bigEndian ? (first << 32) | second : first | (second << 32);
}

}  // namespace tessary::platform
