#pragma once

#include "effects/shadow/extrude_dialog.h"
#include "shell/dialogs/image_well.h"
#include "shell/dialogs/our_dlog_handler_base.h"

namespace tessary {

struct ExtrudePrefs;

// The Extrude preview: the object, a black square in the middle of the well,
// in front of its sides swept toward the chosen direction at the chosen
// distance, in light grey.
class CExtrudeImageWell : public CImageWell {
    Q_OBJECT
public:
    explicit CExtrudeImageWell(const ExtrudeDialogModel& model, QWidget* parent = nullptr);

protected:
    void paintPreview(QPainter& painter, const QRect& client) override;

private:
    const ExtrudeDialogModel& m_model;
};

// The Extrude dialog (dialog 202): the distance as a slider mirrored by a
// whole-number edit, eight direction buttons laid out as a compass, the
// operation ("Fill Solid" or "Select") and a preview. The numbers live in
// ExtrudeDialogModel; the controls show it and forward every edit to it.
class CExtrudeDialog : public OurDlogHandlerBase {
    Q_OBJECT
public:
    static constexpr int kIdPreview = 1102;
    static constexpr int kIdDistanceSlider = 1118;
    static constexpr int kIdDistance = 1119;
    // Direction buttons, clockwise from up.
    static constexpr int kIdUp = 1120;
    static constexpr int kIdUpRight = 1127;
    static constexpr int kIdRight = 1126;
    static constexpr int kIdDownRight = 1125;
    static constexpr int kIdDown = 1124;
    static constexpr int kIdDownLeft = 1123;
    static constexpr int kIdLeft = 1122;
    static constexpr int kIdUpLeft = 1121;
    static constexpr int kIdFillSolid = 1128;
    static constexpr int kIdSelect = 1129;

    explicit CExtrudeDialog(const ExtrudePrefs& prefs, QWidget* parent = nullptr);
    ~CExtrudeDialog() override;

    const ExtrudeDialogModel& model() const { return m_model; }

private:
    void distanceEdited();
    void distanceMoved(int value);
    void showDistance();
    void directionChosen(int controlId);

    ExtrudeDialogModel m_model;
    CExtrudeImageWell* m_well = nullptr;
};

}  // namespace tessary
