// An import module that delivers the pictures its ImportScript describes
// (host_probe.h), band by band, one per cycle, asking for the next one with
// acquire again when the script says so.
#include <stdlib.h>
#include <string.h>

#include "host_probe.h"
#include "tessary_pipl.h"

TSPI_DECLARE_PIPL(kProbeImportPiPL, 16000, tspi::kind(TSPI_KIND_IMPORT),
                  tspi::host(TSPI_HOST_SIGNATURE), tspi::name("Probe Import"),
                  tspi::entryPoint("PluginMain"));

namespace {

using probe::ImportImage;
using probe::ImportScript;

struct Delivery {
    uint8_t* band = nullptr;
    int32_t nextRow = 0;
};
Delivery g_delivery;

int deliveredPlanes(const ImportImage& image) {
    return image.mode == TSPI_MODE_RGB ? image.planes : 1;
}

// Bytes per row of a band, before the script's padding.
int32_t rowLength(const ImportImage& image) {
    if (image.mode == TSPI_MODE_BITMAP) return (image.width + 7) / 8;
    if (image.interleaved) return image.width * deliveredPlanes(image);
    return image.width;
}

int16_t startImage(TsPiImportBlock& b, ImportScript& s) {
    if (s.next >= s.imageCount) return TSPI_ERR_IMPORT_NO_DEVICE;
    const ImportImage& image = s.images[s.next];
    if (s.failStartOf == s.next + 1) return TSPI_ERR_IMPORT_NO_DEVICE;
    b.imageMode = image.mode;
    b.imageSize.v = image.height;
    b.imageSize.h = image.width;
    b.planes = image.planes;
    if (image.mode == TSPI_MODE_INDEXED) {
        for (int i = 0; i < 256; ++i) {
            b.redLUT[i] = probe::redOf(i);
            b.greenLUT[i] = probe::greenOf(i);
            b.blueLUT[i] = probe::blueOf(i);
        }
    }
    const size_t length = strlen(image.title);
    b.filename[0] = static_cast<unsigned char>(length);
    memcpy(b.filename + 1, image.title, length);
    if (image.reversePlanes) {
        b.planeMap[0] = 2;
        b.planeMap[1] = 1;
        b.planeMap[2] = 0;
    } else {
        for (int p = 0; p < 16; ++p) b.planeMap[p] = static_cast<int16_t>(p);
    }
    if (image.badPlaneMap) b.planeMap[1] = 99;
    b.acquireAgain = s.acquireAgain && s.next + 1 < s.imageCount ? 1 : 0;
    b.wantFinalize = s.wantFinalize;
    // A picture of no size still gets a (one-byte) band, so that the host
    // sees Start succeed and decides itself.
    const int32_t bandRows = image.bandRows > 0 ? image.bandRows : image.height;
    const int32_t planesInBlock = image.interleaved ? 1 : deliveredPlanes(image);
    const int32_t rowBytes = rowLength(image) + (image.rowPadding > 0 ? image.rowPadding : 0);
    const int64_t bytes = static_cast<int64_t>(rowBytes) * bandRows * planesInBlock;
    free(g_delivery.band);
    g_delivery.band =
        static_cast<uint8_t*>(calloc(bytes > 0 ? static_cast<size_t>(bytes) + 1 : 1, 1));
    g_delivery.nextRow = 0;
    return g_delivery.band != nullptr ? TSPI_NO_ERR : TSPI_ERR_MEMORY_FULL;
}

// The sample of module plane p (in the order the module stores its planes).
uint8_t sampleOf(const ImportImage& image, int p, int32_t x, int32_t y) {
    const int plane = image.reversePlanes ? deliveredPlanes(image) - 1 - p : p;
    return probe::pixel(image.seed, plane, x, y);
}

int16_t continueImage(TsPiImportBlock& b, ImportScript& s) {
    const ImportImage& image = s.images[s.next];
    if (g_delivery.nextRow >= image.height) {
        b.data = nullptr;
        return TSPI_NO_ERR;
    }
    const int32_t bandRows = image.bandRows > 0 ? image.bandRows : image.height;
    const int32_t top = g_delivery.nextRow;
    const int32_t bottom = top + bandRows < image.height ? top + bandRows : image.height;
    const int planes = deliveredPlanes(image);
    const int32_t rowBytes = rowLength(image) + image.rowPadding;
    const int32_t storedRowBytes = rowLength(image) + (image.rowPadding > 0 ? image.rowPadding : 0);
    const int32_t rows = bottom - top;
    uint8_t* band = g_delivery.band;
    for (int32_t r = 0; r < rows; ++r) {
        const int32_t y = top + r;
        uint8_t* row = band + r * storedRowBytes;
        for (int32_t x = 0; x < image.width; ++x) {
            if (image.mode == TSPI_MODE_BITMAP) {
                if (probe::pixel(image.seed, 0, x, y) & 1)
                    row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
                else
                    row[x / 8] &= static_cast<uint8_t>(~(0x80 >> (x % 8)));
            } else if (image.interleaved) {
                for (int p = 0; p < planes; ++p) row[x * planes + p] = sampleOf(image, p, x, y);
            } else {
                for (int p = 0; p < planes; ++p)
                    band[(p * rows + r) * storedRowBytes + x] = sampleOf(image, p, x, y);
            }
        }
    }
    b.data = band;
    b.theRect = TsPiRect{static_cast<int16_t>(top), 0, static_cast<int16_t>(bottom), image.width};
    b.loPlane = 0;
    b.hiPlane = static_cast<int16_t>(planes - 1);
    b.colBytes = static_cast<int16_t>(image.interleaved ? planes : 1);
    b.rowBytes = rowBytes;
    g_delivery.nextRow = bottom;
    return TSPI_NO_ERR;
}

}  // namespace

TSPI_ENTRY void TSPI_CALL PluginMain(int16_t selector, void* block, intptr_t* data,
                                     TsPiResult* result) {
    auto* b = static_cast<TsPiImportBlock*>(block);
    auto* s = reinterpret_cast<ImportScript*>(*data);
    if (s == nullptr) return;
    probe::logCall(s->log, selector);
    *result = TSPI_NO_ERR;
    switch (selector) {
        case TSPI_IMPORT_PREPARE:
            s->next = 0;
            break;
        case TSPI_IMPORT_START:
            *result = startImage(*b, *s);
            break;
        case TSPI_IMPORT_CONTINUE:
            *result = continueImage(*b, *s);
            break;
        case TSPI_IMPORT_FINISH:
            free(g_delivery.band);
            g_delivery.band = nullptr;
            ++s->next;
            break;
        case TSPI_IMPORT_FINALIZE:
            ++s->finalizeCalls;
            break;
        default:
            *result = TSPI_ERR_IMPORT_BAD_PARAMETERS;
            break;
    }
}
