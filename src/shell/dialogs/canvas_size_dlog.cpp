#include "shell/dialogs/canvas_size_dlog.h"

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

CCanvasSizeDlogHandler::CCanvasSizeDlogHandler(double width, double height, double resolution,
                                               std::int32_t type, int unit, QWidget* parent)
    : OurDlogHandlerBase(parent), m_model(width, height, resolution, type, unit) {
    setWindowTitle(QStringLiteral("Canvas Size"));

    // --- Controls --------------------------------------------------------
    auto* group = new QGroupBox(text(m_model.groupTitle()), this);
    auto* widthEdit = new CFloatEdit(false, this);
    auto* heightEdit = new CFloatEdit(false, this);
    auto* currentWidth = new QLabel(this);
    auto* currentHeight = new QLabel(this);
    auto* keepAspect = new QCheckBox(QStringLiteral("Keep Aspect Ratio"), this);
    auto* reset = new QPushButton(QStringLiteral("Reset"), this);
    auto* sizeText = new QLabel(this);
    reset->setAutoDefault(false);
    registerControl(kIdGroup, group);
    registerControl(kIdWidth, widthEdit);
    registerControl(kIdHeight, heightEdit);
    registerControl(kIdCurrentWidth, currentWidth);
    registerControl(kIdCurrentHeight, currentHeight);
    registerControl(kIdKeepAspect, keepAspect);
    registerControl(kIdReset, reset);
    registerControl(kIdSizeText, sizeText);

    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel(QStringLiteral("Width:"), this), 0, 0);
    grid->addWidget(widthEdit, 0, 1);
    grid->addWidget(currentWidth, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Height:"), this), 1, 0);
    grid->addWidget(heightEdit, 1, 1);
    grid->addWidget(currentHeight, 1, 2);
    auto* options = new QHBoxLayout;
    options->addWidget(keepAspect);
    options->addStretch(1);
    options->addWidget(reset);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(new QLabel(QStringLiteral("Image size:"), this));
    sizeRow->addWidget(sizeText, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(options);
    layout->addLayout(sizeRow);
    layout->addWidget(makeButtons(QStringLiteral("Resize"), QStringLiteral("Cancel")));

    // --- Contents ----------------------------------------------------------
    setString(kIdCurrentWidth, text(m_model.currentWidthText()));
    setString(kIdCurrentHeight, text(m_model.currentHeightText()));
    setCheck(kIdKeepAspect, m_model.keepAspect());
    m_edits.showAll();

    // --- Reactions ---------------------------------------------------------
    m_edits.connectEdits();
    connect(keepAspect, &QCheckBox::toggled, this,
            [this](bool keep) { m_model.setKeepAspect(keep); });
    connect(reset, &QPushButton::clicked, this, [this] { m_edits.resetClicked(); });
}

CCanvasSizeDlogHandler::~CCanvasSizeDlogHandler() {
    // Hiding takes the focus out of an edit, which reports a finished edit:
    // let that happen while the dialog is still whole.
    hide();
}

QString CCanvasSizeDlogHandler::groupTitle() const {
    return controlAs<QGroupBox>(kIdGroup)->title();
}

}  // namespace tessary
