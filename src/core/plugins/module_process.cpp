#include "plugins/module_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "plugins/display_pixels.h"
#include "plugins/plug_in_host.h"
#include "plugins/plug_in_record.h"
#include "plugins/question_services.h"
#include "tessary_ask.h"

extern char** environ;

namespace tessary {

namespace {

// How often the editor looks at the progress window while the module runs
// without calling back: often enough for a cancel to feel immediate.
constexpr int kIdlePollMs = 50;

// How long a helper whose link was closed normally gets to exit before it
// is killed.
constexpr int kExitGraceMs = 500;

// Descriptors the helper finds its socket and shared area at.
constexpr int kHelperSocketFd = 3;
constexpr int kHelperAreaFd = 4;

// Text a module passed, as the helper forwards it: absent, terminated text,
// or text without terminator within TSPI_ASK_MAX_TEXT bytes.
struct ForwardedText {
    std::uint8_t tag = 0;  // 0 null, 1 text, 2 unterminated
    std::vector<char> bytes;
    const char* pointer() const { return tag == 0 ? nullptr : bytes.data(); }
};

bool readText(LinkReader& in, ForwardedText& text) {
    text.tag = in.get<std::uint8_t>();
    const std::string value = in.getText();
    if (!in.ok() || text.tag > 2 || value.size() >= TSPI_ASK_MAX_TEXT) return false;
    if (text.tag == 2) {
        // Read only within the bytes given, never past them: what the
        // question services see is exactly what the module passed.
        text.bytes.assign(TSPI_ASK_MAX_TEXT, 'x');
    } else {
        text.bytes.assign(value.begin(), value.end());
        text.bytes.push_back('\0');
    }
    return true;
}

}  // namespace

std::vector<std::filesystem::path> moduleHostCandidates(
    std::string_view overridePath, const std::filesystem::path& programFolder) {
    if (!overridePath.empty()) return {std::filesystem::path(overridePath)};
    std::vector<std::filesystem::path> candidates;
    if (programFolder.empty()) return candidates;
    candidates.push_back(programFolder / kModuleHostFileName);
    candidates.push_back(
        (programFolder / ".." / "lib" / "tessary" / kModuleHostFileName).lexically_normal());
    return candidates;
}

std::filesystem::path findModuleHost() {
    const char* overridePath = std::getenv("TESSARY_MODULE_HOST");
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    for (const std::filesystem::path& candidate :
         moduleHostCandidates(overridePath != nullptr ? overridePath : "",
                              error ? std::filesystem::path() : executable.parent_path())) {
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

std::unique_ptr<ModuleProcess> ModuleProcess::start(const std::filesystem::path& program,
                                                    std::string& message) {
    std::unique_ptr<ModuleProcess> process(new ModuleProcess());
    if (program.empty()) {
        message = std::string(kModuleHostFileName) + " was not found";
        return nullptr;
    }
    if (!process->m_area.create()) {
        message = "no shared memory for the module host";
        return nullptr;
    }
    int ends[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        message = "no socket for the module host";
        return nullptr;
    }
    // The helper's ends are moved above the descriptors it will see them
    // at, so that the spawn's dup2 always clears close-on-exec.
    const int childSocket = ::fcntl(ends[1], F_DUPFD_CLOEXEC, 10);
    ::close(ends[1]);
    const int childArea = ::fcntl(process->m_area.descriptor(), F_DUPFD_CLOEXEC, 10);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, childSocket, kHelperSocketFd);
    posix_spawn_file_actions_adddup2(&actions, childArea, kHelperAreaFd);
    const std::string parent = std::to_string(::getpid());
    const std::string programText = program.native();
    std::array<char*, 3> argv = {const_cast<char*>(programText.c_str()),
                                 const_cast<char*>(parent.c_str()), nullptr};
    pid_t pid = -1;
    const int spawned =
        ::posix_spawn(&pid, programText.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(childSocket);
    ::close(childArea);
    if (spawned != 0) {
        ::close(ends[0]);
        message = "the module host could not be started: " + std::string(std::strerror(spawned));
        return nullptr;
    }
    process->m_pid = pid;
    process->m_channel = LinkChannel(ends[0]);
    return process;
}

ModuleProcess::~ModuleProcess() {
    reap(kExitGraceMs);
}

void ModuleProcess::reap(int graceMs) {
    if (m_channel.descriptor() >= 0) {
        ::close(m_channel.descriptor());
        m_channel = LinkChannel(-1);
    }
    if (m_pid <= 0) return;
    // Closing the link tells the helper to exit; one that does not is
    // killed after the grace.
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, m_pid, 0));
    if (pidfd >= 0) {
        pollfd entry{pidfd, POLLIN, 0};
        if (::poll(&entry, 1, graceMs) <= 0) ::kill(m_pid, SIGKILL);
        ::close(pidfd);
    } else {
        ::kill(m_pid, SIGKILL);
    }
    int status = 0;
    while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_pid = -1;
}

void ModuleProcess::kill() {
    if (m_pid > 0) ::kill(m_pid, SIGKILL);
    reap(0);
}

bool ModuleProcess::reply(const std::vector<std::uint8_t>& payload) {
    return m_channel.send(LinkMessage::Reply, payload);
}

namespace {}  // namespace

void ModuleProcess::publishCancel(PlugInHost& host) {
    volatile std::uint32_t* word = m_area.cancelWord();
    if (word != nullptr && host.cancelled()) *word = 1;
}

bool ModuleProcess::keepWaiting(void* context) {
    auto& self = *static_cast<ModuleProcess*>(context);
    PlugInHost& host = *self.m_waitingHost;
    self.m_lastPump = Clock::now();
    if (!self.m_cancelSeen && host.pumpWhileWaiting()) {
        self.m_cancelSeen = true;
        self.m_cancelSeenAt = Clock::now();
        self.publishCancel(host);
    }
    if (!self.m_cancelSeen) return true;
    // A module that looks at the cancel flag answers within the grace; one
    // that does not is stopped.
    const auto waited =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - self.m_cancelSeenAt);
    return waited.count() < host.cancelGraceMs();
}

