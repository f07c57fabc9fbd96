#include "app/preference_file.h"

namespace tessary {

namespace {

constexpr std::size_t kTailWords = 2;
constexpr std::size_t kTailBytes = 4 * kTailWords;

std::int32_t fromLittleEndian(const std::uint8_t* bytes) {
    return static_cast<std::int32_t>(std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 |
                                     std::uint32_t{bytes[2]} << 16 | std::uint32_t{bytes[3]} << 24);
}

}  // namespace

bool loadPreferenceFile(platform::FileLayer& files, const std::filesystem::path& path,
                        QSPrefs& record, PreferenceTail& tail) {
    platform::FileHandle file = platform::kNoFile;
    if (files.openExisting(path, file) != platform::kNoErr) return false;
    const bool read = readPrefsRecord(files, file, record);
    std::uint8_t bytes[kTailBytes] = {};
    std::size_t done = 0;
    if (read && files.read(file, bytes, kTailBytes, done) == platform::kNoErr) {
        if (done >= 4) tail.workerThreads = fromLittleEndian(bytes);
        if (done >= 8) tail.modulesInProcess = fromLittleEndian(bytes + 4);
    }
    files.close(file);
    return read;
}

platform::FileError savePreferenceFile(platform::FileLayer& files,
                                       const std::filesystem::path& path, QSPrefs& record,
                                       const PreferenceTail& tail) {
    // The record is written whole into a file beside the old one, which then
    // takes the old one's place: a failed write leaves the previous
    // preferences as they were.
    std::filesystem::path temporary = path;
    temporary += ".new";
    platform::FileHandle file = platform::kNoFile;
    platform::FileError error = files.create(temporary, file);
    if (error == platform::kFileBusy) error = files.openExisting(temporary, file);
    if (error != platform::kNoErr) return error;
    error = writePrefsRecord(files, file, record);
    if (error == platform::kNoErr) {
        std::uint8_t bytes[kTailBytes] = {};
        const std::int32_t words[kTailWords] = {tail.workerThreads, tail.modulesInProcess};
        for (std::size_t w = 0; w < kTailWords; ++w) {
            const auto word = static_cast<std::uint32_t>(words[w]);
            for (std::size_t b = 0; b < 4; ++b)
                bytes[4 * w + b] = static_cast<std::uint8_t>(word >> (8 * b));
        }
        std::size_t done = 0;
        error = files.write(file, bytes, kTailBytes, done);
        if (error == platform::kNoErr && done != kTailBytes) error = platform::kIOErr;
    }
    const platform::FileError closed = files.close(file);
    if (error == platform::kNoErr) error = closed;
    if (error == platform::kNoErr) error = files.rename(temporary, path);
    if (error != platform::kNoErr) files.remove(temporary);
    return error;
}

}  // namespace tessary
