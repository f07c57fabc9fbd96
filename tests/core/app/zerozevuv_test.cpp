#include "app/zerozevuv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "app/preference_file.h"
#include "app_fakes.h"
#include "support/temp_dir.h"

namespace tessary {
namespace {

namespace fs = std::filesystem;

class ZERozevuvTest : public ::testing::Test {
protected:
    ZERozevuvTest() {
        m_machine.physicalBytes = std::uint64_t{64} << 20;
        m_machine.freeBytes = 10.0 * 1024 * 1024;  // 10 MB: small swap files
    }

    fs::path working() const { return m_dir / "QSStuff" / "Temp"; }
    fs::path prefsPath() const { return m_dir / "QSStuff" / "QSPrefs"; }

    std::vector<std::string> swapFiles() const { return swapFilesIn(working()); }
    static std::vector<std::string> swapFilesIn(const fs::path& folder) {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(folder, error)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("VMemF_", 0) == 0) names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    std::vector<std::uint8_t> fileBytes(const fs::path& path) const {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void writeFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) const {
        fs::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    void writePrefs(const QSPrefs& record) const {
        const QSPrefs::Bytes bytes = record.toBytes();
        writeFile(prefsPath(), std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    }
    QSPrefs readPrefs() {
        QSPrefs record;
        EXPECT_TRUE(loadPreferenceFile(m_files, prefsPath(), record));
        return record;
    }

    test::TempDir m_dir;
    test::FakeMachine m_machine;
    test::ScriptedFileLayer m_files;
};

TEST_F(ZERozevuvTest, FirstStartCreatesFoldersAndRunsWithDefaults) {
    ASSERT_FALSE(fs::exists(m_dir / "QSStuff"));
    ZERozevuv globals(m_dir.path(), m_files, m_machine);
    EXPECT_EQ(globals.stuffFolder(), m_dir / "QSStuff");
    EXPECT_EQ(globals.workingFolder(), m_dir / "QSStuff" / "Temp");
    EXPECT_EQ(globals.plugInFolder(), m_dir / "QSStuff" / "Plugins");
    EXPECT_EQ(globals.preferenceFile(), m_dir / "QSStuff" / "QSPrefs");

    ASSERT_TRUE(globals.initialise());
    EXPECT_TRUE(globals.initialised());
    EXPECT_TRUE(fs::is_directory(m_dir / "QSStuff"));
    EXPECT_TRUE(fs::is_directory(m_dir / "QSStuff" / "Temp"));
    EXPECT_TRUE(fs::is_directory(m_dir / "QSStuff" / "Plugins"));
    // Only the owner enters the folder of the swap files.
    EXPECT_EQ(fs::status(working()).permissions(), fs::perms::owner_all);
    EXPECT_FALSE(globals.preferencesLoaded());
    EXPECT_FALSE(fs::exists(prefsPath()));  // read without creating

    EXPECT_EQ(globals.foreground(), 0x000000u);
    EXPECT_EQ(globals.background(), 0xFFFFFFu);
    EXPECT_EQ(globals.opacity(), 255);
    EXPECT_EQ(globals.unit(), 0);
    EXPECT_EQ(globals.budgetPrefs().vmMethod, 0);
    EXPECT_EQ(globals.budgetPrefs().mbToUse, 20);
    // Method 0 with 20 MB, limited to the free space less 1024 KB.
    EXPECT_EQ(globals.swapBudgetKB(), 10u * 1024 - 1024);
    EXPECT_TRUE(globals.tileStore().initialised());
    EXPECT_EQ(globals.volumeList().path(0), globals.workingFolder());
    EXPECT_EQ(globals.pageDataList().count(), 0);
    EXPECT_EQ(globals.blendTable().blend(255, 200, 10), 200);

    globals.shutDown();
    EXPECT_FALSE(globals.initialised());
    ASSERT_TRUE(fs::exists(prefsPath()));
    EXPECT_EQ(fs::file_size(prefsPath()), 224u);
    const QSPrefs saved = readPrefs();
    EXPECT_EQ(saved.word(1), 1);
    EXPECT_EQ(saved.word(12), 0);
    EXPECT_EQ(saved.word(13), 20);
    EXPECT_EQ(saved.word(14), 50);
    EXPECT_EQ(saved.word(15), 1);
    EXPECT_EQ(globals.preferenceWriteError(), platform::kNoErr);
}

TEST_F(ZERozevuvTest, PerUserFoldersHoldSwapAndPreferencesAndShippedModulesComeFirst) {
    // An installed layout: nothing may be written beside the program.
    ProgramFolders folders;
    folders.program = m_dir / "usr" / "bin";
    folders.shippedPlugIns = m_dir / "usr" / "lib" / "tessary" / "modules";
    folders.stuff = m_dir / "config";
    folders.preferenceFile = folders.stuff / "QSPrefs";
    folders.working = m_dir / "cache";
    folders.plugIns = m_dir / "data";
    {
        ZERozevuv globals(folders, m_files, m_machine);
        EXPECT_EQ(globals.plugInFolders(),
                  (std::vector<fs::path>{folders.shippedPlugIns, folders.plugIns}));
        ASSERT_TRUE(globals.initialise());
        EXPECT_FALSE(swapFilesIn(folders.working).empty());
        globals.shutDown();
    }
    EXPECT_TRUE(fs::is_regular_file(folders.preferenceFile));
    EXPECT_TRUE(fs::is_directory(folders.plugIns));
    EXPECT_FALSE(fs::exists(folders.program));
    EXPECT_FALSE(fs::exists(folders.shippedPlugIns));
    // The build-tree layout scans its one plug-in folder.
    EXPECT_EQ(ZERozevuv(m_dir.path()).plugInFolders(),
              (std::vector<fs::path>{m_dir / "QSStuff" / "Plugins"}));
}

TEST_F(ZERozevuvTest, ExistingFoldersAreFine) {
    fs::create_directories(working());
    fs::create_directories(m_dir / "QSStuff" / "Plugins");
    ZERozevuv globals(m_dir.path(), m_files, m_machine);
    EXPECT_TRUE(globals.initialise());
}

TEST_F(ZERozevuvTest, AFolderThatCannotBeMadeEndsStartUp) {
    const std::vector<fs::path> blockers = {"QSStuff", "QSStuff/Temp", "QSStuff/Plugins"};
    for (const fs::path& blocker : blockers) {
        test::TempDir dir;
        fs::create_directories((dir / blocker).parent_path());
        std::ofstream(dir / blocker) << "a file where a folder belongs";
        ZERozevuv globals(dir.path(), m_files, m_machine);
        EXPECT_FALSE(globals.initialise()) << blocker;
        EXPECT_FALSE(globals.initialised());
    }
    ZERozevuv missing(m_dir / "no" / "such" / "folder", m_files, m_machine);
    EXPECT_FALSE(missing.initialise());
}

TEST_F(ZERozevuvTest, StartUpNeedsAtLeast1025KBFree) {
    m_machine.freeBytes = 1024.0 * 1024;
    {
        ZERozevuv globals(m_dir.path(), m_files, m_machine);
        EXPECT_FALSE(globals.initialise());
        EXPECT_FALSE(globals.initialised());
        EXPECT_TRUE(swapFiles().empty());
    }
    EXPECT_FALSE(fs::exists(prefsPath()));  // a failed start writes nothing

    m_machine.freeBytes = 1025.0 * 1024;
    ZERozevuv globals(m_dir.path(), m_files, m_machine);
    ASSERT_TRUE(globals.initialise());
    EXPECT_EQ(globals.swapBudgetKB(), 1u);
    EXPECT_TRUE(swapFiles().empty());  // 1 KB makes no swap file; memory only
    const VMTile::TileNumber tile = globals.tileStore().allocateFilled(7);
    ASSERT_NE(tile, 0u);
    EXPECT_EQ(globals.tileStore().lock(tile)[100], 7);
    globals.tileStore().unlock(tile);
    globals.tileStore().release(tile);
}

TEST_F(ZERozevuvTest, FailedStartLeavesThePreferenceFileAlone) {
    QSPrefs record;
    record.setWord(14, 75);
    writePrefs(record);
    const std::vector<std::uint8_t> before = fileBytes(prefsPath());
    m_machine.freeBytes = 1000.0 * 1024;
    {
        ZERozevuv globals(m_dir.path(), m_files, m_machine);
        EXPECT_FALSE(globals.initialise());
        EXPECT_TRUE(globals.preferencesLoaded());
    }
    EXPECT_EQ(fileBytes(prefsPath()), before);
}

TEST_F(ZERozevuvTest, WorkingFolderDriveMustBeKnown) {
    m_machine.kind = platform::DriveKind::Unknown;
    ZERozevuv globals(m_dir.path(), m_files, m_machine);
    EXPECT_FALSE(globals.initialise());
}

TEST_F(ZERozevuvTest, OpticalDriveRunsWithoutSwapFiles) {
    m_machine.kind = platform::DriveKind::CdRom;
    ZERozevuv globals(m_dir.path(), m_files, m_machine);
    ASSERT_TRUE(globals.initialise());
    EXPECT_FALSE(globals.volumeList().usable(0));
    EXPECT_TRUE(swapFiles().empty());
}

TEST_F(ZERozevuvTest, SwapFilesExistWhileRunningAndGoAtShutdown) {
    ZERozevuv globals(m_dir.path(), m_files, m_machine);
    ASSERT_TRUE(globals.initialise());
    const std::vector<std::string> running = swapFiles();
    ASSERT_FALSE(running.empty());
    EXPECT_EQ(running.front(), "VMemF_00");
    std::uintmax_t swapBytes = 0;
    for (const std::string& name : running) swapBytes += fs::file_size(working() / name);
    EXPECT_GT(swapBytes, 0u);
    EXPECT_LE(swapBytes, std::uintmax_t{globals.swapBudgetKB()} * 1024);

    // A file of a swap file's name that turns up while running goes too.
    std::ofstream(working() / "VMemF_07") << "left over";
    globals.shutDown();
    EXPECT_TRUE(swapFiles().empty());
}

TEST_F(ZERozevuvTest, StaleSwapFileFromACrashIsRemovedAtStart) {
    fs::create_directories(working());
    std::ofstream(working() / "VMemF_03") << "stale";
    std::ofstream(working() / "VMemF_14") << "stale";
    std::ofstream(working() / "VMemF_15") << "not a swap file name";
    std::ofstream(working() / "notes.txt") << "not ours";
    ZERozevuv globals(m_dir.path(), m_files, m_machine);
    ASSERT_TRUE(globals.initialise());
    EXPECT_EQ(swapFiles(), (std::vector<std::string>{"VMemF_00", "VMemF_15"}));
    EXPECT_TRUE(fs::exists(working() / "notes.txt"));
}

TEST_F(ZERozevuvTest, PercentToUseSavedAtExitIsInForceAtNextStart) {
    {
        ZERozevuv first(m_dir.path(), m_files, m_machine);
        ASSERT_TRUE(first.initialise());
        BudgetPrefs prefs = first.budgetPrefs();
        prefs.vmMethod = 1;
        prefs.percentToUse = 80;
        first.setBudgetPrefs(prefs);
    }  // the destructor shuts down and writes the file
    ZERozevuv second(m_dir.path(), m_files, m_machine);
    ASSERT_TRUE(second.initialise());
    EXPECT_TRUE(second.preferencesLoaded());
    EXPECT_EQ(second.budgetPrefs().vmMethod, 1);
    EXPECT_EQ(second.budgetPrefs().percentToUse, 80);
    // 80 % of 10,240 KB free.
    EXPECT_EQ(second.swapBudgetKB(), 8192u);
    EXPECT_EQ(second.volumeList().share(0), 8192u);
}

TEST_F(ZERozevuvTest, ValuesInForceAndPreferenceObjectsComeBackAtNextStart) {
    {
        ZERozevuv first(m_dir.path(), m_files, m_machine);
        ASSERT_TRUE(first.initialise());
        first.setForeground(0x00123456);
        first.setBackground(0x00ABCDEF);
        first.setOpacity(128);
        first.setUnit(3);
        first.preferences().extrude.direction = 6;
        first.preferences().dropShadow.direction = 2;
        first.preferences().dropShadow.horizontalOffset = -12;
        first.preferences().variations.zoom = 0.25;
        first.preferences().fileOptions.newImageWidth = 640.7;
        first.shutDown();
    }
    const QSPrefs saved = readPrefs();
    EXPECT_EQ(saved.word(10), 3);
    EXPECT_EQ(saved.word(41), -4);
    EXPECT_EQ(saved.word(36), 640);

    ZERozevuv second(m_dir.path(), m_files, m_machine);
    ASSERT_TRUE(second.initialise());
    EXPECT_EQ(second.foreground(), 0x00123456u);
    EXPECT_EQ(second.background(), 0x00ABCDEFu);
    EXPECT_EQ(second.opacity(), 128);
    EXPECT_EQ(second.unit(), 0);  // every start begins in pixels
    EXPECT_EQ(second.preferences().global.unit, 3);
    EXPECT_EQ(second.preferences().extrude.direction, 6);
    EXPECT_EQ(second.preferences().dropShadow.direction, 2);
    EXPECT_EQ(second.preferences().dropShadow.horizontalOffset, -12);
    EXPECT_EQ(second.preferences().variations.zoom, 0.25);
    EXPECT_EQ(second.preferences().fileOptions.newImageWidth, 640.0);
}

TEST_F(ZERozevuvTest, UnreadablePreferenceFilesLeaveTheDefaults) {
    QSPrefs record;
    record.setWord(1, 0);  // version 0: ignored
    record.setWord(3, 0x00FF00FF);
    writePrefs(record);
    {
        ZERozevuv globals(m_dir.path(), m_files, m_machine);
        ASSERT_TRUE(globals.initialise());
        EXPECT_FALSE(globals.preferencesLoaded());
        EXPECT_EQ(globals.foreground(), 0u);
        globals.shutDown();
    }
    writeFile(prefsPath(), std::vector<std::uint8_t>(100, 0x01));  // short
    ZERozevuv globals(m_dir.path(), m_files, m_machine);
    ASSERT_TRUE(globals.initialise());
    EXPECT_FALSE(globals.preferencesLoaded());
    EXPECT_EQ(globals.opacity(), 255);
}

TEST_F(ZERozevuvTest, GarbagePreferenceFilesStartWithinEveryRange) {
    std::mt19937 random(77);
    for (int trial = 0; trial < 8; ++trial) {
        std::vector<std::uint8_t> bytes(224);
        for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
        bytes[0] = 1;
        bytes[1] = bytes[2] = bytes[3] = 0;
        writeFile(prefsPath(), bytes);
        ZERozevuv globals(m_dir.path(), m_files, m_machine);
        ASSERT_TRUE(globals.initialise()) << trial;
        EXPECT_TRUE(globals.preferencesLoaded());
        EXPECT_GE(globals.opacity(), 0);
        EXPECT_LE(globals.opacity(), 255);
        EXPECT_LE(globals.swapBudgetKB(), 10u * 1024);
        EXPECT_GE(globals.preferences().fileOptions.newImageResolution, 1.0);
        globals.shutDown();
        EXPECT_EQ(fs::file_size(prefsPath()), 224u);
    }
}

TEST_F(ZERozevuvTest, PreferenceWriteFailureIsKeptNotThrown) {
    ZERozevuv globals(m_dir.path(), m_files, m_machine);
    ASSERT_TRUE(globals.initialise());
    m_files.createFailure = platform::kIOErr;
    globals.shutDown();
    EXPECT_EQ(globals.preferenceWriteError(), platform::kIOErr);
    EXPECT_FALSE(fs::exists(prefsPath()));
    EXPECT_TRUE(swapFiles().empty());
}

TEST_F(ZERozevuvTest, ShutdownRunsOnceAndLeavesNoFileOpen) {
    {
        ZERozevuv globals(m_dir.path(), m_files, m_machine);
        ASSERT_TRUE(globals.initialise());
        globals.shutDown();
        globals.shutDown();
    }
    EXPECT_EQ(std::count(m_files.calls.begin(), m_files.calls.end(), "create QSPrefs.new"), 1);
    EXPECT_EQ(m_files.openFiles, 0);
}

TEST_F(ZERozevuvTest, CanStartAgainAfterAFailedStart) {
    m_machine.freeBytes = 100.0 * 1024;
    ZERozevuv globals(m_dir.path(), m_files, m_machine);
    EXPECT_FALSE(globals.initialise());
    m_machine.freeBytes = 10.0 * 1024 * 1024;
    EXPECT_TRUE(globals.initialise());
}

TEST_F(ZERozevuvTest, PagesRunOnTheSharedStore) {
    ZERozevuv globals(m_dir.path(), m_files, m_machine);
    ASSERT_TRUE(globals.initialise());
    {
        Page page(globals.pageEnvironment());
        ASSERT_TRUE(page.shapeWhite(Page::kTypeRgb, 300, 200, 3));
        EXPECT_EQ(globals.pageDataList().count(), 1);
    }
    EXPECT_EQ(globals.pageDataList().count(), 0);
    globals.shutDown();
}

}  // namespace
}  // namespace tessary
