#pragma once

#include "app/qs_prefs.h"

namespace tessary {

// The De-Interlace dialog's two choices (record words 43, 44).
struct DeInterlacePrefs {
    bool replaceOddFields = true;  // "Odd Fields" (true) or "Even Fields"
    bool interpolate = true;       // "Interpolation" (true) or "Duplication"

    // A non-zero word reads as true.
    void distribute(const QSPrefs& record);
    // Written as 1 or 0.
    void collect(QSPrefs& record) const;
};

}  // namespace tessary
