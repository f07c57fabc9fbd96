// Filters that take their process down or lose their way, one per property
// list, for the tests of modules run in a helper process. Each asks for the
// whole filter rectangle in Start and misbehaves once it holds pixels.
// Sandbox Probe instead reports in Prepare what its process may do.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "tessary_pipl.h"

#define CRASHING_PIPL(id, label, entry)                                               \
    TSPI_DECLARE_PIPL(kPiPL##id, id, tspi::kind(TSPI_KIND_FILTER), tspi::name(label), \
                      tspi::category("Crash"), tspi::entryPoint(entry))

CRASHING_PIPL(16000, "Null Pointer", "NullPointer");
CRASHING_PIPL(16001, "Abort", "AbortCall");
CRASHING_PIPL(16002, "Endless Loop", "EndlessLoop");
CRASHING_PIPL(16003, "Scribbler", "Scribbler");
CRASHING_PIPL(16004, "Exit In Advance", "ExitInAdvance");
CRASHING_PIPL(16005, "Socket Garbage", "SocketGarbage");
CRASHING_PIPL(16006, "Sandbox Probe", "SandboxProbe");
CRASHING_PIPL(16008, "Waits For Cancel", "WaitsForCancel");
// A format module for files ending in .crs that crashes when it reads.
TSPI_DECLARE_PIPL(kCrashFormatPiPL, 16007, tspi::kind(TSPI_KIND_FORMAT), tspi::name("Crash Format"),
                  tspi::readType("CRS "), tspi::readExtension("CRS"),
                  tspi::entryPoint("CrashFormat"));

namespace {

// Asks for every plane of the filter rectangle, input and output, and makes
// some change to the output so that a run that went through would show.
bool request(int16_t selector, TsPiFilterBlock& b, TsPiResult* result) {
    *result = TSPI_NO_ERR;
    if (selector == TSPI_FILTER_START) {
        b.inRect = b.filterRect;
        b.outRect = b.filterRect;
        b.inLoPlane = b.outLoPlane = 0;
        b.inHiPlane = b.outHiPlane = static_cast<int16_t>(b.planes - 1);
        return false;
    }
    if (selector != TSPI_FILTER_CONTINUE) return false;
    const int rows = b.outRect.bottom - b.outRect.top;
    for (int r = 0; r < rows; ++r)
        std::memset(static_cast<uint8_t*>(b.outData) + r * b.outRowBytes, 0x55,
                    static_cast<size_t>(b.outRowBytes));
    return true;
}

void clearRequests(TsPiFilterBlock& b) {
    std::memset(&b.inRect, 0, sizeof b.inRect);
    std::memset(&b.outRect, 0, sizeof b.outRect);
}

// The descriptor of the socket this process talks to its host through.
int ownSocket() {
    for (int fd = 0; fd < 64; ++fd) {
        struct stat info {};
        if (::fstat(fd, &info) == 0 && S_ISSOCK(info.st_mode)) return fd;
    }
    return -1;
}

}  // namespace

TSPI_ENTRY void TSPI_CALL NullPointer(int16_t selector, void* block, intptr_t*,
                                      TsPiResult* result) {
    auto& b = *static_cast<TsPiFilterBlock*>(block);
    if (!request(selector, b, result)) return;
    volatile int* nowhere = nullptr;
    *nowhere = 1;
}

TSPI_ENTRY void TSPI_CALL AbortCall(int16_t selector, void* block, intptr_t*, TsPiResult* result) {
    if (request(selector, *static_cast<TsPiFilterBlock*>(block), result)) std::abort();
}

TSPI_ENTRY void TSPI_CALL EndlessLoop(int16_t selector, void* block, intptr_t*,
                                      TsPiResult* result) {
    if (!request(selector, *static_cast<TsPiFilterBlock*>(block), result)) return;
    for (volatile unsigned spin = 0;; spin = spin + 1) {
    }
}

TSPI_ENTRY void TSPI_CALL Scribbler(int16_t selector, void* block, intptr_t*, TsPiResult* result) {
    auto& b = *static_cast<TsPiFilterBlock*>(block);
    if (!request(selector, b, result)) return;
    // On and on past the end of the output rows, until something stops it.
    auto* p = static_cast<uint8_t*>(b.outData);
    for (size_t i = 0;; i += 4096) p[i] = 0xAA;
}

// Spins on the abort procedure alone, as a module busy with one long band
// does between its checks, and ends as the user asked.
TSPI_ENTRY void TSPI_CALL WaitsForCancel(int16_t selector, void* block, intptr_t*,
                                         TsPiResult* result) {
    auto& b = *static_cast<TsPiFilterBlock*>(block);
    if (!request(selector, b, result)) return;
    while (!b.abortProc()) {
    }
    *result = TSPI_ERR_USER_CANCELED;
}

TSPI_ENTRY void TSPI_CALL ExitInAdvance(int16_t selector, void* block, intptr_t*,
                                        TsPiResult* result) {
    auto& b = *static_cast<TsPiFilterBlock*>(block);
    if (!request(selector, b, result)) return;
    // Stores the changed output, then leaves without returning.
    clearRequests(b);
    b.advanceState();
    ::_exit(0);
}

TSPI_ENTRY void TSPI_CALL SocketGarbage(int16_t selector, void* block, intptr_t*,
                                        TsPiResult* result) {
    auto& b = *static_cast<TsPiFilterBlock*>(block);
    if (!request(selector, b, result)) return;
    const int fd = ownSocket();
    static const char garbage[] = "\x0c\x00\x00\x00\x10\x00\x00\x00not a real block at all";
    if (fd >= 0) (void)!::write(fd, garbage, sizeof garbage);
    clearRequests(b);
}

// Prepare answers 0 only in a sandbox: no network socket can be made, new
// privileges are refused, and no descriptor above the helper's socket (3)
// and shared area (4) is open. Any other selector succeeds.
TSPI_ENTRY void TSPI_CALL SandboxProbe(int16_t selector, void*, intptr_t*, TsPiResult* result) {
    *result = TSPI_NO_ERR;
    if (selector != TSPI_FILTER_PREPARE) return;
    const int network = ::socket(AF_INET, SOCK_STREAM, 0);
    const bool refused = network < 0 && errno == EACCES;
    if (network >= 0) ::close(network);
    bool othersClosed = true;
    for (int fd = 5; fd < 1024; ++fd)
        if (::fcntl(fd, F_GETFD) >= 0) othersClosed = false;
    const bool noNewPrivileges = ::prctl(PR_GET_NO_NEW_PRIVS, 0, 0, 0, 0) == 1;
    if (!refused || !othersClosed || !noNewPrivileges) *result = TSPI_ERR_FILTER_BAD_PARAMETERS;
}

TSPI_ENTRY void TSPI_CALL CrashFormat(int16_t selector, void*, intptr_t*, TsPiResult* result) {
    *result = TSPI_NO_ERR;
    if (selector != TSPI_FORMAT_READ_START) return;
    volatile int* nowhere = nullptr;
    *nowhere = 1;
}
