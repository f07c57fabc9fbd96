#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "model/blend_table.h"
#include "model/error_codes.h"
#include "model/progress_port.h"
#include "plugins/host_ports.h"
#include "plugins/memory_status.h"
#include "plugins/plug_in_record.h"
#include "tessary_plugin.h"

namespace tessary {

// A call that ended by an exception escaping the module.
inline constexpr std::int16_t kModuleThrew = TSPI_ERR_IO;
// A call that ended because the module host process stopped (it crashed,
// broke the link, or was killed after a cancel it ignored).
inline constexpr std::int16_t kModuleStopped = -32768;

class DataBuffer;
class ModuleProcess;
class WorkerPool;

// Where modules run: loaded into this process, or each run in a module
// host process of its own (tessary-module-host), so that a module that
// crashes or hangs cannot take the editor with it.
enum class ModuleCalls { InProcess, Isolated };

// One driver run of a module (a filter, import, export or format run). The
// host routes the module's advance-state calls to the run in progress.
class PlugInRun {
public:
    virtual ~PlugInRun() = default;
    // Serves the requests the module has written into its block.
    virtual std::int16_t advanceState() = 0;
};

// The shared half of running modules: loading and calling a module, filling
// the common part of its parameter block, and the state behind the
// procedures the module calls back (progress window, cancel flag, colours,
// message pump, colour dialog, pixel display, memory figures).
//
// Only one run happens at a time in the whole process (the procedures a
// module calls carry no context, so they reach the host through active()).
// A run starts with a RunScope; a second run while one is in progress is
// refused. Everything happens on the user-interface thread.
class PlugInHost {
public:
    // `progress` is the plug-in progress window; all three must outlive the
    // host.
    PlugInHost(ProgressPort& progress, const BlendTable& blend,
               MemoryStatusPort& memory = systemMemoryStatus());
    ~PlugInHost();
    PlugInHost(const PlugInHost&) = delete;
    PlugInHost& operator=(const PlugInHost&) = delete;

    // Optional ports (null: the service does nothing).
    void setMessagePump(MessagePumpPort* pump) { m_pump = pump; }
    void setColourChooser(ColourChooserPort* chooser) { m_chooser = chooser; }
    void setPixelDisplay(PixelDisplayPort* display) { m_display = display; }
    // Answers the questions modules ask the user (null: every question
    // answers "not available").
    void setModuleQuestions(ModuleQuestions* questions) { m_questions = questions; }
    ModuleQuestions* moduleQuestions() const { return m_questions; }
    // The name of the module loaded last (the title of its questions).
    const std::string& callingModuleName() const { return m_moduleName; }
    // The application's foreground and background colours (red bits 0-7,
    // green 8-15, blue 16-23), given to modules and to colour services.
    void setColours(std::uint32_t foreground, std::uint32_t background);
    std::uint32_t foreground() const { return m_foreground; }
    std::uint32_t background() const { return m_background; }
    // The main window's handle, which modules find through their blocks'
    // platform data.
    void setMainWindow(std::intptr_t handle) { m_mainWindow = handle; }

    // Where modules run (in process by default). `helper` is the module
    // host program for isolated calls (findModuleHost() when empty).
    void setModuleCalls(ModuleCalls calls, std::filesystem::path helper = {});
    ModuleCalls moduleCalls() const { return m_calls; }
    // How long a module in a helper gets to return once the user has
    // cancelled before the helper is killed, in milliseconds.
    void setCancelGrace(int ms) { m_cancelGraceMs = ms; }
    int cancelGraceMs() const { return m_cancelGraceMs; }
    // The engine's threads, whose count modules may ask for (1 without).
    void setWorkers(const WorkerPool* workers) { m_workers = workers; }
    int workerThreads() const;
    // Gives `buffer` (reshaped to the planes and rectangle) storage the
    // module can reach: its own allocation in process, the shared area for
    // a module in a helper (`slot` names the buffer there). Returns whether
    // the buffer has storage.
    bool shapeModuleBuffer(DataBuffer& buffer, int slot, int firstPlane, int lastPlane,
                           std::int32_t left, std::int32_t top, std::int32_t right,
                           std::int32_t bottom);

    ProgressPort& progress() { return m_progress; }
    const BlendTable& blend() const { return m_blend; }

    // Five eighths of the memory the system reports available, clamped to
    // the 32-bit fields that carry it.
    std::int32_t moduleMemoryLimit();
    // All the memory the system reports available, clamped the same way
    // (the buffer suite's space).
    std::int32_t availableMemory();

    // Loads the record's module as a library and finds its entry point (the
    // Windows entry name when the record has one, else the alternative
    // one). 0, or a code of plug_in_module.h; a module that cannot be
    // loaded has no entry point, so every call yields -1, and the runs stop
    // without calling it (loadFailed() is true then). On success the
    // progress window reads "Filtering..." (filters) or "Working..." and the
    // record's name, and the cancel flag is cleared.
    std::int16_t LoadPlugIn(PlugInRecord& record);
    // Calls the entry point with (selector, the record's current block, the
    // record's plug-in data word, result cell). The cell holds the selector
    // before the call. Returns the cell when it is 0 or negative, -1 when it
    // is positive (the module told the user itself) or when there is no
    // entry point, kModuleThrew when an exception escaped the module. A
    // module's own cancel (-128) sets the cancel flag, so that callers treat
    // it as the user's cancel and show no message.
    std::int16_t CallPlugIn(PlugInRecord& record, std::int16_t selector);
    // Releases the module. For a filter, the parameters handle the block
    // holds becomes the record's saved parameters (null when the module
    // left something that is not a live handle there); for an import the
    // plug-in data word is reset to 0. Buffers the module did not free are
    // freed, the record forgets its block, and the progress window closes.
    void UnloadPlugIn(PlugInRecord& record);

