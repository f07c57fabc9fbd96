#pragma once

#include "effects/geometry/canvas_size_dialog.h"
#include "shell/dialogs/our_dlog_handler_base.h"
#include "shell/dialogs/size_edits.h"

namespace tessary {

// The Canvas Size dialog (dialog 148): the image's new width and height in
// the application's default measurement unit, its current size beside them,
// "Keep Aspect Ratio", "Reset" and the new image size. The numbers live in
// CanvasSizeDialogModel; the controls show it and forward every edit to it.
// While a size is typed the other side follows; the typed side is shown
// again, converted and clamped, when its edit loses the focus or Return is
// pressed.
class CCanvasSizeDlogHandler : public OurDlogHandlerBase {
    Q_OBJECT
public:
    static constexpr int kIdKeepAspect = 1017;
    static constexpr int kIdSizeText = 1018;
    static constexpr int kIdReset = 1019;
    static constexpr int kIdGroup = 1020;
    static constexpr int kIdWidth = 1021;
    static constexpr int kIdHeight = 1022;
    static constexpr int kIdCurrentWidth = 1023;
    static constexpr int kIdCurrentHeight = 1024;

    // The whole image: width x height pixels at `resolution` pixels per
    // inch, page type 2 or 5, shown in measurement unit `unit`.
    CCanvasSizeDlogHandler(double width, double height, double resolution, std::int32_t type,
                           int unit, QWidget* parent = nullptr);
    ~CCanvasSizeDlogHandler() override;

    const CanvasSizeDialogModel& model() const { return m_model; }
    // The group's title ("New Dimensions (in pixels)" ...).
    QString groupTitle() const;

private:

    CanvasSizeDialogModel m_model;
    SizeEdits<CanvasSizeDialogModel> m_edits{*this, m_model, kIdWidth, kIdHeight, kIdSizeText};
};

}  // namespace tessary
