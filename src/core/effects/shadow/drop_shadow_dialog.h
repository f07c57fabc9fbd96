#pragma once

#include <cstdint>
#include <string>

#include "effects/shadow/drop_shadow.h"
#include "model/image_data.h"

namespace tessary {

struct DropShadowPrefs;

// The numbers behind the Drop Shadow dialog (dialog 200). Offsets are held
// in pixels and shown in the selected unit (list 1031: pixels, inches,
// centimetres, picas, points, index = unit) through the page's horizontal
// and vertical resolution.
class DropShadowDialogModel {
public:
    static constexpr std::int32_t kMaxFeather = 10;
    static constexpr std::int32_t kMaxIntensity = 100;
    static constexpr double kMaxOffset = 20.0;  // pixels either way

    // Opens with the preference values; unit is the application's default
    // measurement unit (anything outside 0-4 selects pixels).
    DropShadowDialogModel(const DropShadowPrefs& prefs, double horizontalResolution,
                          double verticalResolution, int unit);

    std::int32_t feather() const { return m_feather; }
    std::int32_t intensity() const { return m_intensity; }
    // Slider 1103 or edit 1105, and slider 1104 or edit 1106: both set the
    // one value, clamped to 0 ... 10 and 0 ... 100.
    void setFeather(std::int32_t feather);
    void setIntensity(std::int32_t intensity);

    int unit() const { return m_unit; }
    // Changes how the offsets are shown, not their value.
    void setUnit(int unit);

    double horizontalOffset() const { return m_horizontal; }  // pixels
    double verticalOffset() const { return m_vertical; }
    // An offset typed in the unit: converted to pixels, clamped to -20 ... 20.
    void editHorizontalOffset(double value);
    void editVerticalOffset(double value);
    double shownHorizontalOffset() const;  // in the unit
    double shownVerticalOffset() const;
    std::string shownHorizontalOffsetText() const;  // two decimals
    std::string shownVerticalOffsetText() const;

    // OK: feather, intensity and the offsets truncated to whole pixels.
    void store(DropShadowPrefs& prefs) const;
    // What the command passes to dropShadow() with the foreground colour.
    DropShadowRequest request(std::uint32_t colour) const;

    // The preview in a well whose client area is `client`: the object is the
    // client area shrunk by a quarter of its width and height on each side,
    // the shadow the object moved by the offsets (whole pixels), filled with
    // grey `shadowGrey` in all three components (the object is black).
    struct Preview {
        Rect object;
        Rect shadow;
        std::uint8_t shadowGrey = 0;
    };
    Preview preview(const Rect& client) const;

private:
    std::int32_t m_feather;
    std::int32_t m_intensity;
    double m_horizontal;
    double m_vertical;
    double m_horizontalResolution;
    double m_verticalResolution;
    int m_unit;
};

}  // namespace tessary
