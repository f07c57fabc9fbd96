// Windows PE files of any content: the resource reader stays inside the
// input, within its limits, and ends.

#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/module_resources.h"
#include "platform/module_resources_pe.h"
#include "platform/module_resources_source.h"

namespace {

constexpr std::size_t kMaxInput = 256 * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxInput) return 0;
    const tessary::platform::MemoryByteSource source(std::span<const std::uint8_t>(data, size));
    const tessary::platform::ModuleResourceList resources =
        tessary::platform::readPeResources(source, tessary::platform::kPiPLResourceType);
    if (resources.size() > tessary::platform::kMaxModuleResources) std::abort();
    std::size_t total = 0;
    for (const tessary::platform::ModuleResource& resource : resources) {
        if (resource.bytes.size() > tessary::platform::kMaxModuleResourceBytes) std::abort();
        total += resource.bytes.size();
    }
    if (total > tessary::platform::kMaxModuleResourceTotalBytes) std::abort();
    return 0;
}
