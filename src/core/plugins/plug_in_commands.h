#pragma once

#include <cstdint>
#include <memory>

#include "effects/framework/filter.h"
#include "model/page.h"
#include "plugins/host_ports.h"
#include "plugins/plug_in_host.h"
#include "plugins/plug_in_list.h"

namespace tessary {

// The menu commands that run plug-ins.

// A plug-in filter command (ids 43000-43999) from the image view: finds the
// filter with `commandId` and runs it with its dialog. When the run ends
// without error, `lastFilter` becomes a PhotoshopFltr with the plug-in's
// name and the id (the one before is destroyed). Returns whether the run
// ended without error (false also when no filter has the id); the view
// repaints when it is true.
bool PlugInFilterCommand(PlugInHost& host, const PlugInList& list, PlugInView& view,
                         std::uint32_t commandId, std::unique_ptr<Filter>& lastFilter);

// Last Filter when the last filter is a plug-in filter: finds the plug-in
// again by its command id and runs it without its dialog, so it reuses the
// parameters it kept. False when `lastFilter` is no PhotoshopFltr, when the
// plug-in is gone, or when the run failed.
bool RunLastPlugInFilter(PlugInHost& host, const PlugInList& list, PlugInView& view,
                         const Filter& lastFilter);

// File > Import (ids 40000-40999): runs the import module with the id; its
// images become new documents through `documents`. Nothing happens when no
// import module has the id. Returns whether the import ended without error.
bool PlugInImportCommand(PlugInHost& host, const PlugInList& list, std::uint32_t commandId,
                         PlugInDocumentPort& documents, const PageEnvironment& environment);

// File > Export (ids 41000-41999): runs the export module with the id on
// `page` (the view's document's page; null: nothing happens). Returns
// whether the export ended without error.
bool PlugInExportCommand(PlugInHost& host, const PlugInList& list, std::uint32_t commandId,
                         Page* page);

}  // namespace tessary
