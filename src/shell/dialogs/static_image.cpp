#include "shell/dialogs/static_image.h"

#include <QMouseEvent>
#include <QPainter>

namespace tessary {

namespace {

constexpr int kMargin = 4;  // room for the highlight around the picture

}  // namespace

CStaticImage::CStaticImage(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
}

CStaticImage::~CStaticImage() = default;

void CStaticImage::setImage(const QImage& image) {
    m_image = image;
    updateGeometry();
    update();
}

void CStaticImage::setChosen(bool chosen) {
    if (m_chosen == chosen) return;
    m_chosen = chosen;
    update();
}

QSize CStaticImage::sizeHint() const {
    const int frame = 2 * frameWidth() + 2 * kMargin;
    return m_image.size() + QSize(frame, frame);
}

void CStaticImage::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect client = contentsRect();
    if (m_chosen) {
        painter.setPen(QPen(palette().color(QPalette::Highlight), 3));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(client.adjusted(1, 1, -2, -2));
    }
    QRect picture(QPoint(0, 0), m_image.size());
    picture.moveCenter(client.center());
    painter.drawImage(picture.topLeft(), m_image);
}

void CStaticImage::mousePressEvent(QMouseEvent* event) {
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void CStaticImage::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (click) emit clicked();
}

}  // namespace tessary
