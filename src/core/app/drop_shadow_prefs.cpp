#include "app/drop_shadow_prefs.h"

#include "app/prefs_rules.h"

namespace tessary {

namespace pw = prefs_word;
namespace rule = prefs_rule;

namespace {

constexpr std::int32_t offsetRule(std::int32_t v) {
    return rule::clamp(v, -32768, 32767);
}
constexpr std::int32_t directionRule(std::int32_t v) {
    return rule::keptOr(v, {1, 2, 3, 5, 6, 7}, 1);
}

}  // namespace

void DropShadowPrefs::distribute(const QSPrefs& record) {
    feather = rule::clamp(record.word(pw::kDropShadowFeather), 0, 100);
    intensity = rule::clamp(record.word(pw::kDropShadowIntensity), 0, 100);
    horizontalOffset = offsetRule(record.word(pw::kDropShadowHorizontalOffset));
    verticalOffset = offsetRule(record.word(pw::kDropShadowVerticalOffset));
    dropShadowWord49 = rule::clamp(record.word(pw::kDropShadowWord49), 1, 6);
    direction = directionRule(record.word(pw::kDropShadowDirection));
    color = static_cast<std::uint32_t>(record.word(pw::kDropShadowColor));
}

void DropShadowPrefs::collect(QSPrefs& record) const {
    record.setWord(pw::kDropShadowFeather, rule::clamp(feather, 0, 100));
    record.setWord(pw::kDropShadowIntensity, rule::clamp(intensity, 0, 100));
    record.setWord(pw::kDropShadowHorizontalOffset, offsetRule(horizontalOffset));
    record.setWord(pw::kDropShadowVerticalOffset, offsetRule(verticalOffset));
    record.setWord(pw::kDropShadowWord49, rule::clamp(dropShadowWord49, 1, 6));
    record.setWord(pw::kDropShadowDirection, directionRule(direction));
    record.setWord(pw::kDropShadowColor, static_cast<std::int32_t>(color));
}

}  // namespace tessary
