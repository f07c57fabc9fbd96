#pragma once

#include "tessary_plugin.h"

namespace tessary {

// The procedures the host hands to modules in their parameter blocks and
// suites. They take no context argument (the published interface has
// none): each finds the host whose module is being called through
// PlugInHost::active() and does nothing harmful when there is none. Every
// pointer and size a module passes is checked before use; unknown handles
// and buffer ids are ignored.
struct HostProcedures {
    TsPiAbortProc abort;
    TsPiProgressProc progress;
    // Hands out the ask suite (tessary_ask.h) for TSPI_HOST_ASK_SUITE and
    // takes a module's warning for TSPI_HOST_REPORT_WARNING.
    TsPiHostProc host;
    TsPiProcessEventProc processEvent;
    TsPiDisplayPixelsProc displayPixels;
    TsPiColorServicesProc colourServices;
    // Calls the advance of the run in progress.
    TsPiAdvanceStateProc advanceState;
};

const HostProcedures& hostProcedures();

// The suites, refilled into the record before every run:
//   buffers (version 2, 5 procedures): allocate (size, out id) gives a
//     zero-filled movable block and 0, or -108 (memory) / -50 (negative
//     size or null out pointer); lock returns the block (move high is
//     ignored), unlock, free, and space (all the memory the system reports
//     available, of which the blocks' maximum space offers five eighths);
//   resources (version 3, 4 procedures): all null;
//   handles (version 1, 7 procedures): new (zero-filled, null on failure),
//     dispose, get size (0 for null or unknown), set size (0, or -108 with
//     the old block intact; -50 for a negative size or unknown handle),
//     lock, unlock, recover space (does nothing);
//   image services (version 1, 2 procedures) and properties (version 1, 2
//     procedures): do nothing and return 0.
void fillBufferSuite(TsPiBufferSuite& suite);
void fillResourceSuite(TsPiResourceSuite& suite);
void fillHandleSuite(TsPiHandleSuite& suite);
void fillImageServicesSuite(TsPiImageServicesSuite& suite);
void fillPropertySuite(TsPiPropertySuite& suite);

}  // namespace tessary
