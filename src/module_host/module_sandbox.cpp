#include "module_sandbox.h"

#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>

namespace tessary {

namespace {

void closeOthers(int keepLow, int keepHigh) {
    // Standard output and error stay for the modules' diagnostics; standard
    // input and everything between them and the kept range go.
    ::syscall(SYS_close_range, 0u, 0u, 0u);
    if (keepLow > 3) ::syscall(SYS_close_range, 3u, static_cast<unsigned>(keepLow - 1), 0u);
    ::syscall(SYS_close_range, static_cast<unsigned>(keepHigh + 1), ~0u, 0u);
}

// socket(AF_INET or AF_INET6, ...) fails with EACCES; everything else runs.
void refuseNetworkSockets() {
#if defined(__x86_64__)
    constexpr unsigned kArch = AUDIT_ARCH_X86_64;
#elif defined(__aarch64__)
    constexpr unsigned kArch = AUDIT_ARCH_AARCH64;
#else
    return;
#endif
    sock_filter program[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, kArch, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_socket, 0, 4),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[0])),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AF_INET, 1, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AF_INET6, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (EACCES & SECCOMP_RET_DATA)),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog filter{static_cast<unsigned short>(sizeof program / sizeof program[0]), program};
    ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter);
}

}  // namespace

bool enterModuleSandbox(int keepLow, int keepHigh, int parent) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The editor may have gone before the signal was armed.
    if (::getppid() != parent) return false;
    closeOthers(keepLow, keepHigh);
    ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
    refuseNetworkSockets();
    return true;
}

}  // namespace tessary
