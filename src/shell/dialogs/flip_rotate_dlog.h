#pragma once

#include <QImage>

#include "effects/geometry/flip_rotate_dialog.h"
#include "shell/dialogs/our_dlog_handler_base.h"

namespace tessary {

class CStaticImage;

// The example picture of the Flip and Rotate dialog: a bold letter F, which
// looks different after every flip and turn, painted in code.
QImage flipRotateOriginalPicture();
// The picture after an operation (1-5 of FlipRotateOperation); the original
// for any other code.
QImage flipRotatePicture(int operation);

// The Flip and Rotate dialog (dialog 139): the original picture and the
// current choice applied to it, over five example pictures, two flips and
// three turns. A click on an example chooses it; OK returns the choice.
class CFlipRotateDialog : public OurDlogHandlerBase {
    Q_OBJECT
public:
    static constexpr int kIdOriginal = FlipRotateDialogModel::kOriginalControl;  // 1007
    static constexpr int kIdCurrent = FlipRotateDialogModel::kCurrentControl;    // 1013

    explicit CFlipRotateDialog(QWidget* parent = nullptr);
    ~CFlipRotateDialog() override;

    // The chosen example, 0-4 (0 when the dialog opens).
    int chosen() const { return m_model.chosen(); }
    // The operation the choice runs.
    int operation() const { return m_model.operation(); }

    CStaticImage* example(int controlId) const;

private:
    void exampleClicked(int controlId);
    void showChoice();

    FlipRotateDialogModel m_model;
};

}  // namespace tessary
