#pragma once

#include <QRect>
#include <QWidget>
#include <cstdint>
#include <functional>

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

// The foreground and background colour swatches of the tool palette. Which
// square is active is the globals' background-active flag, so the dropper
// picks into the active colour. A click on the inactive square makes it
// active; a click on the active one asks the colour chooser, starting from
// that square's colour, and a confirmed choice becomes that colour in the
// application globals (a cancel keeps it). The swatch repaints at once.
class CColorSwatch : public QWidget {
    Q_OBJECT
public:
    // Shows the colour dialog starting at `initial`; true with `chosen` set
    // when the user confirms. Colours are 0x00BBGGRR values.
    using ColourChooser =
        std::function<bool(QWidget* parent, std::uint32_t initial, std::uint32_t& chosen)>;

    explicit CColorSwatch(ZERozevuv& globals, QWidget* parent = nullptr);
    ~CColorSwatch() override;

    // False: the foreground square is active; true: the background one.
    bool backgroundActive() const;
    // Replaces the system colour dialog (tests stub it).
    void setColourChooser(ColourChooser chooser) { m_chooser = std::move(chooser); }

    QSize sizeHint() const override { return {44, 44}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    ZERozevuv& m_globals;
    ColourChooser m_chooser;
};

}  // namespace tessary
