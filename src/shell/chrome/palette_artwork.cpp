#include "shell/chrome/palette_artwork.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include "shell/chrome/tool_palette_rules.h"

namespace tessary {
namespace {

// Colours of the pictures. Fixed rather than taken from the widget style:
// the pictures are the palette's own bitmaps.
const QColor kInk(28, 28, 32);
const QColor kFace(236, 236, 234);
const QColor kPressedFace(206, 208, 212);
const QColor kHighlight(255, 255, 255);
const QColor kShadow(132, 132, 136);
const QColor kFrame(70, 70, 74);
const QColor kDisabledInk(160, 160, 164);

QPen inkPen(qreal width, const QColor& colour = kInk) {
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A button face with a one-pixel frame and a raised (or sunken) bevel,
// drawn on whole logical pixels.
void paintBevel(QPainter& p, const QRect& r, bool pressed, bool flat = false) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(r, pressed ? kPressedFace : kFace);
    p.setPen(kFrame);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    if (!flat) {
        const QRect in = r.adjusted(1, 1, -2, -2);
        p.setPen(pressed ? kShadow : kHighlight);
        p.drawLine(in.topLeft(), in.topRight());
        p.drawLine(in.topLeft(), in.bottomLeft());
        p.setPen(pressed ? kPressedFace : kShadow);
        p.drawLine(in.bottomLeft(), in.bottomRight());
        p.drawLine(in.topRight(), in.bottomRight());
    }
    p.restore();
}

// --- Tool glyphs, each in a 20 x 20 box --------------------------------------

void drawArrow(QPainter& p) {
    const QPolygonF arrow(
        {{5.5, 2}, {5.5, 16}, {8.8, 12.8}, {11.2, 18}, {13.4, 17}, {11, 11.8}, {15.5, 11.8}});
    p.setPen(inkPen(1.0, kHighlight));
    p.setBrush(kInk);
    p.drawPolygon(arrow);
}

void drawEyedropper(QPainter& p) {
    p.setPen(inkPen(3.6));
    p.drawLine(QPointF(11.5, 8.5), QPointF(4.2, 15.8));
    p.setPen(inkPen(1.5, kHighlight));
    p.drawLine(QPointF(10.8, 9.2), QPointF(4.8, 15.2));
    p.setPen(inkPen(4.6));
    p.drawLine(QPointF(13.2, 6.8), QPointF(16.5, 3.5));
    p.setPen(inkPen(1.8));
    p.drawLine(QPointF(9.8, 5.8), QPointF(14.2, 10.2));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 110, 210));
    p.drawEllipse(QPointF(3.2, 17.0), 1.4, 1.4);
}

void drawHand(QPainter& p) {
    QPainterPath hand;
    hand.setFillRule(Qt::WindingFill);
    hand.addRoundedRect(QRectF(5, 8.5, 11, 9.5), 3.5, 3.5);
    hand.addRoundedRect(QRectF(5.2, 3.6, 2.6, 9), 1.3, 1.3);
    hand.addRoundedRect(QRectF(8.1, 2.0, 2.6, 10), 1.3, 1.3);
    hand.addRoundedRect(QRectF(11.0, 2.8, 2.6, 9), 1.3, 1.3);
    hand.addRoundedRect(QRectF(13.8, 5.0, 2.4, 8), 1.2, 1.2);
    QPainterPath thumb;
    thumb.addRoundedRect(QRectF(-1.3, -4.5, 2.6, 7.5), 1.3, 1.3);
    QTransform turn;
    turn.translate(4.8, 12.5);
    turn.rotate(-40);
    hand = hand.united(turn.map(thumb)).simplified();
    p.setPen(inkPen(1.1));
    p.setBrush(kHighlight);
    p.drawPath(hand);
    // Gaps between the fingers.
    p.setPen(inkPen(0.9));
    p.drawLine(QPointF(7.95, 8.5), QPointF(7.95, 10.5));
    p.drawLine(QPointF(10.85, 8.5), QPointF(10.85, 10.5));
    p.drawLine(QPointF(13.7, 8.5), QPointF(13.7, 10.5));
}

void drawMagnifier(QPainter& p) {
    p.setPen(inkPen(3.2));
    p.drawLine(QPointF(12.2, 12.2), QPointF(17, 17));
    p.setPen(inkPen(1.8));
    p.setBrush(QColor(214, 232, 250));
    p.drawEllipse(QPointF(8.2, 8.2), 5.4, 5.4);
    p.setPen(inkPen(1.0, kHighlight));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(5.2, 5.2, 6, 6), 100 * 16, 70 * 16);
}

void drawRectangleSelection(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, false);
    const QRect box(3, 4, 14, 12);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kHighlight, 1));
    p.drawRect(box);
    QPen ants(kInk, 1, Qt::CustomDashLine, Qt::FlatCap);
    ants.setDashPattern({2, 2});
    p.setPen(ants);
    p.drawRect(box);
}

