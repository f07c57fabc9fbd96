#include "effects/framework/view_tracker.h"

#include <algorithm>
#include <cmath>

#include "effects/framework/effect_target.h"

namespace tessary {

double ViewTracker::snapZoom(double zoom) {
    if (!(zoom > 0.0) || !std::isfinite(zoom)) return 1.0;
    const double clamped = std::clamp(zoom, kMinZoom, kMaxZoom);
    return std::ldexp(1.0, static_cast<int>(std::floor(std::log2(clamped))));
}

void ViewTracker::setUp(const Rect& image, const Rect& view, double zoom) {
    m_image = image;
    m_view = view;
    m_zoom = snapZoom(zoom);
    m_centreX = image.left + image.width() / 2.0;
    m_centreY = image.top + image.height() / 2.0;
}

bool ViewTracker::setZoom(double zoom) {
    const double snapped = snapZoom(zoom);
    if (snapped == m_zoom) return false;
    m_zoom = snapped;
    return true;
}

bool ViewTracker::zoomIn() {
    return m_zoom <= 16.0 && setZoom(m_zoom * 2.0);
}

bool ViewTracker::zoomOut() {
    return m_zoom >= 1.0 / 16.0 && setZoom(m_zoom / 2.0);
}

std::string ViewTracker::zoomText() const {
    return std::to_string(static_cast<long long>(std::trunc(m_zoom * 100.0))) + "%";
}

int ViewTracker::drawFactor() const {
    if (m_zoom >= 1.0) return static_cast<int>(std::trunc(m_zoom));
    return -static_cast<int>(std::trunc(0.5 + 1.0 / m_zoom));
}

void ViewTracker::scrollBy(int dx, int dy) {
    m_centreX -= dx / m_zoom;
    m_centreY -= dy / m_zoom;
    clampCentre();
}

void ViewTracker::clampCentre() {
    m_centreX = std::clamp<double>(m_centreX, m_image.left, std::max(m_image.left, m_image.right));
    m_centreY = std::clamp<double>(m_centreY, m_image.top, std::max(m_image.top, m_image.bottom));
}

Rect ViewTracker::visibleImageRect() const {
    if (m_view.empty() || m_image.empty()) return Rect{};
    const double halfWidth = m_view.width() / (2.0 * m_zoom);
    const double halfHeight = m_view.height() / (2.0 * m_zoom);
    const Rect shown{static_cast<std::int32_t>(std::floor(m_centreX - halfWidth)),
                     static_cast<std::int32_t>(std::floor(m_centreY - halfHeight)),
                     static_cast<std::int32_t>(std::ceil(m_centreX + halfWidth)),
                     static_cast<std::int32_t>(std::ceil(m_centreY + halfHeight))};
    return intersectRects(shown, m_image);
}

Rect ViewTracker::visibleViewRect() const {
    const Rect part = visibleImageRect();
    if (part.empty()) return Rect{};
    const double originX = m_centreX - m_view.width() / (2.0 * m_zoom);
    const double originY = m_centreY - m_view.height() / (2.0 * m_zoom);
    auto toView = [this](double image, double origin) {
        return static_cast<std::int32_t>(std::floor((image - origin) * m_zoom));
    };
    const Rect view{toView(part.left, originX), toView(part.top, originY),
                    toView(part.right, originX), toView(part.bottom, originY)};
    return intersectRects(view, m_view);
}

}  // namespace tessary
