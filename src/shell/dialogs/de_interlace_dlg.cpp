#include "shell/dialogs/de_interlace_dlg.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/de_interlace_prefs.h"
#include "app/zerozevuv.h"
#include "effects/framework/effect_target.h"
#include "model/page.h"
#include "shell/app/shell_context.h"

namespace tessary {

namespace {

// A group box of two exclusive radio buttons registered under their ids.
QGroupBox* radioPair(OurDlogHandlerBase& dialog, const QString& title, QRadioButton* first,
                     QRadioButton* second) {
    auto* box = new QGroupBox(title, &dialog);
    auto* layout = new QVBoxLayout(box);
    auto* group = new QButtonGroup(box);
    for (QRadioButton* button : {first, second}) {
        button->setParent(box);
        group->addButton(button);
        layout->addWidget(button);
    }
    return box;
}

}  // namespace

DeInterlaceDlg::DeInterlaceDlg(DeInterlacePrefs& prefs, QWidget* parent)
    : OurDlogHandlerBase(parent), m_prefs(prefs) {
    setWindowTitle(QStringLiteral("De-Interlace"));
    auto* even = new QRadioButton(QStringLiteral("Even Fields"));
    auto* odd = new QRadioButton(QStringLiteral("Odd Fields"));
    auto* duplication = new QRadioButton(QStringLiteral("Duplication"));
    auto* interpolation = new QRadioButton(QStringLiteral("Interpolation"));
    registerControl(kIdEvenFields, even);
    registerControl(kIdOddFields, odd);
    registerControl(kIdDuplication, duplication);
    registerControl(kIdInterpolation, interpolation);

    auto* layout = new QVBoxLayout(this);
    auto* groups = new QHBoxLayout;
    groups->addWidget(radioPair(*this, QStringLiteral("Replace:"), even, odd));
    groups->addWidget(radioPair(*this, QStringLiteral("By:"), duplication, interpolation));
    layout->addLayout(groups);
    layout->addWidget(makeButtons(QStringLiteral("OK"), QStringLiteral("Cancel")));

    setCheck(prefs.replaceOddFields ? kIdOddFields : kIdEvenFields, true);
    setCheck(prefs.interpolate ? kIdInterpolation : kIdDuplication, true);
}

DeInterlaceDlg::~DeInterlaceDlg() = default;

DeInterlaceChoice DeInterlaceDlg::choice() const {
    return DeInterlaceChoice{isChecked(kIdOddFields), isChecked(kIdInterpolation)};
}

void DeInterlaceDlg::accept() {
    const DeInterlaceChoice chosen = choice();
    m_prefs.replaceOddFields = chosen.replaceOddFields;
    m_prefs.interpolate = chosen.interpolate;
    OurDlogHandlerBase::accept();
}

DialogCommandResult runDeInterlaceDialog(Page& page, const EffectContext& effect,
                                         ShellContext& shell, QWidget* parent) {
    DeInterlacePrefs unkept;
    DeInterlacePrefs& prefs =
        shell.globals != nullptr ? shell.globals->preferences().deInterlace : unkept;
    DialogCommandResult result;
    DeInterlaceChoice chosen;
    {
        DeInterlaceDlg dialog(prefs, parent);
        if (dialog.exec() != QDialog::Accepted) {
            result.cancelled = true;
            return result;
        }
        chosen = dialog.choice();
    }
    result.code = deInterlaceCommand(page, chosen, effect);
    if (result.code == kErrCancelled) {
        result.code = kErrNone;
        result.cancelled = true;
    } else if (result.code == kErrNone) {
        result.repaint = standardTarget(page).rect;
    }
    return result;
}

}  // namespace tessary
