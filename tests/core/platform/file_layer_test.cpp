#include "platform/file_layer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <string>
#include <vector>

#include "core/platform/platform_fakes.h"
#include "support/temp_dir.h"

namespace tessary::platform {
namespace {

using test::CountingFileLayer;
using test::TempDir;

std::string readFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFileBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// ---------------------------------------------------------------- errno maps

struct ErrnoCase {
    int error;
    FileError open;
    FileError create;
};

TEST(FileLayerErrnoMapping, OpenAndCreateCodesFollowTheTable) {
    const ErrnoCase cases[] = {
        {ENOENT, kFileNotFound, kFileNotFound},
        {ENOTDIR, kFileNotFound, kFileNotFound},
        {EACCES, kWritePermission, kFileBusy},
        {EPERM, kWritePermission, kFileBusy},
        {EROFS, kWritePermission, kFileBusy},
        {EISDIR, kWritePermission, kFileBusy},
        {ENAMETOOLONG, kBadName, kIOErr},
        {EINVAL, kBadName, kIOErr},
        {ELOOP, kBadName, kIOErr},
        {EMFILE, kTooManyFiles, kTooManyFiles},
        {ENFILE, kTooManyFiles, kTooManyFiles},
        {EIO, kIOErr, kIOErr},
        {ENOSPC, kIOErr, kIOErr},
        {ENXIO, kIOErr, kIOErr},
    };
    for (const ErrnoCase& c : cases) {
        SCOPED_TRACE("errno " + std::to_string(c.error));
        EXPECT_EQ(openErrorFromErrno(c.error), c.open);
        EXPECT_EQ(createErrorFromErrno(c.error), c.create);
    }
}

TEST(FileLayerErrnoMapping, WriteAndSeekCodes) {
    EXPECT_EQ(writeErrorFromErrno(ENOSPC), kDiskFull);
    EXPECT_EQ(writeErrorFromErrno(EDQUOT), kDiskFull);
    EXPECT_EQ(writeErrorFromErrno(EIO), kIOErr);
    EXPECT_EQ(writeErrorFromErrno(EBADF), kIOErr);
    EXPECT_EQ(writeErrorFromErrno(EFBIG), kIOErr);
    EXPECT_EQ(seekErrorFromErrno(EBADF), kBadFileHandle);
    EXPECT_EQ(seekErrorFromErrno(EINVAL), kPositionErr);
    EXPECT_EQ(seekErrorFromErrno(ESPIPE), kPositionErr);
    EXPECT_EQ(seekErrorFromErrno(EOVERFLOW), kPositionErr);
}

// ------------------------------------------------------- real open and create

TEST(FileLayerOpen, ErrorsFromTheSystemAreMapped) {
    TempDir dir;
    FileLayer files;
    FileHandle handle = 12345;

    EXPECT_EQ(files.openExisting(dir / "missing", handle), kFileNotFound);
    EXPECT_EQ(handle, kNoFile);
    EXPECT_EQ(files.openExisting(dir / "no-folder" / "file", handle), kFileNotFound);
    EXPECT_EQ(files.openExisting(dir / std::string(300, 'n'), handle), kBadName);
    EXPECT_EQ(files.openExisting(dir.path(), handle), kWritePermission);  // a folder
    EXPECT_EQ(files.openExisting(std::string("bad\0name", 8), handle), kBadName);

    EXPECT_EQ(files.create(dir / "no-folder" / "file", handle), kFileNotFound);
    EXPECT_EQ(files.create(dir.path(), handle), kFileBusy);
    EXPECT_EQ(handle, kNoFile);
}

TEST(FileLayerOpen, CreateInAReadOnlyFolderIsRefused) {
    TempDir dir;
    test::ReadOnlyFolder readOnly(dir.path());
    if (!readOnly.applied()) GTEST_SKIP() << "cannot make a folder read-only here";
    FileLayer files;
    FileHandle handle = kNoFile;
    EXPECT_EQ(files.create(dir / "new", handle), kFileBusy);
    EXPECT_FALSE(std::filesystem::exists(dir / "new"));
}

// Opens and creates while the process has no descriptor left. The
// undefined-behaviour checker's type check of the call needs a descriptor of
// its own and reports a false error then, so it is off for these two calls.
__attribute__((no_sanitize_undefined)) void openAndCreateWithoutDescriptors(
    FileLayer& files, const std::filesystem::path& existing, const std::filesystem::path& fresh,
    FileError& openResult, FileError& createResult) {
    FileHandle handle = kNoFile;
    openResult = files.openExisting(existing, handle);
    createResult = files.create(fresh, handle);
}

TEST(FileLayerOpen, TooManyOpenFiles) {
    TempDir dir;
    FileLayer files;
    writeFileBytes(dir / "existing", "x");

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit lowered = saved;
    lowered.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
    std::vector<int> filler;
    for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) filler.push_back(fd);

