#pragma once

#include <string>

namespace tessary {

// The numbers behind the Canvas Resolution dialog (dialog 147). The
// resolutions are held in pixels per inch and shown per inch or per
// centimetre, as the display preference says (1: per inch). An edited value
// is converted to pixels per inch and clamped to 1 ... 8,191; with "Keep
// Aspect Ratio" the other value follows at the starting horizontal-to-
// vertical ratio, clamped the same way.
class CanvasResolutionDialogModel {
public:
    static constexpr double kMinimum = 1.0;
    static constexpr double kMaximum = 8191.0;

    CanvasResolutionDialogModel(double horizontal, double vertical, int resolutionUnitPreference);

    bool perInch() const { return m_perInch; }
    bool keepAspect() const { return m_keepAspect; }
    void setKeepAspect(bool keep) { m_keepAspect = keep; }
    // Static 1016: "Pixels / Inch" or "Pixels / Cm".
    std::string unitText() const;

    double horizontal() const { return m_horizontal; }  // pixels per inch
    double vertical() const { return m_vertical; }
    double shownHorizontal() const;  // in the shown unit
    double shownVertical() const;
    std::string shownHorizontalText() const;
    std::string shownVerticalText() const;

    void editHorizontal(double value);  // value in the shown unit
    void editVertical(double value);
    void reset();

private:
    double toPerInch(double value) const;
    double toShown(double perInch) const;

    double m_startHorizontal;
    double m_startVertical;
    bool m_perInch;
    bool m_keepAspect = true;
    double m_ratio;
    double m_horizontal;
    double m_vertical;
};

}  // namespace tessary