void drawCrop(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    // Two right angles crossing: one opening up and right, one down and left.
    p.drawRect(QRect(5, 1, 2, 14));
    p.drawRect(QRect(5, 13, 14, 2));
    p.drawRect(QRect(1, 5, 14, 2));
    p.drawRect(QRect(13, 5, 2, 14));
}

void drawLasso(QPainter& p) {
    p.setPen(inkPen(1.6));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(11, 7), 7, 4.6);
    QPainterPath rope;
    rope.moveTo(6.5, 10.6);
    rope.cubicTo(3.5, 12.5, 7.5, 14.5, 4.2, 18);
    p.drawPath(rope);
    p.setBrush(kInk);
    p.drawEllipse(QPointF(6.4, 11.0), 1.2, 1.2);
}

void drawMagicWand(QPainter& p) {
    p.setPen(inkPen(3.0));
    p.drawLine(QPointF(3.5, 16.5), QPointF(11.5, 8.5));
    p.setPen(inkPen(1.4, kHighlight));
    p.drawLine(QPointF(9.6, 10.4), QPointF(11.2, 8.8));
    // The sparkle.
    p.setPen(inkPen(1.3, QColor(200, 140, 0)));
    p.drawLine(QPointF(15, 1.8), QPointF(15, 8.2));
    p.drawLine(QPointF(11.8, 5), QPointF(18.2, 5));
    p.setPen(inkPen(1.0, QColor(200, 140, 0)));
    p.drawLine(QPointF(13, 3), QPointF(17, 7));
    p.drawLine(QPointF(13, 7), QPointF(17, 3));
}

// Draws with the x axis along the tool's body, from the working end at
// negative x to the held end at positive x, turned to point down-left.
void turnAlongDiagonal(QPainter& p) {
    p.translate(10, 10);
    p.rotate(-45);
}

void drawPencil(QPainter& p) {
    turnAlongDiagonal(p);
    p.setPen(inkPen(1.0));
    p.setBrush(QColor(245, 196, 48));
    p.drawRect(QRectF(-4.5, -2.4, 10, 4.8));
    p.setBrush(QColor(232, 132, 150));
    p.drawRect(QRectF(7.3, -2.4, 2.8, 4.8));
    p.setBrush(QColor(190, 190, 196));
    p.drawRect(QRectF(5.5, -2.4, 1.8, 4.8));
    p.setBrush(QColor(238, 206, 160));
    p.drawPolygon(QPolygonF({{-4.5, -2.4}, {-10.5, 0}, {-4.5, 2.4}}));
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawPolygon(QPolygonF({{-8.2, -0.95}, {-10.8, 0}, {-8.2, 0.95}}));
}

void drawEraser(QPainter& p) {
    p.translate(10, 11);
    p.rotate(-35);
    p.setPen(inkPen(1.0));
    p.setBrush(QColor(238, 150, 160));
    p.drawRect(QRectF(-8, -3.6, 6, 7.2));
    p.setBrush(QColor(200, 220, 245));
    p.drawRect(QRectF(-2, -3.6, 10, 7.2));
}

void drawBrush(QPainter& p) {
    turnAlongDiagonal(p);
    p.setPen(inkPen(1.0));
    p.setBrush(QColor(168, 104, 48));
    p.drawRoundedRect(QRectF(1, -1.5, 10, 3), 1.5, 1.5);
    p.setBrush(QColor(190, 190, 198));
    p.drawRect(QRectF(-2.5, -2.2, 3.5, 4.4));
    QPainterPath tuft;
    tuft.moveTo(-2.5, -2.4);
    tuft.cubicTo(-6, -2.8, -8, -1.5, -11, 0);
    tuft.cubicTo(-8, 1.5, -6, 2.8, -2.5, 2.4);
    tuft.closeSubpath();
    p.setBrush(QColor(36, 84, 190));
    p.drawPath(tuft);
}

void drawClone(QPainter& p) {
    p.setPen(inkPen(1.0));
    p.setBrush(QColor(168, 104, 48));
    p.drawEllipse(QPointF(10, 4.2), 2.8, 2.8);
    p.drawRect(QRectF(8.6, 6.6, 2.8, 4.6));
    p.setBrush(QColor(120, 120, 128));
    p.drawRoundedRect(QRectF(3.5, 11, 13, 3.4), 1, 1);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 40, 40));
    p.drawRect(QRectF(4, 14.8, 12, 1.6));
    p.setBrush(QColor(200, 40, 40, 140));
    p.drawRect(QRectF(4, 17.6, 12, 1.2));
}