    FileError openResult = kNoErr;
    FileError createResult = kNoErr;
    openAndCreateWithoutDescriptors(files, dir / "existing", dir / "another", openResult,
                                    createResult);

    for (int fd : filler) ::close(fd);
    ::setrlimit(RLIMIT_NOFILE, &saved);

    EXPECT_EQ(openResult, kTooManyFiles);
    EXPECT_EQ(createResult, kTooManyFiles);
}

TEST(FileLayerOpen, AHeldFileRefusesASecondOpenerAndKeepsItsContents) {
    TempDir dir;
    FileLayer files;
    FileHandle first = kNoFile;
    ASSERT_EQ(files.create(dir / "held", first), kNoErr);
    std::size_t done = 0;
    ASSERT_EQ(files.write(first, "payload", 7, done), kNoErr);

    FileHandle second = kNoFile;
    EXPECT_EQ(files.openExisting(dir / "held", second), kFileBusy);
    EXPECT_EQ(files.create(dir / "held", second), kFileBusy);
    EXPECT_EQ(second, kNoFile);
    EXPECT_EQ(readFileBytes(dir / "held"), "payload");

    ASSERT_EQ(files.close(first), kNoErr);
    ASSERT_EQ(files.openExisting(dir / "held", second), kNoErr);
    EXPECT_EQ(files.close(second), kNoErr);
}

TEST(FileLayerOpen, CreateTruncatesAnExistingFileAndMakesNewOnesPrivate) {
    TempDir dir;
    FileLayer files;
    writeFileBytes(dir / "old", std::string(1000, 'q'));
    FileHandle handle = kNoFile;
    ASSERT_EQ(files.create(dir / "old", handle), kNoErr);
    EXPECT_EQ(std::filesystem::file_size(dir / "old"), 0u);
    EXPECT_EQ(files.close(handle), kNoErr);

    // Whatever the umask, a new file is readable and writable by its owner
    // only: swap files hold the user's pixels.
    const mode_t previous = ::umask(0);
    ASSERT_EQ(files.create(dir / "new", handle), kNoErr);
    ::umask(previous);
    EXPECT_EQ(files.close(handle), kNoErr);
    struct stat info {};
    ASSERT_EQ(::stat((dir / "new").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(FileLayerOpen, HandlesAreNotInheritedByChildProcesses) {
    TempDir dir;
    FileLayer files;
    FileHandle handle = kNoFile;
    ASSERT_EQ(files.create(dir / "f", handle), kNoErr);
    const int flags = ::fcntl(static_cast<int>(handle), F_GETFD);
    EXPECT_NE(flags & FD_CLOEXEC, 0);
    files.close(handle);
}

// ------------------------------------------------------------ data transfer

TEST(FileLayerTransfer, SequentialAndPositionedReadsAndWrites) {
    TempDir dir;
    FileLayer files;
    FileHandle handle = kNoFile;
    ASSERT_EQ(files.create(dir / "data", handle), kNoErr);

    std::size_t done = 0;
    ASSERT_EQ(files.write(handle, "0123456789", 10, done), kNoErr);
    EXPECT_EQ(done, 10u);
    ASSERT_EQ(files.writeAt(handle, 3, "abc", 3, done), kNoErr);
    EXPECT_EQ(done, 3u);

    char buffer[16] = {};
    ASSERT_EQ(files.setPosition(handle, 2, SeekFrom::Start), kNoErr);
    ASSERT_EQ(files.read(handle, buffer, 4, done), kNoErr);
    EXPECT_EQ(std::string(buffer, done), "2abc");
    ASSERT_EQ(files.setPosition(handle, -2, SeekFrom::End), kNoErr);
    ASSERT_EQ(files.read(handle, buffer, 16, done), kNoErr);  // short at end of file
    EXPECT_EQ(std::string(buffer, done), "89");
    ASSERT_EQ(files.readAt(handle, 6, buffer, 3, done), kNoErr);
    EXPECT_EQ(std::string(buffer, done), "678");
    ASSERT_EQ(files.readAt(handle, 100, buffer, 3, done), kNoErr);
    EXPECT_EQ(done, 0u);
    ASSERT_EQ(files.close(handle), kNoErr);
    EXPECT_EQ(readFileBytes(dir / "data"), "012abc6789");
}

TEST(FileLayerTransfer, FailuresAreMapped) {
    TempDir dir;
    FileLayer files;
    std::size_t done = 99;
    char buffer[8] = {};

    // A full device.
    FileHandle full = kNoFile;
    ASSERT_EQ(files.openExisting("/dev/full", full), kNoErr);
    EXPECT_EQ(files.write(full, "abc", 3, done), kDiskFull);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(files.writeAt(full, 0, "abc", 3, done), kDiskFull);
    files.close(full);

    // Bad handles.
    EXPECT_EQ(files.read(kNoFile, buffer, 4, done), kIOErr);
    EXPECT_EQ(files.readAt(1 << 30, 0, buffer, 4, done), kIOErr);
    EXPECT_EQ(files.write(kNoFile, "abc", 3, done), kIOErr);
    EXPECT_EQ(files.setPosition(kNoFile, 0, SeekFrom::Start), kBadFileHandle);
    EXPECT_EQ(files.setPosition(1 << 30, 0, SeekFrom::Start), kBadFileHandle);
    EXPECT_EQ(files.close(kNoFile), kBadFileHandle);

    // A bad position, and a handle closed twice.
    FileHandle handle = kNoFile;
    ASSERT_EQ(files.create(dir / "f", handle), kNoErr);
    EXPECT_EQ(files.setPosition(handle, -5, SeekFrom::Start), kPositionErr);
    EXPECT_EQ(files.readAt(handle, ~std::uint64_t{0} - 2, buffer, 4, done), kPositionErr);
    EXPECT_EQ(files.writeAt(handle, ~std::uint64_t{0} - 2, "abcd", 4, done), kPositionErr);
    EXPECT_EQ(files.close(handle), kNoErr);
    EXPECT_EQ(files.close(handle), kBadFileHandle);

    // A pipe cannot be written at a position.
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    EXPECT_EQ(files.writeAt(pipeEnds[1], 0, "abc", 3, done), kIOErr);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
}

TEST(FileLayerTransfer, RemoveDeletesAndReportsMissingFiles) {
    TempDir dir;
    FileLayer files;
    writeFileBytes(dir / "doomed", "x");
    EXPECT_EQ(files.remove(dir / "doomed"), kNoErr);
    EXPECT_FALSE(std::filesystem::exists(dir / "doomed"));
    EXPECT_EQ(files.remove(dir / "doomed"), kFileNotFound);
}

// ---------------------------------------------------------------- writeZeros

class WriteZerosTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(files.create(dir / "zeros", handle), kNoErr);
        std::size_t done = 0;
        ASSERT_EQ(files.write(handle, "head", 4, done), kNoErr);
        files.resetCounts();
    }
    void TearDown() override { files.close(handle); }

    // The file must be "head" followed by `zeros` zero bytes.
    void expectHeadThenZeros(std::uint64_t zeros) {
        const std::string bytes = readFileBytes(dir / "zeros");
        ASSERT_EQ(bytes.size(), 4 + zeros);
        EXPECT_EQ(bytes.substr(0, 4), "head");
        EXPECT_EQ(bytes.find_first_not_of('\0', 4), std::string::npos);
    }

    TempDir dir;
    CountingFileLayer files;
    FileHandle handle = kNoFile;
};

// Space reserved from the start of the file keeps what is there and reads
// as zeros beyond it, with nothing written.
TEST_F(WriteZerosTest, ReservingExtendsTheFileWithZerosWithoutWriting) {
    files.reserveSpace = true;
    EXPECT_EQ(files.reserveZeros(handle, 4 + 200000), kNoErr);
    EXPECT_TRUE(files.writeSizes.empty());
    expectHeadThenZeros(200000);
}

TEST_F(WriteZerosTest, WritesInChunksOf64KB) {
    std::uint64_t written = 0;
    EXPECT_EQ(files.writeZeros(handle, 200000, written), kNoErr);
    EXPECT_EQ(written, 200000u);
    EXPECT_EQ(files.writeSizes, (std::vector<std::size_t>{65536, 65536, 65536, 3392}));
    expectHeadThenZeros(200000);
}

TEST_F(WriteZerosTest, NothingToWriteAllocatesNothing) {
    std::uint64_t written = 7;
    EXPECT_EQ(files.writeZeros(handle, 0, written), kNoErr);
    EXPECT_EQ(written, 0u);
    EXPECT_TRUE(files.chunkRequests.empty());
    EXPECT_TRUE(files.writeSizes.empty());
}

TEST_F(WriteZerosTest, HalvesTheChunkWhenMemoryIsShort) {
    files.largestChunk = 4096;
    std::uint64_t written = 0;
    EXPECT_EQ(files.writeZeros(handle, 10000, written), kNoErr);
    EXPECT_EQ(written, 10000u);
    EXPECT_EQ(files.chunkRequests, (std::vector<std::size_t>{65536, 32768, 16384, 8192, 4096}));
    EXPECT_EQ(files.writeSizes, (std::vector<std::size_t>{4096, 4096, 1808}));
    expectHeadThenZeros(10000);  // the chunk came full of garbage
}

TEST_F(WriteZerosTest, SettlesFor512Bytes) {
    files.largestChunk = 512;
    std::uint64_t written = 0;
    EXPECT_EQ(files.writeZeros(handle, 1500, written), kNoErr);
    EXPECT_EQ(files.chunkRequests.back(), 512u);
    EXPECT_EQ(files.writeSizes, (std::vector<std::size_t>{512, 512, 476}));
    expectHeadThenZeros(1500);
}

TEST_F(WriteZerosTest, OutOfMemoryBelow512Bytes) {
    files.largestChunk = 511;
    std::uint64_t written = 99;
    EXPECT_EQ(files.writeZeros(handle, 1500, written), kOutOfMemory);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(files.chunkRequests,
              (std::vector<std::size_t>{65536, 32768, 16384, 8192, 4096, 2048, 1024, 512}));
    EXPECT_TRUE(files.writeSizes.empty());
    expectHeadThenZeros(0);
}

TEST_F(WriteZerosTest, StopsOnAFullDiskWithTheCountWritten) {
    files.diskBytesLeft = 100000;
    std::uint64_t written = 0;
    EXPECT_EQ(files.writeZeros(handle, 300000, written), kDiskFull);
    EXPECT_EQ(written, 100000u);
    EXPECT_EQ(files.writeSizes.size(), 2u);  // 65,536 whole, then 34,464 of the next
    expectHeadThenZeros(100000);
}

TEST_F(WriteZerosTest, StopsOnOtherWriteErrors) {
    files.writeFailure = kIOErr;
    std::uint64_t written = 99;
    EXPECT_EQ(files.writeZeros(handle, 300000, written), kIOErr);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(files.writeSizes.size(), 1u);
}

}  // namespace
}  // namespace tessary::platform
