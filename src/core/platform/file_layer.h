#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace tessary::platform {

// The file layer's own small error codes. Every operation returns one of
// these; 0 means success. Codes are mapped from errno by the real layer.
using FileError = std::int16_t;
inline constexpr FileError kNoErr = 0;
inline constexpr FileError kDiskFull = -34;
inline constexpr FileError kNoSuchVolume = -35;
inline constexpr FileError kIOErr = -36;
inline constexpr FileError kBadName = -37;
inline constexpr FileError kPositionErr = -40;
inline constexpr FileError kTooManyFiles = -42;
inline constexpr FileError kFileNotFound = -43;
inline constexpr FileError kFileBusy = -49;
inline constexpr FileError kBadFileHandle = -51;
inline constexpr FileError kWritePermission = -61;
inline constexpr FileError kOutOfMemory = -108;

using FileHandle = std::intptr_t;
inline constexpr FileHandle kNoFile = -1;

enum class SeekFrom { Start, Current, End };

// Thin layer over the operating system's files. Every entry is virtual so
// that tests can count calls or pretend the disk is full, read-only or
// failing, while the rest of the engine runs unchanged on real files.
//
// A handle is a POSIX file descriptor. Files opened or created here are held
// exclusively: the layer takes a non-blocking exclusive advisory lock (flock)
// on them, so a second opener (another process, or another open of the same
// file in this one) is refused while the first holds the file. Handles are
// close-on-exec: the program starts no child process that needs them, and an
// inherited handle would keep a deleted swap file's space alive in the child.
class FileLayer {
public:
    virtual ~FileLayer() = default;

    // Opens an existing file for reading and writing with a random-access
    // hint. Errors: -43 not found, -61 permission, -37 bad name, -42 too many
    // files, -49 held by another opener, -36 anything else. `out` is kNoFile
    // on failure.
    virtual FileError openExisting(const std::filesystem::path& path, FileHandle& out);
    // Creates a file, or truncates an existing one that nobody else holds.
    // Errors: -43 folder not found, -49 permission or held by another opener,
    // -42 too many files, -36 anything else (a file that is held is left
    // untouched).
    virtual FileError create(const std::filesystem::path& path, FileHandle& out);
    // Deletes a file. Errors: -43 not found, -61 permission, -36 otherwise.
    virtual FileError remove(const std::filesystem::path& path);
    // Puts the file at `from` in the place of `to` in one step (a file at
    // `to` is replaced; both are in the same folder). Errors as remove().
    virtual FileError rename(const std::filesystem::path& from, const std::filesystem::path& to);

    // Reads up to count bytes at the current position; done receives the
    // count read (short at end of file, which is not an error). -36 on error.
    virtual FileError read(FileHandle file, void* buffer, std::size_t count, std::size_t& done);
    // Writes count bytes at the current position; -34 when the disk is
    // full (done tells how much went out), -36 otherwise.
    virtual FileError write(FileHandle file, const void* buffer, std::size_t count,
                            std::size_t& done);
    // Positioned forms used by the tile store: they leave the current
    // position alone and, barring errors or end of file, transfer the whole
    // count (normally in one system call). Error codes as for read and
    // write; an offset beyond the largest file position gives -40.
    virtual FileError readAt(FileHandle file, std::uint64_t offset, void* buffer, std::size_t count,
                             std::size_t& done);
    virtual FileError writeAt(FileHandle file, std::uint64_t offset, const void* buffer,
                              std::size_t count, std::size_t& done);
    // -51 for a bad handle, -40 for a bad position.
    virtual FileError setPosition(FileHandle file, std::int64_t offset, SeekFrom from);
    virtual FileError close(FileHandle file);

    // Writes `count` zero bytes at the current position in chunks of 64 KB,
    // halving the chunk down to 512 bytes when memory for it is short (-108
    // when not even 512 bytes can be had). On a full disk it stops with -34;
    // `written` always tells how many bytes went out.
    FileError writeZeros(FileHandle file, std::uint64_t count, std::uint64_t& written);
    // Gives the file its first `count` bytes, reading as zeros, with the
    // disk space reserved, so that later writes there never extend the file
    // or find the disk full. Asks the file system to allocate the space
    // without writing it (fast on file systems that can); -34 when the disk
    // has not that much room (nothing is reserved then), -36 when the file
    // system cannot reserve space this way (callers then write zeros).
    virtual FileError reserveZeros(FileHandle file, std::uint64_t count);

protected:
    // Allocation of the zero chunk; tests override it to simulate low memory.
    virtual void* allocateChunk(std::size_t bytes);
    virtual void freeChunk(void* chunk);
};

// Maps an errno value from open() of an existing file (and from deleting
// one) to the layer's code.
FileError openErrorFromErrno(int error);
// Maps an errno value from creating a file.
FileError createErrorFromErrno(int error);
// Maps an errno value from writing: -34 for a full disk or quota, else -36.
FileError writeErrorFromErrno(int error);
// Maps an errno value from positioning: -51 for a bad handle, else -40.
FileError seekErrorFromErrno(int error);

// The process-wide real file layer.
FileLayer& systemFileLayer();

}  // namespace tessary::platform
