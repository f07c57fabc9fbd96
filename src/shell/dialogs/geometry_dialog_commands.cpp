// Flip and Rotate, Scale, Canvas Size, Canvas Resolution, Drop Shadow and
// Extrude: each shows its dialog over the main window and, on OK, runs its
// operation on the page. The operations open and close their own change and
// record their own undo step; a failure aborts that change, so the page is
// as it was and the view only reports the code.

#include <QDialog>

#include "app/zerozevuv.h"
#include "effects/framework/effect_target.h"
#include "effects/geometry/canvas_resolution.h"
#include "effects/geometry/canvas_size.h"
#include "effects/geometry/flip_rotate.h"
#include "effects/geometry/scale.h"
#include "effects/shadow/drop_shadow.h"
#include "effects/shadow/extrude.h"
#include "model/page.h"
#include "shell/app/command_ids.h"
#include "shell/app/shell_context.h"
#include "shell/dialogs/canvas_res_dlog.h"
#include "shell/dialogs/canvas_size_dlog.h"
#include "shell/dialogs/drop_shadow_dlog.h"
#include "shell/dialogs/effect_dialogs.h"
#include "shell/dialogs/extrude_dlog.h"
#include "shell/dialogs/flip_rotate_dlog.h"
#include "shell/dialogs/scale_dlog.h"
#include "shell/view/view_edits.h"

