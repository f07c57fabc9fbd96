#include "app/zerozevuv.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "app/preference_file.h"
#include "app_fakes.h"
#include "platform/lock_file.h"
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
    // The swap files anywhere below `folder` (in the swap folders too).
    static std::vector<std::string> swapFilesIn(const fs::path& folder) {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto& entry : fs::recursive_directory_iterator(folder, error)) {
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
        PreferenceTail tail;
        EXPECT_TRUE(loadPreferenceFile(m_files, prefsPath(), record, tail));
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
    EXPECT_EQ(globals.workers().threadCount(), WorkerPool::hardwareThreads());
    EXPECT_EQ(globals.budgetPrefs().vmMethod, 0);
    EXPECT_EQ(globals.budgetPrefs().mbToUse, 20);
    // Method 0 with 20 MB, limited to the free space less 1024 KB.
    EXPECT_EQ(globals.swapBudgetKB(), 10u * 1024 - 1024);
    EXPECT_TRUE(globals.tileStore().initialised());
    // Swap files go in a folder of the process's own, which only the owner
    // enters either.
    EXPECT_EQ(globals.volumeList().path(0), globals.swapFolder());
    EXPECT_EQ(globals.swapFolder().parent_path(), working());
    EXPECT_EQ(fs::status(globals.swapFolder()).permissions(), fs::perms::owner_all);
    EXPECT_EQ(globals.pageDataList().count(), 0);
    EXPECT_EQ(globals.blendTable().blend(255, 200, 10), 200);

    globals.shutDown();
    EXPECT_FALSE(globals.initialised());
    ASSERT_TRUE(fs::exists(prefsPath()));
    EXPECT_EQ(fs::file_size(prefsPath()), 232u);
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
    QSPrefs record;
    record.setWord(14, 75);
    writePrefs(record);
    const std::vector<std::uint8_t> before = fileBytes(prefsPath());
    m_machine.freeBytes = 1024.0 * 1024;
    {
        ZERozevuv globals(m_dir.path(), m_files, m_machine);
        EXPECT_FALSE(globals.initialise());
        EXPECT_FALSE(globals.initialised());
        EXPECT_TRUE(globals.preferencesLoaded());
        EXPECT_TRUE(swapFiles().empty());
    }
    EXPECT_EQ(fileBytes(prefsPath()), before);  // a failed start leaves the file alone

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
    for (const std::string& name : running) swapBytes += fs::file_size(globals.swapFolder() / name);
    EXPECT_GT(swapBytes, 0u);
    EXPECT_LE(swapBytes, std::uintmax_t{globals.swapBudgetKB()} * 1024);

    // A file of a swap file's name that turns up while running goes too,
    // and so does the folder.
    std::ofstream(globals.swapFolder() / "VMemF_07") << "left over";
    const fs::path folder = globals.swapFolder();
    globals.shutDown();
    EXPECT_TRUE(swapFiles().empty());
    EXPECT_FALSE(fs::exists(folder));
}

TEST_F(ZERozevuvTest, StaleSwapFilesAndFoldersWhoseOwnerIsGoneAreRemovedAtStart) {
    fs::create_directories(working() / "VMemD_999999");
    std::ofstream(working() / "VMemD_999999" / "VMemF_00") << "a crashed run's";
    std::ofstream(working() / "VMemD_999999.lock");
    fs::create_directories(working() / "VMemD_777");  // its lock file never made
    std::ofstream(working() / "VMemF_03") << "stale";
    std::ofstream(working() / "VMemF_14") << "stale";
    std::ofstream(working() / "VMemF_15") << "not a swap file name";
    std::ofstream(working() / "notes.txt") << "not ours";
    // A folder whose owner still holds its lock stays.
    fs::create_directories(working() / "VMemD_888888");
    std::ofstream(working() / "VMemD_888888" / "VMemF_00") << "in use";
    platform::LockFile running;
    ASSERT_EQ(running.acquire(working() / "VMemD_888888.lock"), platform::kNoErr);

    ZERozevuv globals(m_dir.path(), m_files, m_machine);
    ASSERT_TRUE(globals.initialise());
    EXPECT_EQ(swapFiles(), (std::vector<std::string>{"VMemF_00", "VMemF_00", "VMemF_15"}));
    EXPECT_TRUE(fs::exists(working() / "VMemD_888888" / "VMemF_00"));
    EXPECT_TRUE(fs::exists(working() / "notes.txt"));
    for (const char* gone : {"VMemD_999999", "VMemD_999999.lock", "VMemD_777", "VMemD_777.lock"})
        EXPECT_FALSE(fs::exists(working() / gone)) << gone;
}

