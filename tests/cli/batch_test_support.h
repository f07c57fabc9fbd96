#pragma once

// Shared helpers of the batch program's tests: a program folder holding the
// shipped modules, generated pages, and plane-by-plane comparison.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "model/page.h"
#include "support/temp_dir.h"

namespace tessary::test {

// Makes `root`/QSStuff/Plugins and copies the shipped modules into it, so
// an engine started on `root` discovers them.
void installModules(const std::filesystem::path& root);

// Shapes `page` to `type` (Page::kTypeRgb or kTypeGrey), width x height, and
// fills every colour plane with pseudo-random samples from `seed`.
void fillPage(Page& page, std::int32_t type, std::int32_t width, std::int32_t height,
              std::uint32_t seed);

// Writes `samples` (row by row, width x height) into plane `plane` of `page`.
void writePlane(Page& page, int plane, const std::vector<std::uint8_t>& samples);

// Plane `plane` of the current state over `area` (default: the image), row by row.
std::vector<std::uint8_t> readPlane(const Page& page, int plane, Rect area = {});

// Empty when the two pages have the same type, size, planes, selection
// rectangle, resolutions and samples; otherwise what differs first.
std::string pageDifference(const Page& a, const Page& b);

// Runs `command` (a shell command line) and returns its exit status; its
// standard output and error are captured into `out` and `err`.
int runCommand(const std::string& command, std::string& out, std::string& err,
               const std::filesystem::path& scratch);

}  // namespace tessary::test
