#pragma once

#include "effects/geometry/scale_dialog.h"
#include "shell/dialogs/our_dlog_handler_base.h"
#include "shell/dialogs/size_edits.h"

namespace tessary {

// The Scale dialog (dialog 155): the old size of what is scaled (the
// selection, or the whole image), the new size in percent or a measurement
// unit, "Keep Aspect Ratio", "Reset" and the new image size. The numbers
// live in ScaleDialogModel; the controls show it and forward every edit to
// it. While a size is typed the other side follows; the typed side is shown
// again, converted and clamped, when its edit loses the focus or Return is
// pressed.
class CScaleDlogHandler : public OurDlogHandlerBase {
    Q_OBJECT
public:
    static constexpr int kIdKeepAspect = 1017;
    static constexpr int kIdSizeText = 1018;
    static constexpr int kIdReset = 1019;
    static constexpr int kIdOldWidth = 1027;
    static constexpr int kIdOldHeight = 1028;
    static constexpr int kIdWidth = 1029;
    static constexpr int kIdHeight = 1030;
    static constexpr int kIdUnits = 1031;

    // oldWidth x oldHeight pixels at `resolution` pixels per inch, page type
    // 2 or 5, the application's default measurement unit.
    CScaleDlogHandler(double oldWidth, double oldHeight, double resolution, std::int32_t type,
                      int defaultUnit, QWidget* parent = nullptr);
    ~CScaleDlogHandler() override;

    const ScaleDialogModel& model() const { return m_model; }

private:
    void unitChosen(int index);

    ScaleDialogModel m_model;
    SizeEdits<ScaleDialogModel> m_edits{*this, m_model, kIdWidth, kIdHeight, kIdSizeText};
};

}  // namespace tessary
