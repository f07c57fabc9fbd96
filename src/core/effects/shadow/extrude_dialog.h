#pragma once

#include <cstdint>
#include <vector>

#include "effects/shadow/extrude.h"
#include "model/image_data.h"

namespace tessary {

struct ExtrudePrefs;

// The numbers behind the Extrude dialog (dialog 202).
class ExtrudeDialogModel {
public:
    static constexpr std::int32_t kMaxDistance = 20;

    explicit ExtrudeDialogModel(const ExtrudePrefs& prefs);

    std::int32_t distance() const { return m_distance; }
    // Slider 1118 or edit 1119, clamped to 0 ... 20.
    void setDistance(std::int32_t distance);
    int direction() const { return m_direction; }
    // 0-7; anything else is ignored.
    void setDirection(int direction);
    bool select() const { return m_select; }
    void setSelect(bool select) { m_select = select; }

    // The compass radio buttons: 1120 up, 1127 up-right, 1126 right,
    // 1125 down-right, 1124 down, 1123 down-left, 1122 left, 1121 up-left
    // give directions 0 ... 7. -1 for any other control.
    static int directionOfControl(int controlId);
    static int controlOfDirection(int direction);

    // OK: distance, direction and operation.
    void store(ExtrudePrefs& prefs) const;
    // What the command passes to extrude() with the foreground colour.
    ExtrudeRequest request(std::uint32_t colour) const;

    struct Point {
        std::int32_t x = 0, y = 0;
        friend bool operator==(const Point&, const Point&) = default;
    };
    // The preview in a well whose client area is `client`: the object square
    // (the client area shrunk by a quarter of its width and height on each
    // side), and the outline of its sweep toward the direction at the
    // distance: the convex hull of the object and its moved copy, corners in
    // clockwise order starting with the topmost-leftmost, the first corner
    // repeated at the end (at most seven points).
    static Rect previewObject(const Rect& client);
    std::vector<Point> previewOutline(const Rect& client) const;

private:
    std::int32_t m_distance;
    int m_direction;
    bool m_select;
};

}  // namespace tessary
