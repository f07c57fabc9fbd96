#pragma once

#include "effects/framework/effect_target.h"
#include "model/error_codes.h"
#include "model/progress_port.h"

namespace tessary {

class NoiseFltr;
class NoiseGenerator;
class Page;

// The noise filter. Amount 0 does nothing. A negative amount removes spikes
// with the tiled worker and the spike kernel (radius 1, threshold
// (16 - min(-x, 16)) x 5). A positive amount adds noise from a shuffled table
// of offsets (see buildNoiseTable): for each row of the rectangle, top to
// bottom, and each colour plane, the samples take the table entries from the
// row's start index on, left to right, wrapping from 999 to 0, clamped to
// 0 ... 255; then the opacity and mask blends; then the row is written. The
// first row starts at index 0; after each row the next start index is
// trunc(r / 40) of a fresh draw. All planes of a row use the same start
// index, so the noise is grey on colour images.
//
// The page's change must be open. Returns 0; 0x10003 when buffers cannot be
// had or, when adding noise, a row cannot be written; 0x10002 when the spike
// removal cannot write; 0x10000 on a cancel (adding: one step per row and
// plane).
ErrorCode runNoiseWorker(Page& page, const NoiseFltr& filter, const EffectTarget& target,
                         int opacity, ProgressPort* progress, NoiseGenerator& generator);

}  // namespace tessary
