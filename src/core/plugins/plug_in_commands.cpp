#include "plugins/plug_in_commands.h"

#include "plugins/export_run.h"
#include "plugins/filter_run.h"
#include "plugins/import_run.h"
#include "plugins/photoshop_fltr.h"

namespace tessary {

bool PlugInFilterCommand(PlugInHost& host, const PlugInList& list, PlugInView& view,
                         std::uint32_t commandId, std::unique_ptr<Filter>& lastFilter) {
    PlugInRecord* record = list.FindPlugInByCommand(commandId, kPlugInKindFilter);
    if (record == nullptr) return false;
    if (!RunPlugInFilter(host, *record, true, view)) return false;
    lastFilter = std::make_unique<PhotoshopFltr>(textOf(record->name), commandId);
    return true;
}

bool RunLastPlugInFilter(PlugInHost& host, const PlugInList& list, PlugInView& view,
                         const Filter& lastFilter) {
    if (lastFilter.kind() != kFilterKindPlugIn) return false;
    const auto* plugIn = dynamic_cast<const PhotoshopFltr*>(&lastFilter);
    if (plugIn == nullptr) return false;
    PlugInRecord* record = list.FindPlugInByCommand(plugIn->commandId(), kPlugInKindFilter);
    if (record == nullptr) return false;
    return RunPlugInFilter(host, *record, false, view);
}

bool PlugInImportCommand(PlugInHost& host, const PlugInList& list, std::uint32_t commandId,
                         PlugInDocumentPort& documents, const PageEnvironment& environment) {
    PlugInRecord* record = list.FindPlugInByCommand(commandId, kPlugInKindImport);
    if (record == nullptr) return false;
    return RunPlugInImport(host, *record, documents, environment);
}

bool PlugInExportCommand(PlugInHost& host, const PlugInList& list, std::uint32_t commandId,
                         Page* page) {
    if (page == nullptr || page->pageData() == nullptr) return false;
    PlugInRecord* record = list.FindPlugInByCommand(commandId, kPlugInKindExport);
    if (record == nullptr) return false;
    return RunPlugInExport(host, *record, *page);
}

}  // namespace tessary
