#pragma once

#include "effects/geometry/canvas_resolution_dialog.h"
#include "shell/dialogs/our_dlog_handler_base.h"

namespace tessary {

// The Canvas Resolution dialog (dialog 147): the page's horizontal and
// vertical resolution, shown per inch or per centimetre as the display
// preference says, "Keep Aspect Ratio" and "Reset". The numbers live in
// CanvasResolutionDialogModel (always pixels per inch); the controls show it
// and forward every edit to it. While a value is typed the other follows;
// the typed one is shown again, clamped, when its edit loses the focus or
// Return is pressed.
class CCanvasResDlogHandler : public OurDlogHandlerBase {
    Q_OBJECT
public:
    static constexpr int kIdHorizontal = 1014;
    static constexpr int kIdVertical = 1015;
    static constexpr int kIdUnitText = 1016;
    static constexpr int kIdKeepAspect = 1017;
    static constexpr int kIdReset = 1019;

    // Resolutions in pixels per inch; `resolutionUnit` 1 shows them per
    // inch, anything else per centimetre.
    CCanvasResDlogHandler(double horizontal, double vertical, int resolutionUnit,
                          QWidget* parent = nullptr);
    ~CCanvasResDlogHandler() override;

    const CanvasResolutionDialogModel& model() const { return m_model; }

private:
    void horizontalEdited();
    void verticalEdited();
    void resetClicked();
    void showHorizontal();
    void showVertical();

    CanvasResolutionDialogModel m_model;
};

}  // namespace tessary
