// An export module that asks for the rectangles and planes its ExportScript
// lists (host_probe.h), one per Continue, and keeps what it receives.
#include <string.h>

#include "host_probe.h"
#include "tessary_pipl.h"

TSPI_DECLARE_PIPL(kProbeExportPiPL, 16000, tspi::kind(TSPI_KIND_EXPORT),
                  tspi::host(TSPI_HOST_SIGNATURE), tspi::name("Probe Export"),
                  tspi::entryPoint("PluginMain"));

namespace {

using probe::ExportScript;

void ask(TsPiExportBlock& b, const ExportScript& s) {
    if (s.received >= s.requestCount) {
        b.theRect = TsPiRect{0, 0, 0, 0};
        return;
    }
    const probe::ExportRequest& request = s.requests[s.received];
    b.theRect = request.rect;
    b.loPlane = request.loPlane;
    b.hiPlane = request.hiPlane;
}

void keep(TsPiExportBlock& b, ExportScript& s) {
    const int planes = b.hiPlane - b.loPlane + 1;
    const int rows = b.theRect.bottom - b.theRect.top;
    const int width = (b.theRect.right - b.theRect.left) * planes;
    const int index = s.received;
    if (index < 8) {
        s.rowBytes[index] = b.rowBytes;
        s.offsets[index] = s.used;
    }
    const auto* in = static_cast<const uint8_t*>(b.data);
    for (int y = 0; y < rows; ++y) {
        if (s.used + width > static_cast<int32_t>(sizeof s.data)) break;
        memcpy(s.data + s.used, in + y * b.rowBytes, static_cast<size_t>(width));
        s.used += width;
    }
    ++s.received;
}

}  // namespace

TSPI_ENTRY void TSPI_CALL PluginMain(int16_t selector, void* block, intptr_t* data,
                                     TsPiResult* result) {
    auto* b = static_cast<TsPiExportBlock*>(block);
    auto* s = reinterpret_cast<ExportScript*>(*data);
    if (s == nullptr) return;
    probe::logCall(s->log, selector);
    *result = TSPI_NO_ERR;
    switch (selector) {
        case TSPI_EXPORT_PREPARE:
            s->atPrepare = *b;
            s->received = 0;
            s->used = 0;
            break;
        case TSPI_EXPORT_START:
            ask(*b, *s);
            break;
        case TSPI_EXPORT_CONTINUE:
            keep(*b, *s);
            ask(*b, *s);
            break;
        case TSPI_EXPORT_FINISH:
            // The last answer is still the module's to read.
            s->finishHadData = b->data != nullptr;
            if (b->data != nullptr) memcpy(s->dataAtFinish, b->data, sizeof s->dataAtFinish);
            break;
        default:
            *result = TSPI_ERR_EXPORT_BAD_PARAMETERS;
            break;
    }
}
