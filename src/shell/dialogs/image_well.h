#pragma once

#include <QFrame>
#include <QImage>

class QPainter;

namespace tessary {

// A framed preview control. Its client area (inside the frame) shows a
// 10 x 10 checkerboard of white and dark blue stretched over it, and a
// derived well draws its preview on top in paintPreview().
class CImageWell : public QFrame {
    Q_OBJECT
public:
    static constexpr int kCheckerCells = 10;

    explicit CImageWell(QWidget* parent = nullptr);
    ~CImageWell() override;

    QSize sizeHint() const override { return {120, 120}; }

    // The checkerboard as a 10 x 10 image, one pixel per square: white at
    // the top-left corner, alternating with dark blue (red 0, green 0,
    // blue 192).
    static const QImage& checkerboard();

protected:
    void paintEvent(QPaintEvent* event) override;
    // Draws the preview over the checkerboard; `client` is the area inside
    // the frame, in widget coordinates. The default draws nothing.
    virtual void paintPreview(QPainter& painter, const QRect& client);
};

}  // namespace tessary
