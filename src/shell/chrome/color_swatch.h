#pragma once

#include <QRect>
#include <QWidget>
#include <cstdint>

namespace tessary {

class ZERozevuv;

// The squares of a colour swatch of `width` x `height` pixels: inside the
// window less one pixel on each side (w x h), the background square spans
// (0, 0)-(3w/5, 3h/5) and the foreground square is the same moved by
// (2w/5, 2h/5), integer arithmetic, in the swatch's coordinates.
struct SwatchSquares {
    QRect background;
    QRect foreground;
};
SwatchSquares swatchSquares(int width, int height);

// 0x00BBGGRR colour values (red in bits 0-7) and QColor.
QColor colorFromValue(std::uint32_t value);
std::uint32_t valueFromColor(const QColor& color);

// The foreground and background colour swatches of the tool palette. A click
// on the inactive square makes it active; a click on the active one opens the
// colour dialog starting from its colour, and OK makes the chosen colour that
// square's colour in the application globals.
class CColorSwatch : public QWidget {
    Q_OBJECT
public:
    explicit CColorSwatch(ZERozevuv& globals, QWidget* parent = nullptr);
    ~CColorSwatch() override;

    // False: the foreground square is active; true: the background one.
    bool backgroundActive() const { return m_backgroundActive; }

    QSize sizeHint() const override { return {44, 44}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    ZERozevuv& m_globals;
    bool m_backgroundActive = false;
};

}  // namespace tessary