bool ModuleProcess::receive(PlugInHost& host, LinkMessage& type, std::vector<std::uint8_t>& payload,
                            int& passedFd) {
    m_waitingHost = &host;
    // A module that reports often never leaves the link idle: the progress
    // window is looked at on time anyway.
    const auto sincePump =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - m_lastPump);
    if (sincePump.count() >= kIdlePollMs && !keepWaiting(this)) return false;
    return m_channel.receive(type, payload, passedFd, kIdlePollMs, keepWaiting, this);
}

bool ModuleProcess::load(const char* path, const char* entryName, std::intptr_t mainWindow,
                         std::int16_t& code, std::string& message) {
    LinkWriter out;
    out.putText(path != nullptr ? path : "");
    out.put<std::uint8_t>(entryName != nullptr ? 1 : 0);
    out.putText(entryName != nullptr ? entryName : "");
    out.put<std::int64_t>(mainWindow);
    if (!m_channel.send(LinkMessage::Load, out.bytes())) return false;
    LinkMessage type{};
    std::vector<std::uint8_t> payload;
    int passedFd = -1;
    // Loading runs only the module's initialisers; a cancel cannot reach it.
    if (!m_channel.receive(type, payload, passedFd)) return false;
    if (passedFd >= 0) ::close(passedFd);
    if (type != LinkMessage::Loaded) return false;
    LinkReader in(payload.data(), payload.size());
    code = in.get<std::int16_t>();
    message = in.getText();
    return in.atEnd();
}

