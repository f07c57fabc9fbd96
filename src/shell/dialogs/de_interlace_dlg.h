#pragma once

#include "effects/neighbourhood/neighbourhood_commands.h"
#include "shell/dialogs/effect_dialogs.h"
#include "shell/dialogs/our_dlog_handler_base.h"

namespace tessary {

struct DeInterlacePrefs;

// The De-Interlace dialog (dialog 162): which field to replace ("Replace:"
// even or odd fields) and how ("By:" duplication or interpolation). The
// radio buttons start from the remembered choice; OK writes the choice
// back, Cancel leaves it alone.
class DeInterlaceDlg : public OurDlogHandlerBase {
    Q_OBJECT
public:
    static constexpr int kIdEvenFields = 1086;
    static constexpr int kIdOddFields = 1087;
    static constexpr int kIdDuplication = 1088;
    static constexpr int kIdInterpolation = 1089;

    // `prefs` must outlive the dialog.
    explicit DeInterlaceDlg(DeInterlacePrefs& prefs, QWidget* parent = nullptr);
    ~DeInterlaceDlg() override;

    // The choice the radio buttons show.
    DeInterlaceChoice choice() const;

public slots:
    void accept() override;

private:
    DeInterlacePrefs& m_prefs;
};

// The menu command: shows the dialog over `page` and on OK runs De-Interlace
// with the choice (change, progress and last filter are the command's).
// Reports cancelled, the run's failure, or success with the target
// rectangle to repaint. The choice is remembered in the application's
// preferences (nowhere when there are no globals).
DialogCommandResult runDeInterlaceDialog(Page& page, const EffectContext& effect,
                                         ShellContext& shell, QWidget* parent);

}  // namespace tessary