namespace tessary {

namespace {

DialogCommandResult cancelledResult() {
    DialogCommandResult result;
    result.cancelled = true;
    return result;
}

// The outcome of an operation that may change the image's bounds or move the
// selection: on success the view lays out again and repaints everything.
DialogCommandResult geometryResult(const Page& page, ErrorCode code) {
    DialogCommandResult result;
    result.code = code;
    result.cancelled = code == kErrCancelled;
    if (code == kErrNone) {
        result.sizeChanged = true;
        result.repaint = page.bounds();
    }
    return result;
}

// The outcome of an effect that paints inside the image: the rectangle it
// reports is repainted.
DialogCommandResult paintResult(ErrorCode code, const Rect& painted) {
    DialogCommandResult result;
    result.code = code;
    result.cancelled = code == kErrCancelled;
    if (code == kErrNone) result.repaint = painted;
    return result;
}

// Tells `running` that the effect runs for as long as it lives.
class RunningScope {
public:
    explicit RunningScope(const EffectRunning& running) : m_running(running) {
        if (m_running) m_running(true);
    }
    ~RunningScope() {
        if (m_running) m_running(false);
    }
    RunningScope(const RunningScope&) = delete;
    RunningScope& operator=(const RunningScope&) = delete;

private:
    const EffectRunning& m_running;
};

// The application's measurement unit in force (pixels without globals).
int defaultUnit(const ShellContext& shell) {
    return shell.globals != nullptr ? shell.globals->unit() : 0;
}

DialogCommandResult runFlipRotate(Page& page, const EffectContext& effect, ShellContext&,
                                  QWidget* parent, const EffectRunning&) {
    CFlipRotateDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted) return cancelledResult();
    return geometryResult(page, flipRotate(page, dialog.operation(), &effect.progress));
}

DialogCommandResult runScale(Page& page, const EffectContext& effect, ShellContext& shell,
                             QWidget* parent, const EffectRunning&) {
    // What is scaled: the selection when there is one, else the whole image.
    const Rect target = standardTarget(page).rect;
    CScaleDlogHandler dialog(target.width(), target.height(), page.horizontalResolution(),
                             page.type(), defaultUnit(shell), parent);
    if (dialog.exec() != QDialog::Accepted) return cancelledResult();
    const ScaleDialogModel& model = dialog.model();
    return geometryResult(page, scalePage(page, model.resultWidth(), model.resultHeight(),
                                          /*smooth=*/true, &effect.progress));
}

DialogCommandResult runCanvasSize(Page& page, const EffectContext& effect, ShellContext& shell,
                                  QWidget* parent, const EffectRunning&) {
    const Rect bounds = page.bounds();
    CCanvasSizeDlogHandler dialog(bounds.width(), bounds.height(), page.horizontalResolution(),
                                  page.type(), defaultUnit(shell), parent);
    if (dialog.exec() != QDialog::Accepted) return cancelledResult();
    const CanvasSizeDialogModel& model = dialog.model();
    // The image stays at the top-left corner; the new strips take the
    // background colour.
    return geometryResult(
        page, changeCanvasSize(page, model.resultWidth(), model.resultHeight(),
                               CanvasAnchor::kTopLeft, effect.background, &effect.progress));
}

DialogCommandResult runCanvasResolution(Page& page, const EffectContext&, ShellContext& shell,
                                        QWidget* parent, const EffectRunning&) {
    // The resolution unit the user last chose is the display preference.
    const int unit = shell.globals != nullptr
                         ? shell.globals->preferences().fileOptions.newImageResolutionUnit
                         : 1;
    CCanvasResDlogHandler dialog(page.horizontalResolution(), page.verticalResolution(), unit,
                                 parent);
    if (dialog.exec() != QDialog::Accepted) return cancelledResult();
    const CanvasResolutionDialogModel& model = dialog.model();
    // The pixels stay; the info bar's sizes and the layout are refreshed.
    return geometryResult(page, setCanvasResolution(page, model.horizontal(), model.vertical()));
}

DialogCommandResult runDropShadow(Page& page, const EffectContext& effect, ShellContext& shell,
                                  QWidget* parent, const EffectRunning& running) {
    DropShadowPrefs defaults;
    DropShadowPrefs& prefs =
        shell.globals != nullptr ? shell.globals->preferences().dropShadow : defaults;
    CDropShadowDialog dialog(prefs, page.horizontalResolution(), page.verticalResolution(),
                             defaultUnit(shell), parent);
    if (dialog.exec() != QDialog::Accepted) return cancelledResult();
    dialog.model().store(prefs);
    Rect painted;
    ErrorCode code = kErrNone;
    {
        const RunningScope scope(running);
        code =
            dropShadow(page, dialog.model().request(effect.foreground), painted, &effect.progress);
    }
    return paintResult(code, painted);
}

DialogCommandResult runExtrude(Page& page, const EffectContext& effect, ShellContext& shell,
                               QWidget* parent, const EffectRunning& running) {
    ExtrudePrefs defaults;
    ExtrudePrefs& prefs =
        shell.globals != nullptr ? shell.globals->preferences().extrude : defaults;
    CExtrudeDialog dialog(prefs, parent);
    if (dialog.exec() != QDialog::Accepted) return cancelledResult();
    dialog.model().store(prefs);
    Rect affected;
    ErrorCode code = kErrNone;
    {
        const RunningScope scope(running);
        code = extrude(page, dialog.model().request(effect.foreground), affected, &effect.progress);
    }
    return paintResult(code, affected);
}

}  // namespace

DialogCommand geometryDialogCommandOf(int id) {
    switch (id) {
        case cmd::kImageFlipRotate:
            return &runFlipRotate;
        case cmd::kImageScale:
            return &runScale;
        case cmd::kImageCanvasSize:
            return &runCanvasSize;
        case cmd::kImageCanvasResolution:
            return &runCanvasResolution;
        case cmd::kDropShadow:
            return &runDropShadow;
        case cmd::kExtrude:
            return &runExtrude;
        default:
            return nullptr;
    }
}

bool geometryDialogCommandEnabled(int id, const Page& page) {
    switch (id) {
        case cmd::kDropShadow:
        case cmd::kExtrude:
            // Both work from the selection mask.
            return ViewEdits::hasSelection(page);
        default:
            // The Image menu's geometry commands work on any image.
            return geometryDialogCommandOf(id) != nullptr;
    }
}

}  // namespace tessary