bool ModuleProcess::call(PlugInHost& host, PlugInRecord& record, std::int16_t selector,
                         TsPiResult& result) {
    if (!alive() || record.currentBlock == nullptr) return false;
    m_cancelSeen = false;
    m_lastPump = Clock::now();
    publishCancel(host);
    if (m_crossing.kind() != record.kind && !m_crossing.reset(record.kind)) return false;
    LinkWriter out;
    out.put(selector);
    out.put(record.kind);
    out.put<std::int64_t>(record.plugInData);
    int passFd = -1;
    if (!m_crossing.encode(record.currentBlock, BlockCrossing::Occasion{true, false}, out, passFd))
        return false;
    if (!m_channel.send(LinkMessage::Call, out.bytes(), passFd)) return false;

    std::vector<std::uint8_t> payload;
    for (;;) {
        LinkMessage type{};
        int passedFd = -1;
        if (!receive(host, type, payload, passedFd)) return false;
        LinkReader in(payload.data(), payload.size());
        if (type == LinkMessage::Return) {
            result = in.get<TsPiResult>();
            const auto data = in.get<std::int64_t>();
            if (!m_crossing.decode(in, record.currentBlock, passedFd) || !in.atEnd()) return false;
            record.plugInData = static_cast<std::intptr_t>(data);
            return true;
        }
        if (type != LinkMessage::Callback || !serveCallback(host, record, in, passedFd))
            return false;
    }
}

