#include "app/qs_prefs.h"

#include <gtest/gtest.h>

#include <fstream>

#include "app_fakes.h"
#include "support/temp_dir.h"

namespace tessary {
namespace {

// The record defaults, word 1 to word 56, typed from the file format's table.
constexpr std::int32_t kFormatDefaults[56] = {
    1, 0, 0, -1, 255, 255, 255, 0,  3,  0, 1, 1, 10, 50, 1,     // 1..15
    0, 1, 9, 25, 8,   0,   1,   32, 25, 8, 0, 3, 0,  12, 0, 0,  // 16..31
    5, 1, 0, 1,  512, 342, 0,   72, 1,                          // 32..40
    1, 0, 1, 1,  12,  100, 16,  16, 0,  5, 0, 8, 0,  0,  5, 0,  // 41..56
};

TEST(QSPrefs, DefaultsAreTheFormatTable) {
    const QSPrefs record;
    for (int n = 1; n <= 56; ++n) {
        EXPECT_EQ(record.word(n), kFormatDefaults[n - 1]) << "word " << n;
        EXPECT_EQ(QSPrefs::defaultWord(n), kFormatDefaults[n - 1]) << "word " << n;
    }
}

TEST(QSPrefs, WordsAreLittleEndianAtFourTimesNMinusOne) {
    QSPrefs record;
    record.setWord(1, 0x04030201);
    record.setWord(3, 0x11223344);
    record.setWord(4, -1);
    record.setWord(56, static_cast<std::int32_t>(0x80000001u));
    const QSPrefs::Bytes bytes = record.toBytes();
    ASSERT_EQ(bytes.size(), 224u);
    const std::uint8_t word1[] = {0x01, 0x02, 0x03, 0x04};
    const std::uint8_t word3[] = {0x44, 0x33, 0x22, 0x11};
    const std::uint8_t word56[] = {0x01, 0x00, 0x00, 0x80};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(bytes[0 + i], word1[i]);
        EXPECT_EQ(bytes[8 + i], word3[i]);
        EXPECT_EQ(bytes[12 + i], 0xFF);
        EXPECT_EQ(bytes[220 + i], word56[i]);
    }
    // Word 36 (default 512 = 0x200) sits at byte 140.
    EXPECT_EQ(bytes[140], 0x00);
    EXPECT_EQ(bytes[141], 0x02);
    EXPECT_EQ(bytes[142], 0x00);
}

TEST(QSPrefs, BytesRoundTrip) {
    QSPrefs record;
    for (int n = 1; n <= 56; ++n) record.setWord(n, n * 0x01010101 - 7 * n * n);
    EXPECT_EQ(QSPrefs::fromBytes(record.toBytes()), record);

    QSPrefs::Bytes bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 37 + 11);
    EXPECT_EQ(QSPrefs::fromBytes(bytes).toBytes(), bytes);
}

// ---------------------------------------------------------------------------
// Reading and writing a record on an open file

