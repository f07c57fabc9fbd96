#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

class QPainter;
class QRect;

namespace tessary {

// The tool palette's pictures, drawn by code (vector strokes, so they stay
// sharp at any screen scale).

// Logical size of every tool button image, up and down alike.
inline constexpr QSize kToolImageSize{26, 24};

// The image named "<TOOL>U" (raised) or "<TOOL>D" (pressed), TOOL being a
// tool's bitmap name ("BRUSHU", "TEXTD"), at `devicePixelRatio` device
// pixels per logical pixel. A null pixmap for any other name.
QPixmap paletteBitmap(const QString& name, qreal devicePixelRatio);

// The options button: a raised (or, while its dialog is open, pressed)
// button showing a row of small slider knobs; greyed when disabled.
void paintOptionsButton(QPainter& painter, const QRect& rect, bool pressed, bool enabled);

// One half of the anti-alias toggle: the "on" half shows a smooth slanted
// edge, the "off" half a stair-stepped one. The half that matches the
// anti-alias setting is drawn pressed; a disabled toggle is flat and grey.
void paintAntiAliasHalf(QPainter& painter, const QRect& rect, bool onHalf, bool selected,
                        bool enabled);

}  // namespace tessary