    // Fills the common fields of a kind's block (everything else zero),
    // refills the record's suites and makes `block` the record's current
    // block. Always 0.
    std::int16_t FillParameterBlock(PlugInRecord& record, TsPiFilterBlock& block,
                                    TsPiAdvanceStateProc advance);
    std::int16_t FillParameterBlock(PlugInRecord& record, TsPiImportBlock& block,
                                    TsPiAdvanceStateProc advance);
    std::int16_t FillParameterBlock(PlugInRecord& record, TsPiExportBlock& block,
                                    TsPiAdvanceStateProc advance);
    std::int16_t FillParameterBlock(PlugInRecord& record, TsPiFormatBlock& block,
                                    TsPiAdvanceStateProc advance);

    // --- Runs -------------------------------------------------------------
    // Registers `run` as the run in progress for its lifetime; refused
    // (accepted() false) when another run is in progress anywhere.
    class RunScope {
    public:
        RunScope(PlugInHost& host, PlugInRun& run);
        ~RunScope();
        RunScope(const RunScope&) = delete;
        RunScope& operator=(const RunScope&) = delete;
        bool accepted() const { return m_accepted; }

    private:
        PlugInHost& m_host;
        PlugInHost* m_previous = nullptr;
        bool m_accepted = false;
    };

    // The host whose module is being called or whose run is in progress.
    static PlugInHost* active();
    bool busy() const { return m_run != nullptr; }

    // --- Services behind the procedures modules call ----------------------
    // True once the user cancelled: asks the progress window while the flag
    // is clear; stays true until the next module is loaded. Also true after
    // the module answered -128 (the user declined one of its questions).
    bool abortRequested();
    // The user's (or the module's) cancel; not once the module stopped,
    // which is reported.
    bool cancelled() const { return m_cancelled && !m_stopped; }
    // True when the module host process of the last run stopped.
    bool moduleStopped() const { return m_stopped; }
    // While waiting for a module in a helper: keeps the progress window
    // showing and answering, and returns whether the user cancelled.
    bool pumpWhileWaiting();
    // Shows progress after a 240 ms delay; a cancel sets the flag.
    void reportProgress(std::int32_t done, std::int32_t total);
    void processEvent(const void* event);
    TsPiResult displayPixels(const TsPiPixelMap* source, const TsPiLongRect* rect,
                             std::int32_t destinationRow, std::int32_t destinationColumn,
                             void* platformContext);
    TsPiResult colourServices(TsPiColorServicesInfo* info);
    // Draws a bitmap built for a module's display-pixels request.
    void drawModuleBitmap(const HostBitmap& bitmap, std::int32_t destinationRow,
                          std::int32_t destinationColumn, void* platformContext);
    // The advance of the run in progress; -30900 outside a run.
    TsPiResult advanceState();
    // Keeps a module's warning for the user (tessary_ask.h): the first of
    // the run, when it is text of at most TSPI_ASK_MAX_TEXT bytes with its
    // terminator. False when the text is malformed.
    bool noteWarning(const char* text);
    // The warning kept since the last module was loaded; empty when none.
    const std::string& moduleWarning() const { return m_warning; }

    // What the loader said when the last load failed (for diagnostics).
    const std::string& lastLoadMessage() const { return m_lastLoadMessage; }
    // True when the module of the run begun last could not be loaded.
    bool loadFailed() const { return m_loadFailed; }
    // The error code to show for a run that ended with an error and was not
    // cancelled: kErrPlugInStopped when its module host stopped,
    // kErrPlugInLoad when its module could not be loaded, else the general
    // error (the module's own results carry no message).
    ErrorCode failureCode() const {
        if (m_stopped) return kErrPlugInStopped;
        return m_loadFailed ? kErrPlugInLoad : kErrGeneral;
    }
    // The message of failureCode(), with the module's name where it names it.
    std::string failureMessage() const;

private:
    void fillSuites(PlugInRecord& record);
    // LoadPlugIn in a new module host process.
    std::int16_t loadInHelper(PlugInRecord& record, const char* entryName);
    // Kills the module host and marks the run's module as stopped.
    void stopHelper();
    // FillParameterBlock of the import, export and format blocks, which
    // share their host fields.
    template <class Block>
    std::int16_t fillTransferBlock(PlugInRecord& record, Block& block,
                                   TsPiAdvanceStateProc advance);

    ProgressPort& m_progress;
    const BlendTable& m_blend;
    MemoryStatusPort& m_memory;
    MessagePumpPort* m_pump = nullptr;
    ColourChooserPort* m_chooser = nullptr;
    PixelDisplayPort* m_display = nullptr;
    ModuleQuestions* m_questions = nullptr;
    std::string m_moduleName;
    std::uint32_t m_foreground = 0x000000;
    std::uint32_t m_background = 0xFFFFFF;
    // The cell a block's platform data points at.
    std::intptr_t m_mainWindow = 0;
    bool m_cancelled = false;
    bool m_loadFailed = false;
    PlugInRun* m_run = nullptr;
    ModuleCalls m_calls = ModuleCalls::InProcess;
    std::filesystem::path m_helper;
    std::unique_ptr<ModuleProcess> m_process;
    bool m_stopped = false;
    int m_cancelGraceMs = 2000;
    const WorkerPool* m_workers = nullptr;
    std::int32_t m_lastDone = 0;
    std::int32_t m_lastTotal = 0;
    std::string m_lastLoadMessage;
    std::string m_warning;
};

// Delay before the plug-in progress window shows, in milliseconds.
inline constexpr std::uint32_t kPlugInProgressDelayMs = 240;

}  // namespace tessary
