// Scripts that the plug-in host tests hand to the probe modules through the
// plug-in data word (the word holds the script's address; a module finds
// the script at *data), and what the modules report back into them. The
// probe modules do nothing but follow their script, so a test decides what
// a module asks for and checks what the host answered.
#pragma once

#include <stdint.h>

#include "tessary_plugin.h"

namespace probe {

constexpr int kMaxCalls = 256;

// A deterministic test picture: sample of plane p at (x, y).
inline uint8_t pixel(int32_t seed, int plane, int32_t x, int32_t y) {
    return static_cast<uint8_t>(seed * 31 + plane * 71 + x * 7 + y * 13 + (x * y) % 5);
}

// The colour tables of the indexed test pictures.
inline uint8_t redOf(int index) {
    return static_cast<uint8_t>(index);
}
inline uint8_t greenOf(int index) {
    return static_cast<uint8_t>(255 - index);
}
inline uint8_t blueOf(int index) {
    return static_cast<uint8_t>((index * 3) & 0xFF);
}

struct CallLog {
    int32_t count;
    int16_t selectors[kMaxCalls];
};

inline void logCall(CallLog& log, int16_t selector) {
    if (log.count < kMaxCalls) log.selectors[log.count] = selector;
    ++log.count;
}

// --- Filter (ProbeFilter.8bf) ---------------------------------------------

enum FilterMode : int32_t {
    kInvert = 0,       // output = 255 - input over the filter rectangle, band by band
    kRecordInput = 1,  // asks for the input of the filter rectangle once and records it
    kAskNothing = 2,   // Start leaves every rectangle empty
    kAskUnit = 3,      // Start asks for input (0, 0, 1, 1) only, then nothing
};

struct FilterScript {
    // Set by the test.
    int32_t mode;
    int32_t bandRows;      // rows per request; 0: the whole rectangle at once
    int16_t failSelector;  // answer failResult at this selector (0: never)
    int16_t failResult;
    uint8_t clearAutoMask;   // clear auto mask at Start
    uint8_t checkAbort;      // ask the abort procedure after each band; -128 once it says yes
    uint8_t reportProgress;  // call the progress procedure after each band
    uint8_t advanceItself;   // serve every band inside Start through advanceState
    uint8_t askMask;         // ask for the mask with every band
    uint8_t pad[3];
    int32_t inputRate;       // 16.16 rate written at Start (0: leave the host's)
    int16_t parameterValue;  // written into a new parameters handle by Parameters
    int16_t growBands;       // every band asked for grown by this many pixels on each side

    // Filled by the module.
    CallLog log;
    TsPiFilterBlock atStart;  // the block as the host handed it to Start
    int32_t parametersSeen;   // value in the parameters handle at Start (-1: none)
    int32_t bands;            // bands processed
    int32_t abortChecks;
    uint8_t unitInputUntouched;  // kAskUnit: input data and row bytes as the module left them
    int32_t maskBandsSeen;       // bands that came with mask data
    uint8_t maskCopy[4096];      // the first mask band, rows packed
    // kRecordInput: the input as received, rows packed (width x planes bytes).
    TsPiRect recordedRect;
    int32_t recordedRowBytes;
    int32_t recordedPlanes;
    uint8_t recorded[65536];
};

// --- Hostile filter (HostileFilter.8bf) -------------------------------------

enum Attack : int32_t {
    kAttackHugeRequest = 1,     // the whole 16-bit plane, planes 0-15
    kAttackReversedRect = 2,    // bottom above top
    kAttackNegativePlanes = 3,  // planes -4 ... -1
    kAttackPlanesPastEnd = 4,   // planes 14 ... 40
    kAttackOutputToMask =
        5,  // output planes 0-3 of an RGB page (the mask too), then a scribbled filter rectangle
    kAttackGarbageHandles =
        6,  // suites called with invented handles, parameters left pointing nowhere
};

struct HostileScript {
    int32_t attack;
    CallLog log;
    int32_t advanceResults[8];  // results of advanceState calls the module made
    int32_t advanceCalls;
};

// --- Import (ProbeImport.8ba) ----------------------------------------------

struct ImportImage {
    int16_t mode;  // TSPI_MODE_BITMAP, _GRAYSCALE, _INDEXED or _RGB
    int16_t width;
    int16_t height;
    int16_t planes;       // planes delivered (grey 1, RGB 3; indexed and bitmap 1)
    int16_t interleaved;  // 1: colBytes = planes; 0: planar (colBytes 1)
    int16_t bandRows;
    int32_t seed;
    int32_t rowPadding;     // bytes added to each row (negative: rows too short)
    uint8_t reversePlanes;  // deliver B, G, R and a plane map 2, 1, 0
    uint8_t badPlaneMap;    // a plane map entry of 99
    char title[64];         // file name given to the host
};

struct ImportScript {
    int32_t imageCount;
    ImportImage images[8];
    uint8_t acquireAgain;  // ask for the next image with acquire again
    uint8_t wantFinalize;
    uint8_t failStartOf;  // image number (1-based) whose Start fails with -30001
    uint8_t pad;

    CallLog log;
    int32_t next;  // the image Start serves next
    int32_t finalizeCalls;
};

// --- Export (ProbeExport.8be) ----------------------------------------------

struct ExportRequest {
    TsPiRect rect;
    int16_t loPlane;
    int16_t hiPlane;
};

struct ExportScript {
    int32_t requestCount;
    ExportRequest requests[8];

    CallLog log;
    TsPiExportBlock atPrepare;
    int32_t received;     // requests answered
    int32_t rowBytes[8];  // row bytes of each answer
    int32_t offsets[8];   // where each answer starts in `data`
    int32_t used;
    uint8_t data[65536];      // the answers, rows packed (width x planes bytes)
    uint8_t dataAtFinish[8];  // the first bytes the block's data held at Finish
    uint8_t finishHadData;
};

// --- Format (ProbeFormat.8bi: extensions "PRB" and "BLK ") ------------------

struct FormatScript {
    // Read: the picture delivered.
    int16_t mode;
    int16_t width;
    int16_t height;
    int16_t planes;
    int32_t resolution;  // 16.16, as the module reports it
    int32_t seed;
    int16_t failSelector;  // answer failResult at this selector (0: never)
    int16_t failResult;
    uint8_t scribbleFile;  // write bytes into the file before failing

    CallLog log;
    char pathSeen[512];
    int32_t descriptorSeen;
    TsPiFormatBlock atWriteStart;
    int32_t rowsWritten;        // rows the write phase received
    uint32_t modeAtWriteStart;  // permission bits of the file being written
    int32_t threadsAtWriteStart;  // the host's worker thread count
};

}  // namespace probe
