#pragma once

#include "effects/framework/effect_target.h"
#include "model/error_codes.h"
#include "model/progress_port.h"

namespace tessary {

class DeInterlaceFltr;
class Page;

// Rebuilds the replaced rows of the target (rows numbered from 0 at the
// rectangle's top; field kReplaceEvenRows replaces 0, 2, 4, ..., field
// kReplaceOddRows replaces 1, 3, 5, ...) from the state before the change,
// writing the new state without any blending:
//   duplication    a replaced row copies its partner: the kept row above it
//                  when odd rows are replaced, the kept row below it when
//                  even rows are; a row whose partner lies outside the
//                  rectangle stays as it is;
//   interpolation  a replaced row r becomes trunc((a + b) / 2) of the rows
//                  above and below it, taking r + 1 for the row above when r
//                  is the first row and r - 1 for the row below when it is
//                  the last; a rectangle of one row stays as it is.
// Progress: rows x planes / 2 steps in all, one per replaced row and plane.
//
// The page's change must be open. Returns 0, 0x10003 (buffers), 0x10002
// (a failed write) or 0x10000 (cancel).
ErrorCode runDeInterlaceWorker(Page& page, const DeInterlaceFltr& filter,
                               const EffectTarget& target, ProgressPort* progress);

// The opacity pass after the de-interlace worker: every row of the target
// that the worker can have changed is read from the state before the change
// and from the new state, the new row is laid over the old one with
// `opacity` and through the mask, and written back. Rows the worker kept are
// equal in both states and come out unchanged, so they are skipped. Does
// nothing when the opacity is 255 and there is no mask plane.
ErrorCode runDeInterlaceOpacityPass(Page& page, const DeInterlaceFltr& filter,
                                    const EffectTarget& target, int opacity);

}  // namespace tessary
