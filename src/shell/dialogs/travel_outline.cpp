#include "shell/dialogs/travel_outline.h"

#include <QPainter>
#include <QThread>

namespace tessary {

namespace {

constexpr QRgb kOutlineGrey = 0x7F7F7F;

}  // namespace

TravelOutline::TravelOutline(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    hide();
}

TravelOutline::~TravelOutline() = default;

void TravelOutline::travel(const std::array<QRect, kPositions>& path) {
    m_lastPath = path;
    if (parentWidget() != nullptr) setGeometry(parentWidget()->rect());
    show();
    raise();
    for (const QRect& position : path) {
        m_position = position;
        repaint();
        QThread::msleep(kHoldMs);
    }
    m_position = QRect();
    hide();
}

void TravelOutline::paintEvent(QPaintEvent*) {
    if (m_position.isEmpty()) return;
    QPainter painter(this);
    // Exclusive-or with what the dialog shows beneath; the raster engine of
    // the widget backing store supports it.
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(QPen(QColor::fromRgb(kOutlineGrey), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(m_position.adjusted(0, 0, -1, -1));
}

}  // namespace tessary
