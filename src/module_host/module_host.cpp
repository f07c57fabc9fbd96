// tessary-module-host: loads one plug-in module and runs its calls for the
// editor, which starts it with a socket at descriptor 3, the shared pixel
// area at descriptor 4 and its own process id as the only argument. The
// module sees the interface it sees inside the editor: its parameter block
// (a mirror of the editor's), the host procedures (forwarded to the editor
// over the socket), and buffer and handle suites served here, in the
// module's own address space. The program exits when the socket closes.

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "model/blend_table.h"
#include "module_sandbox.h"
#include "plugins/block_crossing.h"
#include "plugins/display_pixels.h"
#include "plugins/host_callbacks.h"
#include "plugins/module_link.h"
#include "plugins/movable_memory.h"
#include "plugins/plug_in_host.h"
#include "plugins/plug_in_module.h"
#include "plugins/plug_in_record.h"
#include "tessary_ask.h"

namespace tessary {
namespace {

constexpr int kSocketFd = 3;
constexpr int kAreaFd = 4;

// Exit codes: the editor only sees that the link ended.
constexpr int kExitLinkBroken = 3;

struct Session {
    LinkChannel channel{kSocketFd};
    SharedArea area;
    BlockCrossing crossing{BlockCrossing::Side::Helper, area};
    LoadedModule module;
    std::int32_t kind = 0;
    // The module's block: big enough for every kind.
    alignas(std::max_align_t) std::uint8_t block[4096] = {};
    std::intptr_t mainWindow = 0;
    TsPiBufferSuite bufferSuite{};
    TsPiResourceSuite resourceSuite{};
    TsPiHandleSuite handleSuite{};
    TsPiImageServicesSuite imageServicesSuite{};
    TsPiPropertySuite propertySuite{};
    std::unique_ptr<BlendTable> blend;
};

Session* g_session = nullptr;

[[noreturn]] void linkBroken() {
    std::_Exit(kExitLinkBroken);
}

// Sends a callback and waits for the editor's answer.
std::vector<std::uint8_t> forward(LinkWriter& out) {
    Session& s = *g_session;
    if (!s.channel.send(LinkMessage::Callback, out.bytes())) linkBroken();
    LinkMessage type{};
    std::vector<std::uint8_t> payload;
    int passedFd = -1;
    if (!s.channel.receive(type, payload, passedFd) || type != LinkMessage::Reply) linkBroken();
    if (passedFd >= 0) ::close(passedFd);
    return payload;
}

LinkWriter callback(LinkCallback which) {
    LinkWriter out;
    out.put(static_cast<std::uint32_t>(which));
    return out;
}

// Module text, as the editor's question services would read it: at most
// TSPI_ASK_MAX_TEXT bytes, which must hold the terminator.
void putModuleText(LinkWriter& out, const char* text) {
    if (text == nullptr) {
        out.put<std::uint8_t>(0);
        out.putText("");
        return;
    }
    const std::size_t length = ::strnlen(text, TSPI_ASK_MAX_TEXT);
    if (length == TSPI_ASK_MAX_TEXT) {
        out.put<std::uint8_t>(2);
        out.putText("");
        return;
    }
    out.put<std::uint8_t>(1);
    out.putText(std::string_view(text, length));
}

// --- Host procedures ---------------------------------------------------------

// Modules ask for a cancel after every few rows: the editor keeps the
// answer in the shared cancel word, so asking costs no round trip.
TsPiBool8 TSPI_CALL abortProc() {
    volatile std::uint32_t* word = g_session->area.cancelWord();
    return word != nullptr && *word != 0 ? 1 : 0;
}

// One way: the editor shows it when it next reads the link.
void TSPI_CALL progressProc(std::int32_t done, std::int32_t total) {
    LinkWriter out = callback(LinkCallback::Progress);
    out.put(done);
    out.put(total);
    if (!g_session->channel.send(LinkMessage::Callback, out.bytes())) linkBroken();
}

TsPiResult TSPI_CALL askOpenFileProc(const char* title, const char* filter, char* path,
                                     std::int32_t capacity);
TsPiResult TSPI_CALL askSaveFileProc(const char* title, const char* suggestedName,
                                     const char* filter, char* path, std::int32_t capacity);
TsPiResult TSPI_CALL askNumbersProc(const char* title, TsPiAskNumber* numbers, std::int32_t count);

const TsPiAskSuite kAskSuite{TSPI_ASK_SUITE_VERSION, TSPI_ASK_SUITE_COUNT, askOpenFileProc,
                             askSaveFileProc, askNumbersProc};

void TSPI_CALL hostProc(std::int16_t selector, std::intptr_t* data) {
    if (data == nullptr) return;
    if (selector == TSPI_HOST_ASK_SUITE) {
        *data = reinterpret_cast<std::intptr_t>(&kAskSuite);
    } else if (selector == TSPI_HOST_REPORT_WARNING) {
        LinkWriter out = callback(LinkCallback::Warning);
        putModuleText(out, reinterpret_cast<const char*>(*data));
        const std::vector<std::uint8_t> answer = forward(out);
        LinkReader in(answer.data(), answer.size());
        const auto taken = in.get<std::uint8_t>();
        if (!in.atEnd()) linkBroken();
        if (taken != 0) *data = 0;
    } else if (selector == TSPI_HOST_WORKER_THREADS) {
        LinkWriter out = callback(LinkCallback::WorkerThreads);
        const std::vector<std::uint8_t> answer = forward(out);
        LinkReader in(answer.data(), answer.size());
        const auto threads = in.get<std::int32_t>();
        if (!in.atEnd()) linkBroken();
        *data = threads;
    }
}

void TSPI_CALL processEventProc(void* event) {
    if (event == nullptr) return;
    LinkWriter out = callback(LinkCallback::ProcessEvent);
    std::uint32_t words[7];
    std::memcpy(words, event, sizeof words);
    for (std::uint32_t word : words) out.put(word);
    forward(out);
}

TsPiResult TSPI_CALL displayPixelsProc(const TsPiPixelMap* source, const TsPiLongRect* rect,
                                       std::int32_t row, std::int32_t column, void* context) {
    // The bitmap is built here, where the module's pixels are; only the
    // bitmap crosses.
    Session& s = *g_session;
    if (!s.blend) s.blend = std::make_unique<BlendTable>();
    HostBitmap bitmap;
    const TsPiResult built = buildDisplayBitmap(source, rect, *s.blend, bitmap);
    if (built != TSPI_NO_ERR) return built;
    LinkWriter out = callback(LinkCallback::DisplayPixels);
    out.put(built);
    out.put(bitmap.width);
    out.put(bitmap.height);
    out.put<std::int32_t>(bitmap.bitsPerPixel);
    out.put(bitmap.rowBytes);
    out.put(bitmap.palette);
    out.putBytes(bitmap.pixels.data(), bitmap.pixels.size());
    out.put(row);
    out.put(column);
    out.put<std::uint64_t>(reinterpret_cast<std::uintptr_t>(context));
    const std::vector<std::uint8_t> answer = forward(out);
    LinkReader in(answer.data(), answer.size());
    const auto result = in.get<TsPiResult>();
    if (!in.atEnd()) linkBroken();
    return result;
}

TsPiResult TSPI_CALL colourServicesProc(TsPiColorServicesInfo* info) {
    LinkWriter out = callback(LinkCallback::ColourServices);
    TsPiColorServicesInfo copy{};
    if (info != nullptr) {
        copy = *info;
        // Only whether they are null matters to the editor.
        auto mark = [](void* p) { return p != nullptr ? reinterpret_cast<void*>(1) : nullptr; };
        copy.reservedSourceSpaceInfo = mark(info->reservedSourceSpaceInfo);
        copy.reservedResultSpaceInfo = mark(info->reservedResultSpaceInfo);
        copy.reserved = mark(info->reserved);
        std::memset(&copy.selectorParameter, 0, sizeof copy.selectorParameter);
        if (info->selector == TSPI_COLOR_GET_SPECIAL)
            copy.selectorParameter.specialColorId = info->selectorParameter.specialColorId;
    }
    out.put<std::uint8_t>(info != nullptr ? 1 : 0);
    out.put(copy);
    const std::vector<std::uint8_t> answer = forward(out);
    LinkReader in(answer.data(), answer.size());
    const auto result = in.get<TsPiResult>();
    const auto served = in.get<TsPiColorServicesInfo>();
    if (!in.atEnd()) linkBroken();
    if (info != nullptr) {
        info->sourceSpace = served.sourceSpace;
        info->resultSpace = served.resultSpace;
        info->resultGamutInfoValid = served.resultGamutInfoValid;
        info->resultInGamut = served.resultInGamut;
        std::memcpy(info->colorComponents, served.colorComponents, sizeof info->colorComponents);
    }
    return result;
}

TsPiResult TSPI_CALL advanceStateProc() {
    Session& s = *g_session;
    LinkWriter out = callback(LinkCallback::AdvanceState);
    int passFd = -1;
    if (!s.crossing.encode(s.block, BlockCrossing::Occasion{false, true}, out, passFd))
        linkBroken();
    const std::vector<std::uint8_t> answer = forward(out);
    LinkReader in(answer.data(), answer.size());
    const auto result = in.get<TsPiResult>();
    if (!s.crossing.decode(in, s.block, -1) || !in.atEnd()) linkBroken();
    return result;
}

TsPiResult askFile(LinkCallback which, const char* title, const char* suggestedName,
                   const char* filter, char* path, std::int32_t capacity) {
    LinkWriter out = callback(which);
    putModuleText(out, title);
    if (which == LinkCallback::AskSaveFile) putModuleText(out, suggestedName);
    putModuleText(out, filter);
    // A null buffer is malformed whatever its size claims.
    out.put<std::int32_t>(path == nullptr ? 0 : capacity);
    const std::vector<std::uint8_t> answer = forward(out);
    LinkReader in(answer.data(), answer.size());
    const auto result = in.get<TsPiResult>();
    const std::string chosen = in.getText();
    if (!in.atEnd()) linkBroken();
    if (path != nullptr && capacity > 0) {
        if (result == TSPI_NO_ERR && chosen.size() < static_cast<std::size_t>(capacity)) {
            std::memcpy(path, chosen.c_str(), chosen.size() + 1);
        } else if (result == TSPI_ERR_PARAMETER) {
            path[0] = '\0';
        }
    }
    return result;
}

TsPiResult TSPI_CALL askOpenFileProc(const char* title, const char* filter, char* path,
                                     std::int32_t capacity) {
    return askFile(LinkCallback::AskOpenFile, title, nullptr, filter, path, capacity);
}

TsPiResult TSPI_CALL askSaveFileProc(const char* title, const char* suggestedName,
                                     const char* filter, char* path, std::int32_t capacity) {
    return askFile(LinkCallback::AskSaveFile, title, suggestedName, filter, path, capacity);
}

TsPiResult TSPI_CALL askNumbersProc(const char* title, TsPiAskNumber* numbers, std::int32_t count) {
    LinkWriter out = callback(LinkCallback::AskNumbers);
    putModuleText(out, title);
    out.put<std::uint8_t>(numbers != nullptr ? 1 : 0);
    out.put(count);
    const bool carried = numbers != nullptr && count >= 1 && count <= TSPI_ASK_MAX_NUMBERS;
    if (carried) {
        for (std::int32_t i = 0; i < count; ++i) {
            putModuleText(out, numbers[i].key);
            putModuleText(out, numbers[i].label);
            out.put(numbers[i].minimum);
            out.put(numbers[i].maximum);
            out.put(numbers[i].value);
        }
    }
    const std::vector<std::uint8_t> answer = forward(out);
    LinkReader in(answer.data(), answer.size());
    const auto result = in.get<TsPiResult>();
    std::vector<std::int32_t> values;
    if (carried)
        for (std::int32_t i = 0; i < count; ++i) values.push_back(in.get<std::int32_t>());
    if (!in.atEnd()) linkBroken();
    if (result == TSPI_NO_ERR && carried)
        for (std::int32_t i = 0; i < count; ++i) numbers[i].value = values[i];
    return result;
}

// --- Buffers -----------------------------------------------------------------

// Band-sized buffers come from the shared area, so that a band the module
// hands the editor, or has the editor fill, crosses by offset instead of
// being copied both ways. Small buffers, very large ones (the area's memory
// is committed on both sides at once) and any once the area's buffer slots
// are taken come from the module's own heap, as in the editor.
constexpr std::int32_t kSharedBufferMinimum = 64 << 10;
constexpr std::int32_t kSharedBufferMaximum = 64 << 20;

struct SharedBuffer {
    bool used = false;
    std::uint8_t* data = nullptr;
};
SharedBuffer g_sharedBuffers[kModuleBufferSlots];
TsPiBufferSuite g_heapBuffers{};

int sharedSlotOf(const SharedBuffer& buffer) {
    return kSlotModuleBuffers + static_cast<int>(&buffer - g_sharedBuffers);
}

SharedBuffer* sharedBufferOf(TsPiBufferId id) {
    for (SharedBuffer& buffer : g_sharedBuffers)
        if (id == reinterpret_cast<TsPiBufferId>(&buffer) && buffer.used) return &buffer;
    return nullptr;
}

TsPiResult TSPI_CALL allocateSharedBufferProc(std::int32_t size, TsPiBufferId* bufferId) {
    if (bufferId == nullptr || size < 0) return TSPI_ERR_PARAMETER;
    if (size >= kSharedBufferMinimum && size <= kSharedBufferMaximum) {
        for (SharedBuffer& buffer : g_sharedBuffers) {
            if (buffer.used) continue;
            buffer.data =
                g_session->area.slot(sharedSlotOf(buffer), static_cast<std::uint64_t>(size));
            if (buffer.data == nullptr) break;
            buffer.used = true;
            *bufferId = reinterpret_cast<TsPiBufferId>(&buffer);
            return TSPI_NO_ERR;
        }
    }
    return g_heapBuffers.allocateProc(size, bufferId);
}

void* TSPI_CALL lockSharedBufferProc(TsPiBufferId bufferId, TsPiBool8 moveHigh) {
    if (SharedBuffer* buffer = sharedBufferOf(bufferId)) return buffer->data;
    return g_heapBuffers.lockProc(bufferId, moveHigh);
}

void TSPI_CALL unlockSharedBufferProc(TsPiBufferId bufferId) {
    if (sharedBufferOf(bufferId) == nullptr) g_heapBuffers.unlockProc(bufferId);
}

void TSPI_CALL freeSharedBufferProc(TsPiBufferId bufferId) {
    if (SharedBuffer* buffer = sharedBufferOf(bufferId)) {
        g_session->area.releaseMemory(sharedSlotOf(*buffer));
        *buffer = SharedBuffer{};
        return;
    }
    g_heapBuffers.freeProc(bufferId);
}

void fillSharedBufferSuite(TsPiBufferSuite& suite) {
    fillBufferSuite(g_heapBuffers);
    suite = g_heapBuffers;
    suite.allocateProc = allocateSharedBufferProc;
    suite.lockProc = lockSharedBufferProc;
    suite.unlockProc = unlockSharedBufferProc;
    suite.freeProc = freeSharedBufferProc;
}

// --- Blocks ------------------------------------------------------------------

template <class Block>
void fillTransferBlock(Session& s, Block& b) {
    b.abortProc = abortProc;
    b.progressProc = progressProc;
    b.hostProc = hostProc;
    b.platformData = &s.mainWindow;
    b.bufferProcs = &s.bufferSuite;
    b.processEvent = processEventProc;
    b.displayPixels = displayPixelsProc;
    b.advanceState = advanceStateProc;
}

// A fresh block of `kind` holding this side's procedures and suites.
bool startBlock(Session& s, std::int32_t kind) {
    if (!s.crossing.reset(kind)) return false;
    s.kind = kind;
    std::memset(s.block, 0, sizeof s.block);
    fillSharedBufferSuite(s.bufferSuite);
    fillResourceSuite(s.resourceSuite);
    fillHandleSuite(s.handleSuite);
    fillImageServicesSuite(s.imageServicesSuite);
    fillPropertySuite(s.propertySuite);
    switch (kind) {
        case kPlugInKindFilter: {
            auto& b = *reinterpret_cast<TsPiFilterBlock*>(s.block);
            b.abortProc = abortProc;
            b.progressProc = progressProc;
            b.hostProc = hostProc;
            b.platformData = &s.mainWindow;
            b.bufferProcs = &s.bufferSuite;
            b.resourceProcs = &s.resourceSuite;
            b.processEvent = processEventProc;
            b.displayPixels = displayPixelsProc;
            b.handleProcs = &s.handleSuite;
            b.advanceState = advanceStateProc;
            b.colorServices = colourServicesProc;
            b.imageServicesProcs = &s.imageServicesSuite;
            b.propertyProcs = &s.propertySuite;
            break;
        }
        case kPlugInKindImport:
            fillTransferBlock(s, *reinterpret_cast<TsPiImportBlock*>(s.block));
            break;
        case kPlugInKindExport:
            fillTransferBlock(s, *reinterpret_cast<TsPiExportBlock*>(s.block));
            break;
        case kPlugInKindFormat: {
            auto& b = *reinterpret_cast<TsPiFormatBlock*>(s.block);
            fillTransferBlock(s, b);
            b.dataFork = -1;
            break;
        }
        default:
            return false;
    }
    return true;
}

void serveLoad(Session& s, LinkReader& in) {
    const std::string path = in.getText();
    const auto hasEntry = in.get<std::uint8_t>();
    const std::string entry = in.getText();
    s.mainWindow = static_cast<std::intptr_t>(in.get<std::int64_t>());
    if (!in.atEnd()) linkBroken();
    s.module = loadModule(path.c_str(), hasEntry != 0 ? entry.c_str() : nullptr);
    LinkWriter out;
    out.put(s.module.code);
    out.putText(s.module.message);
    if (!s.channel.send(LinkMessage::Loaded, out.bytes())) linkBroken();
}

void serveCall(Session& s, LinkReader& in, int passedFd) {
    const auto selector = in.get<std::int16_t>();
    const auto kind = in.get<std::int32_t>();
    auto data = static_cast<std::intptr_t>(in.get<std::int64_t>());
    if (!in.ok()) linkBroken();
    if (kind != s.kind && !startBlock(s, kind)) linkBroken();
    if (!s.crossing.decode(in, s.block, passedFd) || !in.atEnd()) linkBroken();
    TsPiResult result = selector;
    if (s.module.entry != nullptr) {
        try {
            s.module.entry(selector, s.block, &data, &result);
        } catch (...) {
            result = kModuleThrew;
        }
    }
    LinkWriter out;
    out.put(result);
    out.put<std::int64_t>(data);
    int passFd = -1;
    if (!s.crossing.encode(s.block, BlockCrossing::Occasion{true, true}, out, passFd)) linkBroken();
    if (!s.channel.send(LinkMessage::Return, out.bytes())) linkBroken();
}

}  // namespace
}  // namespace tessary

int main(int argc, char** argv) {
    using namespace tessary;
    if (argc < 2) return 2;
    if (!enterModuleSandbox(kSocketFd, kAreaFd, std::atoi(argv[1]))) return 2;
    auto session = std::make_unique<Session>();
    g_session = session.get();
    if (!session->area.adopt(kAreaFd)) return 2;
    for (;;) {
        LinkMessage type{};
        std::vector<std::uint8_t> payload;
        int passedFd = -1;
        // The editor closing the link is the normal end.
        if (!session->channel.receive(type, payload, passedFd)) break;
        LinkReader in(payload.data(), payload.size());
        if (type == LinkMessage::Load) {
            if (passedFd >= 0) ::close(passedFd);
            serveLoad(*session, in);
        } else if (type == LinkMessage::Call) {
            serveCall(*session, in, passedFd);
        } else {
            linkBroken();
        }
    }
    // The module's memory goes with the process; its library is left
    // loaded, as its destructors may expect to run at exit.
    return 0;
}
