#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>

class QAction;
class QLabel;
class QMenu;
class QToolButton;

namespace tessary {

// A length of `pixels` at `resolution` pixels per inch in a measurement unit
// (0 pixels, 1 inches, 2 centimetres, 3 picas, 4 points): whole pixels, or
// the converted value with two decimals.
QString infoLengthText(double pixels, double resolution, int unit);

// The image size as the info bar shows it: "<width> x <height> <unit name>",
// the width at the horizontal and the height at the vertical resolution.
QString infoSizeText(std::int64_t width, std::int64_t height, double horizontalResolution,
                     double verticalResolution, int unit);

// The bar below each image window's view: pointer position ("X:" and "Y:"
// fields), a drag size, the image size in the unit in force, a units button
// that opens the units menu, and a button that shows or hides the position
// fields (command 4134).
class CInfoControlBar : public QWidget {
    Q_OBJECT
public:
    // `unitsMenu` (owned by the caller) opens under the units button;
    // `showHide` (the router's action of command 4134, or null for a button
    // that toggles directly) is the show/hide button's action.
    CInfoControlBar(QMenu* unitsMenu, QAction* showHide, QWidget* parent = nullptr);
    ~CInfoControlBar() override;

    // The pointer at image point (x, y).
    void showPoint(std::int32_t x, std::int32_t y);
    // The pointer at (x, y) and a drag of width x height image pixels.
    void showPointAndSize(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height);
    // The image's size and resolutions (pixels per inch).
    void showImageSize(std::int32_t width, std::int32_t height, double horizontalResolution,
                       double verticalResolution);
    // The measurement unit; the shown lengths are rewritten in it.
    void setUnit(int unit);
    int unit() const { return m_unit; }

    // Command 4134: shows or hides the position fields.
    void toggleDetails();
    bool detailsShown() const { return m_detailsShown; }

    QString imageSizeText() const;
    QString positionText() const;

private:
    void refresh();

    QLabel* m_position = nullptr;
    QLabel* m_size = nullptr;
    QToolButton* m_units = nullptr;
    int m_unit = 0;
    bool m_detailsShown = true;
    bool m_hasPoint = false;
    bool m_hasDrag = false;
    std::int32_t m_x = 0, m_y = 0, m_dragWidth = 0, m_dragHeight = 0;
    std::int32_t m_width = 0, m_height = 0;
    double m_horizontalResolution = 72.0;
    double m_verticalResolution = 72.0;
};

}  // namespace tessary
