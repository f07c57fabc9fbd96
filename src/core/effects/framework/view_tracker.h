#pragma once

#include <string>

#include "model/image_data.h"

namespace tessary {

// Zoom and scroll of a preview: which part of an image rectangle a small
// view shows, and at which zoom.
//
// Coordinates: the image rectangle is in image pixels; the view rectangle
// is the view's client area in view pixels, from (0, 0). A view pixel (vx,
// vy) shows the image point centre + (vx - viewWidth / 2, vy - viewHeight /
// 2) / zoom. The zoom is a power of two from 1/32 to 32, equal across and
// down; the centre stays inside the image rectangle.
class ViewTracker {
public:
    static constexpr double kMinZoom = 1.0 / 32.0;
    static constexpr double kMaxZoom = 32.0;

    // Shows `image` in `view` at `zoom` (snapped), centred on the image.
    void setUp(const Rect& image, const Rect& view, double zoom);

    const Rect& imageRect() const { return m_image; }
    const Rect& viewRect() const { return m_view; }
    double zoom() const { return m_zoom; }
    double centreX() const { return m_centreX; }
    double centreY() const { return m_centreY; }

    // The largest power of two within 1/32 ... 32 that is not above `zoom`
    // (1/32 below the range, 32 above it; 1 for a zoom that is not a
    // positive number).
    static double snapZoom(double zoom);
    // Sets the zoom (snapped) keeping the same image point in the middle of
    // the view. True when the zoom changed.
    bool setZoom(double zoom);
    // "+": doubles the zoom while it is at most 16; "-": halves it while it
    // is at least 1/16. True when the zoom changed.
    bool zoomIn();
    bool zoomOut();
    // trunc(zoom x 100) followed by "%": "100%", "3%" for 1/32.
    std::string zoomText() const;
    // The renderer's zoom code: trunc(zoom) for a zoom of 1 or more, else
    // -trunc(0.5 + 1 / zoom).
    int drawFactor() const;

    // Moves the picture with a drag of (dx, dy) view pixels: the image
    // follows the pointer.
    void scrollBy(int dx, int dy);

    // The image pixels the view shows (within the image rectangle); empty
    // when the view or the image is empty.
    Rect visibleImageRect() const;
    // Where visibleImageRect() lies in view pixels.
    Rect visibleViewRect() const;

private:
    void clampCentre();

    Rect m_image;
    Rect m_view;
    double m_zoom = 1.0;
    double m_centreX = 0.0;
    double m_centreY = 0.0;
};

}  // namespace tessary
