#pragma once

#include <cstdint>
#include <filesystem>

#include "app/qs_prefs.h"
#include "platform/file_layer.h"

namespace tessary {

// Words the file keeps after the 224-byte record, little-endian like the
// record's. Readers that know only the record read its 224 bytes and ignore
// the rest; a file that ends after the record gives the defaults here.
struct PreferenceTail {
    // Threads effects may compute on; 0 (the default) means all cores.
    std::int32_t workerThreads = 0;
    // 1: plug-in modules run in the program's own process; anything else
    // (the default 0): in a helper process.
    std::int32_t modulesInProcess = 0;
};

// Reads the preference file at start-up: opens it without creating it, reads
// the record and closes it. True only when the whole record was read and its
// version accepted; `record` is unchanged otherwise (a missing, short or
// unreadable file is not an error anyone is told about).
// `tail` takes each word after the record that is there in full when the
// record was accepted; the others are left as they were (older files end
// earlier).
bool loadPreferenceFile(platform::FileLayer& files, const std::filesystem::path& path,
                        QSPrefs& record, PreferenceTail& tail);

// Writes the preference file at exit: creates it (or empties it); when the
// create fails with the file-busy code -49 the existing file is opened
// instead; then writes the record (version 1, word 2 zero) followed by
// `tail`, and closes. Returns
// kNoErr or the file layer's code of the step that failed.
platform::FileError savePreferenceFile(platform::FileLayer& files,
                                       const std::filesystem::path& path, QSPrefs& record,
                                       const PreferenceTail& tail);

}  // namespace tessary
