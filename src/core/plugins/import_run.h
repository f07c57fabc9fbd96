#pragma once

#include <cstdint>
#include <memory>

#include "model/page.h"
#include "model/pro_data_buffer.h"
#include "plugins/host_ports.h"
#include "plugins/plug_in_host.h"
#include "plugins/plug_in_record.h"
#include "tessary_plugin.h"

namespace tessary {

// Runs the import module of `record`. Prepare, then one cycle per image:
// Start; the delivered image mode and size shape a new white page (grey
// for bitmap and greyscale, RGB for indexed and RGB; indexed images are
// coloured through the module's tables, bitmaps become 0 and 255); Continue
// and the import advance move the module's pixels in until it sets data to
// null; Finish. Each image that arrived whole becomes a new document through
// `documents`, titled with the block's file name when the module set one;
// a failed cycle destroys its page (documents made before stay). The
// module delivers another image while it sets acquire again. Finalize
// follows when Prepare succeeded and the module asked for it. The plug-in
// data word is 0 afterwards. Returns whether the last result was 0; false
// without any call when the module cannot be loaded.
bool RunPlugInImport(PlugInHost& host, PlugInRecord& record, PlugInDocumentPort& documents,
                     const PageEnvironment& environment);

class PlugInImportRun final : public PlugInRun {
public:
    PlugInImportRun(PlugInHost& host, PlugInRecord& record, PlugInDocumentPort& documents,
                    const PageEnvironment& environment);

    bool run();

    // The import advance: moves the pixels the block describes into the
    // page (or, when the module wants read back, the page's pixels into the
    // module's memory). 0 when there is nothing to move.
    std::int16_t advanceState() override;

private:
    // One image: Start, shaping, Continue loop, Finish. `result` receives
    // the cycle's result; false when the run must stop at once (Start or
    // Finish failed).
    bool cycle(std::int16_t& result);
    // Shapes the page for the delivered image and prepares the conversion
    // buffer; 0, 2 when the page cannot be shaped, -108 when the tile store
    // could never hold its pixels, or -30000 for a plane map naming planes
    // that do not exist.
    std::int16_t prepareImage();

    PlugInHost& m_host;
    PlugInRecord& m_record;
    PlugInDocumentPort& m_documents;
    PageEnvironment m_environment;
    TsPiImportBlock m_block;
    std::unique_ptr<Page> m_page;
    std::unique_ptr<ProDataBuffer> m_buffer;
};

}  // namespace tessary
