#include "shell/dialogs/drop_shadow_dlog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QSlider>
#include <QVBoxLayout>

#include "app/string_table.h"
#include "shell/dialogs/number_edits.h"

namespace tessary {

namespace {

constexpr int kFirstUnitString = 340;  // "Pixels" ... "Points"
constexpr int kUnitCount = 5;
constexpr int kFeatherPage = 2;
constexpr int kIntensityPage = 20;

QRect qtRect(const Rect& r) {
    return QRect(r.left, r.top, r.width(), r.height());
}

}  // namespace

// --- CDropShadowImageWell ----------------------------------------------------

CDropShadowImageWell::CDropShadowImageWell(const DropShadowDialogModel& model, QWidget* parent)
    : CImageWell(parent), m_model(model) {}

void CDropShadowImageWell::paintPreview(QPainter& painter, const QRect& client) {
    const Rect area{client.left(), client.top(), client.left() + client.width(),
                    client.top() + client.height()};
    const DropShadowDialogModel::Preview preview = m_model.preview(area);
    const int g = preview.shadowGrey;
    painter.fillRect(qtRect(preview.shadow), QColor(g, g, g));
    painter.fillRect(qtRect(preview.object), Qt::black);
}

// --- CDropShadowDialog -------------------------------------------------------

CDropShadowDialog::CDropShadowDialog(const DropShadowPrefs& prefs, double horizontalResolution,
                                     double verticalResolution, int unit, QWidget* parent)
    : OurDlogHandlerBase(parent), m_model(prefs, horizontalResolution, verticalResolution, unit) {
    setWindowTitle(QStringLiteral("Drop Shadow"));

    // --- Controls --------------------------------------------------------
    m_well = new CDropShadowImageWell(m_model, this);
    registerControl(kIdPreview, m_well);

    auto* featherGroup = new QGroupBox(QStringLiteral("Feather"), this);
    auto* featherSlider = makeSlider(DropShadowDialogModel::kMaxFeather, kFeatherPage);
    auto* feather = new CIntEdit(this);
    registerControl(kIdFeatherSlider, featherSlider);
    registerControl(kIdFeather, feather);
    auto* featherRow = new QHBoxLayout(featherGroup);
    featherRow->addWidget(featherSlider, 1);
    featherRow->addWidget(feather);
    featherRow->addWidget(new QLabel(QStringLiteral("Pix"), this));

    auto* intensityGroup = new QGroupBox(QStringLiteral("Intensity"), this);
    auto* intensitySlider = makeSlider(DropShadowDialogModel::kMaxIntensity, kIntensityPage);
    auto* intensity = new CIntEdit(this);
    registerControl(kIdIntensitySlider, intensitySlider);
    registerControl(kIdIntensity, intensity);
    auto* intensityRow = new QHBoxLayout(intensityGroup);
    intensityRow->addWidget(intensitySlider, 1);
    intensityRow->addWidget(intensity);
    intensityRow->addWidget(new QLabel(QStringLiteral("%"), this));

    auto* offsetGroup = new QGroupBox(QStringLiteral("Offset"), this);
    auto* horizontal = new CFloatEdit(true, this);
    auto* vertical = new CFloatEdit(true, this);
    auto* units = new QComboBox(this);
    registerControl(kIdHorizontal, horizontal);
    registerControl(kIdVertical, vertical);
    registerControl(kIdUnits, units);
    auto* offsetGrid = new QGridLayout(offsetGroup);
    offsetGrid->addWidget(new QLabel(QStringLiteral("Horiz:"), this), 0, 0);
    offsetGrid->addWidget(horizontal, 0, 1);
    offsetGrid->addWidget(new QLabel(QStringLiteral("Vert:"), this), 1, 0);
    offsetGrid->addWidget(vertical, 1, 1);
    offsetGrid->addWidget(units, 0, 2, 2, 1);

    auto* controls = new QVBoxLayout;
    controls->addWidget(featherGroup);
    controls->addWidget(intensityGroup);
    controls->addWidget(offsetGroup);
    auto* body = new QHBoxLayout;
    body->addWidget(m_well);
    body->addLayout(controls, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addWidget(makeButtons(QStringLiteral("OK"), QStringLiteral("Cancel")));

    // --- Contents ----------------------------------------------------------
    for (int i = 0; i < kUnitCount; ++i)
        appendString(kIdUnits, QString::fromStdString(loadString(kFirstUnitString + i)));
    setSelectedIndex(kIdUnits, m_model.unit());
    showFeather();
    showIntensity();
    showOffsets();

    // --- Reactions ---------------------------------------------------------
    connect(featherSlider, &QSlider::valueChanged, this, &CDropShadowDialog::featherMoved);
    connect(intensitySlider, &QSlider::valueChanged, this, &CDropShadowDialog::intensityMoved);
    connect(feather, &QLineEdit::textEdited, this, &CDropShadowDialog::featherEdited);
    connect(intensity, &QLineEdit::textEdited, this, &CDropShadowDialog::intensityEdited);
    connect(horizontal, &QLineEdit::textEdited, this, &CDropShadowDialog::horizontalEdited);
    connect(vertical, &QLineEdit::textEdited, this, &CDropShadowDialog::verticalEdited);
    // A finished edit shows the value in force: clamped, in two decimals.
    connect(feather, &QLineEdit::editingFinished, this, &CDropShadowDialog::showFeather);
    connect(intensity, &QLineEdit::editingFinished, this, &CDropShadowDialog::showIntensity);
    connect(horizontal, &QLineEdit::editingFinished, this, &CDropShadowDialog::showOffsets);
    connect(vertical, &QLineEdit::editingFinished, this, &CDropShadowDialog::showOffsets);
    connect(units, &QComboBox::currentIndexChanged, this, &CDropShadowDialog::unitChosen);
}

CDropShadowDialog::~CDropShadowDialog() {
    // Hiding takes the focus out of an edit, which reports a finished edit:
    // let that happen while the dialog is still whole.
    hide();
}

void CDropShadowDialog::showFeather() {
    setNumber(kIdFeather, m_model.feather(), 0);
    setSliderValue(kIdFeatherSlider, m_model.feather());
}

void CDropShadowDialog::showIntensity() {
    setNumber(kIdIntensity, m_model.intensity(), 0);
    setSliderValue(kIdIntensitySlider, m_model.intensity());
}

void CDropShadowDialog::showOffsets() {
    setString(kIdHorizontal, QString::fromStdString(m_model.shownHorizontalOffsetText()));
    setString(kIdVertical, QString::fromStdString(m_model.shownVerticalOffsetText()));
}

void CDropShadowDialog::featherEdited() {
    m_model.setFeather(controlAs<CIntEdit>(kIdFeather)->value());
    setSliderValue(kIdFeatherSlider, m_model.feather());
}

void CDropShadowDialog::intensityEdited() {
    m_model.setIntensity(controlAs<CIntEdit>(kIdIntensity)->value());
    setSliderValue(kIdIntensitySlider, m_model.intensity());
    m_well->update();
}

void CDropShadowDialog::featherMoved(int value) {
    m_model.setFeather(value);
    setNumber(kIdFeather, m_model.feather(), 0);
}

void CDropShadowDialog::intensityMoved(int value) {
    m_model.setIntensity(value);
    setNumber(kIdIntensity, m_model.intensity(), 0);
    m_well->update();
}

void CDropShadowDialog::horizontalEdited() {
    m_model.editHorizontalOffset(controlAs<CFloatEdit>(kIdHorizontal)->value());
    m_well->update();
}

void CDropShadowDialog::verticalEdited() {
    m_model.editVerticalOffset(controlAs<CFloatEdit>(kIdVertical)->value());
    m_well->update();
}

void CDropShadowDialog::unitChosen(int index) {
    m_model.setUnit(index);
    showOffsets();
}

}  // namespace tessary
