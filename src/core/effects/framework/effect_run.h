#pragma once

#include <cstdint>

#include "effects/framework/effect_context.h"
#include "effects/framework/effect_target.h"
#include "model/error_codes.h"

namespace tessary {

class Filter;
class Page;

// Undo kinds the effects record: "Conversion" and "Filter".
inline constexpr std::uint32_t kUndoKindConversion = 3;
inline constexpr std::uint32_t kUndoKindFilter = 6;
// How long an effect's progress window waits before it shows.
inline constexpr std::uint32_t kEffectProgressDelayMs = 100;

// Runs a filter on a target of the page: the one driver behind every
// built-in filter and tonal effect.
//
//  1. Unless `callerHoldsChange`, opens a change on the page (0x10002 when
//     that fails).
//  2. With `showProgress`, makes a progress window of style 25002 through
//     the context's factory, sets its lines to "Filtering..." and the
//     filter's name and its delay to 100 ms.
//  3. The opacity is 255 on floating pixels, else the context's opacity.
//  4. Dispatches on the filter's kind: 1 lookup-table worker; 2 de-interlace
//     worker, then the opacity pass unless the opacity is 255 without a mask
//     or the worker failed; 3 tiled convolution; 4 noise; 5 tiled median;
//     6 red-eye worker, only on RGB-Millions pages (elsewhere nothing). Any
//     other kind, or a filter whose class does not match its kind, does
//     nothing and succeeds.
//  5. Closes the progress window.
//  6. Unless `callerHoldsChange`: on 0, records undo kind 6 ("Filter") over
//     the rectangle (which marks the page modified) and closes the change;
//     otherwise aborts the change, which restores the page. When the undo
//     record cannot be stored the change is aborted too and 0x10003 is
//     returned.
// A caller that holds the change closes or aborts it itself.
//
// Returns the worker's code: 0, 0x10000 (cancel), 0x10002, 0x10003.
ErrorCode runEffect(Page& page, const Filter& filter, const EffectTarget& target,
                    bool callerHoldsChange, bool showProgress, const EffectContext& context);

// "Last Filter": runs the context's last filter again on the page's current
// standard target, with the change opened by the run and progress shown.
// The filter stays the last filter whatever happens. A plug-in filter
// (kind 7) is not run here: the caller hands it to the plug-in host (see
// lastFilterRunsHere). Returns the run's code (0 when there is nothing to
// run); the command does not report it.
ErrorCode runLastFilter(Page& page, const EffectContext& context);

// The last filter exists and is one the effect run carries out.
bool lastFilterRunsHere(const Filter* filter);

// Hands `filter` to the context's last-filter slot after a final run that
// returned 0; otherwise drops it. Returns `code`.
ErrorCode keepAsLastFilter(ErrorCode code, std::unique_ptr<Filter> filter,
                           const EffectContext& context);

// The run of a menu command: the page's standard target, the change opened
// by the run, progress shown, and the filter kept as the last filter when
// the run returned 0. A null filter (its allocation failed) gives 0x10003.
ErrorCode runMenuFilter(Page& page, std::unique_ptr<Filter> filter, const EffectContext& context);

// The run of a dialog-driven command: the standard target's planes on
// `rect`, the change held by the dialog, progress only when `final`, and
// the filter kept as the last filter only when final and 0. An empty
// rectangle returns 0 at once; a null filter gives 0x10003.
ErrorCode runDialogFilter(Page& page, std::unique_ptr<Filter> filter, const Rect& rect, bool final,
                          const EffectContext& context);

}  // namespace tessary
