#include "app/variations_prefs.h"

#include <cmath>

#include "app/prefs_rules.h"

namespace tessary {

namespace pw = prefs_word;
namespace rule = prefs_rule;

void VariationsPrefs::distribute(const QSPrefs& record) {
    const std::int32_t stored = rule::clamp(record.word(pw::kVariationsZoom), -32, 32);
    if (stored > 0) {
        zoom = stored;
    } else if (stored < 0) {
        zoom = 1.0 / -stored;
    } else {
        zoom = 1.0;
    }
    fine = record.word(pw::kVariationsFine) != 0;
}

void VariationsPrefs::collect(QSPrefs& record) const {
    std::int32_t stored = 1;
    if (zoom >= 1.0) {
        stored = zoom >= 32.0 ? 32 : static_cast<std::int32_t>(std::trunc(zoom));
    } else if (zoom > 0.0) {
        const double reciprocal = std::round(1.0 / zoom);
        stored = reciprocal >= 32.0 ? -32 : -static_cast<std::int32_t>(reciprocal);
    }
    record.setWord(pw::kVariationsZoom, rule::clamp(stored, -32, 32));
    record.setWord(pw::kVariationsFine, rule::flagWord(fine));
}

}  // namespace tessary
