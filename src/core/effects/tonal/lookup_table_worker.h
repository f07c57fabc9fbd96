#pragma once

#include "effects/framework/effect_target.h"
#include "model/error_codes.h"
#include "model/progress_port.h"

namespace tessary {

class ImageMap;
class Page;

// Maps every sample of the target through the map's tables (plane p through
// slot p - target.firstPlane), lays the result over the original with
// `opacity` (0 ... 255) and, with a mask plane, through the mask. Reads the
// state before the change, writes the new state, row by row; at full
// opacity without a mask the whole tiles inside the rectangle are mapped
// tile by tile instead (a constant tile stays constant). A plane whose slot
// the map does not have is left as it is.
//
// The page's change must be open. Returns 0; 0x10003 when a row buffer cannot
// be had (nothing written); 0x10002 when a row or a band of tiles cannot be
// written; 0x10000 when `progress` reports a cancel (one step per row and
// plane). What was written before a failure stays: the caller aborts the
// change.
ErrorCode runLookupTableWorker(Page& page, const ImageMap& map, const EffectTarget& target,
                               int opacity, ProgressPort* progress);

}  // namespace tessary
