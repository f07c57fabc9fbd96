#include "app/preference_file.h"

namespace tessary {

bool loadPreferenceFile(platform::FileLayer& files, const std::filesystem::path& path,
                        QSPrefs& record) {
    platform::FileHandle file = platform::kNoFile;
    if (files.openExisting(path, file) != platform::kNoErr) return false;
    const bool read = readPrefsRecord(files, file, record);
    files.close(file);
    return read;
}

platform::FileError savePreferenceFile(platform::FileLayer& files,
                                       const std::filesystem::path& path, QSPrefs& record) {
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
    const platform::FileError closed = files.close(file);
    if (error == platform::kNoErr) error = closed;
    if (error == platform::kNoErr) error = files.rename(temporary, path);
    if (error != platform::kNoErr) files.remove(temporary);
    return error;
}

}  // namespace tessary
