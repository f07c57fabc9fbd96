#include "shell/dialogs/scale_dlog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/string_table.h"
#include "shell/dialogs/number_edits.h"

namespace tessary {

namespace {

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

}  // namespace

CScaleDlogHandler::CScaleDlogHandler(double oldWidth, double oldHeight, double resolution,
                                     std::int32_t type, int defaultUnit, QWidget* parent)
    : OurDlogHandlerBase(parent), m_model(oldWidth, oldHeight, resolution, type, defaultUnit) {
    setWindowTitle(QStringLiteral("Scale"));

    // --- Controls --------------------------------------------------------
    auto* oldWidthText = new QLabel(this);
    auto* oldHeightText = new QLabel(this);
    auto* width = new CFloatEdit(false, this);
    auto* height = new CFloatEdit(false, this);
    auto* units = new QComboBox(this);
    auto* keepAspect = new QCheckBox(QStringLiteral("Keep Aspect Ratio"), this);
    auto* reset = new QPushButton(QStringLiteral("Reset"), this);
    auto* sizeText = new QLabel(this);
    reset->setAutoDefault(false);
    registerControl(kIdOldWidth, oldWidthText);
    registerControl(kIdOldHeight, oldHeightText);
    registerControl(kIdWidth, width);
    registerControl(kIdHeight, height);
    registerControl(kIdUnits, units);
    registerControl(kIdKeepAspect, keepAspect);
    registerControl(kIdReset, reset);
    registerControl(kIdSizeText, sizeText);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Old Width:"), this), 0, 0);
    grid->addWidget(oldWidthText, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Old Height:"), this), 1, 0);
    grid->addWidget(oldHeightText, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("New Width:"), this), 2, 0);
    grid->addWidget(width, 2, 1);
    grid->addWidget(units, 2, 2, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("New Height:"), this), 3, 0);
    grid->addWidget(height, 3, 1);
    auto* options = new QHBoxLayout;
    options->addWidget(keepAspect);
    options->addStretch(1);
    options->addWidget(reset);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(new QLabel(QStringLiteral("Image size:"), this));
    sizeRow->addWidget(sizeText, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(options);
    layout->addLayout(sizeRow);
    layout->addWidget(makeButtons(QStringLiteral("Scale"), QStringLiteral("Cancel")));

    // --- Contents ----------------------------------------------------------
    setString(kIdOldWidth, text(m_model.oldWidthText()));
    setString(kIdOldHeight, text(m_model.oldHeightText()));
    for (int i = 0; i < ScaleDialogModel::kUnitCount; ++i)
        appendString(kIdUnits, text(loadString(ScaleDialogModel::unitStringId(i))));
    setSelectedIndex(kIdUnits, m_model.unitIndex());
    setCheck(kIdKeepAspect, m_model.keepAspect());
    m_edits.showAll();

    // --- Reactions ---------------------------------------------------------
    m_edits.connectEdits();
    connect(units, &QComboBox::currentIndexChanged, this, &CScaleDlogHandler::unitChosen);
    connect(keepAspect, &QCheckBox::toggled, this,
            [this](bool keep) { m_model.setKeepAspect(keep); });
    connect(reset, &QPushButton::clicked, this, [this] { m_edits.resetClicked(); });
}

CScaleDlogHandler::~CScaleDlogHandler() {
    // Hiding takes the focus out of an edit, which reports a finished edit:
    // let that happen while the dialog is still whole.
    hide();
}

void CScaleDlogHandler::unitChosen(int index) {
    m_model.setUnitIndex(index);
    m_edits.showWidth();
    m_edits.showHeight();
}

}  // namespace tessary
