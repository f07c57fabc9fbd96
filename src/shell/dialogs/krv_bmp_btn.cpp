#include "shell/dialogs/krv_bmp_btn.h"

#include <QPainter>

namespace tessary {
namespace {

constexpr int kBorder = 3;  // frame, bevel and one pixel of face

}  // namespace

CKrvBmpBtn::CKrvBmpBtn(const QString& name, QWidget* parent) : QAbstractButton(parent) {
    setText(name);
    setAccessibleName(name);
    setFocusPolicy(Qt::TabFocus);
}

CKrvBmpBtn::~CKrvBmpBtn() = default;

void CKrvBmpBtn::setImage(const QImage& image) {
    m_image = image;
    updateGeometry();
    update();
}

QSize CKrvBmpBtn::sizeHint() const {
    return m_image.size() + QSize(2 * kBorder + 1, 2 * kBorder + 1);
}

void CKrvBmpBtn::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& colours = palette();
    const bool sunken = isDown() || isChecked();
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    painter.fillRect(rect(), colours.color(sunken ? QPalette::Midlight : QPalette::Button));
    painter.setPen(colours.color(QPalette::Shadow));
    painter.drawRect(frame);
    const QRect bevel = frame.adjusted(1, 1, -1, -1);
    painter.setPen(colours.color(sunken ? QPalette::Dark : QPalette::Light));
    painter.drawLine(bevel.topLeft(), bevel.topRight());
    painter.drawLine(bevel.topLeft(), bevel.bottomLeft());
    painter.setPen(colours.color(sunken ? QPalette::Midlight : QPalette::Dark));
    painter.drawLine(bevel.bottomLeft(), bevel.bottomRight());
    painter.drawLine(bevel.topRight(), bevel.bottomRight());
    if (!m_image.isNull()) {
        QRect picture(QPoint(0, 0), m_image.size());
        picture.moveCenter(rect().center());
        if (sunken) picture.translate(1, 1);
        painter.drawImage(picture, m_image);
    }
    if (hasFocus()) {
        painter.setPen(QPen(colours.color(QPalette::Highlight), 1, Qt::DotLine));
        painter.drawRect(frame.adjusted(2, 2, -2, -2));
    }
}

}  // namespace tessary
