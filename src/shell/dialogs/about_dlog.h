#pragma once

#include "shell/dialogs/our_dlog_handler_base.h"

class QPixmap;

namespace tessary {

// The About dialog (dialog 100): three pictures, the label "Version" and the
// version field 1200 (string 5201). A left click anywhere in it closes it.
// Start-up shows it as a splash window while the program prepares itself.
class CAboutDlogHandler : public OurDlogHandlerBase {
    Q_OBJECT
public:
    static constexpr int kIdVersion = 1200;
    static constexpr int kIdPictureFirst = 182;  // pictures 182, 183, 184

    explicit CAboutDlogHandler(QWidget* parent = nullptr);
    ~CAboutDlogHandler() override;

    // Shows the dialog without a frame and without waiting, as a splash
    // window; close() takes it away.
    void showAsSplash();

    // The three pictures, drawn here: a colour wheel of tiles, the product
    // name, and a grey ramp.
    static QPixmap picture(int index);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace tessary
