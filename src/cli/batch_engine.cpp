#include "cli/batch_engine.h"

#include <cctype>
#include <cstring>

#include "effects/neighbourhood/noise_generator.h"
#include "model/progress_port.h"
#include "plugins/plug_in_setup.h"
#include "tools/tool_box.h"

namespace tessary {

BatchEngine::BatchEngine(const std::filesystem::path& programFolder)
    : BatchEngine(foldersBeside(programFolder)) {}

BatchEngine::BatchEngine(const ProgramFolders& folders)
    : m_globals(std::make_unique<ZERozevuv>(folders)),
      m_plugInProgress(std::make_unique<SilentProgress>()) {}

BatchEngine::~BatchEngine() {
    shutDown();
}

bool BatchEngine::start(std::string& error) {
    if (m_started) return true;
    std::error_code ignored;  // a folder that cannot be made is reported by initialise()
    std::filesystem::create_directories(m_globals->programFolder(), ignored);
    if (!m_globals->initialise()) {
        error = "the engine could not start: the folders under " +
                m_globals->programFolder().string() + " could not be made, or the drive of " +
                m_globals->workingFolder().string() +
                " has less than 1025 KB free or cannot be used";
        return false;
    }
    m_savedForeground = m_globals->foreground();
    m_savedBackground = m_globals->background();
    m_savedOpacity = m_globals->opacity();
    BuildPlugInMenus(m_plugIns, m_globals->plugInFolders(), PlugInMenus{});
    m_host = std::make_unique<PlugInHost>(*m_plugInProgress, m_globals->blendTable());
    m_host->setColours(m_globals->foreground(), m_globals->background());
    m_host->setModuleQuestions(&m_questions);
    m_host->setWorkers(&m_globals->workers());
    m_files = std::make_unique<PageFileIO>(*m_host, m_plugIns, environment());
    m_toolBox = std::make_unique<ToolBox>(m_globals->toolGlobals());
    m_toolBox->loadOptions(&m_globals->preferences().toolBox);
    m_started = true;
    return true;
}

void BatchEngine::shutDown() {
    if (!m_started) return;
    m_toolBox->releaseResources();
    m_toolBox.reset();
    m_lastFilter.reset();
    m_files.reset();
    m_host.reset();
    m_plugIns.FreePlugInList();
    m_globals->setForeground(m_savedForeground);
    m_globals->setBackground(m_savedBackground);
    m_globals->setOpacity(m_savedOpacity);
    m_globals->shutDown();
    m_started = false;
}

void BatchEngine::setForeground(std::uint32_t colour) {
    m_globals->setForeground(colour);
    if (m_host) m_host->setColours(m_globals->foreground(), m_globals->background());
}

void BatchEngine::setBackground(std::uint32_t colour) {
    m_globals->setBackground(colour);
    if (m_host) m_host->setColours(m_globals->foreground(), m_globals->background());
}

void BatchEngine::coloursChanged() {
    if (m_host) m_host->setColours(m_globals->foreground(), m_globals->background());
}

void BatchEngine::setOpacity(std::int32_t opacity) {
    m_globals->setOpacity(opacity);
}

EffectContext BatchEngine::effectContext() {
    return EffectContext{m_globals->opacity(), m_globals->foreground(), m_globals->background(),
                         m_progressFactory,    processNoiseGenerator(), m_lastFilter};
}

namespace {

// A menu name reduced for comparison: lower case, without '&' and without a
// trailing "..." or ellipsis.
std::string comparableName(std::string_view name) {
    std::string out;
    for (char c : name) {
        if (c == '&') continue;
        out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
    while (!out.empty() && (out.back() == '.' || out.back() == ' ')) out.pop_back();
    return out;
}

}  // namespace

PlugInRecord* BatchEngine::findPlugIn(std::int32_t kind, std::string_view name) const {
    const std::string wanted = comparableName(name);
    if (wanted.empty()) return nullptr;
    for (PlugInRecord* record = m_plugIns.head(); record != nullptr; record = record->next.get()) {
        if (record->kind != kind) continue;
        const std::string_view recordName(record->name,
                                          ::strnlen(record->name, sizeof(record->name)));
        if (comparableName(recordName) == wanted) return record;
    }
    return nullptr;
}

}  // namespace tessary
