#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "model/image_data.h"
#include "render/wide_rect.h"
#include "render/zoom_levels.h"

namespace tessary {

// The numbers of an image window: zoom, scale, where the image lands in the
// window, the two scroll bars, and the maps between image pixels and window
// pixels. The shell's view owns one, forwards resize, scroll and zoom events
// to it and paints what it says; nothing here touches the screen.
//
// Spaces: image pixels (the image bounds, origin top left) and window pixels
// (the client area, origin top left). The image area is the client area less
// a vertical scroll bar's width on the right and a horizontal scroll bar's
// height at the bottom, whether the bars are shown or not, so showing a bar
// never changes the layout. Window quantities are 64-bit: a 100,000-pixel
// image at 32:1 is 3.2 million window pixels wide, and the largest image
// widths reach 2^36.
//
// Layout, per axis: the image extent is the image size times the scale,
// truncated. When it exceeds the image area, the axis's scroll bar is shown
// with the range 0 ... extent - area (one window pixel per step) and the
// image starts at minus the scroll position; otherwise the bar is hidden
// (position 0) and the image is centred at area / 2 - extent / 2.
class KorvelViewGeometry {
public:
    static constexpr std::int64_t kLineStep = 20;
    static constexpr std::int64_t kPageStep = 50;
    static constexpr double kDefaultResolution = 72.0;
    // Zoom in works up to this zoom (giving twice it), zoom out down to
    // kZoomOutFloor (giving half it).
    static constexpr double kZoomInCeiling = 16.0;
    static constexpr double kZoomOutFloor = 0.0625;

    enum class Axis { Horizontal, Vertical };
    enum class ScrollAction {
        LineUp,
        LineDown,
        PageUp,
        PageDown,
        ThumbTrack,
        ThumbPosition,
        Other
    };

    struct ScrollBar {
        bool visible = false;
        std::int64_t range = 0;     // positions run from 0 to range
        std::int64_t position = 0;  // 0 while hidden
        std::int64_t extent = 0;    // image extent in window pixels
        std::int64_t area = 0;      // image area extent in window pixels
    };

    // What the view hands the renderer for one paint (see paintRequest).
    struct PaintRequest {
        Rect source;           // image pixels to draw
        WideRect destination;  // its top-left is where source's top-left lands
        WideRect clip;         // window pixels to write: the clip box's share of the image
    };

    // The part of the selection outline to build and where it lands.
    struct OutlinePart {
        Rect source;      // image pixels, aligned to the zoom's sampling grid
        WideRect window;  // the outline bitmap's window rectangle
    };

    KorvelViewGeometry();

    // --- Configuration; each recomputes the layout ------------------------
    // Widths of a vertical scroll bar and heights of a horizontal one, the
    // platform's metrics (negative values count as 0).
    void setScrollBarMetrics(std::int32_t verticalBarWidth, std::int32_t horizontalBarHeight);
    void setClientSize(std::int32_t width, std::int32_t height);
    // Stores new image bounds (after attaching a page and after every size
    // change) and recomputes the ranges, keeping both scroll positions where
    // the new ranges allow.
    void setImageBounds(const Rect& bounds);
    // Resolutions in pixels per inch; values that are not positive and
    // finite are ignored. scale = zoom x screen resolution / image resolution.
    void setImageResolution(double x, double y);
    void setScreenResolution(double x, double y);

    // --- State --------------------------------------------------------------
    double zoom() const { return m_zoom; }  // zoom x and zoom y, always equal
    double scaleX() const { return m_scaleX; }
    double scaleY() const { return m_scaleY; }
    // The renderer's zoom code (n for n:1, -n for 1:n).
    int zoomCode() const { return m_level->code; }
    // "1:32" ... "32:1", for the zoom box.
    std::string_view zoomLabel() const { return m_level->label; }
    // The zoom-menu command of the current level (33010 ... 33020).
    int zoomCommand() const { return m_level->command; }
    const Rect& imageBounds() const { return m_bounds; }
    // Where the image bounds land in window pixels.
    const WideRect& placement() const { return m_placement; }
    WideRect clientRect() const { return {0, 0, m_clientWidth, m_clientHeight}; }
    WideRect imageArea() const;
    const ScrollBar& scrollBar(Axis axis) const {
        return axis == Axis::Horizontal ? m_horizontal : m_vertical;
    }

