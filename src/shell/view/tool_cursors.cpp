#include "shell/view/tool_cursors.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <algorithm>
#include <cmath>

namespace tessary {
namespace {

// Every stroke is drawn twice: a wide white rim, then the black line on it.
constexpr qreal kRimWidth = 3.0;
constexpr qreal kLineWidth = 1.2;

enum class Style {
    Line,    // black line on a white rim
    Solid,   // black shape on a white rim
    Hollow,  // white shape with a black outline
};

class CursorPainter {
public:
    explicit CursorPainter(QPainter& painter) : m_painter(painter) {}

    void draw(const QPainterPath& path, Style style) {
        const QPen rim(Qt::white, kRimWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        const QPen line(Qt::black, kLineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        m_painter.strokePath(path, rim);
        if (style == Style::Solid) m_painter.fillPath(path, Qt::black);
        if (style == Style::Hollow) m_painter.fillPath(path, Qt::white);
        m_painter.strokePath(path, line);
    }
    void line(QPointF from, QPointF to) {
        QPainterPath path(from);
        path.lineTo(to);
        draw(path, Style::Line);
    }
    void polygon(std::initializer_list<QPointF> points, Style style) {
        QPainterPath path;
        path.addPolygon(QPolygonF(QList<QPointF>(points)));
        path.closeSubpath();
        draw(path, style);
    }
    void rect(QRectF r, Style style, qreal radius = 0.0) {
        QPainterPath path;
        path.addRoundedRect(r, radius, radius);
        draw(path, style);
    }
    void ellipse(QPointF centre, qreal rx, qreal ry, Style style) {
        QPainterPath path;
        path.addEllipse(centre, rx, ry);
        draw(path, style);
    }
    QPainter& painter() { return m_painter; }

private:
    QPainter& m_painter;
};

// A path from rounded rectangles united into one outline.
QPainterPath unitedRects(std::initializer_list<QRectF> rects, qreal radius) {
    QPainterPath result;
    for (const QRectF& r : rects) {
        QPainterPath part;
        part.addRoundedRect(r, radius, radius);
        result = result.united(part);
    }
    return result;
}

void drawArrow(CursorPainter& p, qreal scale) {
    const auto at = [scale](qreal x, qreal y) { return QPointF(1 + x * scale, 1 + y * scale); };
    p.polygon({at(0, 0), at(0, 21), at(5, 16), at(9, 25), at(12, 24), at(8, 15), at(15, 15)},
              Style::Solid);
}

void drawMagnifier(CursorPainter& p) {
    p.line({18.5, 18.5}, {27.5, 27.5});
    QPainterPath handle(QPointF(19, 19));
    handle.lineTo(27, 27);
    p.painter().strokePath(handle, QPen(Qt::black, 3.5, Qt::SolidLine, Qt::RoundCap));
    p.ellipse({12, 12}, 8, 8, Style::Hollow);
}

void drawCropMarks(CursorPainter& p) {
    QPainterPath marks(QPointF(8.5, 2));
    marks.lineTo(8.5, 23.5);
    marks.lineTo(30, 23.5);
    marks.moveTo(2, 8.5);
    marks.lineTo(23.5, 8.5);
    marks.lineTo(23.5, 30);
    p.draw(marks, Style::Line);
}

// Draws along the x axis of a diagonal tool whose tip is at `tip`, pointing
// to the bottom left.
void alongDiagonal(QPainter& painter, QPointF tip) {
    painter.translate(tip);
    painter.rotate(-45);
}

QPoint drawShape(CursorPainter& p, int number) {
    QPainter& painter = p.painter();
    switch (number) {
        case 0:  // arrow
            drawArrow(p, 1.0);
            return {1, 1};
        case 1: {  // move: arrow with a four-way cross
            drawArrow(p, 0.8);
            const QPointF c(23, 23);
            p.line(c + QPointF(-7, 0), c + QPointF(7, 0));
            p.line(c + QPointF(0, -7), c + QPointF(0, 7));
            for (const QPointF d : {QPointF(1, 0), QPointF(-1, 0), QPointF(0, 1), QPointF(0, -1)}) {
                const QPointF tipPoint = c + d * 8;
                const QPointF side(d.y() * 2.5, d.x() * 2.5);
                p.polygon({tipPoint, tipPoint - d * 3 + side, tipPoint - d * 3 - side},
                          Style::Solid);
            }
            return {1, 1};
        }
        case 2:  // crosshair
            p.line({15.5, 3}, {15.5, 12});
            p.line({15.5, 19}, {15.5, 28});
            p.line({3, 15.5}, {12, 15.5});
            p.line({19, 15.5}, {28, 15.5});
            return {15, 15};
        case 3: {  // I-beam
            QPainterPath beam(QPointF(12, 5.5));
            beam.quadTo(15.5, 5.5, 15.5, 8);
            beam.quadTo(15.5, 5.5, 19, 5.5);
            beam.moveTo(15.5, 8);
            beam.lineTo(15.5, 24);
            beam.moveTo(12, 26.5);
            beam.quadTo(15.5, 26.5, 15.5, 24);
            beam.quadTo(15.5, 26.5, 19, 26.5);
            beam.moveTo(13, 15.5);
            beam.lineTo(18, 15.5);
            p.draw(beam, Style::Line);
            return {15, 16};
        }
        case 4: {  // open hand
            QPainterPath hand = unitedRects(
                {QRectF(8.5, 7, 3.4, 13), QRectF(12.3, 4, 3.4, 15), QRectF(16.1, 5, 3.4, 14),
                 QRectF(19.9, 8, 3.4, 12), QRectF(8.5, 14, 14.8, 13)},
                1.7);
            QPainterPath thumb;
            thumb.addRoundedRect(QRectF(-1.7, -7, 3.4, 9), 1.7, 1.7);
            hand = hand.united(QTransform().translate(8.5, 21).rotate(-40).map(thumb));
            p.draw(hand, Style::Hollow);
            return {16, 16};
        }
        case 5: {  // grabbing hand
            const QPainterPath fist = unitedRects(
                {QRectF(9, 10, 3.6, 7), QRectF(12.6, 9, 3.6, 8), QRectF(16.2, 9, 3.6, 8),
                 QRectF(19.8, 10, 3.6, 7), QRectF(8, 13, 16, 13)},
                1.8);
            p.draw(fist, Style::Hollow);
            p.line({12.6, 13}, {12.6, 16});
            p.line({16.2, 13}, {16.2, 16});
            p.line({19.8, 13}, {19.8, 16});
            return {16, 16};
        }
        case 6:  // magnifier with plus
        case 7:  // magnifier with minus
        case 8:  // plain magnifier
            drawMagnifier(p);
            if (number != 8) p.line({8, 12}, {16, 12});
            if (number == 6) p.line({12, 8}, {12, 16});
            return {12, 12};
        case 9: {  // crop marks around a selection
            drawCropMarks(p);
            painter.setPen(QPen(Qt::white, kRimWidth));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRectF(12.5, 12.5, 7, 7));
            QPen dashed(Qt::black, 1.0, Qt::DashLine);
            dashed.setDashPattern({2.0, 2.0});
            painter.setPen(dashed);
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRectF(12.5, 12.5, 7, 7));
            return {15, 15};
        }
        case 10:  // eyedropper
            alongDiagonal(painter, {2.5, 29.5});
            p.line({0, 0}, {4, 0});
            p.rect({4, -2, 15, 4}, Style::Hollow, 1);
            p.rect({19, -3.5, 3, 7}, Style::Solid);
            p.ellipse({27, 0}, 5, 4.2, Style::Solid);
            return {2, 29};
        case 11:  // crop marks
            drawCropMarks(p);
            return {8, 8};
        case 12: {  // lasso
            QPainterPath lasso;
            lasso.addEllipse(QPointF(18, 11), 11, 7);
            lasso.moveTo(11, 16.5);
            lasso.cubicTo(6, 20, 10, 24, 7, 26);
            lasso.cubicTo(5, 27.5, 4, 28, 3.5, 29.5);
            p.draw(lasso, Style::Line);
            return {3, 29};
        }
        case 13: {  // magic wand
            painter.save();
            alongDiagonal(painter, {3, 29});
            p.rect({0, -1.8, 21, 3.6}, Style::Hollow, 1);
            p.rect({0, -1.8, 6, 3.6}, Style::Solid, 1);
            painter.restore();
            const QPointF star(24.5, 7.5);
            p.line(star + QPointF(0, -6), star + QPointF(0, 6));
            p.line(star + QPointF(-6, 0), star + QPointF(6, 0));
            p.line(star + QPointF(-3.5, -3.5), star + QPointF(3.5, 3.5));
            p.line(star + QPointF(-3.5, 3.5), star + QPointF(3.5, -3.5));
            return {24, 7};
        }
        case 14:  // pencil
            alongDiagonal(painter, {2, 30});
            p.polygon({{0, 0}, {7, -3.2}, {7, 3.2}}, Style::Hollow);
            p.polygon({{0, 0}, {2.6, -1.2}, {2.6, 1.2}}, Style::Solid);
            p.rect({7, -3.2, 20, 6.4}, Style::Hollow);
            p.rect({27, -3.2, 5, 6.4}, Style::Solid, 1.2);
            return {2, 29};
        case 15: {  // brush
            alongDiagonal(painter, {2.5, 29.5});
            QPainterPath bristles(QPointF(0, 0));
            bristles.cubicTo(3, -1, 5, -3.8, 9, -3.4);
            bristles.lineTo(9, 3.4);
            bristles.cubicTo(5, 3.8, 3, 1, 0, 0);
            p.draw(bristles, Style::Solid);
            p.rect({9, -3, 5, 6}, Style::Hollow);
            p.polygon({{14, -2.4}, {31, -1.4}, {31, 1.4}, {14, 2.4}}, Style::Hollow);
            return {2, 29};
        }
        case 16:  // clone stamp
            p.rect({13.5, 9, 5, 7}, Style::Hollow);
            p.ellipse({16, 6.5}, 4.5, 4, Style::Hollow);
            p.polygon({{8, 16}, {24, 16}, {26.5, 22}, {5.5, 22}}, Style::Hollow);
            p.rect({5, 22, 22, 4}, Style::Solid);
            return {16, 26};
        case 17:  // clone source target
            p.ellipse({15.5, 15.5}, 8, 8, Style::Line);
            p.line({15.5, 3}, {15.5, 28});
            p.line({3, 15.5}, {28, 15.5});
            return {15, 15};
        case 18:  // paint bucket
            painter.save();
            painter.translate(17, 14);
            painter.rotate(-35);
            p.polygon({{-7, -8}, {7, -8}, {6, 9}, {-6, 9}}, Style::Hollow);
            p.ellipse({0, -8}, 7, 2.2, Style::Solid);
            {
                QPainterPath bail(QPointF(-7, -8));
                bail.cubicTo(-7, -17, 7, -17, 7, -8);
                p.draw(bail, Style::Line);
            }
            painter.restore();
            {
                QPainterPath drop(QPointF(6, 17));
                drop.cubicTo(3, 21, 2, 25, 3.5, 28);
                drop.cubicTo(5, 30, 7.5, 28, 7, 25);
                drop.cubicTo(6.8, 22, 6.5, 20, 6, 17);
                p.draw(drop, Style::Solid);
            }
            return {4, 29};
        case 19:  // eraser
            alongDiagonal(painter, {6, 26});
            p.rect({0, -5.5, 22, 11}, Style::Hollow, 1);
            p.rect({0, -5.5, 7, 11}, Style::Solid, 1);
            return {6, 26};
        default:  // a ring with a centre dot
            p.ellipse({15.5, 15.5}, 6, 6, Style::Line);
            p.ellipse({15.5, 15.5}, 1.2, 1.2, Style::Solid);
            return {15, 15};
    }
}

}  // namespace

CToolCursors::Artwork CToolCursors::draw(int resource, qreal devicePixelRatio) {
    const qreal ratio = std::max<qreal>(1.0, devicePixelRatio);
    const int side = static_cast<int>(std::ceil(kGrid * ratio));
    Artwork art;
    art.image = QImage(side, side, QImage::Format_ARGB32_Premultiplied);
    art.image.fill(Qt::transparent);
    QPainter painter(&art.image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(ratio, ratio);
    CursorPainter cursorPainter(painter);
    const int number =
        resource >= kFirstResource && resource <= kLastResource ? resource - kFirstResource : -1;
    art.hotSpot = drawShape(cursorPainter, number);
    painter.end();
    art.image.setDevicePixelRatio(ratio);
    return art;
}

QCursor CToolCursors::cursor(int resource, qreal devicePixelRatio) {
    const qreal ratio = std::max<qreal>(1.0, devicePixelRatio);
    const QPair<int, int> key(resource, static_cast<int>(std::lround(ratio * 100)));
    const auto found = m_cache.constFind(key);
    if (found != m_cache.constEnd()) return *found;
    const Artwork art = draw(resource, ratio);
    // QCursor takes the hot spot in device-independent pixels.
    const QCursor made(QPixmap::fromImage(art.image), art.hotSpot.x(), art.hotSpot.y());
    m_cache.insert(key, made);
    return made;
}

}  // namespace tessary
