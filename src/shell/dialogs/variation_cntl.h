#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>

namespace tessary {

// One thumbnail of a variations dialog: shows a picture of its client size
// inside a one-pixel frame and behaves like a push button that tracks the
// mouse. While the left button is held the control shows itself pressed
// whenever the pointer is inside it; only a release inside counts as a click.
// Every move with the button held is also reported as a drag (used to scroll
// the preview).
//
// Coordinates: the client area is the control less its frame; its top-left
// pixel is (0, 0) of the picture and of the preview's view rectangle.
class CVariationCntl : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFrame = 1;  // frame width in pixels on every side

    // A control whose client area is `clientSize`; `id` is its control id,
    // handed back with its signals.
    CVariationCntl(int id, QSize clientSize, QWidget* parent = nullptr);
    ~CVariationCntl() override;

    int id() const { return m_id; }
    QSize clientSize() const { return m_picture.size(); }
    // The picture shown, client size, 32-bit RGB.
    const QImage& picture() const { return m_picture; }
    // Shows `picture` (client size) and repaints at once, so that a series
    // of renders is seen while it runs.
    void showPicture(const QImage& picture);
    // Shows the control blank (white) and disabled.
    void showBlank();
    // True while the button is held with the pointer inside.
    bool pressed() const { return m_pressed; }

    QSize sizeHint() const override;

signals:
    // The left button went up inside the control after going down in it.
    void clicked(int id);
    // The pointer moved by (dx, dy) pixels with the button held.
    void dragged(int id, int dx, int dy);
    // The left button went up after going down in the control (inside or
    // not).
    void released(int id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void setPressed(bool pressed);

    int m_id;
    QImage m_picture;
    bool m_tracking = false;
    bool m_pressed = false;
    QPoint m_lastPosition;
};

}  // namespace tessary
