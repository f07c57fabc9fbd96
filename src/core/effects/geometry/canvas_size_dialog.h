#pragma once

#include <cstdint>
#include <string>

namespace tessary {

// The numbers behind the Canvas Size dialog (dialog 148). Sizes are held in
// pixels and shown in the application's default measurement unit (0 pixels,
// 1 inches, 2 centimetres, 3 picas, 4 points) through the resolution. An
// edited value is converted to pixels and clamped to 1 ... 16,382; with
// "Keep Aspect Ratio" the other side follows at the starting width-to-height
// ratio, clamped the same way.
class CanvasSizeDialogModel {
public:
    static constexpr double kMinimumPixels = 1.0;
    static constexpr double kMaximumPixels = 16382.0;

    // The whole image's width and height in pixels, its resolution (pixels
    // per inch) and type (2 or 5); unit outside 0-4 is taken as pixels.
    CanvasSizeDialogModel(double width, double height, double resolution, std::int32_t type,
                          int unit);

    int unit() const { return m_unit; }
    bool keepAspect() const { return m_keepAspect; }
    void setKeepAspect(bool keep) { m_keepAspect = keep; }

    // Group 1020's title: "New Dimensions " and the unit's phrase
    // ("(in pixels)" ...).
    std::string groupTitle() const;
    // Statics 1023 and 1024: the current size in the unit, two decimals,
    // and the unit in brackets ("640.00 (Pixels)").
    std::string currentWidthText() const;
    std::string currentHeightText() const;

    double newWidth() const { return m_newWidth; }  // pixels
    double newHeight() const { return m_newHeight; }
    double shownWidth() const;  // in the unit
    double shownHeight() const;
    std::string shownWidthText() const;
    std::string shownHeightText() const;

    void editWidth(double value);  // value in the unit
    void editHeight(double value);
    void reset();

    std::string imageSizeText() const;

    // What "Resize" hands to the command: truncated to whole pixels.
    std::int32_t resultWidth() const { return static_cast<std::int32_t>(m_newWidth); }
    std::int32_t resultHeight() const { return static_cast<std::int32_t>(m_newHeight); }

private:
    double m_width;
    double m_height;
    double m_resolution;
    std::int32_t m_type;
    int m_unit;
    bool m_keepAspect = true;
    double m_ratio;
    double m_newWidth;
    double m_newHeight;
};

}  // namespace tessary
