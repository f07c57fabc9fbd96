#include "effects/geometry/canvas_size_dialog.h"

#include "app/string_table.h"
#include "app/units.h"
#include "effects/geometry/geometry_dialog_values.h"

namespace tessary {

namespace {

constexpr int kInUnitPhrase = 4211;  // "(in pixels)" + 2 x unit
constexpr int kUnitBrackets = 4212;  // "(Pixels)" + 2 x unit
const char kNewDimensions[] = "New Dimensions ";

}  // namespace

CanvasSizeDialogModel::CanvasSizeDialogModel(double width, double height, double resolution,
                                             std::int32_t type, int unit)
    : m_width(width),
      m_height(height),
      m_resolution(resolution),
      m_type(type),
      m_unit(unit >= kUnitPixels && unit <= kUnitPoints ? unit : kUnitPixels),
      m_ratio(height > 0 ? width / height : 1.0),
      m_newWidth(width),
      m_newHeight(height) {}

std::string CanvasSizeDialogModel::groupTitle() const {
    return kNewDimensions + loadString(kInUnitPhrase + 2 * m_unit);
}

std::string CanvasSizeDialogModel::currentWidthText() const {
    return twoDecimals(fromPixels(m_width, m_unit, m_resolution)) + " " +
           loadString(kUnitBrackets + 2 * m_unit);
}

std::string CanvasSizeDialogModel::currentHeightText() const {
    return twoDecimals(fromPixels(m_height, m_unit, m_resolution)) + " " +
           loadString(kUnitBrackets + 2 * m_unit);
}

double CanvasSizeDialogModel::shownWidth() const {
    return fromPixels(m_newWidth, m_unit, m_resolution);
}
double CanvasSizeDialogModel::shownHeight() const {
    return fromPixels(m_newHeight, m_unit, m_resolution);
}
std::string CanvasSizeDialogModel::shownWidthText() const {
    return twoDecimals(shownWidth());
}
std::string CanvasSizeDialogModel::shownHeightText() const {
    return twoDecimals(shownHeight());
}

void CanvasSizeDialogModel::editWidth(double value) {
    m_newWidth = clampValue(toPixels(value, m_unit, m_resolution), kMinimumPixels, kMaximumPixels);
    if (m_keepAspect)
        m_newHeight = clampValue(m_newWidth / m_ratio, kMinimumPixels, kMaximumPixels);
}

void CanvasSizeDialogModel::editHeight(double value) {
    m_newHeight = clampValue(toPixels(value, m_unit, m_resolution), kMinimumPixels, kMaximumPixels);
    if (m_keepAspect)
        m_newWidth = clampValue(m_newHeight * m_ratio, kMinimumPixels, kMaximumPixels);
}

void CanvasSizeDialogModel::reset() {
    m_newWidth = m_width;
    m_newHeight = m_height;
}

std::string CanvasSizeDialogModel::imageSizeText() const {
    return kilobyteSizeText(m_newWidth, m_newHeight, m_type);
}

}  // namespace tessary
