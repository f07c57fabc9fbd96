// Files of any content imported with an import module that asks the user
// for a file (the TIFF Pages module), as the editor runs File > Import
// (module_host.h): every page the module delivers is checked.

#include <cstddef>
#include <cstdint>
#include <span>

#include "module_host.h"

TSPI_ENTRY void TSPI_CALL PluginMain(int16_t selector, void* block, intptr_t* data,
                                     TsPiResult* result);

namespace {

constexpr std::size_t kMaxInput = 64 * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxInput) return 0;
    tessary::fuzz::importWithModule(PluginMain, std::span<const std::uint8_t>(data, size));
    return 0;
}
