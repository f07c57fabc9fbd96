#pragma once

// A small stand-in for the editor's plug-in host: loads a shipped module with
// dlopen and calls its entry point with blocks filled the way the host
// fills them, following the host's calling sequences. It checks the
// module's side of the protocol as it goes (rectangles inside the image,
// every row delivered once, data null at the end).

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "modules_shipped/test_image.h"
#include "tessary_plugin.h"

namespace tessary::test {

// One module loaded for the length of a test.
class LoadedModule {
public:
    explicit LoadedModule(const std::string& fileName);  // from the plug-in folder
    ~LoadedModule();
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    bool loaded() const { return m_entry != nullptr; }
    const std::string& error() const { return m_error; }

    // Calls the entry point with the result cell preset to the selector.
    TsPiResult call(std::int16_t selector, void* block);

    std::intptr_t data = 0;               // the module's data word, as the host's record keeps it
    std::vector<std::int16_t> selectors;  // every selector sent, in order

private:
    void* m_handle = nullptr;
    TsPiEntryProc m_entry = nullptr;
    std::string m_error;
};

// The host procedures every block gets, with what they saw.
struct HostProcedures {
    int abortAfter = -1;  // answer "cancel" from this call of the abort procedure on
    int abortCalls = 0;
    std::vector<std::pair<std::int32_t, std::int32_t>> progress;
    int buffersLive = 0;  // buffer-suite buffers allocated and not yet freed
    int buffersAllocated = 0;

    // The procedures use the one object made current here.
    void makeCurrent();
    static TsPiAbortProc abortProcedure();
    static TsPiProgressProc progressProcedure();
    static TsPiBufferSuite* bufferSuite();
    static TsPiHandleSuite* handleSuite();
};

// Sets an environment variable for the life of the object.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value);  // null value: unset
    ~ScopedEnvironment();

private:
    std::string m_name;
    bool m_hadValue = false;
    std::string m_oldValue;
};

// Format read: Prepare, Start, Continue until data is null, Finish.
struct FormatReadResult {
    TsPiResult result = 0;    // first failing result, else 0
    TsPiFormatBlock block{};  // as Start left it (mode, size, planes, resolution, tables)
    Image image;              // assembled from the bands
    std::vector<TsPiRect> bands;
};
FormatReadResult readWithModule(LoadedModule& module, const std::filesystem::path& file,
                                HostProcedures& host);

// Format write: options, estimate and write phases; the file is first
// filled with stray bytes and its descriptor left at its end.
struct FormatWriteResult {
    TsPiResult result = 0;
    std::vector<TsPiRect> requests;  // rectangles the host filled
};
FormatWriteResult writeWithModule(LoadedModule& module, const std::filesystem::path& file,
                                  const Image& page, double ppi, HostProcedures& host);

// Filter run: Parameters (when asked), Prepare, Start, then fetch, Continue,
// store and fetch again while the module asks for pixels, then Finish.
// The page keeps the pixels before the run for the input requests.
struct FilterRunResult {
    TsPiResult result = 0;
    Image page;  // after the run
    std::vector<TsPiRect> outputRequests;
    std::vector<TsPiRect> inputRequests;
};
FilterRunResult runFilter(LoadedModule& module, const Image& page, TsPiRect filterRect,
                          std::int32_t maxSpace, bool sendParameters, HostProcedures& host,
                          TsPiHandle* parameters);

// Import run: Prepare, then cycles of Start, Continue until data is null,
// Finish, while the module sets acquire again; Finalize when asked for.
struct ImportedDocument {
    std::string title;
    std::int16_t mode = 0;
    Image image;
    TsPiImportBlock block{};
};
struct ImportRunResult {
    TsPiResult result = 0;
    std::vector<ImportedDocument> documents;
    bool finalized = false;
};
ImportRunResult runImport(LoadedModule& module, HostProcedures& host);

// Export run: Prepare, Start, then fill the wanted rectangle and Continue
// while it is not empty, Finish.
struct ExportRunResult {
    TsPiResult result = 0;
    int passesOverTopRow = 0;  // how often the first band was asked for
};
ExportRunResult runExport(LoadedModule& module, const Image& page, double ppi,
                          HostProcedures& host);

}  // namespace tessary::test