    // --- Zoom about the centre of the image area ----------------------------
    // Each returns true when the zoom changed; the caller then invalidates the
    // whole window and has the selection outline rebuilt. Nothing changes at
    // the ends (zoom in at 32:1, zoom out at 1:32).
    bool canZoomIn() const { return m_zoom <= kZoomInCeiling; }
    bool canZoomOut() const { return m_zoom >= kZoomOutFloor; }
    bool zoomIn();
    bool zoomOut();
    // Zoom to the level `requested` snaps to.
    bool zoomTo(double requested);
    // Zoom to the level of a zoom-menu command; false for other ids.
    bool zoomToCommand(int command);

    // --- Scrolling ----------------------------------------------------------
    // Moves the axis's scroll position: lines by 20, pages by 50 window
    // pixels, thumb actions to `thumbPosition`, clamped to the range. Line
    // steps do nothing at the end they move toward; a hidden bar does not
    // scroll. Returns new position - old position; the caller scrolls the
    // window contents by minus that amount.
    std::int64_t scroll(Axis axis, ScrollAction action, std::int64_t thumbPosition = 0);

    // --- Maps -------------------------------------------------------------
    // x -> (x - B.left) * (P.right - P.left) / (B.right - B.left) + P.left
    // with the division truncating toward zero (P.left when B has no width);
    // y alike; the inverse swaps the roles of B (image bounds) and P
    // (placement). Exact in 128-bit arithmetic.
    WidePoint imageToWindow(WidePoint image) const;
    WidePoint windowToImage(WidePoint window) const;
    // Both corners mapped.
    WideRect imageToWindow(const WideRect& image) const;
    WideRect windowToImage(const WideRect& window) const;
    // The window rectangle to invalidate for a changed image rectangle: both
    // corners mapped and grown by one pixel on each side.
    WideRect invalidRectFor(const Rect& image) const;
    bool inImageArea(WidePoint window) const { return imageArea().contains(window.x, window.y); }

    // --- What to draw -------------------------------------------------------
    // For a clip box in window pixels: the image pixels that reach it and
    // where to draw them, chosen so that every window pixel shows the image
    // pixel a whole-window paint would show there (the source's top-left is
    // on the zoom's sampling grid, counted from the image's top-left). None
    // when the clip box misses the image inside the image area.
    std::optional<PaintRequest> paintRequest(const WideRect& clip) const;
    // The image pixels shown in the image area (the image area mapped to
    // image pixels, on the sampling grid, within the image bounds); empty
    // when none are shown.
    Rect visibleImagePart() const;
    // The part of the selection outline to build: the visible part,
    // intersected with the selection bounds grown by one pixel and with the
    // image bounds, widened to the sampling grid at 1:n. None when empty.
    std::optional<OutlinePart> outlinePart(const Rect& selectionBounds) const;

private:
    void recomputeScale();
    void layout();
    void layoutAxis(ScrollBar& bar, std::int64_t imageSize, double scale, std::int64_t area,
                    std::int64_t& origin);
    bool zoomAbout(double requested);
    // Image pixels of the cells that reach window span [from, to) of one axis.
    void imageSpan(std::int64_t from, std::int64_t to, std::int64_t placementStart,
                   std::int64_t boundsStart, std::int64_t boundsEnd, std::int64_t& first,
                   std::int64_t& last) const;

    Rect m_bounds;
    WideRect m_placement;
    double m_zoom = 1.0;
    const ZoomLevel* m_level = nullptr;
    double m_imageResolutionX = kDefaultResolution;
    double m_imageResolutionY = kDefaultResolution;
    double m_screenResolutionX = kDefaultResolution;
    double m_screenResolutionY = kDefaultResolution;
    double m_scaleX = 1.0;
    double m_scaleY = 1.0;
    std::int64_t m_clientWidth = 0;
    std::int64_t m_clientHeight = 0;
    std::int64_t m_verticalBarWidth = 0;
    std::int64_t m_horizontalBarHeight = 0;
    ScrollBar m_horizontal;
    ScrollBar m_vertical;
};

}  // namespace tessary
