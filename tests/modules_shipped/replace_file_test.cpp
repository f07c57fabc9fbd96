#include "common/replace_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace tessary::modules {
namespace {

namespace fs = std::filesystem;

std::string contentsOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

mode_t modeOf(const fs::path& file) {
    struct stat info {};
    return ::stat(file.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().native());
    return names;
}

// The temporary file is the owner's alone while it is written; the finished
// file has the permissions of the file it replaced, or of a new file.
TEST(ReplaceFile, WritesForTheOwnerOnlyThenTakesTheFinalPermissions) {
    const mode_t mask = ::umask(022);
    struct Case {
        const char* name;
        int previousMode;  // -1: no previous file
        CodecStatus result;
    } cases[] = {
        {"new", -1, CodecStatus::Ok},
        {"replaced", 0640, CodecStatus::Ok},
        {"shared", 0664, CodecStatus::Ok},
        {"failed", 0644, CodecStatus::IoError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        const fs::path path = dir / "picture.jpg";
        if (c.previousMode >= 0) {
            std::ofstream(path) << "previous";
            ::chmod(path.c_str(), static_cast<mode_t>(c.previousMode));
        }
        mode_t whileWriting = 0;
        const CodecStatus status = replaceFile(path.native(), [&](int fd) {
            struct stat info {};
            if (::fstat(fd, &info) == 0) whileWriting = info.st_mode & 07777;
            if (::write(fd, "new", 3) != 3) return CodecStatus::IoError;
            return c.result;
        });
        EXPECT_EQ(status, c.result);
        EXPECT_EQ(whileWriting, 0600u);
        EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"picture.jpg"}));
        if (c.result != CodecStatus::Ok) {
            EXPECT_EQ(contentsOf(path), "previous");
            EXPECT_EQ(modeOf(path), static_cast<mode_t>(c.previousMode));
        } else {
            EXPECT_EQ(contentsOf(path), "new");
            EXPECT_EQ(modeOf(path),
                      c.previousMode >= 0 ? static_cast<mode_t>(c.previousMode) : mode_t{0644});
        }
    }
    ::umask(mask);
}

}  // namespace
}  // namespace tessary::modules
