// Files of any content opened with a format module through its entry point,
// as the editor opens files (module_host.h). Each target links one format
// module, whose entry point is PluginMain.

#include <cstddef>
#include <cstdint>
#include <span>

#include "module_host.h"

TSPI_ENTRY void TSPI_CALL PluginMain(int16_t selector, void* block, intptr_t* data,
                                     TsPiResult* result);

namespace {

// Small inputs keep each run fast; every header and table these formats
// have fits, with room for some image data.
constexpr std::size_t kMaxInput = 64 * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxInput) return 0;
    tessary::fuzz::readWithFormatModule(PluginMain, std::span<const std::uint8_t>(data, size));
    return 0;
}
