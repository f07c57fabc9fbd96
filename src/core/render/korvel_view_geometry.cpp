#include "render/korvel_view_geometry.h"

#include <algorithm>
#include <cmath>

#include "render/wide_arithmetic.h"

namespace tessary {
namespace {

bool usableResolution(double value) {
    return std::isfinite(value) && value > 0.0;
}

// Magnification and reduction of a zoom code.
std::int64_t magOf(int code) {
    return code > 1 ? code : 1;
}
std::int64_t redOf(int code) {
    return code < -1 ? -code : 1;
}

// a * b / c truncated toward zero, `fallback` when c is 0.
std::int64_t linearMap(std::int64_t value, std::int64_t fromStart, std::int64_t fromEnd,
                       std::int64_t toStart, std::int64_t toEnd) {
    const std::int64_t fromSize = fromEnd - fromStart;
    if (fromSize == 0) return toStart;
    return mulDivTrunc(value - fromStart, toEnd - toStart, fromSize) + toStart;
}

}  // namespace

KorvelViewGeometry::KorvelViewGeometry() : m_level(&ZoomLevels::snap(1.0)) {
    recomputeScale();
    layout();
}

void KorvelViewGeometry::setScrollBarMetrics(std::int32_t verticalBarWidth,
                                             std::int32_t horizontalBarHeight) {
    m_verticalBarWidth = std::max(verticalBarWidth, 0);
    m_horizontalBarHeight = std::max(horizontalBarHeight, 0);
    layout();
}

void KorvelViewGeometry::setClientSize(std::int32_t width, std::int32_t height) {
    m_clientWidth = std::max(width, 0);
    m_clientHeight = std::max(height, 0);
    layout();
}

void KorvelViewGeometry::setImageBounds(const Rect& bounds) {
    m_bounds = bounds;
    layout();
}

void KorvelViewGeometry::setImageResolution(double x, double y) {
    if (usableResolution(x)) m_imageResolutionX = x;
    if (usableResolution(y)) m_imageResolutionY = y;
    recomputeScale();
    layout();
}

void KorvelViewGeometry::setScreenResolution(double x, double y) {
    if (usableResolution(x)) m_screenResolutionX = x;
    if (usableResolution(y)) m_screenResolutionY = y;
    recomputeScale();
    layout();
}

WideRect KorvelViewGeometry::imageArea() const {
    return {0, 0, std::max<std::int64_t>(m_clientWidth - m_verticalBarWidth, 0),
            std::max<std::int64_t>(m_clientHeight - m_horizontalBarHeight, 0)};
}

void KorvelViewGeometry::recomputeScale() {
    m_scaleX = m_zoom * m_screenResolutionX / m_imageResolutionX;
    m_scaleY = m_zoom * m_screenResolutionY / m_imageResolutionY;
}

void KorvelViewGeometry::layoutAxis(ScrollBar& bar, std::int64_t imageSize, double scale,
                                    std::int64_t area, std::int64_t& origin) {
    bar.extent = truncToWide(static_cast<double>(imageSize) * scale);
    bar.area = area;
    if (bar.extent > area) {
        bar.visible = true;
        bar.range = bar.extent - area;
        bar.position = std::clamp<std::int64_t>(bar.position, 0, bar.range);
        origin = -bar.position;
    } else {
        bar.visible = false;
        bar.range = 0;
        bar.position = 0;
        origin = area / 2 - bar.extent / 2;
    }
}

void KorvelViewGeometry::layout() {
    const WideRect area = imageArea();
    std::int64_t left = 0;
    std::int64_t top = 0;
    layoutAxis(m_horizontal, std::max(m_bounds.width(), 0), m_scaleX, area.width(), left);
    layoutAxis(m_vertical, std::max(m_bounds.height(), 0), m_scaleY, area.height(), top);
    m_placement = {left, top, left + m_horizontal.extent, top + m_vertical.extent};
}

// --- Zoom ------------------------------------------------------------------

bool KorvelViewGeometry::zoomIn() {
    return canZoomIn() && zoomAbout(m_zoom * 2);
}

bool KorvelViewGeometry::zoomOut() {
    return canZoomOut() && zoomAbout(m_zoom / 2);
}

bool KorvelViewGeometry::zoomTo(double requested) {
    return zoomAbout(requested);
}

bool KorvelViewGeometry::zoomToCommand(int command) {
    const ZoomLevel* level = ZoomLevels::forCommand(command);
    return level && zoomAbout(level->zoom);
}

bool KorvelViewGeometry::zoomAbout(double requested) {
    // The image point at the centre of the image area stays there.
    const WideRect area = imageArea();
    const WidePoint centre = windowToImage(WidePoint{area.width() / 2, area.height() / 2});

    const ZoomLevel& level = ZoomLevels::snap(requested);
    m_level = &level;
    if (level.zoom == m_zoom) return false;
    m_zoom = level.zoom;
    recomputeScale();

    // For each axis that needs a scroll bar at the new scale, put the point
    // at the centre: the position is rounded down to an even number, then
    // held in the range.
    const auto place = [](ScrollBar& bar, std::int64_t point, std::int64_t imageSize, double scale,
                          std::int64_t areaSize) {
        const std::int64_t extent = truncToWide(static_cast<double>(imageSize) * scale);
        if (extent <= areaSize) return;
        std::int64_t position = truncToWide(static_cast<double>(point) * scale) - areaSize / 2;
        position = floorDiv(position, 2) * 2;
        bar.position = std::clamp<std::int64_t>(position, 0, extent - areaSize);
    };
    place(m_horizontal, centre.x - m_bounds.left, std::max(m_bounds.width(), 0), m_scaleX,
          area.width());
    place(m_vertical, centre.y - m_bounds.top, std::max(m_bounds.height(), 0), m_scaleY,
          area.height());
    layout();
    return true;
}

// --- Scrolling -------------------------------------------------------------

std::int64_t KorvelViewGeometry::scroll(Axis axis, ScrollAction action,
                                        std::int64_t thumbPosition) {
    ScrollBar& bar = axis == Axis::Horizontal ? m_horizontal : m_vertical;
    if (!bar.visible) return 0;
    const std::int64_t old = bar.position;
    std::int64_t next = old;
    switch (action) {
        case ScrollAction::LineUp:
            if (old == 0) return 0;
            next = old - kLineStep;
            break;
        case ScrollAction::LineDown:
            if (old == bar.range) return 0;
            next = old + kLineStep;
            break;
        case ScrollAction::PageUp:
            next = old - kPageStep;
            break;
        case ScrollAction::PageDown:
            next = old + kPageStep;
            break;
        case ScrollAction::ThumbTrack:
        case ScrollAction::ThumbPosition:
            next = thumbPosition;
            break;
        case ScrollAction::Other:
            return 0;
    }
    bar.position = std::clamp<std::int64_t>(next, 0, bar.range);
    layout();
    return bar.position - old;
}

// --- Maps ------------------------------------------------------------------

WidePoint KorvelViewGeometry::imageToWindow(WidePoint image) const {
    return {linearMap(image.x, m_bounds.left, m_bounds.right, m_placement.left, m_placement.right),
            linearMap(image.y, m_bounds.top, m_bounds.bottom, m_placement.top, m_placement.bottom)};
}

WidePoint KorvelViewGeometry::windowToImage(WidePoint window) const {
    return {
        linearMap(window.x, m_placement.left, m_placement.right, m_bounds.left, m_bounds.right),
        linearMap(window.y, m_placement.top, m_placement.bottom, m_bounds.top, m_bounds.bottom)};
}

WideRect KorvelViewGeometry::imageToWindow(const WideRect& image) const {
    const WidePoint a = imageToWindow(WidePoint{image.left, image.top});
    const WidePoint b = imageToWindow(WidePoint{image.right, image.bottom});
    return {a.x, a.y, b.x, b.y};
}

WideRect KorvelViewGeometry::windowToImage(const WideRect& window) const {
    const WidePoint a = windowToImage(WidePoint{window.left, window.top});
    const WidePoint b = windowToImage(WidePoint{window.right, window.bottom});
    return {a.x, a.y, b.x, b.y};
}

WideRect KorvelViewGeometry::invalidRectFor(const Rect& image) const {
    return imageToWindow(WideRect::from(image)).grown(1);
}

// --- What to draw ----------------------------------------------------------

void KorvelViewGeometry::imageSpan(std::int64_t from, std::int64_t to, std::int64_t placementStart,
                                   std::int64_t boundsStart, std::int64_t boundsEnd,
                                   std::int64_t& first, std::int64_t& last) const {
    const std::int64_t mag = magOf(zoomCode());
    const std::int64_t red = redOf(zoomCode());
    // Window pixel placementStart + d shows image pixel boundsStart +
    // floor(d / mag) * red: the renderer's placement of a source that starts
    // at the image's top-left.
    first = std::max(boundsStart, boundsStart + floorDiv(from - placementStart, mag) * red);
    last = std::min(boundsEnd, boundsStart + ceilDiv(to - placementStart, mag) * red);
}

std::optional<KorvelViewGeometry::PaintRequest> KorvelViewGeometry::paintRequest(
    const WideRect& clip) const {
    const WideRect visible = clip.intersected(m_placement).intersected(imageArea());
    if (visible.empty() || m_bounds.empty()) return std::nullopt;
    std::int64_t left = 0, right = 0, top = 0, bottom = 0;
    imageSpan(visible.left, visible.right, m_placement.left, m_bounds.left, m_bounds.right, left,
              right);
    imageSpan(visible.top, visible.bottom, m_placement.top, m_bounds.top, m_bounds.bottom, top,
              bottom);
    if (left >= right || top >= bottom) return std::nullopt;
    const std::int64_t mag = magOf(zoomCode());
    const std::int64_t red = redOf(zoomCode());
    PaintRequest request;
    request.source = {static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
                      static_cast<std::int32_t>(right), static_cast<std::int32_t>(bottom)};
    request.destination = {m_placement.left + (left - m_bounds.left) / red * mag,
                           m_placement.top + (top - m_bounds.top) / red * mag, visible.right,
                           visible.bottom};
    request.clip = visible;
    return request;
}

Rect KorvelViewGeometry::visibleImagePart() const {
    const auto request = paintRequest(imageArea());
    return request ? request->source : Rect{};
}

std::optional<KorvelViewGeometry::OutlinePart> KorvelViewGeometry::outlinePart(
    const Rect& selectionBounds) const {
    const Rect visible = visibleImagePart();
    if (visible.empty() || selectionBounds.empty()) return std::nullopt;
    const std::int64_t mag = magOf(zoomCode());
    const std::int64_t red = redOf(zoomCode());
    // Grown selection, visible part and image bounds, 64-bit so that growing
    // a rectangle at the edge of the 32-bit range cannot wrap.
    std::int64_t left = std::max<std::int64_t>(
        {std::int64_t{selectionBounds.left} - 1, visible.left, m_bounds.left});
    std::int64_t top =
        std::max<std::int64_t>({std::int64_t{selectionBounds.top} - 1, visible.top, m_bounds.top});
    std::int64_t right = std::min<std::int64_t>(
        {std::int64_t{selectionBounds.right} + 1, visible.right, m_bounds.right});
    std::int64_t bottom = std::min<std::int64_t>(
        {std::int64_t{selectionBounds.bottom} + 1, visible.bottom, m_bounds.bottom});
    if (left >= right || top >= bottom) return std::nullopt;
    // On the sampling grid: the outline's pixels are then the pixels drawn.
    left = m_bounds.left + floorDiv(left - m_bounds.left, red) * red;
    top = m_bounds.top + floorDiv(top - m_bounds.top, red) * red;
    right = std::min<std::int64_t>(m_bounds.right, left + ceilDiv(right - left, red) * red);
    bottom = std::min<std::int64_t>(m_bounds.bottom, top + ceilDiv(bottom - top, red) * red);
    const std::int64_t cellsAcross = (right - left) / red;
    const std::int64_t cellsDown = (bottom - top) / red;
    if (cellsAcross <= 0 || cellsDown <= 0) return std::nullopt;

    OutlinePart part;
    part.source = {static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
                   static_cast<std::int32_t>(right), static_cast<std::int32_t>(bottom)};
    const std::int64_t windowLeft = m_placement.left + (left - m_bounds.left) / red * mag;
    const std::int64_t windowTop = m_placement.top + (top - m_bounds.top) / red * mag;
    part.window = {windowLeft, windowTop, windowLeft + cellsAcross * mag,
                   windowTop + cellsDown * mag};
    return part;
}

}  // namespace tessary
