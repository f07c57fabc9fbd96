#include "shell/chrome/palette_layout.h"

#include <algorithm>

namespace tessary {
namespace {

// Space left between the palette and the main window beside it.
constexpr int kFrameGap = 4;

}  // namespace

ToolButtonLayout layoutToolButtons(const std::array<ToolButtonImages, palette::kToolCount>& images,
                                   QPoint origin, int columns) {
    ToolButtonLayout layout;
    int x = origin.x();
    int y = origin.y();
    int column = 0;
    int rowHeight = 0;
    for (std::size_t i = 0; i < images.size(); ++i) {
        const ToolButtonImages& image = images[i];
        layout.buttons[i].up = QRect(QPoint(x, y), image.up);
        layout.buttons[i].down = QRect(QPoint(x, y), image.down);
        x += std::max(image.up.width(), image.down.width());
        rowHeight = std::max({rowHeight, image.up.height(), image.down.height()});
        layout.extent.setWidth(std::max(layout.extent.width(), x));
        layout.extent.setHeight(std::max(layout.extent.height(), y + rowHeight));
        if (++column == columns) {
            column = 0;
            x = origin.x();
            y += rowHeight;
            rowHeight = 0;
        }
    }
    return layout;
}

PaletteGeometry layoutPalette(const std::array<ToolButtonImages, palette::kToolCount>& images,
                              const PaletteMetrics& metrics) {
    PaletteGeometry g;
    const int m = metrics.margin;
    g.tools = layoutToolButtons(images, QPoint(m, m));
    const int width = g.tools.extent.width() - m;
    int y = g.tools.extent.height() + metrics.gap;

    g.optionsButton = QRect(m, y, width, metrics.controlHeight);
    y += metrics.controlHeight + 2;
    const int half = width / 2;
    g.antiAliasOn = QRect(m, y, half, metrics.controlHeight);
    g.antiAliasOff = QRect(m + half, y, width - half, metrics.controlHeight);
    y += metrics.controlHeight + metrics.gap;

    g.opacityLabel = QRect(m, y, width, metrics.labelHeight);
    y += metrics.labelHeight;
    const int sliderWidth = std::min(metrics.sliderWidth, width);
    g.opacitySlider = QRect(m + (width - sliderWidth) / 2, y, sliderWidth, metrics.sliderHeight);
    y += metrics.sliderHeight + metrics.gap;

    const int swatch = std::min(metrics.swatchSize, width);
    g.swatch = QRect(m + (width - swatch) / 2, y, swatch, swatch);
    y += swatch + m;

    g.size = QSize(g.tools.extent.width() + m, y);
    return g;
}

namespace {

// `at` moved as little as needed for a frame of `size` to lie inside
// `available`; the top-left corner wins when the frame is the larger.
QPoint insideAvailable(QPoint at, const QSize& size, const QRect& available) {
    at.setX(std::min(at.x(), available.right() + 1 - size.width()));
    at.setY(std::min(at.y(), available.bottom() + 1 - size.height()));
    at.setX(std::max(at.x(), available.left()));
    at.setY(std::max(at.y(), available.top()));
    return at;
}

}  // namespace

QPoint firstPaletteFramePosition(const QRect& mainFrame, const QRect& imageArea,
                                 const QSize& paletteFrame, const QRect& available) {
    QPoint at(mainFrame.left() - kFrameGap - paletteFrame.width(), imageArea.top());
    if (at.x() < available.left()) at = imageArea.topLeft() + QPoint(kFrameGap, kFrameGap);
    return insideAvailable(at, paletteFrame, available);
}

QPoint paletteFramePositionClearOfMenuBar(const QRect& paletteFrame, const QRect& menuBar,
                                          const QRect& imageArea, const QRect& available) {
    if (!paletteFrame.intersects(menuBar)) return paletteFrame.topLeft();
    const QPoint at(paletteFrame.left(),
                    std::max(imageArea.top(), menuBar.bottom() + 1) + kFrameGap);
    return insideAvailable(at, paletteFrame.size(), available);
}

}  // namespace tessary
