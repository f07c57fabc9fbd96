#include "app/preference_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "app_fakes.h"
#include "support/temp_dir.h"

namespace tessary {
namespace {

class PreferenceFile : public ::testing::Test {
protected:
    std::filesystem::path path() const { return m_dir / "QSPrefs"; }

    void writeBytes(const std::vector<std::uint8_t>& bytes) {
        std::ofstream out(path(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    bool load(QSPrefs& record) { return loadPreferenceFile(m_files, path(), record, tail); }
    platform::FileError save(QSPrefs& record) {
        return savePreferenceFile(m_files, path(), record, tail);
    }
    std::vector<std::uint8_t> fileBytes() const {
        std::ifstream in(path(), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    PreferenceTail tail;
    test::TempDir m_dir;
    test::ScriptedFileLayer m_files;
};

TEST_F(PreferenceFile, MissingFileIsNotCreatedAndChangesNothing) {
    QSPrefs record;
    record.setWord(3, 42);
    EXPECT_FALSE(load(record));
    EXPECT_EQ(record.word(3), 42);
    EXPECT_FALSE(std::filesystem::exists(path()));
    EXPECT_EQ(m_files.calls, std::vector<std::string>{"open QSPrefs"});
}

TEST_F(PreferenceFile, SavedRecordAndTailLoadBack) {
    QSPrefs saved;
    saved.setWord(14, 80);
    saved.setWord(55, 7);
    tail.workerThreads = 3;
    tail.modulesInProcess = 1;
    ASSERT_EQ(save(saved), platform::kNoErr);
    EXPECT_EQ(std::filesystem::file_size(path()), 232u);
    EXPECT_EQ(m_files.openFiles, 0);

    QSPrefs loaded;
    tail = PreferenceTail{};
    ASSERT_TRUE(load(loaded));
    EXPECT_EQ(loaded, saved);
    EXPECT_EQ(tail.workerThreads, 3);
    EXPECT_EQ(tail.modulesInProcess, 1);
    EXPECT_EQ(m_files.openFiles, 0);
}

// Files written before a tail word existed end earlier: each missing word
// keeps its default, each word there in full is read.
TEST_F(PreferenceFile, AShortTailLoadsTheWordsThatAreThere) {
    const QSPrefs::Bytes record = QSPrefs().toBytes();
    for (const std::size_t extra : {0u, 3u, 4u, 7u}) {
        std::vector<std::uint8_t> bytes(record.begin(), record.end());
        for (std::size_t i = 0; i < extra; ++i) bytes.push_back(i == 0 ? 5 : 0);
        writeBytes(bytes);
        tail = PreferenceTail{0, 0};
        QSPrefs loaded;
        ASSERT_TRUE(load(loaded));
        EXPECT_EQ(tail.workerThreads, extra >= 4 ? 5 : 0) << extra;
        EXPECT_EQ(tail.modulesInProcess, 0) << extra;
    }
}

TEST_F(PreferenceFile, ShortOrRejectedFilesAreClosedAndChangeNothing) {
    QSPrefs valid;
    const QSPrefs::Bytes all = valid.toBytes();
    std::vector<std::uint8_t> shortFile(all.begin(), all.begin() + 200);
    std::vector<std::uint8_t> versionZero(all.begin(), all.end());
    versionZero[0] = 0;

    for (const auto& bytes : {shortFile, versionZero, std::vector<std::uint8_t>{}}) {
        writeBytes(bytes);
        QSPrefs record;
        record.setWord(20, 3);
        EXPECT_FALSE(load(record));
        EXPECT_EQ(record.word(20), 3);
        EXPECT_EQ(m_files.openFiles, 0);
        EXPECT_EQ(m_files.calls.back(), "close");
    }
}

TEST_F(PreferenceFile, ReadErrorIsClosedAndChangesNothing) {
    writeBytes(std::vector<std::uint8_t>(224, 1));
    m_files.readFailure = platform::kIOErr;
    QSPrefs record;
    EXPECT_FALSE(load(record));
    EXPECT_EQ(record, QSPrefs());
    EXPECT_EQ(m_files.openFiles, 0);
}

TEST_F(PreferenceFile, SavingReplacesALongerFileWhole) {
    writeBytes(std::vector<std::uint8_t>(1000, 0x5A));
    QSPrefs record;
    ASSERT_EQ(save(record), platform::kNoErr);
    const std::vector<std::uint8_t> bytes = fileBytes();
    const QSPrefs::Bytes record224 = record.toBytes();
    std::vector<std::uint8_t> expected(record224.begin(), record224.end());
    expected.resize(232, 0);  // the tail: all cores, modules in a helper process
    EXPECT_EQ(bytes, expected);
}

TEST_F(PreferenceFile, SavingWritesVersionOneAndWordTwoZero) {
    QSPrefs record;
    record.setWord(1, 0);
    record.setWord(2, 99);
    ASSERT_EQ(save(record), platform::kNoErr);
    const std::vector<std::uint8_t> bytes = fileBytes();
    ASSERT_EQ(bytes.size(), 232u);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 8),
              (std::vector<std::uint8_t>{1, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(PreferenceFile, FileBusyOnCreateOpensTheExistingFile) {
    std::ofstream(m_dir / "QSPrefs.new", std::ios::binary) << std::string(224, '\0');
    m_files.createFailure = platform::kFileBusy;
    QSPrefs record;
    record.setWord(30, 1234);
    ASSERT_EQ(save(record), platform::kNoErr);
    EXPECT_EQ(m_files.calls,
              (std::vector<std::string>{"create QSPrefs.new", "open QSPrefs.new", "write", "write",
                                        "close", "rename QSPrefs.new QSPrefs"}));
    QSPrefs loaded;
    ASSERT_TRUE(load(loaded));
    EXPECT_EQ(loaded.word(30), 1234);
}

TEST_F(PreferenceFile, FileBusyWithoutAFileReportsTheOpenError) {
    m_files.createFailure = platform::kFileBusy;
    QSPrefs record;
    EXPECT_EQ(save(record), platform::kFileNotFound);
    EXPECT_FALSE(std::filesystem::exists(path()));
}

TEST_F(PreferenceFile, OtherCreateErrorsAreNotRetried) {
    m_files.createFailure = platform::kIOErr;
    QSPrefs record;
    EXPECT_EQ(save(record), platform::kIOErr);
    EXPECT_EQ(m_files.calls, std::vector<std::string>{"create QSPrefs.new"});
}

// A failed write reports its error and leaves the previous preferences
// whole: the record goes into a file beside them, which is removed again.
TEST_F(PreferenceFile, WriteErrorKeepsThePreviousFile) {
    QSPrefs previous;
    previous.setWord(30, 77);
    ASSERT_EQ(save(previous), platform::kNoErr);
    const std::vector<std::uint8_t> before = fileBytes();

    m_files.calls.clear();
    m_files.writeFailure = platform::kDiskFull;
    QSPrefs record;
    record.setWord(30, 1234);
    EXPECT_EQ(save(record), platform::kDiskFull);
    EXPECT_EQ(m_files.calls, (std::vector<std::string>{"create QSPrefs.new", "write", "close"}));
    EXPECT_EQ(m_files.openFiles, 0);
    EXPECT_EQ(fileBytes(), before);
    EXPECT_FALSE(std::filesystem::exists(m_dir / "QSPrefs.new"));
}

TEST_F(PreferenceFile, FolderThatDoesNotExistFailsCleanly) {
    QSPrefs record;
    EXPECT_EQ(savePreferenceFile(m_files, m_dir / "missing" / "QSPrefs", record, tail),
              platform::kFileNotFound);
    EXPECT_FALSE(loadPreferenceFile(m_files, m_dir / "missing" / "QSPrefs", record, tail));
}

}  // namespace
}  // namespace tessary
