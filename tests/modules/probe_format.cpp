// A format module for the host tests, reading files ending in .prb and, by
// a second property list whose read extension ends in a blank ("BLK "),
// nothing at all. Reading delivers the picture its FormatScript describes
// (host_probe.h) whatever the file holds; writing stores the image rows in
// the file as raw samples after a small header. The script can make any
// selector fail, after scribbling into the file.
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "host_probe.h"
#include "tessary_ask.h"
#include "tessary_pipl.h"

TSPI_DECLARE_PIPL(kProbeFormatPiPL, 16000, tspi::kind(TSPI_KIND_FORMAT),
                  tspi::host(TSPI_HOST_SIGNATURE), tspi::name("Probe Format"),
                  tspi::readType("PRBF"), tspi::readExtension("PRB"),
                  tspi::entryPoint("PluginMain"));
TSPI_DECLARE_PIPL(kBlankFormatPiPL, 16001, tspi::kind(TSPI_KIND_FORMAT),
                  tspi::host(TSPI_HOST_SIGNATURE), tspi::name("Blank Format"),
                  tspi::readType("BLKF"), tspi::readExtension("BLK "),
                  tspi::entryPoint("PluginMain"));

namespace {

using probe::FormatScript;

std::vector<uint8_t> g_band;
int32_t g_nextRow = 0;

void writeAll(int fd, const void* bytes, size_t count) {
    const auto* p = static_cast<const uint8_t*>(bytes);
    while (count > 0) {
        const ssize_t done = ::write(fd, p, count);
        if (done <= 0) return;
        p += done;
        count -= static_cast<size_t>(done);
    }
}

int16_t readContinue(TsPiFormatBlock& b, FormatScript& s) {
    if (g_nextRow >= s.height) {
        b.data = nullptr;
        return TSPI_NO_ERR;
    }
    const int planes = s.planes;
    const int32_t rows = s.height - g_nextRow < 16 ? s.height - g_nextRow : 16;
    const int32_t rowBytes = s.width * planes;
    g_band.assign(static_cast<size_t>(rowBytes) * rows, 0);
    for (int32_t r = 0; r < rows; ++r)
        for (int32_t x = 0; x < s.width; ++x)
            for (int p = 0; p < planes; ++p)
                g_band[r * rowBytes + x * planes + p] = probe::pixel(s.seed, p, x, g_nextRow + r);
    b.data = g_band.data();
    b.theRect = TsPiRect{static_cast<int16_t>(g_nextRow), 0, static_cast<int16_t>(g_nextRow + rows),
                         s.width};
    b.loPlane = 0;
    b.hiPlane = static_cast<int16_t>(planes - 1);
    b.colBytes = static_cast<int16_t>(planes);
    b.rowBytes = rowBytes;
    g_nextRow += rows;
    return TSPI_NO_ERR;
}

// Write phase: asks for the image one row at a time, all colour planes
// interleaved, and appends each row to the file.
void askRow(TsPiFormatBlock& b, int32_t row) {
    if (row >= b.imageSize.v) {
        b.data = nullptr;
        return;
    }
    const int planes = b.planes;
    g_band.assign(static_cast<size_t>(b.imageSize.h) * planes, 0);
    b.data = g_band.data();
    b.theRect =
        TsPiRect{static_cast<int16_t>(row), 0, static_cast<int16_t>(row + 1), b.imageSize.h};
    b.loPlane = 0;
    b.hiPlane = static_cast<int16_t>(planes - 1);
    b.colBytes = static_cast<int16_t>(planes);
    b.rowBytes = b.imageSize.h * planes;
}

}  // namespace

TSPI_ENTRY void TSPI_CALL PluginMain(int16_t selector, void* block, intptr_t* data,
                                     TsPiResult* result) {
    auto* b = static_cast<TsPiFormatBlock*>(block);
    auto* s = reinterpret_cast<FormatScript*>(*data);
    if (s == nullptr) return;
    probe::logCall(s->log, selector);
    if (b->fileSpec != nullptr) {
        const size_t length = strnlen(b->fileSpec->path, sizeof s->pathSeen - 1);
        memcpy(s->pathSeen, b->fileSpec->path, length);
        s->pathSeen[length] = '\0';
    }
    s->descriptorSeen = b->dataFork;
    if (selector == s->failSelector) {
        if (s->scribbleFile) writeAll(b->dataFork, "half-written", 12);
        *result = s->failResult;
        return;
    }
    *result = TSPI_NO_ERR;
    switch (selector) {
        case TSPI_FORMAT_READ_START:
            b->imageMode = s->mode;
            b->imageSize.v = s->height;
            b->imageSize.h = s->width;
            b->planes = s->planes;
            b->imageHRes = s->resolution;
            b->imageVRes = s->resolution;
            g_nextRow = 0;
            break;
        case TSPI_FORMAT_READ_CONTINUE:
            *result = readContinue(*b, *s);
            break;
        case TSPI_FORMAT_WRITE_START: {
            struct stat info;
            s->modeAtWriteStart = fstat(b->dataFork, &info) == 0 ? info.st_mode & 07777 : 0;
            s->atWriteStart = *b;
            s->threadsAtWriteStart = tspiWorkerThreads(b->hostSignature, b->hostProc);
            s->rowsWritten = 0;
            writeAll(b->dataFork, "PRB1", 4);
            askRow(*b, 0);
            break;
        }
        case TSPI_FORMAT_WRITE_CONTINUE:
            writeAll(b->dataFork, b->data, static_cast<size_t>(b->rowBytes));
            ++s->rowsWritten;
            askRow(*b, s->rowsWritten);
            break;
        case TSPI_FORMAT_OPTIONS_START:
        case TSPI_FORMAT_ESTIMATE_START:
            b->data = nullptr;
            break;
        default:
            break;
    }
}
