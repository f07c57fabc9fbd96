#include "plugins/memory_status.h"

#include <sys/resource.h>
#include <sys/sysinfo.h>

#include <cstdio>
#include <cstring>
#include <limits>

namespace tessary {

namespace {

// Reads "<key>: <n> kB" from /proc/meminfo; false when it is not there.
bool readMemInfo(const char* key, std::uint64_t& bytes) {
    std::FILE* file = std::fopen("/proc/meminfo", "re");
    if (file == nullptr) return false;
    char line[256];
    bool found = false;
    const std::size_t keyLength = std::strlen(key);
    while (std::fgets(line, sizeof line, file) != nullptr) {
        if (std::strncmp(line, key, keyLength) != 0 || line[keyLength] != ':') continue;
        unsigned long long kb = 0;
        if (std::sscanf(line + keyLength + 1, "%llu", &kb) == 1) {
            bytes = static_cast<std::uint64_t>(kb) * 1024u;
            found = true;
        }
        break;
    }
    std::fclose(file);
    return found;
}

}  // namespace

std::uint64_t SystemMemoryStatus::availableVirtualBytes() {
    std::uint64_t available = 0;
    std::uint64_t swapFree = 0;
    if (readMemInfo("MemAvailable", available)) {
        readMemInfo("SwapFree", swapFree);
    } else {
        struct sysinfo info {};
        if (::sysinfo(&info) == 0) {
            const std::uint64_t unit = info.mem_unit == 0 ? 1 : info.mem_unit;
            available = (std::uint64_t{info.freeram} + info.bufferram) * unit;
            swapFree = std::uint64_t{info.freeswap} * unit;
        }
    }
    std::uint64_t total = available + swapFree;
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        limit.rlim_cur < total) {
        total = limit.rlim_cur;
    }
    return total;
}

SystemMemoryStatus& systemMemoryStatus() {
    static SystemMemoryStatus status;
    return status;
}

std::int32_t fiveEighthsForModule(std::uint64_t availableBytes) {
    const std::uint64_t share = availableBytes / 8 * 5 + (availableBytes % 8) * 5 / 8;
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
    return static_cast<std::int32_t>(share < kMax ? share : kMax);
}

std::int32_t availableForModule(std::uint64_t availableBytes) {
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
    return static_cast<std::int32_t>(availableBytes < kMax ? availableBytes : kMax);
}

}  // namespace tessary
