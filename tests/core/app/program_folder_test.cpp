#include "app/program_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/temp_dir.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;

TEST(ProgramFolder, WritableExecutableFolderIsUsed) {
    EXPECT_EQ(chooseProgramFolder("/opt/tessary/bin", true, "/home/u/data", "/home/u"),
              fs::path("/opt/tessary/bin"));
}

TEST(ProgramFolder, OtherwiseTheUserDataFolder) {
    EXPECT_EQ(chooseProgramFolder("/usr/bin", false, "/home/u/data", "/home/u"),
              fs::path("/home/u/data/tessary"));
    // XDG_DATA_HOME unset, empty or relative: $HOME/.local/share.
    EXPECT_EQ(chooseProgramFolder("/usr/bin", false, "", "/home/u"),
              fs::path("/home/u/.local/share/tessary"));
    EXPECT_EQ(chooseProgramFolder("/usr/bin", false, "relative/data", "/home/u"),
              fs::path("/home/u/.local/share/tessary"));
    // Nothing usable to fall back on: the executable's folder.
    EXPECT_EQ(chooseProgramFolder("/usr/bin", false, "", ""), fs::path("/usr/bin"));
    EXPECT_EQ(chooseProgramFolder("/usr/bin", false, "", "home"), fs::path("/usr/bin"));
}

TEST(ProgramFolder, EnvironmentOverrideWins) {
    test::TempDir dir;
    ASSERT_EQ(::setenv("TESSARY_PROGRAM_FOLDER", dir.path().c_str(), 1), 0);
    EXPECT_EQ(defaultProgramFolder(), dir.path());
    ASSERT_EQ(::setenv("TESSARY_PROGRAM_FOLDER", "relative", 1), 0);
    EXPECT_NE(defaultProgramFolder(), fs::path("relative"));
    ::unsetenv("TESSARY_PROGRAM_FOLDER");
}

TEST(ProgramFolder, DefaultIsAnExistingFolder) {
    // Should the test program's folder not be writable, the fallback is made
    // in a temporary folder rather than in the user's real data folder.
    test::TempDir data;
    ::unsetenv("TESSARY_PROGRAM_FOLDER");
    ASSERT_EQ(::setenv("XDG_DATA_HOME", data.path().c_str(), 1), 0);
    const fs::path folder = defaultProgramFolder();
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_TRUE(folder.is_absolute());
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_TRUE(folder == fs::read_symlink("/proc/self/exe").parent_path() ||
                folder == data.path() / "tessary")
        << folder;
}

}  // namespace
}  // namespace tessary
