#pragma once

#include "effects/shadow/drop_shadow_dialog.h"
#include "shell/dialogs/image_well.h"
#include "shell/dialogs/our_dlog_handler_base.h"

namespace tessary {

struct DropShadowPrefs;

// The Drop Shadow preview: the object, a black square in the middle of the
// well, over its shadow moved by the dialog's offsets and shaded by its
// intensity.
class CDropShadowImageWell : public CImageWell {
    Q_OBJECT
public:
    explicit CDropShadowImageWell(const DropShadowDialogModel& model, QWidget* parent = nullptr);

protected:
    void paintPreview(QPainter& painter, const QRect& client) override;

private:
    const DropShadowDialogModel& m_model;
};

// The Drop Shadow dialog (dialog 200): feather and intensity, each a slider
// mirrored by a whole-number edit, the shadow's offsets in a unit of the
// user's choice, and a preview. The numbers live in DropShadowDialogModel;
// the controls show it and forward every edit to it. An edited value is
// shown again, clamped, when its edit loses the focus or Return is pressed.
class CDropShadowDialog : public OurDlogHandlerBase {
    Q_OBJECT
public:
    static constexpr int kIdPreview = 1102;
    static constexpr int kIdFeatherSlider = 1103;
    static constexpr int kIdIntensitySlider = 1104;
    static constexpr int kIdFeather = 1105;
    static constexpr int kIdIntensity = 1106;
    static constexpr int kIdHorizontal = 1107;
    static constexpr int kIdVertical = 1108;
    static constexpr int kIdUnits = 1031;

    // Opens on `prefs`, the page's two resolutions (pixels per inch) and the
    // application's default measurement unit.
    CDropShadowDialog(const DropShadowPrefs& prefs, double horizontalResolution,
                      double verticalResolution, int unit, QWidget* parent = nullptr);
    ~CDropShadowDialog() override;

    const DropShadowDialogModel& model() const { return m_model; }

private:
    void featherEdited();
    void intensityEdited();
    void featherMoved(int value);
    void intensityMoved(int value);
    void horizontalEdited();
    void verticalEdited();
    void unitChosen(int index);

    void showFeather();
    void showIntensity();
    void showOffsets();

    DropShadowDialogModel m_model;
    CDropShadowImageWell* m_well = nullptr;
};

}  // namespace tessary
