#pragma once

#include <functional>

#include "effects/framework/effect_context.h"
#include "model/error_codes.h"
#include "model/image_data.h"

class QWidget;

namespace tessary {

class Page;
struct ShellContext;

// What a dialog-driven command reports back to its view.
struct DialogCommandResult {
    ErrorCode code = kErrNone;  // shown by the view unless 0
    bool cancelled = false;     // the user closed the dialog: nothing changed
    bool sizeChanged = false;   // the page's bounds may differ: lay out again
    Rect repaint;               // image pixels to paint again (page coordinates)
};

// Told (when set) with true just before the effect a dialog command runs
// after OK starts, and with false once it has ended, whatever its outcome;
// never while the dialog is open or after Cancel.
using EffectRunning = std::function<void(bool running)>;

// A menu command that shows a dialog over `parent` and, on OK, runs its
// effect on `page`. Runs modally on the user-interface thread.
using DialogCommand = DialogCommandResult (*)(Page& page, const EffectContext& effect,
                                              ShellContext& shell, QWidget* parent,
                                              const EffectRunning& running);

// The dialog command behind menu id `id`, or null when `id` is not one.
DialogCommand dialogCommandOf(int id);
// Whether the dialog command `id` can run on `page` (its menu enabling rule).
bool dialogCommandEnabled(int id, const Page& page);

// The two families, each in its own files.
DialogCommand variationsDialogCommandOf(int id);
bool variationsDialogCommandEnabled(int id, const Page& page);
DialogCommand geometryDialogCommandOf(int id);
bool geometryDialogCommandEnabled(int id, const Page& page);

}  // namespace tessary
