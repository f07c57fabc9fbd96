#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "app/zerozevuv.h"
#include "cli/scripted_questions.h"
#include "effects/framework/effect_context.h"
#include "effects/framework/filter.h"
#include "model/silent_progress.h"
#include "plugins/host_ports.h"
#include "plugins/page_file_io.h"
#include "plugins/plug_in_host.h"
#include "plugins/plug_in_list.h"

namespace tessary {

class ToolBox;

// The engine as the batch program runs it: the application globals started
// on a program folder, the modules discovered in its plug-in folder, the
// plug-in host with silent progress, the page reader and writer, the tool
// box, and the application state the commands take (colours, opacity, last
// filter).
//
// Nothing is shown and nothing can be cancelled: progress goes nowhere, and
// the questions modules ask are answered from the step's script. The
// foreground, background and opacity a batch sets hold for this run only;
// shutDown() puts back the values read from the preferences, so a batch
// never changes what the editor starts with. The tool box is built on the
// globals' tool values, so the colours and opacity set here are the ones the
// tools paint with; its options start from the preferences and are never
// written back.
class BatchEngine {
public:
    explicit BatchEngine(const std::filesystem::path& programFolder);
    explicit BatchEngine(const ProgramFolders& folders);
    ~BatchEngine();
    BatchEngine(const BatchEngine&) = delete;
    BatchEngine& operator=(const BatchEngine&) = delete;

    // Creates the folders, reads the preferences, sets up the tile store and
    // scans the plug-in folder. False with `error` set when the globals
    // cannot start (the folders cannot be made or the drive is unusable).
    bool start(std::string& error);
    // Writes the preferences (with the colours and opacity as they were at
    // start) and deletes the swap files. Every page must be gone by then.
    // Called by the destructor when not called before.
    void shutDown();
    bool started() const { return m_started; }

    ZERozevuv& globals() { return *m_globals; }
    PlugInList& plugIns() { return m_plugIns; }
    PlugInHost& host() { return *m_host; }
    PageFileIO& files() { return *m_files; }
    // Pages of a batch keep no undo states: nothing is ever undone, so the
    // state before each change is released when the change ends.
    PageEnvironment environment() {
        PageEnvironment environment = m_globals->pageEnvironment();
        environment.historyDepth = 0;
        return environment;
    }
    // Makes no progress windows: effects run without one.
    ProgressFactory& progressFactory() { return m_progressFactory; }
    std::unique_ptr<Filter>& lastFilter() { return m_lastFilter; }
    // The sixteen tools on globals().toolGlobals(); valid while started.
    ToolBox& toolBox() { return *m_toolBox; }

    void setForeground(std::uint32_t colour);
    void setBackground(std::uint32_t colour);
    void setOpacity(std::int32_t opacity);
    // Hands the colours in force to the plug-in host after something other
    // than setForeground() or setBackground() changed them (the dropper).
    void coloursChanged();
    // The context the effect commands take, from the current globals. Valid
    // while the engine lives.
    EffectContext effectContext();

    // The questions modules ask, answered from the script of the step.
    ScriptedQuestions& questions() { return m_questions; }

    // A filter module (kind 2) named `name`; the comparison ignores case, and
    // the menu name's "..." and '&' marks. Null when there is none.
    PlugInRecord* findFilter(std::string_view name) const {
        return findPlugIn(kPlugInKindFilter, name);
    }
    // The same for a module of any kind (kPlugInKind...).
    PlugInRecord* findPlugIn(std::int32_t kind, std::string_view name) const;

private:
    class NoProgressFactory : public ProgressFactory {
    public:
        std::unique_ptr<ProgressPort> create(std::int16_t) override { return nullptr; }
    };

    std::unique_ptr<ZERozevuv> m_globals;
    PlugInList m_plugIns;
    std::unique_ptr<SilentProgress> m_plugInProgress;
    std::unique_ptr<PlugInHost> m_host;
    std::unique_ptr<PageFileIO> m_files;
    NoProgressFactory m_progressFactory;
    ScriptedQuestions m_questions;
    std::unique_ptr<Filter> m_lastFilter;
    std::unique_ptr<ToolBox> m_toolBox;
    bool m_started = false;
    std::uint32_t m_savedForeground = 0;
    std::uint32_t m_savedBackground = 0xFFFFFF;
    std::int32_t m_savedOpacity = 255;
};

// The plug-in view of a page without a window: keeps the history offset the
// filter driver sets and repaints nothing.
class BatchPlugInView : public PlugInView {
public:
    explicit BatchPlugInView(Page* page) : m_page(page) {}
    Page* page() override { return m_page; }
    std::int32_t historyOffset() const override { return m_offset; }
    void setHistoryOffset(std::int32_t offset) override { m_offset = offset; }

private:
    Page* m_page;
    std::int32_t m_offset = 0;
};

}  // namespace tessary
