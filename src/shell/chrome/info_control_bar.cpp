#include "shell/chrome/info_control_bar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

#include "app/units.h"

namespace tessary {
namespace {

// A space that does not break a line.
constexpr QChar kKeepTogether(0x00A0);

}  // namespace

QString infoLengthText(double pixels, double resolution, int unit) {
    if (unit == kUnitPixels) return QString::number(static_cast<std::int64_t>(pixels));
    return QString::number(fromPixels(pixels, unit, resolution), 'f', 2);
}

QString infoSizeText(std::int64_t width, std::int64_t height, double horizontalResolution,
                     double verticalResolution, int unit) {
    return QStringLiteral("%1 x %2 %3")
        .arg(infoLengthText(static_cast<double>(width), horizontalResolution, unit),
             infoLengthText(static_cast<double>(height), verticalResolution, unit),
             QString::fromStdString(unitName(unit)));
}

CInfoControlBar::CInfoControlBar(QMenu* unitsMenu, QAction* showHideAction, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 1, 4, 1);
    // The position pane takes what the buttons and the image size leave and
    // wraps between its fields when that is too narrow for a drag's size
    // (a 400-pixel image window), so no value is cut off: the bar grows a
    // line instead. The image size may wrap before its unit for huge images.
    m_position = new QLabel(this);
    m_position->setWordWrap(true);
    m_size = new QLabel(this);
    m_size->setWordWrap(true);
    m_units = new QToolButton(this);
    m_units->setText(QStringLiteral("Units"));
    m_units->setMenu(unitsMenu);
    m_units->setPopupMode(QToolButton::InstantPopup);
    auto* showHide = new QToolButton(this);
    if (showHideAction != nullptr) {
        showHide->setDefaultAction(showHideAction);
    } else {
        showHide->setText(QStringLiteral("Show / Hide"));
        connect(showHide, &QToolButton::clicked, this, &CInfoControlBar::toggleDetails);
    }
    layout->addWidget(showHide);
    layout->addWidget(m_position, 1);
    layout->addWidget(m_size);
    layout->addWidget(m_units);
    refresh();
}

CInfoControlBar::~CInfoControlBar() = default;

void CInfoControlBar::showPoint(std::int32_t x, std::int32_t y) {
    m_hasPoint = true;
    m_hasDrag = false;
    m_x = x;
    m_y = y;
    refresh();
}

void CInfoControlBar::showPointAndSize(std::int32_t x, std::int32_t y, std::int32_t width,
                                       std::int32_t height) {
    m_hasPoint = true;
    m_hasDrag = true;
    m_x = x;
    m_y = y;
    m_dragWidth = width;
    m_dragHeight = height;
    refresh();
}

void CInfoControlBar::showImageSize(std::int32_t width, std::int32_t height,
                                    double horizontalResolution, double verticalResolution) {
    if (width == m_width && height == m_height && horizontalResolution == m_horizontalResolution &&
        verticalResolution == m_verticalResolution)
        return;
    m_width = width;
    m_height = height;
    m_horizontalResolution = horizontalResolution;
    m_verticalResolution = verticalResolution;
    refresh();
}

void CInfoControlBar::setUnit(int unit) {
    m_unit = unit;
    refresh();
}

void CInfoControlBar::toggleDetails() {
    m_detailsShown = !m_detailsShown;
    m_position->setVisible(m_detailsShown);
}

QString CInfoControlBar::imageSizeText() const {
    return m_size->text();
}

QString CInfoControlBar::positionText() const {
    return QString(m_position->text()).replace(kKeepTogether, QLatin1Char(' '));
}

void CInfoControlBar::refresh() {
    // Each field's words are held together; the pane wraps between fields.
    const auto field = [](QString text) { return text.replace(QLatin1Char(' '), kKeepTogether); };
    QString position;
    if (m_hasPoint) {
        position =
            field(QStringLiteral("X: ") + infoLengthText(m_x, m_horizontalResolution, m_unit)) +
            QStringLiteral("   ") +
            field(QStringLiteral("Y: ") + infoLengthText(m_y, m_verticalResolution, m_unit));
        if (m_hasDrag) {
            position += QStringLiteral("   ") +
                        field(infoSizeText(m_dragWidth, m_dragHeight, m_horizontalResolution,
                                           m_verticalResolution, m_unit));
        }
    }
    m_position->setText(position);
    m_size->setText(
        infoSizeText(m_width, m_height, m_horizontalResolution, m_verticalResolution, m_unit));
}

}  // namespace tessary
