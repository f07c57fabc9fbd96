#include "shell/dialogs/variation_cntl.h"

#include <QMouseEvent>
#include <QPainter>

namespace tessary {

CVariationCntl::CVariationCntl(int id, QSize clientSize, QWidget* parent)
    : QWidget(parent), m_id(id), m_picture(clientSize, QImage::Format_RGB32) {
    m_picture.fill(Qt::white);
    setFixedSize(clientSize.width() + 2 * kFrame, clientSize.height() + 2 * kFrame);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CVariationCntl::~CVariationCntl() = default;

QSize CVariationCntl::sizeHint() const {
    return QSize(m_picture.width() + 2 * kFrame, m_picture.height() + 2 * kFrame);
}

void CVariationCntl::showPicture(const QImage& picture) {
    m_picture = picture.convertToFormat(QImage::Format_RGB32);
    setEnabled(true);
    repaint();
}

void CVariationCntl::showBlank() {
    m_picture.fill(Qt::white);
    setPressed(false);
    m_tracking = false;
    setEnabled(false);
    repaint();
}

void CVariationCntl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(kFrame, kFrame, m_picture);
    painter.setPen(isEnabled() ? Qt::black : Qt::gray);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    if (m_pressed) {
        // Pressed: the picture is seen through a dark inner frame.
        painter.setPen(QPen(Qt::black, 2));
        painter.drawRect(rect().adjusted(2, 2, -2, -2));
    }
}

void CVariationCntl::setPressed(bool pressed) {
    if (pressed == m_pressed) return;
    m_pressed = pressed;
    update();
}

void CVariationCntl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_tracking = true;
    m_lastPosition = event->position().toPoint();
    setPressed(true);
}

void CVariationCntl::mouseMoveEvent(QMouseEvent* event) {
    if (!m_tracking) return;
    const QPoint position = event->position().toPoint();
    setPressed(rect().contains(position));
    const QPoint move = position - m_lastPosition;
    m_lastPosition = position;
    if (!move.isNull()) emit dragged(m_id, move.x(), move.y());
}

void CVariationCntl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !m_tracking) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_tracking = false;
    const bool inside = rect().contains(event->position().toPoint());
    setPressed(false);
    emit released(m_id);
    if (inside) emit clicked(m_id);
}

}  // namespace tessary
