#include "plugins/plug_in_record.h"

namespace tessary {

std::uint32_t commandBaseOfKind(std::int32_t kind) {
    switch (kind) {
        case kPlugInKindImport:
            return kImportCommandBase;
        case kPlugInKindFilter:
            return kFilterCommandBase;
        case kPlugInKindExport:
            return kExportCommandBase;
        case kPlugInKindFormat:
            return kFormatCommandBase;
        default:
            return 0;
    }
}

bool PlugInRecord::setModulePath(std::string_view path) {
    if (path.size() >= kModulePathCapacity || path.find('\0') != std::string_view::npos)
        return false;
    copyText(modulePath, path);
    return true;
}

}  // namespace tessary
