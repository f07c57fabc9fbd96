#include "app/preference_set.h"

namespace tessary {

void PreferenceSet::distribute(const QSPrefs& record) {
    global.distribute(record);
    toolBox.distribute(record);
    fileOptions.distribute(record);
    variations.distribute(record);
    deInterlace.distribute(record);
    dropShadow.distribute(record);
    extrude.distribute(record);
}

QSPrefs PreferenceSet::collect() const {
    QSPrefs record;
    global.collect(record);
    toolBox.collect(record);
    fileOptions.collect(record);
    variations.collect(record);
    deInterlace.collect(record);
    dropShadow.collect(record);
    extrude.collect(record);
    return record;
}

}  // namespace tessary
