#include "app/de_interlace_prefs.h"

#include "app/prefs_rules.h"

namespace tessary {

namespace pw = prefs_word;

void DeInterlacePrefs::distribute(const QSPrefs& record) {
    replaceOddFields = record.word(pw::kDeInterlaceReplaceOdd) != 0;
    interpolate = record.word(pw::kDeInterlaceInterpolate) != 0;
}

void DeInterlacePrefs::collect(QSPrefs& record) const {
    record.setWord(pw::kDeInterlaceReplaceOdd, prefs_rule::flagWord(replaceOddFields));
    record.setWord(pw::kDeInterlaceInterpolate, prefs_rule::flagWord(interpolate));
}

}  // namespace tessary
