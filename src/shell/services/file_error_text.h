#pragma once

#include <QString>

#include "plugins/page_file_io.h"

namespace tessary {

// The message shown when opening `path` failed with `error`: a file that is
// missing, unreadable or unusable is named ("The file %1 could not be
// found." and the like, strings 61728-61734); a file no format module can
// read, or that its module refused, gives "The document could not be
// opened." (61697); a module that cannot be loaded says so (the message of
// error code 0x10004); an image too large for the memory or the tile store
// gives the out-of-memory message (error code 0x10003, string 4467).
// A module whose helper process stopped is named when `host` is given.
QString openFailureMessage(PageFileError error, const QString& path,
                           const PlugInHost* host = nullptr);

// The message shown when saving to `path` failed with `error`: a folder that
// does not exist or cannot be written is named (61731, 61733), a name that
// cannot be created gives "Invalid filename." (61696), and a format
// module's failure (or no module for the extension) "The document could not
// be saved." (61698); a file system that filled up gives the message of error
// code 0x10002; a module that cannot be loaded says so, as above.
QString saveFailureMessage(PageFileError error, const QString& path,
                           const PlugInHost* host = nullptr);

}  // namespace tessary
