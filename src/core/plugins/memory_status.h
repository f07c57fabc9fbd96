#pragma once

#include <cstdint>

#include "plugins/host_ports.h"

namespace tessary {

// The machine's own answer: memory the kernel reports as available
// (MemAvailable) plus free swap, capped by the process's address-space
// limit when one is set.
class SystemMemoryStatus final : public MemoryStatusPort {
public:
    std::uint64_t availableVirtualBytes() override;
};

SystemMemoryStatus& systemMemoryStatus();

// Five eighths of `availableBytes`, the memory a module is told it may use,
// computed in 64 bits and clamped to the positive range of the 32-bit field
// that carries it (a machine with more than 3.4 GB free would otherwise
// wrap into a negative or tiny value).
std::int32_t fiveEighthsForModule(std::uint64_t availableBytes);

// `availableBytes` itself, clamped the same way: what the buffer suite's
// space procedure reports.
std::int32_t availableForModule(std::uint64_t availableBytes);

}  // namespace tessary