class PrefsRecordIo : public ::testing::Test {
protected:
    std::filesystem::path fileWith(const std::vector<std::uint8_t>& bytes) {
        const std::filesystem::path path = m_dir / "record";
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    std::vector<std::uint8_t> recordBytes(std::int32_t version, std::size_t size) {
        QSPrefs record;
        record.setWord(1, version);
        for (int n = 2; n <= 56; ++n) record.setWord(n, 1000 + n);
        const QSPrefs::Bytes all = record.toBytes();
        std::vector<std::uint8_t> bytes(all.begin(), all.end());
        bytes.resize(size, 0xEE);
        return bytes;
    }
    bool readFrom(const std::filesystem::path& path, QSPrefs& record) {
        platform::FileHandle file = platform::kNoFile;
        EXPECT_EQ(m_files.openExisting(path, file), platform::kNoErr);
        m_files.calls.clear();
        const bool read = readPrefsRecord(m_files, file, record);
        m_files.close(file);
        return read;
    }

    test::TempDir m_dir;
    test::ScriptedFileLayer m_files;
};

TEST_F(PrefsRecordIo, ReadsVersionThenWordTwoThenTheRest) {
    QSPrefs record;
    ASSERT_TRUE(readFrom(fileWith(recordBytes(1, 224)), record));
    EXPECT_EQ(m_files.calls, (std::vector<std::string>{"read", "read", "read", "close"}));
    EXPECT_EQ(record.word(1), 1);
    for (int n = 2; n <= 56; ++n) EXPECT_EQ(record.word(n), 1000 + n);
}

TEST_F(PrefsRecordIo, AnyVersionOfAtLeastOneIsAccepted) {
    QSPrefs record;
    EXPECT_TRUE(readFrom(fileWith(recordBytes(7, 224)), record));
    EXPECT_EQ(record.word(1), 7);
}

TEST_F(PrefsRecordIo, VersionBelowOneStopsAfterTheFirstRead) {
    for (std::int32_t version : {0, -1, INT32_MIN}) {
        QSPrefs record;
        EXPECT_FALSE(readFrom(fileWith(recordBytes(version, 224)), record)) << version;
        EXPECT_EQ(m_files.calls, (std::vector<std::string>{"read", "close"}));
        EXPECT_EQ(record, QSPrefs()) << version;
    }
}

TEST_F(PrefsRecordIo, ShortFilesChangeNothing) {
    for (std::size_t size : {0u, 3u, 4u, 7u, 8u, 100u, 223u}) {
        QSPrefs record;
        record.setWord(5, 77);
        const QSPrefs before = record;
        EXPECT_FALSE(readFrom(fileWith(recordBytes(1, size)), record)) << size;
        EXPECT_EQ(record, before) << size;
    }
}

TEST_F(PrefsRecordIo, ALongerFileGivesItsFirst224Bytes) {
    QSPrefs record;
    ASSERT_TRUE(readFrom(fileWith(recordBytes(1, 300)), record));
    EXPECT_EQ(record.word(56), 1056);
}

TEST_F(PrefsRecordIo, ReadErrorsFail) {
    const std::filesystem::path path = fileWith(recordBytes(1, 224));
    m_files.readFailure = platform::kIOErr;
    QSPrefs record;
    EXPECT_FALSE(readFrom(path, record));
    EXPECT_EQ(record, QSPrefs());
}

// Word 2 holds only 0 or 1 (modules in process), whatever the record held.
TEST_F(PrefsRecordIo, WriteSetsVersionAndWordTwoAndWritesAllBytes) {
    const std::filesystem::path path = m_dir / "written";
    platform::FileHandle file = platform::kNoFile;
    ASSERT_EQ(m_files.create(path, file), platform::kNoErr);
    QSPrefs record;
    record.setWord(1, 9);
    record.setWord(2, 12345);
    record.setWord(40, 2);
    EXPECT_EQ(writePrefsRecord(m_files, file, record), platform::kNoErr);
    m_files.close(file);
    EXPECT_EQ(record.word(1), 1);
    EXPECT_EQ(record.word(2), 0);

    std::ifstream in(path, std::ios::binary);
    QSPrefs::Bytes bytes{};
    in.read(reinterpret_cast<char*>(bytes.data()), bytes.size());
    EXPECT_EQ(in.gcount(), 224);
    EXPECT_EQ(in.get(), std::char_traits<char>::eof());
    EXPECT_EQ(QSPrefs::fromBytes(bytes), record);
    record.setWord(2, 1);
    ASSERT_EQ(m_files.create(m_dir / "again", file), platform::kNoErr);
    EXPECT_EQ(writePrefsRecord(m_files, file, record), platform::kNoErr);
    m_files.close(file);
    EXPECT_EQ(record.word(2), 1);
}

TEST_F(PrefsRecordIo, WriteErrorsAreReturned) {
    platform::FileHandle file = platform::kNoFile;
    ASSERT_EQ(m_files.create(m_dir / "full", file), platform::kNoErr);
    m_files.writeFailure = platform::kDiskFull;
    QSPrefs record;
    EXPECT_EQ(writePrefsRecord(m_files, file, record), platform::kDiskFull);
    m_files.close(file);
}

}  // namespace
}  // namespace tessary
