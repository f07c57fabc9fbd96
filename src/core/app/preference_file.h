#pragma once

#include <filesystem>

#include "app/qs_prefs.h"
#include "platform/file_layer.h"

namespace tessary {

// Reads the preference file at start-up: opens it without creating it, reads
// the record and closes it. True only when the whole record was read and its
// version accepted; `record` is unchanged otherwise (a missing, short or
// unreadable file is not an error anyone is told about).
bool loadPreferenceFile(platform::FileLayer& files, const std::filesystem::path& path,
                        QSPrefs& record);

// Writes the preference file at exit: creates it (or empties it); when the
// create fails with the file-busy code -49 the existing file is opened
// instead; then writes the record (version 1, word 2 zero) and closes. Returns
// kNoErr or the file layer's code of the step that failed.
platform::FileError savePreferenceFile(platform::FileLayer& files,
                                       const std::filesystem::path& path, QSPrefs& record);

}  // namespace tessary
