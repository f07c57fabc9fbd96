#pragma once

#include <QImage>
#include <QSize>
#include <cstdint>

namespace tessary {

struct BrushOptions;

// Pictures of brush dabs, drawn by the painting engine's own dab builder so
// that they show exactly what a stroke paints: the dab's coverage as black
// ink on white, centred in an image of `box` pixels (a dab larger than the
// box is cut at the box's edges).
QImage brushDabImage(const BrushOptions& options, QSize box);

// The picture of shape button `button` (1..24), "SHAPE<button>U", at brush
// size `size` (brush_shapes::applyButton). A white image for any other
// button.
QImage brushShapeImage(int button, std::int32_t size, QSize box);

}  // namespace tessary
