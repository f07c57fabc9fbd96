#pragma once

#include <cstdint>

#include "model/error_codes.h"

namespace tessary {

class Page;
class ProgressFactory;
class ProgressPort;

// Fills the selected pixels of `page` with `colour` (open change): with a
// float, the float's own pixels at opacity 255; with a mask, the colour
// planes through the mask at `opacity`; with no selection, the whole image
// at `opacity`. `progress` is polled once per row, or null. Errors are those
// of fillThroughMask; the caller's change bracket takes back a failure.
ErrorCode fillSelection(Page& page, std::uint32_t colour, std::int32_t opacity,
                        ProgressPort* progress);

// Fills the selected pixels of the colour planes with `background` at
// opacity 255 through the mask (open change), under a progress window of
// its own ("Working...", "Erasing Selection", shown after 100 ms). A float
// stays: only the pixels under it are erased, as when a selection is moved
// off its place. Returns 0 at once when nothing is selected.
ErrorCode eraseSelection(Page& page, std::uint32_t background, ProgressFactory& progress);

}  // namespace tessary