// Kills and reaps a forked child when the test ends, however it ends.
struct ChildProcess {
    pid_t pid = -1;
    ~ChildProcess() { end(); }
    void end() {
        if (pid <= 0) return;
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        pid = -1;
    }
};

TEST_F(ZERozevuvTest, ProcessesSharingAProgramFolderKeepTheirOwnSwapFiles) {
    int report[2], hold[2];
    ASSERT_EQ(::pipe(report), 0);
    ASSERT_EQ(::pipe(hold), 0);
    ChildProcess other;
    other.pid = ::fork();
    ASSERT_GE(other.pid, 0);
    if (other.pid == 0) {
        // The other process starts the engine, reports its swap files and
        // runs until it is killed.
        ::close(report[0]);
        ::close(hold[1]);
        ZERozevuv globals(m_dir.path(), m_files, m_machine);
        std::string paths;
        if (globals.initialise()) {
            for (int i = 0; i < globals.tileStore().swapFiles().count(); ++i)
                paths += globals.tileStore().swapFiles().entry(i).path.native() + "\n";
        }
        if (::write(report[1], paths.data(), paths.size()) < 0) ::_exit(1);
        ::close(report[1]);
        char byte;
        while (::read(hold[0], &byte, 1) != 0) {
        }
        ::_exit(0);
    }
    ::close(report[1]);
    ::close(hold[0]);
    std::string text;
    char buffer[256];
    for (ssize_t got; (got = ::read(report[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(got));
    ::close(report[0]);
    std::vector<fs::path> theirs;
    for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        theirs.emplace_back(text.substr(at, end - at));
    ASSERT_FALSE(theirs.empty());
    std::vector<ino_t> inodes;
    for (const fs::path& path : theirs) {
        struct stat info {};
        ASSERT_EQ(::stat(path.c_str(), &info), 0) << path;
        inodes.push_back(info.st_ino);
    }

    auto sameFiles = [&] {
        for (std::size_t i = 0; i < theirs.size(); ++i) {
            struct stat info {};
            if (::stat(theirs[i].c_str(), &info) != 0 || info.st_ino != inodes[i]) return false;
        }
        return true;
    };
    ZERozevuv globals(m_dir.path(), m_files, m_machine);
    ASSERT_TRUE(globals.initialise());
    EXPECT_TRUE(sameFiles()) << "this start deleted the other process's swap files";
    const VMFileOpenList& ours = globals.tileStore().swapFiles();
    ASSERT_GT(ours.count(), 0);
    for (const fs::path& path : theirs)
        EXPECT_NE(path.parent_path(), ours.entry(0).path.parent_path());

    // The other process dies without shutting down; the next start removes
    // what it left and leaves this process's files alone.
    other.end();
    EXPECT_TRUE(sameFiles());
    ZERozevuv next(m_dir.path(), m_files, m_machine);
    ASSERT_TRUE(next.initialise());
    for (const fs::path& path : theirs) EXPECT_FALSE(fs::exists(path.parent_path())) << path;
    for (int i = 0; i < ours.count(); ++i) EXPECT_TRUE(fs::exists(ours.entry(i).path));
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
        first.setWorkerThreads(3);
        EXPECT_EQ(first.workers().threadCount(), 3);
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
    EXPECT_EQ(second.workerThreads(), 3);
    EXPECT_EQ(second.pageEnvironment().workers->threadCount(), 3);
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
        std::vector<std::uint8_t> bytes(232);  // the record and its tail
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
        EXPECT_LE(globals.workers().threadCount(),
                  std::max(GlobalPrefs::kMaxWorkerThreads, WorkerPool::hardwareThreads()));
        globals.shutDown();
        EXPECT_EQ(fs::file_size(prefsPath()), 232u);
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

// The working folder's drive must be known, and have room; once it does, a
// start that failed can be made again.
TEST_F(ZERozevuvTest, CanStartAgainAfterAFailedStart) {
    m_machine.kind = platform::DriveKind::Unknown;
    ZERozevuv globals(m_dir.path(), m_files, m_machine);
    EXPECT_FALSE(globals.initialise());
    m_machine.kind = platform::DriveKind::Fixed;
    m_machine.freeBytes = 100.0 * 1024;
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
