#pragma once

#include <functional>
#include <string>

#include "common/codec_status.h"

namespace tessary::modules {

// Writes the file at `path` through a new temporary file beside it, which
// takes the file's place only when `write` has filled it completely, so a
// failed write leaves any previous file as it was and no partial file.
//
// The temporary file is created readable and writable by its owner alone
// and stays so while `write` fills it through the descriptor it is given
// (borrowed: `write` must not close it). Once complete it takes the
// permissions of the file it replaces, or those of a new file (0666 less the
// umask), is synced to disk and renamed over `path`. Returns what `write`
// returned, or IoError when the temporary file cannot be made, synced or
// renamed; on any failure the temporary file is removed.
CodecStatus replaceFile(const std::string& path, const std::function<CodecStatus(int fd)>& write);

}  // namespace tessary::modules
