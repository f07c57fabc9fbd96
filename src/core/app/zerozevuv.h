#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/preference_set.h"
#include "app/program_folder.h"
#include "app/tool_globals.h"
#include "model/blend_table.h"
#include "model/page.h"
#include "model/page_data_list.h"
#include "platform/file_layer.h"
#include "platform/system_info.h"
#include "platform/worker_pool.h"
#include "vm/swap_folder.h"
#include "vm/vm_tile.h"
#include "vm/volume_list.h"

namespace tessary {

// The application globals: everything shared by all documents. One object per
// process, created by the application at start and destroyed at exit.
//
// initialise() prepares the folders beside the program, reads the preference
// file, starts the tile store on the working folder's drive and builds the
// shared tables; shutDown() stops the store, deletes the swap files and writes
// the preference file. The file layer and the system questions are injected
// so that tests can run it on a temporary folder with a pretend machine.
//
// Folders, given at construction as a ProgramFolders; built from a program
// folder alone, all lie below it:
//   stuff folder     <program>/QSStuff
//   working folder   <program>/QSStuff/Temp      (swap folders)
// The swap files go in a folder of this process's own inside the working
// folder (SwapFolder), so that the editor and the batch program started from
// the same program folder never share or delete each other's swap files.
//   plug-in folder   <program>/QSStuff/Plugins
//   preference file  <program>/QSStuff/QSPrefs
// An installed program adds a read-only shipped plug-in folder and keeps the
// others in the user's folders (see chooseProgramFolders()).
class ZERozevuv {
public:
    // Tile size of the store and of every page.
    static constexpr int kTileSize = 128;

    // `files` and `system` must outlive the object.
    explicit ZERozevuv(const std::filesystem::path& programFolder,
                       platform::FileLayer& files = platform::systemFileLayer(),
                       platform::SystemInfo& system = platform::systemInfo());
    explicit ZERozevuv(const ProgramFolders& folders,
                       platform::FileLayer& files = platform::systemFileLayer(),
                       platform::SystemInfo& system = platform::systemInfo());
    // Runs shutDown() when the object is initialised.
    ~ZERozevuv();
    ZERozevuv(const ZERozevuv&) = delete;
    ZERozevuv& operator=(const ZERozevuv&) = delete;

    // Start-up. Returns true and marks the object initialised when every step
    // succeeded. Deletes the swap folders and files of processes that are
    // gone and, on a usable drive, takes a swap folder of its own. Fails when
    // a folder cannot be created (one that exists is fine), when the working
    // folder's drive is missing or of an unknown kind, when its drive has
    // less than 1025 KB free, or when the tile store cannot start. A missing
    // or unreadable preference file is no failure: the defaults stay in
    // force. A failed start releases everything it built (no swap file stays
    // behind) and writes nothing; it may be tried again. Must not be called
    // while initialised.
    bool initialise();

    // Exit. Every document (every page of the page-data list) must be gone.
    // Shuts the tile store down (which deletes its swap files), deletes the
    // process's swap folder, copies the values in force into the
    // general preferences and writes the preference file; a write failure is
    // not reported to anyone (preferenceWriteError() keeps it). Does nothing
    // when not initialised.
    void shutDown();

    bool initialised() const { return m_initialised; }

    // --- Folders (valid from construction) ---------------------------------
    const std::filesystem::path& programFolder() const { return m_programFolder; }
    const std::filesystem::path& stuffFolder() const { return m_stuffFolder; }
    const std::filesystem::path& workingFolder() const { return m_workingFolder; }
    // This process's folder for swap files inside the working folder (the
    // volume's path); empty when not initialised or the drive is not usable.
    const std::filesystem::path& swapFolder() const { return m_swapFolder.path(); }
    // The user's plug-in folder (made by initialise()).
    const std::filesystem::path& plugInFolder() const { return m_plugInFolder; }
    // Every folder modules are read from, in scan order: the shipped folder
    // (when there is one of its own), then plugInFolder().
    std::vector<std::filesystem::path> plugInFolders() const;
    const std::filesystem::path& preferenceFile() const { return m_preferenceFile; }

