#include "effects/geometry/scale_dialog.h"

#include "app/units.h"
#include "effects/geometry/geometry_dialog_values.h"

namespace tessary {

namespace {

constexpr int kPercentString = 199;    // "Percent"
constexpr int kFirstUnitString = 340;  // "Pixels" ... "Points" (340-344)

}  // namespace

ScaleDialogModel::ScaleDialogModel(double oldWidth, double oldHeight, double resolution,
                                   std::int32_t type, int defaultUnit)
    : m_oldWidth(oldWidth),
      m_oldHeight(oldHeight),
      m_resolution(resolution),
      m_type(type),
      m_unit(defaultUnit >= kUnitPixels && defaultUnit <= kUnitPoints ? defaultUnit + 1
                                                                      : kUnitPixels + 1),
      m_aspect(oldHeight > 0 ? oldWidth / oldHeight : 1.0),
      m_newWidth(oldWidth),
      m_newHeight(oldHeight) {}

int ScaleDialogModel::unitStringId(int index) {
    if (index == kPercent) return kPercentString;
    if (index >= 1 && index < kUnitCount) return kFirstUnitString + index - 1;
    return -1;
}

void ScaleDialogModel::setUnitIndex(int index) {
    if (index >= 0 && index < kUnitCount) m_unit = index;
}

std::string ScaleDialogModel::oldWidthText() const {
    return twoDecimals(m_oldWidth);
}
std::string ScaleDialogModel::oldHeightText() const {
    return twoDecimals(m_oldHeight);
}
std::string ScaleDialogModel::shownWidthText() const {
    return twoDecimals(shownWidth());
}
std::string ScaleDialogModel::shownHeightText() const {
    return twoDecimals(shownHeight());
}

double ScaleDialogModel::toPixels(double value, double oldLength) const {
    if (m_unit == kPercent) return value * 0.01 * oldLength;
    return tessary::toPixels(value, m_unit - 1, m_resolution);
}

double ScaleDialogModel::toShown(double pixels, double oldLength) const {
    if (m_unit == kPercent) return oldLength > 0 ? pixels / oldLength * 100.0 : 0.0;
    return fromPixels(pixels, m_unit - 1, m_resolution);
}

void ScaleDialogModel::editWidth(double value) {
    m_newWidth = clampValue(toPixels(value, m_oldWidth), kMinimumPixels, kMaximumPixels);
    if (m_keepAspect)
        m_newHeight = clampValue(m_newWidth / m_aspect, kMinimumPixels, kMaximumPixels);
}

void ScaleDialogModel::editHeight(double value) {
    m_newHeight = clampValue(toPixels(value, m_oldHeight), kMinimumPixels, kMaximumPixels);
    if (m_keepAspect)
        m_newWidth = clampValue(m_newHeight * m_aspect, kMinimumPixels, kMaximumPixels);
}

void ScaleDialogModel::reset() {
    m_newWidth = m_oldWidth;
    m_newHeight = m_oldHeight;
}

std::string ScaleDialogModel::imageSizeText() const {
    return kilobyteSizeText(m_newWidth, m_newHeight, m_type);
}

}  // namespace tessary
