// A filter that follows the FilterScript its plug-in data word points at
// (see host_probe.h): it inverts the filter rectangle band by band, or asks
// for nothing, or records what the host hands it.
#include <string.h>

#include "host_probe.h"
#include "tessary_pipl.h"

TSPI_DECLARE_PIPL(kProbeFilterPiPL, 16000, tspi::kind(TSPI_KIND_FILTER),
                  tspi::host(TSPI_HOST_SIGNATURE), tspi::name("Probe Filter"),
                  tspi::category("Probe"), tspi::entryPoint("PluginMain"));

namespace {

using probe::FilterScript;

int rowsOf(const TsPiRect& r) {
    return r.bottom - r.top;
}
int columnsOf(const TsPiRect& r) {
    return r.right - r.left;
}

void emptyRequests(TsPiFilterBlock& b) {
    b.inRect = TsPiRect{0, 0, 0, 0};
    b.outRect = TsPiRect{0, 0, 0, 0};
    b.maskRect = TsPiRect{0, 0, 0, 0};
}

// Asks for band `top` ... of the filter rectangle, or for nothing when the
// rectangle is done. Returns whether a band was asked for.
bool askBand(TsPiFilterBlock& b, const FilterScript& s, int top) {
    const TsPiRect& f = b.filterRect;
    if (top >= f.bottom) {
        emptyRequests(b);
        return false;
    }
    const int rows = s.bandRows > 0 ? s.bandRows : rowsOf(f);
    const int bottom = top + rows < f.bottom ? top + rows : f.bottom;
    const int g = s.growBands;
    TsPiRect band{static_cast<int16_t>(top - g), static_cast<int16_t>(f.left - g),
                  static_cast<int16_t>(bottom + g), static_cast<int16_t>(f.right + g)};
    b.inRect = band;
    b.outRect = band;
    b.inLoPlane = b.outLoPlane = 0;
    b.inHiPlane = b.outHiPlane = static_cast<int16_t>(b.planes - 1);
    b.maskRect = s.askMask ? band : TsPiRect{0, 0, 0, 0};
    return true;
}

void invertBand(TsPiFilterBlock& b, FilterScript& s) {
    const int planes = b.outHiPlane - b.outLoPlane + 1;
    const int rows = rowsOf(b.outRect);
    const int columns = columnsOf(b.outRect);
    const auto* in = static_cast<const uint8_t*>(b.inData);
    auto* out = static_cast<uint8_t*>(b.outData);
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < columns * planes; ++x)
            out[y * b.outRowBytes + x] = static_cast<uint8_t>(255 - in[y * b.inRowBytes + x]);
    if (b.maskData != nullptr && s.askMask) {
        if (s.maskBandsSeen == 0) {
            const auto* mask = static_cast<const uint8_t*>(b.maskData);
            for (int y = 0; y < rows; ++y)
                for (int x = 0; x < columns && y * columns + x < 4096; ++x)
                    s.maskCopy[y * columns + x] = mask[y * b.maskRowBytes + x];
        }
        ++s.maskBandsSeen;
    }
    ++s.bands;
}

// After a band: progress and the cancel check. False when cancelled.
bool afterBand(TsPiFilterBlock& b, FilterScript& s) {
    if (s.reportProgress && b.progressProc) b.progressProc(b.outRect.bottom, b.filterRect.bottom);
    if (s.checkAbort && b.abortProc) {
        ++s.abortChecks;
        if (b.abortProc()) return false;
    }
    return true;
}

void recordInput(TsPiFilterBlock& b, FilterScript& s) {
    s.recordedRect = b.inRect;
    s.recordedRowBytes = b.inRowBytes;
    const int planes = b.inHiPlane - b.inLoPlane + 1;
    s.recordedPlanes = planes;
    const int rows = rowsOf(b.inRect);
    const int width = columnsOf(b.inRect) * planes;
    const auto* in = static_cast<const uint8_t*>(b.inData);
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < width && y * width + x < 65536; ++x)
            s.recorded[y * width + x] = in[y * b.inRowBytes + x];
}