bool ModuleProcess::serveCallback(PlugInHost& host, PlugInRecord& record, LinkReader& in,
                                  int passedFd) {
    if (passedFd >= 0) ::close(passedFd);
    const auto which = static_cast<LinkCallback>(in.get<std::uint32_t>());
    if (!in.ok()) return false;
    LinkWriter out;
    switch (which) {
        case LinkCallback::Progress: {
            const auto done = in.get<std::int32_t>();
            const auto total = in.get<std::int32_t>();
            if (!in.atEnd()) return false;
            host.reportProgress(done, total);
            publishCancel(host);
            return true;  // no reply
        }
        case LinkCallback::Warning: {
            ForwardedText text;
            if (!readText(in, text) || !in.atEnd()) return false;
            out.put<std::uint8_t>(host.noteWarning(text.pointer()) ? 1 : 0);
            break;
        }
        case LinkCallback::WorkerThreads:
            if (!in.atEnd()) return false;
            out.put<std::int32_t>(host.workerThreads());
            break;
        case LinkCallback::ProcessEvent: {
            std::array<std::uint32_t, 7> words{};
            for (std::uint32_t& word : words) word = in.get<std::uint32_t>();
            if (!in.atEnd()) return false;
            host.processEvent(words.data());
            break;
        }
        case LinkCallback::DisplayPixels: {
            const auto built = in.get<TsPiResult>();
            HostBitmap bitmap;
            bitmap.width = in.get<std::int32_t>();
            bitmap.height = in.get<std::int32_t>();
            bitmap.bitsPerPixel = in.get<std::int32_t>();
            bitmap.rowBytes = in.get<std::int64_t>();
            in.take(bitmap.palette.data(), sizeof bitmap.palette);
            const auto size = in.get<std::uint64_t>();
            const std::uint8_t* pixels =
                in.view(static_cast<std::size_t>(std::min<std::uint64_t>(size, kMaxLinkPayload)));
            const auto row = in.get<std::int32_t>();
            const auto column = in.get<std::int32_t>();
            const auto context = in.get<std::uint64_t>();
            if (!in.atEnd() || pixels == nullptr) return false;
            const bool shaped =
                bitmap.width >= 0 && bitmap.height >= 0 &&
                std::int64_t{bitmap.width} * bitmap.height <= kMaxDisplayPixels &&
                (bitmap.bitsPerPixel == 8 || bitmap.bitsPerPixel == 32) &&
                bitmap.rowBytes >= std::int64_t{bitmap.width} * bitmap.bitsPerPixel / 8 &&
                bitmap.rowBytes % 4 == 0 && bitmap.rowBytes <= (std::int64_t{1} << 31) &&
                size == static_cast<std::uint64_t>(bitmap.rowBytes) * bitmap.height;
            if (built == TSPI_NO_ERR && !shaped) return false;
            if (built == TSPI_NO_ERR) {
                bitmap.pixels.assign(pixels, pixels + size);
                host.drawModuleBitmap(
                    bitmap, row, column,
                    reinterpret_cast<void*>(static_cast<std::uintptr_t>(context)));
            }
            out.put(built);
            break;
        }
        case LinkCallback::ColourServices: {
            const auto present = in.get<std::uint8_t>();
            TsPiColorServicesInfo info{};
            in.take(&info, sizeof info);
            if (!in.atEnd()) return false;
            // The pointers are only compared with null here: the helper sends
            // 1 for any it had, and the special colour's number.
            out.put(host.colourServices(present != 0 ? &info : nullptr));
            out.put(info);
            break;
        }
        case LinkCallback::AdvanceState: {
            if (!m_crossing.decode(in, record.currentBlock, -1) || !in.atEnd()) return false;
            out.put(host.advanceState());
            int passFd = -1;
            if (!m_crossing.encode(record.currentBlock, BlockCrossing::Occasion{}, out, passFd))
                return false;
            break;
        }
        case LinkCallback::AskOpenFile:
        case LinkCallback::AskSaveFile: {
            ForwardedText title, suggested, filter;
            if (!readText(in, title)) return false;
            if (which == LinkCallback::AskSaveFile && !readText(in, suggested)) return false;
            if (!readText(in, filter)) return false;
            const auto capacity = in.get<std::int32_t>();
            if (!in.atEnd()) return false;
            // Any path the host answers with fits the SDK's path capacity.
            std::vector<char> path(static_cast<std::size_t>(std::clamp<std::int32_t>(
                                       capacity, 1, TSPI_ASK_PATH_CAPACITY)),
                                   '\0');
            const std::int32_t given =
                capacity < 1 ? capacity : static_cast<std::int32_t>(path.size());
            const TsPiResult answer =
                which == LinkCallback::AskOpenFile
                    ? serveOpenFileQuestion(host.moduleQuestions(), host.callingModuleName(),
                                            title.pointer(), filter.pointer(), path.data(), given)
                    : serveSaveFileQuestion(host.moduleQuestions(), host.callingModuleName(),
                                            title.pointer(), suggested.pointer(), filter.pointer(),
                                            path.data(), given);
            out.put(answer);
            out.putText(std::string_view(path.data(), ::strnlen(path.data(), path.size())));
            break;
        }
        case LinkCallback::AskNumbers: {
            ForwardedText title;
            if (!readText(in, title)) return false;
            const auto present = in.get<std::uint8_t>();
            const auto count = in.get<std::int32_t>();
            const std::int32_t carried =
                present != 0 && count >= 1 && count <= TSPI_ASK_MAX_NUMBERS ? count : 0;
            std::vector<ForwardedText> keys(static_cast<std::size_t>(carried)),
                labels(static_cast<std::size_t>(carried));
            std::vector<TsPiAskNumber> numbers(static_cast<std::size_t>(carried));
            for (std::int32_t i = 0; i < carried; ++i) {
                if (!readText(in, keys[i]) || !readText(in, labels[i])) return false;
                numbers[i].minimum = in.get<std::int32_t>();
                numbers[i].maximum = in.get<std::int32_t>();
                numbers[i].value = in.get<std::int32_t>();
                numbers[i].key = keys[i].pointer();
                numbers[i].label = labels[i].pointer();
            }
            if (!in.atEnd()) return false;
            // A count out of range reaches the question services with a
            // null list only when the module passed one.
            TsPiAskNumber none{};
            TsPiAskNumber* list = present == 0 ? nullptr : (carried > 0 ? numbers.data() : &none);
            const TsPiResult answer = serveNumbersQuestion(
                host.moduleQuestions(), host.callingModuleName(), title.pointer(), list, count);
            out.put(answer);
            for (const TsPiAskNumber& number : numbers) out.put(number.value);
            break;
        }
        default:
            return false;
    }
    return reply(out.bytes());
}

}  // namespace tessary
