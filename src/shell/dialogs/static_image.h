#pragma once

#include <QFrame>
#include <QImage>

namespace tessary {

// A framed picture control that reports clicks. When marked as chosen it is
// drawn with a thick highlight frame, so that a row of examples shows which
// one is picked.
class CStaticImage : public QFrame {
    Q_OBJECT
public:
    explicit CStaticImage(QWidget* parent = nullptr);
    ~CStaticImage() override;

    const QImage& image() const { return m_image; }
    void setImage(const QImage& image);
    bool chosen() const { return m_chosen; }
    void setChosen(bool chosen);

    QSize sizeHint() const override;

signals:
    // A left-button press and release inside the control.
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage m_image;
    bool m_chosen = false;
    bool m_pressed = false;
};

}  // namespace tessary
