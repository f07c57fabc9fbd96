#include "app/zerozevuv.h"

#include <algorithm>
#include <system_error>

#include "app/preference_file.h"
#include "app/string_ids.h"
#include "app/string_table.h"
#include "platform/assert.h"

namespace tessary {

namespace {

// Creates one folder; a folder that already exists is fine, anything else
// that leaves no folder at `path` (no parent, no permission, a file of that
// name) is a failure.
bool createFolder(const std::filesystem::path& path) {
    std::error_code error;
    std::filesystem::create_directory(path, error);
    if (error) return false;
    return std::filesystem::is_directory(path, error);
}

}  // namespace

ZERozevuv::ZERozevuv(const std::filesystem::path& programFolder, platform::FileLayer& files,
                     platform::SystemInfo& system)
    : ZERozevuv(foldersBeside(programFolder), files, system) {}

ZERozevuv::ZERozevuv(const ProgramFolders& folders, platform::FileLayer& files,
                     platform::SystemInfo& system)
    : m_files(files),
      m_system(system),
      m_programFolder(folders.program),
      m_stuffFolder(folders.stuff),
      m_workingFolder(folders.working),
      m_plugInFolder(folders.plugIns),
      m_shippedPlugInFolder(folders.shippedPlugIns),
      m_preferenceFile(folders.preferenceFile) {}

std::vector<std::filesystem::path> ZERozevuv::plugInFolders() const {
    std::vector<std::filesystem::path> folders;
    if (!m_shippedPlugInFolder.empty() && m_shippedPlugInFolder != m_plugInFolder)
        folders.push_back(m_shippedPlugInFolder);
    folders.push_back(m_plugInFolder);
    return folders;
}

ZERozevuv::~ZERozevuv() {
    shutDown();
}

bool ZERozevuv::initialise() {
    TS_ASSERT(!m_initialised);

    // Folders: the stuff folder first, then the two inside it.
    if (!createFolders()) return false;

    // Preferences: defaults, then the file when it reads whole.
    loadPreferences();
    copyPreferencesToGlobals();
    // The tool box is created here and given m_preferences.toolBox.

    // The internal clipboard and the renderer (for 128 x 128 tiles) are
    // created here, beside the page-data list.
    m_pageDataList = std::make_unique<PageDataList>();

    // The volume list holds the working folder's drive.
    m_volumes = std::make_unique<VolumeList>(m_system);
    if (m_volumes->build(m_workingFolder) != 0) {
        releaseEngine();
        return false;
    }

    // Swap files go in a folder of this process's own, after the folders
    // and files of processes that are gone have been deleted.
    if (m_volumes->usable(0)) {
        SwapFolder::removeAbandoned(m_workingFolder, m_files);
        if (!m_swapFolder.claim(m_workingFolder)) {
            releaseEngine();
            return false;
        }
        m_volumes->setPath(0, m_swapFolder.path());
    }
    VMTile::deleteStaleSwapFiles(*m_volumes, m_files);

    // The budget from the free space measured when the list was built.
    if (!computeBudgetKB(m_budgetPrefs, m_volumes->share(0), m_swapBudgetKB)) {
        releaseEngine();
        return false;
    }
    m_volumes->setShare(0, m_swapBudgetKB);

    m_tileStore = std::make_unique<VMTile>(m_files, m_system);
    if (!m_tileStore->initialise(*m_volumes, kTileSize, kTileSize)) {
        releaseEngine();
        return false;
    }

    m_blendTable = std::make_unique<BlendTable>();
    m_workers = std::make_unique<WorkerPool>(m_preferences.global.workerThreads);
    m_initialised = true;
    return true;
}

void ZERozevuv::shutDown() {
    if (!m_initialised) return;
    // Documents own pages whose states hold tiles of the store; they must all
    // be closed before the store goes.
    TS_ASSERT(m_pageDataList->count() == 0);
    // The tool box's settings are collected into m_preferences.toolBox here,
    // before the tool box is destroyed.

    // The store deletes its own swap files; anything else matching the swap
    // file names in its folder goes too, and then the folder itself.
    m_tileStore->shutDown();
    VMTile::deleteStaleSwapFiles(*m_volumes, m_files);
    releaseEngine();

    copyGlobalsToPreferences();
    QSPrefs record = m_preferences.collect();
    m_preferenceWriteError = savePreferenceFile(m_files, m_preferenceFile, record,
                                                PreferenceTail{m_preferences.global.workerThreads,
                                                               m_preferences.global.modulesInProcess ? 1 : 0});
    m_initialised = false;
}

VMTile& ZERozevuv::tileStore() {
    TS_ASSERT(m_tileStore);
    return *m_tileStore;
}

VolumeList& ZERozevuv::volumeList() {
    TS_ASSERT(m_volumes);
    return *m_volumes;
}

PageDataList& ZERozevuv::pageDataList() {
    TS_ASSERT(m_pageDataList);
    return *m_pageDataList;
}

const BlendTable& ZERozevuv::blendTable() const {
    TS_ASSERT(m_blendTable);
    return *m_blendTable;
}

WorkerPool& ZERozevuv::workers() {
    TS_ASSERT(m_workers);
    return *m_workers;
}

void ZERozevuv::setWorkerThreads(std::int32_t threads) {
    m_preferences.global.workerThreads = GlobalPrefs::workerThreadsRule(threads);
    if (m_workers) m_workers->setThreadCount(m_preferences.global.workerThreads);
}

PageEnvironment ZERozevuv::pageEnvironment() {
    TS_ASSERT(m_initialised);
    return PageEnvironment{*m_tileStore, m_pageDataList.get(), *m_blendTable, PageData::kMaxUndo,
                           m_workers.get()};
}

bool ZERozevuv::createFolders() const {
    if (!createFolder(m_stuffFolder) || !createFolder(m_workingFolder) ||
        !createFolder(m_plugInFolder))
        return false;
    // The swap files in the working folder hold the pixels being edited:
    // only the owner may enter it.
    std::error_code error;
    std::filesystem::permissions(m_workingFolder, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace, error);
    return true;
}

void ZERozevuv::loadPreferences() {
    m_preferences = PreferenceSet{};
    m_preferencesLoaded = false;
    QSPrefs record;
    PreferenceTail tail;
    if (loadPreferenceFile(m_files, m_preferenceFile, record, tail)) {
        m_preferences.distribute(record);
        m_preferences.global.workerThreads = GlobalPrefs::workerThreadsRule(tail.workerThreads);
        m_preferences.global.modulesInProcess = tail.modulesInProcess == 1;
        m_preferencesLoaded = true;
    }
}

void ZERozevuv::copyPreferencesToGlobals() {
    const GlobalPrefs& global = m_preferences.global;
    m_tools.foreground = global.foreground;
    m_tools.background = global.background;
    m_tools.opacity = global.opacity;
    m_unit = 0;  // every start begins in pixels
    m_budgetPrefs = global.budget;
}

void ZERozevuv::copyGlobalsToPreferences() {
    GlobalPrefs& global = m_preferences.global;
    global.foreground = m_tools.foreground;
    global.background = m_tools.background;
    global.opacity = m_tools.opacity;
    global.unit = m_unit;
    global.budget = m_budgetPrefs;
}

void ZERozevuv::releaseEngine() {
    m_workers.reset();
    m_blendTable.reset();
    if (m_tileStore) m_tileStore->shutDown();
    m_tileStore.reset();
    m_swapFolder.release();
    m_volumes.reset();
    m_pageDataList.reset();
}

}  // namespace tessary
