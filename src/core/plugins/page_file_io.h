#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "model/page.h"
#include "plugins/plug_in_host.h"
#include "plugins/plug_in_list.h"

namespace tessary {

// Why opening, saving or reverting a file failed.
enum class PageFileError {
    None,
    NoFormatModule,     // no format module handles the file's extension
    CannotOpenFile,     // the file cannot be opened for reading
    CannotCreateFile,   // the temporary file beside the target cannot be made
    ModuleFailed,       // the format module reported an error
    ModuleNotLoaded,    // the format module could not be loaded
    ModuleStopped,      // the format module's helper process stopped (the host names it)
    NotEnoughMemory,    // the image is too large for the memory or the tile store
    MergeFailed,        // the floating selection could not be merged
    CannotReplaceFile,  // the finished file could not be put in the target's place
    PageNotShaped,      // the page holds no pixels
    Busy,               // another plug-in run is in progress
    Cancelled,          // the user cancelled the module's run (nothing to report)
    DiskFull,           // the file system ran out of space while the file was written
};

// A short English description of an error, for logs and the batch program;
// NotEnoughMemory gives the message of error code 0x10003, DiskFull that of
// 0x10002.
std::string_view describePageFileError(PageFileError error);

// Reading and writing whole pages through the format modules, without any
// user interface: the code behind opening, saving and reverting documents
// and behind the batch program. The module is chosen by the file's
// extension (case does not matter).
class PageFileIO {
public:
    // `host`, `list` and the environment's objects must outlive this object.
    PageFileIO(PlugInHost& host, const PlugInList& list, const PageEnvironment& environment);

    // Reads the file into a new page. Null with `error` set when no module
    // handles the extension, the file cannot be opened, or the module fails
    // (NotEnoughMemory when it reported memory full or the image is beyond
    // the tile store). On success `warning` (when given) receives what the
    // module warned of while reading, such as damage it read around, to be
    // shown once; empty when nothing.
    std::unique_ptr<Page> open(const std::filesystem::path& path, PageFileError* error = nullptr,
                               std::string* warning = nullptr);

    // Writes `page` to `path`. A floating selection is merged first, as one
    // undoable change (undo kind 5, "Selection") over the selection
    // rectangle. The module writes a new temporary file beside the target,
    // which replaces the target only when the module succeeded, so a failed
    // save leaves the previous file untouched; the temporary file is
    // removed on failure. The temporary file is readable and writable by its
    // owner alone while the module writes it; once complete it takes the
    // usual permissions of a new file (0666 less the umask), or the
    // target's when it replaces one. On success the page's
    // modified flag is cleared.
    PageFileError save(Page& page, const std::filesystem::path& path);

    // Reads the file again into `page` as one undoable change of undo kind
    // 4 ("Revert"); on failure the page is as before.
    PageFileError revert(Page& page, const std::filesystem::path& path);

private:
    // Why the format run that just failed did so; `code` is its result
    // (memory full gives NotEnoughMemory).
    PageFileError moduleFailure(std::int16_t code = 0) const;

    PlugInHost& m_host;
    const PlugInList& m_list;
    PageEnvironment m_environment;
};

}  // namespace tessary
