#pragma once

// The editor's plug-in host as the module fuzz targets use it: the real
// PlugInHost fills the parameter blocks, serves the procedures a module
// calls back (cancel, progress, the ask suite) and tells the module its data
// budget; the module itself is linked into the program and called through
// its entry point with the selectors the editor sends. The file the module
// reads is the fuzz input, held in memory and reached both by descriptor and
// by path, as the editor hands over files.
//
// Where the editor would shape a page and move each delivered band into it,
// the driver checks the band instead: it lies inside the image and its
// planes, every sample of it is read (so the sanitizers see a band that
// points outside the module's buffers), and a completed image has had every
// sample delivered exactly once. A breach aborts, which libFuzzer reports
// as a crash.

#include <cstdint>
#include <span>
#include <string>

#include "tessary_plugin.h"

namespace tessary::fuzz {

// What the fuzz targets tell modules they may allocate: the host reports
// five eighths of the memory it sees as available, so modules get 160 MiB.
// scripts/fuzz-smoke.sh runs the targets with the same figure as libFuzzer's
// single-allocation limit (-malloc_limit_mb), so that a module allocating
// past its budget is a finding.
inline constexpr std::uint64_t kAvailableMemoryBytes = std::uint64_t{256} << 20;

// Images of more samples than this run out of tile store after their first
// band (the advance answers "memory full", then Finish follows): whatever a
// module allocates for the whole image is still allocated, but the driver
// does not wait for a huge image decoded from a few bytes.
inline constexpr std::int64_t kMaxDeliveredSamples = std::int64_t{1} << 22;

// Reads `file` with a format module as the editor opens a file: Read
// Prepare, Read Start, the checks of the image description, Read Continue
// while bands come, Read Finish after every successful Start.
void readWithFormatModule(TsPiEntryProc entry, std::span<const std::uint8_t> file);

// Runs an import module that asks the user for a file and is answered with
// `file`: Prepare, then acquire cycles (Start, Continue while bands come,
// Finish) while the module asks for another, then Finalize when it wants it.
void importWithModule(TsPiEntryProc entry, std::span<const std::uint8_t> file);

}  // namespace tessary::fuzz
