#include "app/program_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/temp_dir.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;

const UserEnvironment kUser{"/home/u/data", "/home/u/conf", "/home/u/cache", "/home/u"};

TEST(ProgramFolder, AWritableBuildTreeKeepsEverythingBesideTheProgram) {
    const ProgramFolders folders = chooseProgramFolders("/src/build/bin", false, true, kUser);
    EXPECT_EQ(folders, foldersBeside("/src/build/bin"));
    EXPECT_EQ(folders.stuff, fs::path("/src/build/bin/QSStuff"));
    EXPECT_EQ(folders.working, fs::path("/src/build/bin/QSStuff/Temp"));
    EXPECT_EQ(folders.plugIns, fs::path("/src/build/bin/QSStuff/Plugins"));
    EXPECT_EQ(folders.preferenceFile, fs::path("/src/build/bin/QSStuff/QSPrefs"));
    EXPECT_TRUE(folders.shippedPlugIns.empty());
}

TEST(ProgramFolder, AnInstalledProgramReadsItsModulesAndWritesToTheUserFolders) {
    // Installed: the module folder beside bin/ decides, even when writable.
    for (bool writable : {false, true}) {
        const ProgramFolders folders = chooseProgramFolders("/usr/bin", true, writable, kUser);
        EXPECT_EQ(folders.program, fs::path("/usr/bin"));
        EXPECT_EQ(folders.shippedPlugIns, fs::path("/usr/lib/tessary/modules"));
        EXPECT_EQ(folders.plugIns, fs::path("/home/u/data/tessary/modules"));
        EXPECT_EQ(folders.preferenceFile, fs::path("/home/u/conf/tessary/QSPrefs"));
        EXPECT_EQ(folders.working, fs::path("/home/u/cache/tessary"));
    }
    // XDG variables unset, empty or relative: the defaults under $HOME.
    const ProgramFolders defaults =
        chooseProgramFolders("/opt/t/bin", true, false, {"", "relative", "", "/home/u"});
    EXPECT_EQ(defaults.plugIns, fs::path("/home/u/.local/share/tessary/modules"));
    EXPECT_EQ(defaults.stuff, fs::path("/home/u/.config/tessary"));
    EXPECT_EQ(defaults.working, fs::path("/home/u/.cache/tessary"));
    EXPECT_EQ(defaults.shippedPlugIns, fs::path("/opt/t/lib/tessary/modules"));
}

TEST(ProgramFolder, AReadOnlyBuildTreeKeepsItsModulesAndWritesToTheUserFolders) {
    const ProgramFolders folders = chooseProgramFolders("/ro/build/bin", false, false, kUser);
    EXPECT_EQ(folders.shippedPlugIns, fs::path("/ro/build/bin/QSStuff/Plugins"));
    EXPECT_EQ(folders.plugIns, fs::path("/home/u/data/tessary/modules"));
    EXPECT_EQ(folders.working, fs::path("/home/u/cache/tessary"));
    // Nothing usable to fall back on: the executable's folder.
    EXPECT_EQ(chooseProgramFolders("/usr/bin", true, false, {"", "", "", ""}),
              foldersBeside("/usr/bin"));
    EXPECT_EQ(chooseProgramFolders("/usr/bin", false, false, {"", "", "", "home"}),
              foldersBeside("/usr/bin"));
}

TEST(ProgramFolder, EnvironmentOverrideWins) {
    test::TempDir dir;
    ASSERT_EQ(::setenv("TESSARY_PROGRAM_FOLDER", dir.path().c_str(), 1), 0);
    EXPECT_EQ(defaultProgramFolder(), dir.path());
    EXPECT_EQ(defaultProgramFolders(), foldersBeside(dir.path()));
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
