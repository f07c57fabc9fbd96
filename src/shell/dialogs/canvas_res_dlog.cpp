#include "shell/dialogs/canvas_res_dlog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "shell/dialogs/number_edits.h"

namespace tessary {

namespace {

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

CCanvasResDlogHandler::CCanvasResDlogHandler(double horizontal, double vertical, int resolutionUnit,
                                             QWidget* parent)
    : OurDlogHandlerBase(parent), m_model(horizontal, vertical, resolutionUnit) {
    setWindowTitle(QStringLiteral("Canvas Resolution"));

    // --- Controls --------------------------------------------------------
    auto* group = new QGroupBox(QStringLiteral("Resolution"), this);
    auto* horizontalEdit = new CFloatEdit(false, this);
    auto* verticalEdit = new CFloatEdit(false, this);
    auto* unitText = new QLabel(this);
    auto* keepAspect = new QCheckBox(QStringLiteral("Keep Aspect Ratio"), this);
    auto* reset = new QPushButton(QStringLiteral("Reset"), this);
    reset->setAutoDefault(false);
    registerControl(kIdHorizontal, horizontalEdit);
    registerControl(kIdVertical, verticalEdit);
    registerControl(kIdUnitText, unitText);
    registerControl(kIdKeepAspect, keepAspect);
    registerControl(kIdReset, reset);

    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel(QStringLiteral("Horizontal:"), this), 0, 0);
    grid->addWidget(horizontalEdit, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Vertical:"), this), 1, 0);
    grid->addWidget(verticalEdit, 1, 1);
    grid->addWidget(unitText, 0, 2, 2, 1);
    auto* options = new QHBoxLayout;
    options->addWidget(keepAspect);
    options->addStretch(1);
    options->addWidget(reset);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(options);
    layout->addWidget(makeButtons(QStringLiteral("OK"), QStringLiteral("Cancel")));

    // --- Contents ----------------------------------------------------------
    setString(kIdUnitText, text(m_model.unitText()));
    setCheck(kIdKeepAspect, m_model.keepAspect());
    showHorizontal();
    showVertical();

    // --- Reactions ---------------------------------------------------------
    connect(horizontalEdit, &QLineEdit::textEdited, this, &CCanvasResDlogHandler::horizontalEdited);
    connect(verticalEdit, &QLineEdit::textEdited, this, &CCanvasResDlogHandler::verticalEdited);
    connect(horizontalEdit, &QLineEdit::editingFinished, this,
            &CCanvasResDlogHandler::showHorizontal);
    connect(verticalEdit, &QLineEdit::editingFinished, this, &CCanvasResDlogHandler::showVertical);
    connect(keepAspect, &QCheckBox::toggled, this,
            [this](bool keep) { m_model.setKeepAspect(keep); });
    connect(reset, &QPushButton::clicked, this, &CCanvasResDlogHandler::resetClicked);
}

CCanvasResDlogHandler::~CCanvasResDlogHandler() {
    // Hiding takes the focus out of an edit, which reports a finished edit:
    // let that happen while the dialog is still whole.
    hide();
}

void CCanvasResDlogHandler::showHorizontal() {
    setString(kIdHorizontal, text(m_model.shownHorizontalText()));
}

void CCanvasResDlogHandler::showVertical() {
    setString(kIdVertical, text(m_model.shownVerticalText()));
}

void CCanvasResDlogHandler::horizontalEdited() {
    m_model.editHorizontal(controlAs<CFloatEdit>(kIdHorizontal)->value());
    if (m_model.keepAspect()) showVertical();
}

void CCanvasResDlogHandler::verticalEdited() {
    m_model.editVertical(controlAs<CFloatEdit>(kIdVertical)->value());
    if (m_model.keepAspect()) showHorizontal();
}

void CCanvasResDlogHandler::resetClicked() {
    m_model.reset();
    showHorizontal();
    showVertical();
}

}  // namespace tessary
