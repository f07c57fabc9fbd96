#include "app/qs_prefs.h"

#include "platform/assert.h"

namespace tessary {

namespace {

// Record defaults, word 1 first.
constexpr std::array<std::int32_t, QSPrefs::kWordCount> kDefaultWords = {
    1,  0,   0,  -1, 255, 255, 255, 0,  3, 0,  //  1..10
    1,  1,   10, 50, 1,                        // 11..15
    0,  1,   9,  25, 8,   0,                   // 16..21 tool box, first set
    1,  32,  25, 8,  0,                        // 22..26 tool box, second set
    3,  0,   12, 0,  0,                        // 27..31 tool box
    5,  1,   0,  1,  512, 342, 0,   72, 1,     // 32..40 file options
    1,  0,                                     // 41..42 variations
    1,  1,                                     // 43..44 de-interlace
    12, 100, 16, 16, 0,   5,   0,              // 45..51 drop shadow
    8,  0,   0,  5,  0,                        // 52..56 extrude
};

std::int32_t loadLittleEndian(const std::uint8_t* bytes) {
    const std::uint32_t value =
        static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
        static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    return static_cast<std::int32_t>(value);
}

void storeLittleEndian(std::int32_t word, std::uint8_t* bytes) {
    const std::uint32_t value = static_cast<std::uint32_t>(word);
    bytes[0] = static_cast<std::uint8_t>(value);
    bytes[1] = static_cast<std::uint8_t>(value >> 8);
    bytes[2] = static_cast<std::uint8_t>(value >> 16);
    bytes[3] = static_cast<std::uint8_t>(value >> 24);
}

// Reads exactly `count` bytes; false on an error or a short read.
bool readExactly(platform::FileLayer& files, platform::FileHandle file, std::uint8_t* buffer,
                 std::size_t count) {
    std::size_t done = 0;
    return files.read(file, buffer, count, done) == platform::kNoErr && done == count;
}

}  // namespace

QSPrefs::QSPrefs() : m_words(kDefaultWords) {}

std::int32_t QSPrefs::word(int n) const {
    TS_ASSERT(n >= 1 && n <= kWordCount);
    return m_words[static_cast<std::size_t>(n - 1)];
}

void QSPrefs::setWord(int n, std::int32_t value) {
    TS_ASSERT(n >= 1 && n <= kWordCount);
    m_words[static_cast<std::size_t>(n - 1)] = value;
}

std::int32_t QSPrefs::defaultWord(int n) {
    TS_ASSERT(n >= 1 && n <= kWordCount);
    return kDefaultWords[static_cast<std::size_t>(n - 1)];
}

QSPrefs::Bytes QSPrefs::toBytes() const {
    Bytes bytes{};
    for (std::size_t i = 0; i < m_words.size(); ++i) storeLittleEndian(m_words[i], &bytes[4 * i]);
    return bytes;
}

QSPrefs QSPrefs::fromBytes(const Bytes& bytes) {
    QSPrefs record;
    for (std::size_t i = 0; i < record.m_words.size(); ++i) {
        record.m_words[i] = loadLittleEndian(&bytes[4 * i]);
    }
    return record;
}

bool readPrefsRecord(platform::FileLayer& files, platform::FileHandle file, QSPrefs& record) {
    QSPrefs::Bytes bytes{};
    if (!readExactly(files, file, bytes.data(), 4)) return false;
    if (loadLittleEndian(bytes.data()) < QSPrefs::kVersion) return false;
    if (!readExactly(files, file, bytes.data() + 4, 4)) return false;
    if (!readExactly(files, file, bytes.data() + 8, QSPrefs::kByteCount - 8)) return false;
    record = QSPrefs::fromBytes(bytes);
    return true;
}

platform::FileError writePrefsRecord(platform::FileLayer& files, platform::FileHandle file,
                                     QSPrefs& record) {
    record.setWord(prefs_word::kVersion, QSPrefs::kVersion);
    record.setWord(prefs_word::kModulesInProcess,
                   record.word(prefs_word::kModulesInProcess) == 1 ? 1 : 0);
    const QSPrefs::Bytes bytes = record.toBytes();
    std::size_t done = 0;
    const platform::FileError error = files.write(file, bytes.data(), bytes.size(), done);
    if (error != platform::kNoErr) return error;
    return done == bytes.size() ? platform::kNoErr : platform::kIOErr;
}

}  // namespace tessary
