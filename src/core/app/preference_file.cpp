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
    platform::FileHandle file = platform::kNoFile;
    platform::FileError error = files.create(path, file);
    if (error == platform::kFileBusy) error = files.openExisting(path, file);
    if (error != platform::kNoErr) return error;
    error = writePrefsRecord(files, file, record);
    const platform::FileError closed = files.close(file);
    return error != platform::kNoErr ? error : closed;
}

}  // namespace tessary
