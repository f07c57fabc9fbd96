#include "effects/shadow/extrude_dialog.h"

#include <algorithm>

#include "app/extrude_prefs.h"

namespace tessary {

namespace {

// Radio button of each direction 0-7.
constexpr int kDirectionControls[8] = {1120, 1127, 1126, 1125, 1124, 1123, 1122, 1121};

std::int64_t cross(const ExtrudeDialogModel::Point& o, const ExtrudeDialogModel::Point& a,
                   const ExtrudeDialogModel::Point& b) {
    return std::int64_t{a.x - o.x} * (b.y - o.y) - std::int64_t{a.y - o.y} * (b.x - o.x);
}

}  // namespace

ExtrudeDialogModel::ExtrudeDialogModel(const ExtrudePrefs& prefs)
    : m_distance(std::clamp(prefs.distance, 0, kMaxDistance)),
      m_direction(
          prefs.compassDirection >= 0 && prefs.compassDirection <= 7 ? prefs.compassDirection : 0),
      m_select(prefs.select) {}

void ExtrudeDialogModel::setDistance(std::int32_t distance) {
    m_distance = std::clamp(distance, 0, kMaxDistance);
}

void ExtrudeDialogModel::setDirection(int direction) {
    if (direction >= 0 && direction <= 7) m_direction = direction;
}

int ExtrudeDialogModel::directionOfControl(int controlId) {
    for (int d = 0; d < 8; ++d) {
        if (kDirectionControls[d] == controlId) return d;
    }
    return -1;
}

int ExtrudeDialogModel::controlOfDirection(int direction) {
    return direction >= 0 && direction <= 7 ? kDirectionControls[direction] : -1;
}

void ExtrudeDialogModel::store(ExtrudePrefs& prefs) const {
    prefs.distance = m_distance;
    prefs.compassDirection = m_direction;
    prefs.select = m_select;
}

ExtrudeRequest ExtrudeDialogModel::request(std::uint32_t colour) const {
    ExtrudeRequest r;
    r.colour = colour;
    extrudeOffset(m_direction, m_distance, r.dx, r.dy);
    r.select = m_select;
    return r;
}

Rect ExtrudeDialogModel::previewObject(const Rect& client) {
    const std::int32_t qx = client.width() / 4;
    const std::int32_t qy = client.height() / 4;
    return Rect{client.left + qx, client.top + qy, client.right - qx, client.bottom - qy};
}

std::vector<ExtrudeDialogModel::Point> ExtrudeDialogModel::previewOutline(
    const Rect& client) const {
    const Rect o = previewObject(client);
    std::int32_t dx = 0, dy = 0;
    extrudeOffset(m_direction, m_distance, dx, dy);
    std::vector<Point> corners = {{o.left, o.top},
                                  {o.right, o.top},
                                  {o.right, o.bottom},
                                  {o.left, o.bottom},
                                  {o.left + dx, o.top + dy},
                                  {o.right + dx, o.top + dy},
                                  {o.right + dx, o.bottom + dy},
                                  {o.left + dx, o.bottom + dy}};
    // Convex hull by the monotone chain, in window coordinates (y down),
    // keeping only real corners.
    std::sort(corners.begin(), corners.end(),
              [](const Point& a, const Point& b) { return a.x != b.x ? a.x < b.x : a.y < b.y; });
    corners.erase(std::unique(corners.begin(), corners.end()), corners.end());
    if (corners.size() < 3) {
        // A degenerate well: no area to outline.
        corners.push_back(corners.front());
        return corners;
    }
    std::vector<Point> hull(2 * corners.size());
    std::size_t n = 0;
    for (const Point& p : corners) {
        while (n >= 2 && cross(hull[n - 2], hull[n - 1], p) <= 0) --n;
        hull[n++] = p;
    }
    for (std::size_t i = corners.size() - 1, lower = n + 1; i-- > 0;) {
        while (n >= lower && cross(hull[n - 2], hull[n - 1], corners[i]) <= 0) --n;
        hull[n++] = corners[i];
    }
    hull.resize(n - 1);
    // With y pointing down the chain above runs clockwise on screen; start at
    // the topmost-leftmost corner and close the outline.
    const auto start = std::min_element(
        hull.begin(), hull.end(),
        [](const Point& a, const Point& b) { return a.y != b.y ? a.y < b.y : a.x < b.x; });
    std::rotate(hull.begin(), start, hull.end());
    hull.push_back(hull.front());
    return hull;
}

}  // namespace tessary
