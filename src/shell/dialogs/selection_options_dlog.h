#pragma once

#include <QWidget>
#include <cstdint>

#include "shell/dialogs/our_dlog_handler_base.h"

namespace tessary {

class ToolBox;

// One of the Selection Options' shape pictures: the artwork (a dashed
// square or circle over its caption, drawn in code) inside a one-pixel
// frame, so the frame lies one pixel outside the picture's rectangle. The
// frame is black when the picture is selected, white otherwise. A left
// press inside the picture reports `pressed`.
class CSelectionShapeImage : public QWidget {
    Q_OBJECT
public:
    enum class Artwork { Rectangle, Oval };
    static constexpr int kImageWidth = 72;
    static constexpr int kImageHeight = 76;

    CSelectionShapeImage(Artwork artwork, QWidget* parent);

    void setSelected(bool selected);
    bool isSelected() const { return m_selected; }
    // The picture's rectangle in this widget (the frame is around it).
    QRect imageRect() const { return QRect(1, 1, kImageWidth, kImageHeight); }

signals:
    void pressed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    Artwork m_artwork;
    bool m_selected = false;
};

// The Selection Options dialog (dialog 145): the rectangle selection tool's
// shape, 0 rectangle or 1 oval, chosen by pressing one of two pictures.
// Opening reads the shape from the tool when it is current (else 0); "Set"
// writes it back only when that tool is still current.
class CSelectionOptionsDlog : public OurDlogHandlerBase {
    Q_OBJECT
public:
    static constexpr int kIdRectangleImage = 1039;
    static constexpr int kIdOvalImage = 1040;

    explicit CSelectionOptionsDlog(ToolBox& tools, QWidget* parent = nullptr);

    std::int32_t shape() const { return m_shape; }
    void selectShape(std::int32_t shape);

    void accept() override;

private:
    ToolBox& m_tools;
    std::int32_t m_shape = 0;
};

// Runs the dialog modally on `tools`; true when "Set" was pressed.
bool runSelectionOptionsDlog(ToolBox& tools, QWidget* parent);

}  // namespace tessary
