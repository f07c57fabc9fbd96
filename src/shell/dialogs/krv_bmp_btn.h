#pragma once

#include <QAbstractButton>
#include <QImage>

namespace tessary {

// A push button that shows a picture instead of its text (the text names
// the button, as "SHAPE3", for code and accessibility). Raised when up;
// sunken, with the picture nudged down and right, while pressed or checked.
// The picture is drawn pixel for pixel (scaled without smoothing on high
// resolution screens), so a dab picture shows its real pixels.
class CKrvBmpBtn : public QAbstractButton {
    Q_OBJECT
public:
    explicit CKrvBmpBtn(const QString& name, QWidget* parent = nullptr);
    ~CKrvBmpBtn() override;

    const QImage& image() const { return m_image; }
    void setImage(const QImage& image);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
};

}  // namespace tessary