    // --- Preferences --------------------------------------------------------
    // The preference objects. Before initialise() they hold their in-memory
    // defaults; after it, what the file said when it was read whole.
    PreferenceSet& preferences() { return m_preferences; }
    const PreferenceSet& preferences() const { return m_preferences; }
    // True when initialise() read the preference file and distributed it.
    bool preferencesLoaded() const { return m_preferencesLoaded; }
    // The file layer's code of the last preference write (kNoErr before any).
    platform::FileError preferenceWriteError() const { return m_preferenceWriteError; }

    // --- Values in force, copied from the general preferences at start-up
    // and written back at exit ----------------------------------------------
    std::uint32_t foreground() const { return m_tools.foreground; }
    void setForeground(std::uint32_t color) { m_tools.foreground = color; }
    std::uint32_t background() const { return m_tools.background; }
    void setBackground(std::uint32_t color) { m_tools.background = color; }
    // The global opacity, 0..255.
    std::int32_t opacity() const { return m_tools.opacity; }
    void setOpacity(std::int32_t opacity) { m_tools.opacity = opacity; }
    // The values the tools share (the colours and opacity above among them);
    // the tool box is built on this object.
    ToolGlobals& toolGlobals() { return m_tools; }
    const ToolGlobals& toolGlobals() const { return m_tools; }
    // The measurement unit in force (0 pixels .. 4 points); 0 after start-up.
    std::int32_t unit() const { return m_unit; }
    void setUnit(std::int32_t unit) { m_unit = unit; }
    // The memory budget preferences; changes take effect at the next start.
    const BudgetPrefs& budgetPrefs() const { return m_budgetPrefs; }
    void setBudgetPrefs(const BudgetPrefs& prefs) { m_budgetPrefs = prefs; }

    // Threads the effects compute on, as the preferences hold it (0: all
    // cores). Setting it takes effect at once (not while an effect runs).
    std::int32_t workerThreads() const { return m_preferences.global.workerThreads; }
    void setWorkerThreads(std::int32_t threads);

    // --- Shared engine objects (valid only while initialised) --------------
    VMTile& tileStore();
    VolumeList& volumeList();
    PageDataList& pageDataList();
    const BlendTable& blendTable() const;
    // The threads pages compute their effects on.
    WorkerPool& workers();
    // What every page of a document is built with.
    PageEnvironment pageEnvironment();
    // The swap budget (KB) computed at start-up from the free space.
    std::uint32_t swapBudgetKB() const { return m_swapBudgetKB; }

private:
    bool createFolders() const;
    void loadPreferences();
    void copyPreferencesToGlobals();
    void copyGlobalsToPreferences();
    // Releases every engine object built so far (start-up failure or exit).
    void releaseEngine();

    platform::FileLayer& m_files;
    platform::SystemInfo& m_system;
    bool m_initialised = false;

    std::filesystem::path m_programFolder;
    std::filesystem::path m_stuffFolder;
    std::filesystem::path m_workingFolder;
    std::filesystem::path m_plugInFolder;
    std::filesystem::path m_shippedPlugInFolder;
    std::filesystem::path m_preferenceFile;

    PreferenceSet m_preferences;
    bool m_preferencesLoaded = false;
    platform::FileError m_preferenceWriteError = platform::kNoErr;

    ToolGlobals m_tools;
    std::int32_t m_unit = 0;
    BudgetPrefs m_budgetPrefs;
    std::uint32_t m_swapBudgetKB = 0;

    // Built by initialise(), in this order, and released in reverse.
    // (The tool box, the internal clipboard, the renderer, the progress window
    // and the last filter belong here too; their layers add them.)
    std::unique_ptr<PageDataList> m_pageDataList;
    std::unique_ptr<VolumeList> m_volumes;
    SwapFolder m_swapFolder;
    std::unique_ptr<VMTile> m_tileStore;
    std::unique_ptr<BlendTable> m_blendTable;
    std::unique_ptr<WorkerPool> m_workers;
};

}  // namespace tessary
