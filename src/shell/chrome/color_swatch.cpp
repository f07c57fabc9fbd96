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

namespace {

bool chooseWithColourDialog(QWidget* parent, std::uint32_t initial, std::uint32_t& chosen) {
    const QColor colour = QColorDialog::getColor(colorFromValue(initial), parent);
    if (!colour.isValid()) return false;
    chosen = valueFromColor(colour);
    return true;
}

// A square with a one-pixel frame; the active one is raised by a light
// top-left and a dark bottom-right edge inside its frame.
void paintSquare(QPainter& painter, const QRect& square, std::uint32_t colour, bool active) {
    painter.fillRect(square, colorFromValue(colour));
    painter.setPen(QColor(40, 40, 40));
    painter.drawRect(square.adjusted(0, 0, -1, -1));
    if (!active) return;
    const QRect in = square.adjusted(1, 1, -2, -2);
    painter.setPen(Qt::white);
    painter.drawLine(in.topLeft(), in.topRight());
    painter.drawLine(in.topLeft(), in.bottomLeft());
    painter.setPen(QColor(96, 96, 96));
    painter.drawLine(in.bottomLeft(), in.bottomRight());
    painter.drawLine(in.topRight(), in.bottomRight());
}

}  // namespace

CColorSwatch::CColorSwatch(ZERozevuv& globals, QWidget* parent)
    : QWidget(parent), m_globals(globals), m_chooser(chooseWithColourDialog) {
    setMinimumSize(24, 24);
}

CColorSwatch::~CColorSwatch() = default;

bool CColorSwatch::backgroundActive() const {
    return m_globals.toolGlobals().backgroundActive;
}

void CColorSwatch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const SwatchSquares squares = swatchSquares(width(), height());
    const bool background = backgroundActive();
    paintSquare(painter, squares.background, m_globals.background(), background);
    paintSquare(painter, squares.foreground, m_globals.foreground(), !background);
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
    ToolGlobals& tools = m_globals.toolGlobals();
    if (background != tools.backgroundActive) {
        tools.backgroundActive = background;
    } else {
        const std::uint32_t current = background ? m_globals.background() : m_globals.foreground();
        std::uint32_t chosen = current;
        if (m_chooser(this, current, chosen)) {
            if (background)
                m_globals.setBackground(chosen);
            else
                m_globals.setForeground(chosen);
        }
    }
    repaint();
}

}  // namespace tessary
