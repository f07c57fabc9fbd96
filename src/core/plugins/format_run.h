#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "model/page.h"
#include "model/pro_data_buffer.h"
#include "plugins/plug_in_host.h"
#include "plugins/plug_in_list.h"
#include "plugins/plug_in_record.h"
#include "tessary_plugin.h"

namespace tessary {

// Reading and writing image files through format modules. The file is
// open already: `descriptor` is its system handle, which the module
// receives as the block's data fork, together with a file specification
// holding `path`. Nothing here reports to the user; every failure is false.
// A module that cannot be loaded is never called (the host's loadFailed()
// tells this failure from the others).

// The extension a file is looked up by: the text after the last "." of the
// file name, ASCII upper-cased, at most 32 characters, trailing blanks
// removed; empty when the name has no ".".
std::string formatExtensionOf(const std::filesystem::path& path);

// The format module for `path`'s extension, or null.
PlugInRecord* findFormatModule(const PlugInList& list, const std::filesystem::path& path);

// Reads the file into `page` with the format module found by extension:
// Read Prepare, Read Start; the delivered mode, size and planes shape the
// page white (bitmap and indexed through the conversions; planes past the
// colour planes are dropped, see deliveredPlaneCount); the resolution,
// rounded to one decimal place (below 1.0: 72.0), becomes both resolutions;
// then Read Continue and the read advance until the module sets data to
// null; Read Finish. False when no module handles the extension, the page
// cannot be shaped, or the module fails; the page then holds whatever the
// read reached (callers discard it or undo). A size whose pixels the tile
// store could never hold is refused before any pixel moves, with result
// -108 (memory full). `result`, when given, receives the run's result (0,
// the module's error, 2 for a page that cannot be shaped, -108).
bool FormatRead(PlugInHost& host, const PlugInList& list, const std::filesystem::path& path,
                int descriptor, Page& page);
bool FormatReadWith(PlugInHost& host, PlugInRecord& record, const std::filesystem::path& path,
                    int descriptor, Page& page, std::int16_t* result = nullptr);

// Writes `page` into the file with the format module found by extension:
// the block describes the whole image; then the options (when
// `wantOptions`), estimate and write phases, each Prepare, Start, the write
// advance (the page's current pixels into the module's rectangle), then
// Continue and the write advance until the module sets data to null, and
// the phase's Finish after a successful Start. False when no module handles
// the extension, the page does not fit the block's 16-bit fields, or any
// call fails. The page is never changed. `result`, when given, receives
// the run's result (0 or the module's error; -1 when no module was called).
bool FormatWrite(PlugInHost& host, const PlugInList& list, const std::filesystem::path& path,
                 int descriptor, const Page& page, bool wantOptions = true);
bool FormatWriteWith(PlugInHost& host, PlugInRecord& record, const std::filesystem::path& path,
                     int descriptor, const Page& page, bool wantOptions = true,
                     std::int16_t* result = nullptr);

// Revert: reads the file again into the shaped `page` as one undoable
// change of undo kind 4 ("Revert") over the whole image (old and new
// bounds), and marks the page modified. On failure the change is aborted
// and the page is exactly as before.
bool FormatReread(PlugInHost& host, const PlugInList& list, const std::filesystem::path& path,
                  int descriptor, Page& page);
bool FormatRereadWith(PlugInHost& host, PlugInRecord& record, const std::filesystem::path& path,
                      int descriptor, Page& page, std::int16_t* result = nullptr);

// The driver behind the format functions. One object per read or write.
class PlugInFormatRun final : public PlugInRun {
public:
    PlugInFormatRun(PlugInHost& host, PlugInRecord& record);

    bool read(const std::filesystem::path& path, int descriptor, Page& page);
    // The result of the last read or write: 0 or the code that ended it; -1
    // when no module was called.
    std::int16_t result() const { return m_result; }
    bool write(const std::filesystem::path& path, int descriptor, const Page& page,
               bool wantOptions);

    // The read advance (delivered pixels into the page) or the write
    // advance (the page's pixels into the module's memory).
    std::int16_t advanceState() override;

private:
    // Gives the module the file; false when the path does not fit the file
    // specification.
    bool giveFile(const std::filesystem::path& path, int descriptor);
    // One write phase starting at selector `prepare`.
    std::int16_t writePhase(std::int16_t prepare);

    PlugInHost& m_host;
    PlugInRecord& m_record;
    TsPiFormatBlock m_block;
    Page* m_readPage = nullptr;
    const Page* m_writePage = nullptr;
    std::unique_ptr<ProDataBuffer> m_buffer;
    std::int16_t m_result = -1;
};

}  // namespace tessary
