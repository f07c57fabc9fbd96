#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "plugins/block_crossing.h"
#include "plugins/module_link.h"
#include "tessary_plugin.h"

namespace tessary {

class PlugInHost;
struct PlugInRecord;

// The file name of the module host program.
inline constexpr const char* kModuleHostFileName = "tessary-module-host";

// Where the module host program is looked for, in order: `overridePath`
// alone when it is not empty (TESSARY_MODULE_HOST, a full path); otherwise
// the program's folder, then <program folder>/../lib/tessary/.
std::vector<std::filesystem::path> moduleHostCandidates(std::string_view overridePath,
                                                        const std::filesystem::path& programFolder);
// The first candidate of this process (TESSARY_MODULE_HOST and the folder of
// /proc/self/exe) that exists; empty when none does.
std::filesystem::path findModuleHost();

// The editor's end of one module host process: it starts the helper, has it
// load one module, and runs the module's calls there, answering the
// module's host procedures through `PlugInHost` while it waits. The
// process lives for one run (from LoadPlugIn to UnloadPlugIn).
//
// Nothing the helper sends is trusted: a message that does not check out,
// a closed or broken socket, or a helper that does not answer within the
// cancel grace once the user has cancelled ends the link (the helper is
// killed) and every later call fails at once.
class ModuleProcess {
public:
    ~ModuleProcess();
    ModuleProcess(const ModuleProcess&) = delete;
    ModuleProcess& operator=(const ModuleProcess&) = delete;

    // Starts `program`; null (with the reason in `message`) when it cannot.
    static std::unique_ptr<ModuleProcess> start(const std::filesystem::path& program,
                                                std::string& message);

    // Has the helper load the module. True when the helper answered, with
    // the load result (0 or a code of plug_in_module.h) in `code`.
    bool load(const char* path, const char* entryName, std::intptr_t mainWindow, std::int16_t& code,
              std::string& message);

    // Runs one call of the record's module on the record's current block,
    // serving its callbacks through `host`. True when it returned, with the
    // module's result cell in `result`; false when the link ended.
    bool call(PlugInHost& host, PlugInRecord& record, std::int16_t selector, TsPiResult& result);

    // Storage in the shared area for a buffer the module reads or writes.
    std::uint8_t* sharedStorage(int slot, std::uint64_t bytes) { return m_area.slot(slot, bytes); }

    pid_t pid() const { return m_pid; }
    bool alive() const { return m_pid > 0 && m_channel.descriptor() >= 0; }
    // Ends the helper now (SIGKILL) and closes the link.
    void kill();

private:
    ModuleProcess() = default;
    bool serveCallback(PlugInHost& host, PlugInRecord& record, LinkReader& in, int passedFd);
    bool reply(const std::vector<std::uint8_t>& payload);
    // Waits for the next message while keeping the progress window alive.
    bool receive(PlugInHost& host, LinkMessage& type, std::vector<std::uint8_t>& payload,
                 int& passedFd);
    void reap(int graceMs);
    // Sets the shared cancel word once the host has seen a cancel.
    void publishCancel(PlugInHost& host);
    // Looks at the progress window; false once a cancel went unanswered
    // for the host's grace (the wait then ends).
    static bool keepWaiting(void* self);

    using Clock = std::chrono::steady_clock;
    PlugInHost* m_waitingHost = nullptr;
    Clock::time_point m_lastPump{};
    bool m_cancelSeen = false;
    Clock::time_point m_cancelSeenAt{};

    pid_t m_pid = -1;
    LinkChannel m_channel;
    SharedArea m_area;
    BlockCrossing m_crossing{BlockCrossing::Side::Editor, m_area};
};

}  // namespace tessary
