#pragma once

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/batch_operations.h"
#include "cli/batch_options.h"

namespace tessary {

class BatchEngine;
class CTwain;

// Scanning from tessary-batch, through the same acquisition host as the
// editor's File > TWAIN > Acquire..., without any window: the source manager
// is told (TESSARY_TWAIN_HEADLESS=1, and TESSARY_TWAIN_DEVICE for a named
// device) to scan as soon as the source is enabled. Without a source
// manager both commands do nothing and report nothing.

// --list-scanners: one line per source the manager knows, its product name,
// family and manufacturer separated by tabs. Returns an exit status.
int runListScanners(std::FILE* out);

// --scan: scans with the settings of `options`, runs the steps on every page
// and saves each through the format module of the output's extension. A
// feeder scan, or a scan that gave several pages, saves page n as
// pagePath(output, n). Pages complete before a failure are saved; the
// failure is reported and the status is not 0.
int runBatchScan(BatchEngine& engine, const BatchOptions& options,
                 const std::vector<std::optional<BatchCommand>>& commands, std::FILE* out,
                 std::FILE* err);

// `output` with "-n" before its extension ("scan.png", 2 -> "scan-2.png").
std::string pagePath(const std::string& output, int page);

// Sets the source's pixel type, resolution (both directions) and feeder as
// `settings` asks; settings left at their defaults are not sent. False when
// the source refuses one, with `refused` naming it.
bool applyScanSettings(CTwain& twain, const ScanSettings& settings, std::string& refused);

// A message for a scan that ended with `result` (CTwain::acquire()) and the
// source's condition code.
std::string describeScanFailure(int result, unsigned condition);

}  // namespace tessary
