#pragma once

#include <cstdint>
#include <string>

namespace tessary {

// The numbers behind the Scale dialog (dialog 155): the shell's handler
// shows what this says and forwards every edit here.
//
// Sizes are held in pixels; the unit list (control 1031) offers "Percent"
// (index 0) and then the measurement units pixels, inches, centimetres,
// picas and points (index = unit + 1). An edited width or height is turned
// into pixels (percent of the old size, or through the resolution), clamped
// to 1 ... 16,382 pixels, and with "Keep Aspect Ratio" the other side
// follows at the old aspect, clamped the same way.
class ScaleDialogModel {
public:
    static constexpr int kPercent = 0;
    static constexpr int kUnitCount = 6;
    static constexpr double kMinimumPixels = 1.0;
    static constexpr double kMaximumPixels = 16382.0;

    // oldWidth x oldHeight: the standard target's rectangle; resolution in
    // pixels per inch; type 2 or 5; defaultUnit the application's default
    // measurement unit (0-4; anything else selects pixels).
    ScaleDialogModel(double oldWidth, double oldHeight, double resolution, std::int32_t type,
                     int defaultUnit);

    // String ids of the unit list entries, in list order.
    static int unitStringId(int index);

    int unitIndex() const { return m_unit; }
    // Selecting another unit changes only how the sizes are shown.
    void setUnitIndex(int index);
    bool keepAspect() const { return m_keepAspect; }
    void setKeepAspect(bool keep) { m_keepAspect = keep; }

    double oldWidth() const { return m_oldWidth; }
    double oldHeight() const { return m_oldHeight; }
    std::string oldWidthText() const;
    std::string oldHeightText() const;

    // The new size in pixels.
    double newWidth() const { return m_newWidth; }
    double newHeight() const { return m_newHeight; }
    // The new size in the selected unit, and as the edits show it.
    double shownWidth() const { return toShown(m_newWidth, m_oldWidth); }
    double shownHeight() const { return toShown(m_newHeight, m_oldHeight); }
    std::string shownWidthText() const;
    std::string shownHeightText() const;

    // An edit of the width or height, `value` in the selected unit.
    void editWidth(double value);
    void editHeight(double value);
    // "Reset": the old size again.
    void reset();

    // The image size text (control 1018) for the new size.
    std::string imageSizeText() const;

    // What "Scale" hands to the command: the new size truncated to whole
    // pixels.
    std::int32_t resultWidth() const { return static_cast<std::int32_t>(m_newWidth); }
    std::int32_t resultHeight() const { return static_cast<std::int32_t>(m_newHeight); }

private:
    double toPixels(double value, double oldLength) const;
    double toShown(double pixels, double oldLength) const;

    double m_oldWidth;
    double m_oldHeight;
    double m_resolution;
    std::int32_t m_type;
    int m_unit;
    bool m_keepAspect = true;
    double m_aspect;
    double m_newWidth;
    double m_newHeight;
};

}  // namespace tessary
