#include "shell/app/document_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace tessary {

namespace {

// One size of the icon. Coordinates are in a 48-unit square scaled to `size`.
QPixmap drawDocumentIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.scale(size / 48.0, size / 48.0);

    // The sheet, its top-right corner cut off for the fold.
    QPainterPath sheet;
    sheet.moveTo(8, 3);
    sheet.lineTo(31, 3);
    sheet.lineTo(41, 13);
    sheet.lineTo(41, 45);
    sheet.lineTo(8, 45);
    sheet.closeSubpath();
    painter.setPen(QPen(QColor(0x44, 0x4b, 0x55), 2.0));
    painter.setBrush(Qt::white);
    painter.drawPath(sheet);

    // The picture on the sheet: sky, sun, hill.
    const QRectF picture(12, 17, 25, 23);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x8e, 0xc5, 0xf0));
    painter.drawRect(picture);
    painter.setBrush(QColor(0xf5, 0xb8, 0x2e));
    painter.drawEllipse(QPointF(30, 23), 3.5, 3.5);
    QPainterPath hill;
    hill.moveTo(12, 40);
    hill.lineTo(12, 33);
    hill.quadTo(21, 24, 37, 34);
    hill.lineTo(37, 40);
    hill.closeSubpath();
    painter.setBrush(QColor(0x4c, 0x9a, 0x3f));
    painter.drawPath(hill);

    // The fold.
    QPainterPath fold;
    fold.moveTo(31, 3);
    fold.lineTo(31, 13);
    fold.lineTo(41, 13);
    fold.closeSubpath();
    painter.setPen(QPen(QColor(0x44, 0x4b, 0x55), 2.0));
    painter.setBrush(QColor(0xd9, 0xde, 0xe4));
    painter.drawPath(fold);
    return pixmap;
}

}  // namespace

const QIcon& documentIcon() {
    static const QIcon icon = [] {
        QIcon built;
        for (int size : {16, 24, 32, 48}) built.addPixmap(drawDocumentIcon(size));
        return built;
    }();
    return icon;
}

}  // namespace tessary
