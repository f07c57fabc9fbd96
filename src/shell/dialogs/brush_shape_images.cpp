#include "shell/dialogs/brush_shape_images.h"

#include <algorithm>
#include <vector>

#include "tools/paint/brush_options.h"
#include "tools/paint/brush_shapes.h"
#include "tools/paint/dab_shape.h"

namespace tessary {

QImage brushDabImage(const BrushOptions& options, QSize box) {
    QImage image(box, QImage::Format_RGB32);
    image.fill(Qt::white);
    DabGeometry dab;
    dab.width = std::clamp(options.width, 1, 255);
    dab.height = std::clamp(options.height, 1, 255);
    dab.thickness = std::clamp(options.thickness, 1, 255);
    dab.shapeClass = std::clamp(options.shapeClass, 0, 4);
    dab.profile = std::clamp(options.profile, 0, 15);
    static const SoftnessTable softness = buildSoftnessTable();
    std::vector<std::uint8_t> mask;
    buildDabShape(dab, softness, mask);
    const int left = (box.width() - dab.width) / 2;
    const int top = (box.height() - dab.height) / 2;
    for (int y = 0; y < dab.height; ++y) {
        const int row = top + y;
        if (row < 0 || row >= box.height()) continue;
        auto* pixels = reinterpret_cast<QRgb*>(image.scanLine(row));
        for (int x = 0; x < dab.width; ++x) {
            const int column = left + x;
            if (column < 0 || column >= box.width()) continue;
            const int ink = 255 - mask[static_cast<std::size_t>(y) * dab.width + x];
            pixels[column] = qRgb(ink, ink, ink);
        }
    }
    return image;
}

QImage brushShapeImage(int button, std::int32_t size, QSize box) {
    BrushOptions options;
    if (!brush_shapes::applyButton(button, size, options)) {
        QImage blank(box, QImage::Format_RGB32);
        blank.fill(Qt::white);
        return blank;
    }
    return brushDabImage(options, box);
}

}  // namespace tessary
