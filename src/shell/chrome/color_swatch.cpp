#include "shell/chrome/color_swatch.h"

#include <QColorDialog>
#include <QMouseEvent>
#include <QPainter>

#include "app/zerozevuv.h"

namespace tessary {

SwatchSquares swatchSquares(int width, int height) {
    const int w = width - 2;
    const int h = height - 2;
    const QRect background(1, 1, 3 * w / 5, 3 * h / 5);
    return {background, background.translated(2 * w / 5, 2 * h / 5)};
}

QColor colorFromValue(std::uint32_t value) {
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

std::uint32_t valueFromColor(const QColor& color) {
    return static_cast<std::uint32_t>(color.red()) |
           (static_cast<std::uint32_t>(color.green()) << 8) |
           (static_cast<std::uint32_t>(color.blue()) << 16);
}

CColorSwatch::CColorSwatch(ZERozevuv& globals, QWidget* parent)
    : QWidget(parent), m_globals(globals) {
    setMinimumSize(24, 24);
}

CColorSwatch::~CColorSwatch() = default;

void CColorSwatch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const SwatchSquares squares = swatchSquares(width(), height());
    painter.fillRect(squares.background, colorFromValue(m_globals.background()));
    painter.fillRect(squares.foreground, colorFromValue(m_globals.foreground()));
    // The active square gets a raised edge.
    const QRect active = m_backgroundActive ? squares.background : squares.foreground;
    painter.setPen(Qt::white);
    painter.drawLine(active.topLeft(), active.topRight());
    painter.drawLine(active.topLeft(), active.bottomLeft());
    painter.setPen(Qt::black);
    painter.drawLine(active.bottomLeft(), active.bottomRight());
    painter.drawLine(active.topRight(), active.bottomRight());
}

void CColorSwatch::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const SwatchSquares squares = swatchSquares(width(), height());
    const QPoint at = event->position().toPoint();
    // The foreground square lies on top where the two overlap.
    bool background = false;
    if (squares.foreground.contains(at))
        background = false;
    else if (squares.background.contains(at))
        background = true;
    else
        return;
    if (background != m_backgroundActive) {
        m_backgroundActive = background;
    } else {
        const std::uint32_t current = background ? m_globals.background() : m_globals.foreground();
        const QColor chosen = QColorDialog::getColor(colorFromValue(current), this);
        if (chosen.isValid()) {
            if (background)
                m_globals.setBackground(valueFromColor(chosen));
            else
                m_globals.setForeground(valueFromColor(chosen));
        }
    }
    repaint();
}

}  // namespace tessary
