#include "effects/shadow/drop_shadow_dialog.h"

#include <algorithm>

#include "app/drop_shadow_prefs.h"
#include "app/units.h"
#include "effects/geometry/geometry_dialog_values.h"

namespace tessary {

DropShadowDialogModel::DropShadowDialogModel(const DropShadowPrefs& prefs,
                                             double horizontalResolution, double verticalResolution,
                                             int unit)
    : m_feather(prefs.feather),
      m_intensity(prefs.intensity),
      m_horizontal(prefs.horizontalOffset),
      m_vertical(prefs.verticalOffset),
      m_horizontalResolution(horizontalResolution),
      m_verticalResolution(verticalResolution),
      m_unit(unit >= kUnitPixels && unit <= kUnitPoints ? unit : kUnitPixels) {}

void DropShadowDialogModel::setFeather(std::int32_t feather) {
    m_feather = std::clamp(feather, 0, kMaxFeather);
}

void DropShadowDialogModel::setIntensity(std::int32_t intensity) {
    m_intensity = std::clamp(intensity, 0, kMaxIntensity);
}

void DropShadowDialogModel::setUnit(int unit) {
    if (unit >= kUnitPixels && unit <= kUnitPoints) m_unit = unit;
}

void DropShadowDialogModel::editHorizontalOffset(double value) {
    m_horizontal =
        clampValue(toPixels(value, m_unit, m_horizontalResolution), -kMaxOffset, kMaxOffset);
}

void DropShadowDialogModel::editVerticalOffset(double value) {
    m_vertical = clampValue(toPixels(value, m_unit, m_verticalResolution), -kMaxOffset, kMaxOffset);
}

double DropShadowDialogModel::shownHorizontalOffset() const {
    return fromPixels(m_horizontal, m_unit, m_horizontalResolution);
}
double DropShadowDialogModel::shownVerticalOffset() const {
    return fromPixels(m_vertical, m_unit, m_verticalResolution);
}
std::string DropShadowDialogModel::shownHorizontalOffsetText() const {
    return twoDecimals(shownHorizontalOffset());
}
std::string DropShadowDialogModel::shownVerticalOffsetText() const {
    return twoDecimals(shownVerticalOffset());
}

void DropShadowDialogModel::store(DropShadowPrefs& prefs) const {
    prefs.feather = m_feather;
    prefs.intensity = m_intensity;
    prefs.horizontalOffset = static_cast<std::int32_t>(m_horizontal);
    prefs.verticalOffset = static_cast<std::int32_t>(m_vertical);
}

DropShadowRequest DropShadowDialogModel::request(std::uint32_t colour) const {
    DropShadowRequest r;
    r.colour = colour;
    r.horizontalOffset = static_cast<std::int32_t>(m_horizontal);
    r.verticalOffset = static_cast<std::int32_t>(m_vertical);
    r.feather = m_feather;
    r.opacity = dropShadowOpacity(m_intensity);
    return r;
}

DropShadowDialogModel::Preview DropShadowDialogModel::preview(const Rect& client) const {
    Preview p;
    const std::int32_t qx = client.width() / 4;
    const std::int32_t qy = client.height() / 4;
    p.object = Rect{client.left + qx, client.top + qy, client.right - qx, client.bottom - qy};
    const auto dx = static_cast<std::int32_t>(m_horizontal);
    const auto dy = static_cast<std::int32_t>(m_vertical);
    p.shadow =
        Rect{p.object.left + dx, p.object.top + dy, p.object.right + dx, p.object.bottom + dy};
    p.shadowGrey = static_cast<std::uint8_t>(std::clamp((100 - m_intensity) * 255 / 100, 0, 255));
    return p;
}

}  // namespace tessary
