// A filter that abuses its block: impossible requests, invented handles and
// buffer ids, null records for the host's services, and scribbles over
// every field the host owns. Its script (host_probe.h, HostileScript) picks
// the attack. The host must come out of every attack intact.
#include <string.h>

#include "host_probe.h"
#include "tessary_pipl.h"

TSPI_DECLARE_PIPL(kHostilePiPL, 16000, tspi::kind(TSPI_KIND_FILTER), tspi::name("Hostile Filter"),
                  tspi::category("Probe"), tspi::entryPoint("PluginMain"));

namespace {

using probe::HostileScript;

void* invented(intptr_t value) {
    return reinterpret_cast<void*>(value);
}

void noteAdvance(HostileScript& s, int16_t result) {
    if (s.advanceCalls < 8) s.advanceResults[s.advanceCalls] = result;
    ++s.advanceCalls;
}

// Overwrites every field the host fills, as a module with a stray memset
// would.
void scribble(TsPiFilterBlock& b) {
    b.inData = invented(0x10);
    b.outData = invented(0x20);
    b.maskData = invented(0x30);
    b.inRowBytes = b.outRowBytes = b.maskRowBytes = -7;
    b.maxSpace = -1;
    b.imageSize = TsPiPoint{-5, -5};
    b.wholeSize = TsPiPoint{-1, -1};
    b.floatCoord = TsPiPoint{32767, -32768};
    b.planes = 99;
    b.isFloating = 7;
    b.inputRate = -(1 << 20);
    b.maskRate = 0x7FFFFFFF;
    b.bufferProcs = static_cast<TsPiBufferSuite*>(invented(0x40));
    b.handleProcs = static_cast<TsPiHandleSuite*>(invented(0x50));
    b.platformData = invented(0x60);
}

void abuseServices(TsPiFilterBlock& b) {
    const TsPiHandleSuite* handles = b.handleProcs;
    const TsPiBufferSuite* buffers = b.bufferProcs;
    TsPiHandle fake = static_cast<TsPiHandle>(invented(0x1234));
    handles->disposeProc(fake);
    handles->disposeProc(nullptr);
    (void)handles->getSizeProc(fake);
    (void)handles->setSizeProc(fake, 100);
    (void)handles->lockProc(fake, 1);
    handles->unlockProc(fake);
    (void)handles->newProc(-5);
    TsPiBufferId id = static_cast<TsPiBufferId>(invented(0x5678));
    (void)buffers->lockProc(id, 0);
    buffers->unlockProc(id);
    buffers->freeProc(id);
    buffers->freeProc(nullptr);
    (void)buffers->allocateProc(-1, &id);
    (void)buffers->allocateProc(16, nullptr);
    TsPiBufferId leaked = nullptr;
    (void)buffers->allocateProc(1024, &leaked);  // never freed: the host frees it
    (void)b.colorServices(nullptr);
    (void)b.displayPixels(nullptr, nullptr, 0, 0, nullptr);
    TsPiPixelMap map;
    memset(&map, 0, sizeof map);
    map.imageMode = TSPI_MODE_RGB;
    TsPiLongRect area{0, 0, 10, 10};
    (void)b.displayPixels(&map, &area, 0, 0, nullptr);  // null base address
    b.processEvent(nullptr);
    b.hostProc(1, nullptr);
    // A handle the module made, disposed, and then handed back as its
    // parameters.
    TsPiHandle gone = handles->newProc(8);
    handles->disposeProc(gone);
    b.parameters = gone;
}

int16_t attackAtStart(TsPiFilterBlock& b, HostileScript& s) {
    switch (s.attack) {
        case probe::kAttackHugeRequest:
            b.inRect = TsPiRect{-32768, -32768, 32767, 32767};
            b.inLoPlane = 0;
            b.inHiPlane = 15;
            b.outRect = b.inRect;
            b.outLoPlane = 0;
            b.outHiPlane = 15;
            break;
        case probe::kAttackReversedRect:
            b.inRect = TsPiRect{40, 0, 10, 20};
            b.inLoPlane = b.inHiPlane = 0;
            b.outRect = TsPiRect{0, 30, 10, 5};
            break;
        case probe::kAttackNegativePlanes:
            b.inRect = TsPiRect{0, 0, 8, 8};
            b.inLoPlane = -4;
            b.inHiPlane = -1;
            break;
        case probe::kAttackPlanesPastEnd:
            b.inRect = TsPiRect{0, 0, 8, 8};
            b.inLoPlane = 14;
            b.inHiPlane = 40;
            break;
        case probe::kAttackOutputToMask:
            b.inRect = TsPiRect{0, 0, 0, 0};
            b.outRect = b.filterRect;
            b.outLoPlane = 0;
            b.outHiPlane = 3;  // one past the colour planes of an RGB page: the mask
            break;
        case probe::kAttackGarbageHandles:
            abuseServices(b);
            b.inRect = b.outRect = TsPiRect{0, 0, 0, 0};
            noteAdvance(s, b.advanceState());  // nothing asked for
            break;
        default:
            break;
    }
    return TSPI_NO_ERR;
}

}  // namespace

TSPI_ENTRY void TSPI_CALL PluginMain(int16_t selector, void* block, intptr_t* data,
                                     TsPiResult* result) {
    auto* b = static_cast<TsPiFilterBlock*>(block);
    auto* s = reinterpret_cast<HostileScript*>(*data);
    if (s == nullptr) return;
    probe::logCall(s->log, selector);
    *result = TSPI_NO_ERR;
    switch (selector) {
        case TSPI_FILTER_PARAMETERS:
            b->parameters = static_cast<TsPiHandle>(invented(0xDEAD));
            break;
        case TSPI_FILTER_PREPARE:
            // Everything but the suites is scribbled over before the
            // requests begin (the garbage-handle attack still needs them).
            if (s->attack != probe::kAttackGarbageHandles) {
                scribble(*b);
                b->haveMask = 1;
                b->maskRect = TsPiRect{-3, -3, 3, 3};
            }
            break;
        case TSPI_FILTER_START:
            *result = attackAtStart(*b, *s);
            break;
        case TSPI_FILTER_CONTINUE: {
            if (s->attack == probe::kAttackOutputToMask) {
                // Fill the output (colour planes and the mask plane) with 0.
                const int planes = b->outHiPlane - b->outLoPlane + 1;
                const int rows = b->outRect.bottom - b->outRect.top;
                const int columns = b->outRect.right - b->outRect.left;
                auto* out = static_cast<uint8_t*>(b->outData);
                for (int y = 0; y < rows; ++y)
                    memset(out + y * b->outRowBytes, 0, columns * planes);
            }
            b->inRect = b->outRect = b->maskRect = TsPiRect{0, 0, 0, 0};
            break;
        }
        case TSPI_FILTER_FINISH:
            if (s->attack == probe::kAttackOutputToMask) {
                b->filterRect = TsPiRect{-32768, -32768, 32767, 32767};
            }
            if (s->attack == probe::kAttackGarbageHandles) {
                scribble(*b);
                b->parameters = static_cast<TsPiHandle>(invented(0xBAD));
            }
            break;
        default:
            break;
    }
}
