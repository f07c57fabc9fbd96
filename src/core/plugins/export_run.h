#pragma once

#include <cstdint>

#include "model/data_buffer.h"
#include "model/page.h"
#include "plugins/plug_in_host.h"
#include "plugins/plug_in_record.h"
#include "tessary_plugin.h"

namespace tessary {

// Runs the export module of `record` on `page`: the block describes the
// whole image (mode, size, depth 8, planes, resolutions, file name
// "Untitled"); Prepare, Start, then while the module asks for a rectangle,
// the export advance hands it the page's current pixels of that rectangle
// and planes (interleaved unless it asks for one plane, then planar) and
// Continue follows; Finish is always called, with the last answer still in
// the block's data (it is freed after Finish). The page is never changed.
// Returns whether no error occurred (also false for a module that cannot be
// loaded, which is never called, for a page too large for the block's
// 16-bit fields, or while another run is in progress).
bool RunPlugInExport(PlugInHost& host, PlugInRecord& record, Page& page);

class PlugInExportRun final : public PlugInRun {
public:
    PlugInExportRun(PlugInHost& host, PlugInRecord& record, Page& page);

    bool run();
    // The export advance: shapes the buffer to the wanted rectangle and
    // planes and fills it from the page; -30200 for a malformed request,
    // -108 when it does not fit the memory modules are offered.
    std::int16_t advanceState() override;

private:
    PlugInHost& m_host;
    PlugInRecord& m_record;
    Page& m_page;
    TsPiExportBlock m_block;
    DataBuffer m_buffer;
};

}  // namespace tessary