int16_t start(TsPiFilterBlock& b, FilterScript& s) {
    s.atStart = b;
    s.parametersSeen = -1;
    if (b.parameters != nullptr && b.handleProcs != nullptr) {
        const auto* value = static_cast<const int16_t*>(b.handleProcs->lockProc(b.parameters, 0));
        if (value != nullptr) s.parametersSeen = *value;
        b.handleProcs->unlockProc(b.parameters);
    }
    if (s.clearAutoMask) b.autoMask = 0;
    if (s.inputRate != 0) b.inputRate = s.inputRate;
    switch (s.mode) {
        case probe::kAskNothing:
            emptyRequests(b);
            return TSPI_NO_ERR;
        case probe::kAskUnit:
            emptyRequests(b);
            b.inRect = TsPiRect{0, 0, 1, 1};
            b.inLoPlane = b.inHiPlane = 0;
            b.inData = reinterpret_cast<void*>(static_cast<intptr_t>(0x5EED));
            b.inRowBytes = 77;
            return TSPI_NO_ERR;
        case probe::kRecordInput: {
            emptyRequests(b);
            const int rate = b.inputRate >> 16 < 2 ? 1 : b.inputRate >> 16;
            const TsPiRect& f = b.filterRect;
            b.inRect =
                TsPiRect{static_cast<int16_t>(f.top / rate), static_cast<int16_t>(f.left / rate),
                         static_cast<int16_t>((f.bottom + rate - 1) / rate),
                         static_cast<int16_t>((f.right + rate - 1) / rate)};
            b.inLoPlane = 0;
            b.inHiPlane = static_cast<int16_t>(b.planes - 1);
            return TSPI_NO_ERR;
        }
        default:
            break;
    }
    askBand(b, s, b.filterRect.top);
    if (!s.advanceItself) return TSPI_NO_ERR;
    // Serve every band from here: advanceState fetches the band asked for
    // (and stores the one before).
    while (b.outRect.bottom != b.outRect.top) {
        const int16_t result = b.advanceState();
        if (result != TSPI_NO_ERR) return result;
        invertBand(b, s);
        if (!afterBand(b, s)) return TSPI_ERR_USER_CANCELED;
        askBand(b, s, b.outRect.bottom - s.growBands);
    }
    // Stores the last band; nothing is asked for any more.
    return b.advanceState();
}

int16_t proceed(TsPiFilterBlock& b, FilterScript& s) {
    switch (s.mode) {
        case probe::kAskUnit:
            s.unitInputUntouched =
                b.inData == reinterpret_cast<void*>(static_cast<intptr_t>(0x5EED)) &&
                b.inRowBytes == 77;
            emptyRequests(b);
            return TSPI_NO_ERR;
        case probe::kRecordInput:
            recordInput(b, s);
            emptyRequests(b);
            return TSPI_NO_ERR;
        default:
            break;
    }
    invertBand(b, s);
    if (!afterBand(b, s)) return TSPI_ERR_USER_CANCELED;
    askBand(b, s, b.outRect.bottom - s.growBands);
    return TSPI_NO_ERR;
}

}  // namespace

TSPI_ENTRY void TSPI_CALL PluginMain(int16_t selector, void* block, intptr_t* data,
                                     TsPiResult* result) {
    auto* b = static_cast<TsPiFilterBlock*>(block);
    auto* s = reinterpret_cast<FilterScript*>(*data);
    if (s == nullptr) return;  // no script: the result cell stays as the host set it
    probe::logCall(s->log, selector);
    if (selector == s->failSelector) {
        *result = s->failResult;
        return;
    }
    switch (selector) {
        case TSPI_FILTER_PARAMETERS: {
            TsPiHandle handle = b->handleProcs->newProc(sizeof(int16_t));
            if (handle == nullptr) {
                *result = TSPI_ERR_MEMORY_FULL;
                return;
            }
            auto* value = static_cast<int16_t*>(b->handleProcs->lockProc(handle, 0));
            *value = s->parameterValue;
            b->handleProcs->unlockProc(handle);
            b->parameters = handle;
            *result = TSPI_NO_ERR;
            return;
        }
        case TSPI_FILTER_PREPARE:
        case TSPI_FILTER_FINISH:
            *result = TSPI_NO_ERR;
            return;
        case TSPI_FILTER_START:
            *result = start(*b, *s);
            return;
        case TSPI_FILTER_CONTINUE:
            *result = proceed(*b, *s);
            return;
        default:
            *result = TSPI_ERR_FILTER_BAD_PARAMETERS;
            return;
    }
}
