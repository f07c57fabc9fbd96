#include "app/extrude_prefs.h"

#include "app/prefs_rules.h"

namespace tessary {

namespace pw = prefs_word;
namespace rule = prefs_rule;

namespace {

constexpr std::int32_t compassRule(std::int32_t v) {
    return rule::inRangeOr(v, 1, 7, 0);
}
constexpr std::int32_t directionRule(std::int32_t v) {
    return rule::keptOr(v, {1, 2, 3, 5, 6, 7}, 1);
}

}  // namespace

void ExtrudePrefs::distribute(const QSPrefs& record) {
    distance = rule::clamp(record.word(pw::kExtrudeDistance), 0, 100);
    compassDirection = compassRule(record.word(pw::kExtrudeCompassDirection));
    select = record.word(pw::kExtrudeSelect) == 1;
    direction = directionRule(record.word(pw::kExtrudeDirection));
    color = static_cast<std::uint32_t>(record.word(pw::kExtrudeColor));
}

void ExtrudePrefs::collect(QSPrefs& record) const {
    record.setWord(pw::kExtrudeDistance, rule::clamp(distance, 0, 100));
    record.setWord(pw::kExtrudeCompassDirection, compassRule(compassDirection));
    record.setWord(pw::kExtrudeSelect, rule::flagWord(select));
    record.setWord(pw::kExtrudeDirection, directionRule(direction));
    record.setWord(pw::kExtrudeColor, static_cast<std::int32_t>(color));
}

}  // namespace tessary
