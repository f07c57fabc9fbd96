#pragma once

#include "effects/framework/effect_target.h"
#include "model/error_codes.h"
#include "model/progress_port.h"

namespace tessary {

class Page;
class TileKernel;

// Runs a neighbourhood kernel over the target in tiles of 128 x 128 pixels.
//
// Tiles start at the rectangle's top-left corner and are clipped to the
// rectangle; they are visited band by band, left to right, in runs of a few
// tiles; each band's source rows are read once for all its tiles (in
// groups of at most 32 tiles across, so that wide images need no more
// memory). Each tile's
// source is the tile grown by the kernel's radius on every side, read from
// the state before the change: on the page's own colour planes rows and
// columns beyond the image repeat its edge; on floating pixels the rows are
// read as they stand (clamped to the floating planes). The result is laid
// over the tile's original samples with `opacity` (below 255) and through the
// mask plane when there is one, and written into the new state.
//
// Without a mask the planes are done one after the other; with a mask each
// tile's mask is read once and all planes of the tile are done.
//
// The page's change must be open. Returns 0; 0x10003 when the buffers cannot
// be had (nothing written); 0x10002 when a row cannot be written; 0x10000 on
// a cancel (one step per tile and plane, of a total of
// trunc((0.5 + (W + 2r) / 128) x (0.5 + (H + 2r) / 128) x planes)).
ErrorCode runTiledWorker(Page& page, TileKernel& kernel, const EffectTarget& target, int opacity,
                         ProgressPort* progress);

}  // namespace tessary
