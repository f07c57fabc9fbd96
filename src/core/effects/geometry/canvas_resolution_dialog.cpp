#include "effects/geometry/canvas_resolution_dialog.h"

#include "app/string_table.h"
#include "app/units.h"
#include "effects/geometry/geometry_dialog_values.h"

namespace tessary {

namespace {

constexpr int kPixelsPerInch = 350;        // "Pixels / Inch"
constexpr int kPixelsPerCentimeter = 351;  // "Pixels / Cm"

}  // namespace

CanvasResolutionDialogModel::CanvasResolutionDialogModel(double horizontal, double vertical,
                                                         int resolutionUnitPreference)
    : m_startHorizontal(horizontal),
      m_startVertical(vertical),
      m_perInch(resolutionUnitPreference == kPerInch),
      m_ratio(vertical > 0 ? horizontal / vertical : 1.0),
      m_horizontal(horizontal),
      m_vertical(vertical) {}

std::string CanvasResolutionDialogModel::unitText() const {
    return loadString(m_perInch ? kPixelsPerInch : kPixelsPerCentimeter);
}

double CanvasResolutionDialogModel::toPerInch(double value) const {
    return m_perInch ? value : perCentimeterToPerInch(value);
}

double CanvasResolutionDialogModel::toShown(double perInch) const {
    return m_perInch ? perInch : perInchToPerCentimeter(perInch);
}

double CanvasResolutionDialogModel::shownHorizontal() const {
    return toShown(m_horizontal);
}
double CanvasResolutionDialogModel::shownVertical() const {
    return toShown(m_vertical);
}
std::string CanvasResolutionDialogModel::shownHorizontalText() const {
    return twoDecimals(shownHorizontal());
}
std::string CanvasResolutionDialogModel::shownVerticalText() const {
    return twoDecimals(shownVertical());
}

void CanvasResolutionDialogModel::editHorizontal(double value) {
    m_horizontal = clampValue(toPerInch(value), kMinimum, kMaximum);
    if (m_keepAspect) m_vertical = clampValue(m_horizontal / m_ratio, kMinimum, kMaximum);
}

void CanvasResolutionDialogModel::editVertical(double value) {
    m_vertical = clampValue(toPerInch(value), kMinimum, kMaximum);
    if (m_keepAspect) m_horizontal = clampValue(m_vertical * m_ratio, kMinimum, kMaximum);
}

void CanvasResolutionDialogModel::reset() {
    m_horizontal = m_startHorizontal;
    m_vertical = m_startVertical;
}

}  // namespace tessary