void drawLine(QPainter& p) {
    p.setPen(QPen(kInk, 2.0, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(3.5, 16.5), QPointF(16.5, 3.5));
}

void drawFillCan(QPainter& p) {
    // The spilled paint, under the can's lip.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(36, 84, 190));
    QPainterPath spill;
    spill.moveTo(13.5, 7.5);
    spill.cubicTo(17.5, 8.5, 17.8, 12, 17, 16.2);
    spill.cubicTo(16.6, 17.6, 15, 17.6, 14.8, 16.2);
    spill.cubicTo(14.6, 13, 14.5, 10.5, 13.5, 7.5);
    p.drawPath(spill);
    p.translate(9, 10.5);
    p.rotate(-35);
    p.setPen(inkPen(1.1));
    p.setBrush(kHighlight);
    p.drawPolygon(QPolygonF({{-5.5, -3.5}, {5.5, -3.5}, {4.5, 6}, {-4.5, 6}}));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(-5, -9, 10, 11), 0, 180 * 16);
    p.setBrush(QColor(36, 84, 190));
    p.drawEllipse(QRectF(-5.5, -4.7, 11, 2.4));
}

void drawGradient(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, false);
    QLinearGradient ramp(QPointF(3, 0), QPointF(17, 0));
    ramp.setColorAt(0, kInk);
    ramp.setColorAt(1, Qt::white);
    p.setPen(QPen(kInk, 1));
    p.setBrush(ramp);
    p.drawRect(QRect(2, 4, 16, 12));
}

void drawText(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawRect(QRect(4, 3, 12, 2));  // bar
    p.drawRect(QRect(4, 3, 1, 4));   // left serif
    p.drawRect(QRect(15, 3, 1, 4));  // right serif
    p.drawRect(QRect(9, 3, 2, 13));  // stem
    p.drawRect(QRect(7, 15, 6, 2));  // foot
}

using GlyphPainter = void (*)(QPainter&);
constexpr GlyphPainter kGlyphs[palette::kToolCount] = {
    drawArrow, drawEyedropper, drawHand,      drawMagnifier, drawRectangleSelection,
    drawCrop,  drawLasso,      drawMagicWand, drawPencil,    drawEraser,
    drawBrush, drawClone,      drawLine,      drawFillCan,   drawGradient,
    drawText,
};

QPixmap toolButtonImage(int tool, bool down, qreal ratio) {
    QPixmap pixmap(kToolImageSize * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    paintBevel(p, QRect(QPoint(0, 0), kToolImageSize), down);
    p.setRenderHint(QPainter::Antialiasing, true);
    // A 20 x 20 glyph box in the middle, nudged down-right when pressed.
    const int shift = down ? 1 : 0;
    p.translate((kToolImageSize.width() - 20) / 2 + shift,
                (kToolImageSize.height() - 20) / 2 + shift);
    p.setClipRect(QRect(-2, -2, 24, 24));
    kGlyphs[tool - 1](p);
    return pixmap;
}

}  // namespace

QPixmap paletteBitmap(const QString& name, qreal devicePixelRatio) {
    if (name.size() < 2) return {};
    const QChar state = name.back();
    if (state != u'U' && state != u'D') return {};
    const QString tool = name.chopped(1);
    for (int n = 1; n <= palette::kToolCount; ++n) {
        if (tool == QLatin1String(palette::toolBitmapName(n)))
            return toolButtonImage(n, state == u'D', devicePixelRatio);
    }
    return {};
}

void paintOptionsButton(QPainter& p, const QRect& rect, bool pressed, bool enabled) {
    p.save();
    paintBevel(p, rect, pressed, !enabled);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QColor ink = enabled ? kInk : kDisabledInk;
    // Three short slider tracks with their knobs at different places.
    const QPointF centre = QRectF(rect).center() + (pressed ? QPointF(1, 1) : QPointF(0, 0));
    const qreal knobs[3] = {-4, 3, -1};
    for (int i = 0; i < 3; ++i) {
        const qreal x = centre.x() - 10 + i * 7.5;
        p.setPen(inkPen(1.0, ink));
        p.drawLine(QPointF(x + 2.5, centre.y() - 5.5), QPointF(x + 2.5, centre.y() + 5.5));
        p.setBrush(enabled ? kHighlight : kFace);
        p.drawRect(QRectF(x, centre.y() + knobs[i] - 1.5, 5, 3));
    }
    p.restore();
}

void paintAntiAliasHalf(QPainter& p, const QRect& rect, bool onHalf, bool selected, bool enabled) {
    p.save();
    const bool pressed = enabled && selected;
    paintBevel(p, rect, pressed, !enabled);
    const QColor ink = enabled ? kInk : kDisabledInk;
    const int shift = pressed ? 1 : 0;
    const QRectF box = QRectF(rect).adjusted(5 + shift, 4 + shift, -5 + shift, -4 + shift);
    if (onHalf) {
        // A smooth slanted edge with a soft fringe.
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(ink, 2.0, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(box.bottomLeft(), box.topRight());
    } else {
        // The same edge as hard two-pixel stairs.
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(Qt::NoPen);
        p.setBrush(ink);
        const int steps = qMax(1, static_cast<int>(box.height()) / 2);
        const qreal stepWidth = box.width() / steps;
        for (int i = 0; i < steps; ++i) {
            p.drawRect(
                QRectF(box.left() + i * stepWidth, box.bottom() - 2 * (i + 1), stepWidth, 2));
        }
    }
    p.restore();
}

}  // namespace tessary
