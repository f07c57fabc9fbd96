#include "shell/dialogs/extrude_dlog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPolygon>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

#include "shell/dialogs/number_edits.h"

namespace tessary {

namespace {

constexpr int kDistancePage = 4;
const QColor kSideColour(0xC0, 0xC0, 0xC0);

// Where each direction's button sits in the 3 x 3 compass (row, column).
struct CompassCell {
    int row;
    int column;
};
constexpr CompassCell kCompass[8] = {{0, 1}, {0, 2}, {1, 2}, {2, 2},
                                     {2, 1}, {2, 0}, {1, 0}, {0, 0}};

}  // namespace

// --- CExtrudeImageWell -------------------------------------------------------

CExtrudeImageWell::CExtrudeImageWell(const ExtrudeDialogModel& model, QWidget* parent)
    : CImageWell(parent), m_model(model) {}

void CExtrudeImageWell::paintPreview(QPainter& painter, const QRect& client) {
    const Rect area{client.left(), client.top(), client.left() + client.width(),
                    client.top() + client.height()};
    QPolygon sides;
    for (const ExtrudeDialogModel::Point& p : m_model.previewOutline(area))
        sides << QPoint(p.x, p.y);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kSideColour);
    painter.drawPolygon(sides);
    const Rect object = ExtrudeDialogModel::previewObject(area);
    painter.fillRect(QRect(object.left, object.top, object.width(), object.height()), Qt::black);
}

// --- CExtrudeDialog ----------------------------------------------------------

CExtrudeDialog::CExtrudeDialog(const ExtrudePrefs& prefs, QWidget* parent)
    : OurDlogHandlerBase(parent), m_model(prefs) {
    setWindowTitle(QStringLiteral("Extrude"));

    // --- Controls --------------------------------------------------------
    m_well = new CExtrudeImageWell(m_model, this);
    registerControl(kIdPreview, m_well);

    auto* distanceGroup = new QGroupBox(QStringLiteral("Distance"), this);
    auto* slider = makeSlider(ExtrudeDialogModel::kMaxDistance, kDistancePage);
    auto* distance = new CIntEdit(this);
    registerControl(kIdDistanceSlider, slider);
    registerControl(kIdDistance, distance);
    auto* distanceRow = new QHBoxLayout(distanceGroup);
    distanceRow->addWidget(slider, 1);
    distanceRow->addWidget(distance);
    distanceRow->addWidget(new QLabel(QStringLiteral("Pix"), this));

    auto* compass = new QGridLayout;
    auto* directions = new QButtonGroup(this);
    for (int direction = 0; direction < 8; ++direction) {
        const int id = ExtrudeDialogModel::controlOfDirection(direction);
        auto* button = new QRadioButton(this);
        directions->addButton(button, id);
        registerControl(id, button);
        compass->addWidget(button, kCompass[direction].row, kCompass[direction].column,
                           Qt::AlignCenter);
    }
    auto* directionColumn = new QVBoxLayout;
    directionColumn->addWidget(new QLabel(QStringLiteral("Direction:"), this));
    directionColumn->addLayout(compass);

    auto* fillSolid = new QRadioButton(QStringLiteral("Fill Solid"), this);
    auto* select = new QRadioButton(QStringLiteral("Select"), this);
    auto* operations = new QButtonGroup(this);
    operations->addButton(fillSolid);
    operations->addButton(select);
    registerControl(kIdFillSolid, fillSolid);
    registerControl(kIdSelect, select);
    auto* operationColumn = new QVBoxLayout;
    operationColumn->addWidget(new QLabel(QStringLiteral("Operation:"), this));
    operationColumn->addWidget(fillSolid);
    operationColumn->addWidget(select);
    operationColumn->addStretch(1);

    auto* choices = new QHBoxLayout;
    choices->addLayout(directionColumn);
    choices->addLayout(operationColumn);
    auto* controls = new QVBoxLayout;
    controls->addWidget(distanceGroup);
    controls->addLayout(choices);
    auto* body = new QHBoxLayout;
    body->addWidget(m_well);
    body->addLayout(controls, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addWidget(makeButtons(QStringLiteral("OK"), QStringLiteral("Cancel")));

    // --- Contents ----------------------------------------------------------
    showDistance();
    setCheck(ExtrudeDialogModel::controlOfDirection(m_model.direction()), true);
    setCheck(m_model.select() ? kIdSelect : kIdFillSolid, true);

    // --- Reactions ---------------------------------------------------------
    connect(slider, &QSlider::valueChanged, this, &CExtrudeDialog::distanceMoved);
    connect(distance, &QLineEdit::textEdited, this, &CExtrudeDialog::distanceEdited);
    connect(distance, &QLineEdit::editingFinished, this, &CExtrudeDialog::showDistance);
    connect(directions, &QButtonGroup::idClicked, this, &CExtrudeDialog::directionChosen);
    connect(select, &QRadioButton::toggled, this, [this](bool on) { m_model.setSelect(on); });
}

CExtrudeDialog::~CExtrudeDialog() {
    // Hiding takes the focus out of an edit, which reports a finished edit:
    // let that happen while the dialog is still whole.
    hide();
}

void CExtrudeDialog::showDistance() {
    setNumber(kIdDistance, m_model.distance(), 0);
    setSliderValue(kIdDistanceSlider, m_model.distance());
}

void CExtrudeDialog::distanceEdited() {
    m_model.setDistance(controlAs<CIntEdit>(kIdDistance)->value());
    setSliderValue(kIdDistanceSlider, m_model.distance());
    m_well->update();
}

void CExtrudeDialog::distanceMoved(int value) {
    m_model.setDistance(value);
    setNumber(kIdDistance, m_model.distance(), 0);
    m_well->update();
}

void CExtrudeDialog::directionChosen(int controlId) {
    m_model.setDirection(ExtrudeDialogModel::directionOfControl(controlId));
    m_well->update();
}

}  // namespace tessary
