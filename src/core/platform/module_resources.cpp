#include "platform/module_resources.h"

#include "platform/module_resources_elf.h"
#include "platform/module_resources_pe.h"
#include "platform/module_resources_source.h"

namespace tessary::platform {

ModuleResourceList readModulePiPLs(const ModuleByteSource& source) {
    if (looksLikeElf(source)) return readElfPiPLs(source);
    if (looksLikePe(source)) return readPeResources(source, kPiPLResourceType);
    return {};
}

ModuleResourceList readModulePiPLs(std::span<const std::uint8_t> bytes) {
    return readModulePiPLs(MemoryByteSource(bytes));
}

ModuleResourceList readModulePiPLs(const std::filesystem::path& path) {
    const auto source = FileByteSource::open(path);
    if (!source) return {};
    return readModulePiPLs(*source);
}

}  // namespace tessary::platform
