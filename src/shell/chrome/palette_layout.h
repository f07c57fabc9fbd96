#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <array>

#include "shell/chrome/tool_palette_rules.h"

namespace tessary {

// Geometry of the tool palette in plain code: where the sixteen tool buttons
// and the controls below them go, and where the palette window goes at first
// start. All rectangles are in the palette's logical (device-independent)
// pixels, origin at its top-left corner.

// The up and down image sizes of one tool button.
struct ToolButtonImages {
    QSize up;
    QSize down;
};

struct ToolButtonPlace {
    QRect up;    // the up image's rectangle
    QRect down;  // the down image's rectangle, at the same top-left corner
};

struct ToolButtonLayout {
    // Index 0 is tool 1.
    std::array<ToolButtonPlace, palette::kToolCount> buttons;
    // Right and bottom edge reached (exclusive), measured from (0, 0).
    QSize extent;
};

// Lays the buttons out from `origin` in rows of `columns`: each button's up
// image at the cursor, the cursor advanced by the wider of its two images;
// after the last button of a row the cursor goes back to origin.x() and down
// by the tallest image of that row. The extent grows to hold the widest row
// and the last row.
ToolButtonLayout layoutToolButtons(const std::array<ToolButtonImages, palette::kToolCount>& images,
                                   QPoint origin, int columns = 2);

// Everything the palette shows, below the tool buttons in this order: the
// options button, the anti-alias toggle (its "on" half left of its "off"
// half), the opacity label, the opacity slider and the colour swatch.
struct PaletteGeometry {
    ToolButtonLayout tools;
    QRect optionsButton;
    QRect antiAliasOn;
    QRect antiAliasOff;
    QRect opacityLabel;
    QRect opacitySlider;
    QRect swatch;
    QSize size;  // the whole palette, margins included
};

struct PaletteMetrics {
    int margin = 3;          // around everything
    int gap = 4;             // between the groups of controls
    int controlHeight = 18;  // options button and anti-alias toggle
    int labelHeight = 14;
    int sliderHeight = 16;
    int sliderWidth = 44;  // narrower when the palette is narrower
    int swatchSize = 44;
};

// The palette laid out around tool button images of the given sizes. The
// slider is `sliderWidth` wide, or the width of the button rows when that is
// narrower, and centred, as is the swatch.
PaletteGeometry layoutPalette(const std::array<ToolButtonImages, palette::kToolCount>& images,
                              const PaletteMetrics& metrics = {});

// Where the palette window's frame (caption included) goes at first start,
// in screen coordinates: left of the main window's frame, level with the top
// of its image area, when it fits there; otherwise at the image area's
// top-left corner, below the main window's menu bar. Either way it is then
// moved, as little as needed, to lie inside `available` (the screen less its
// panels), so its caption can be reached and dragged.
QPoint firstPaletteFramePosition(const QRect& mainFrame, const QRect& imageArea,
                                 const QSize& paletteFrame, const QRect& available);

// Where the palette window's frame goes once the main window has moved or
// changed size (maximized, say): where it is, unless it now covers part of
// the main window's menu bar (`menuBar`, screen coordinates), whose menus
// it would hide; then just below the bar at the top of the image area,
// keeping its left edge, and inside `available` as above.
QPoint paletteFramePositionClearOfMenuBar(const QRect& paletteFrame, const QRect& menuBar,
                                          const QRect& imageArea, const QRect& available);

}  // namespace tessary
