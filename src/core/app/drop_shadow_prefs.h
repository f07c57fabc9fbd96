#pragma once

#include <cstdint>

#include "app/qs_prefs.h"

namespace tessary {

// The Drop Shadow dialog's values (record words 45..51).
struct DropShadowPrefs {
    std::int32_t feather = 12;           // pixels, 0..100
    std::int32_t intensity = 100;        // percent, 0..100
    std::int32_t horizontalOffset = 16;  // pixels, -32768..32767 (negative: to the left)
    std::int32_t verticalOffset = 16;    // pixels, -32768..32767 (negative: upward)
    std::int32_t dropShadowWord49 = 1;   // 1..6
    std::int32_t direction = 5;          // 1, 2, 3, 5, 6, 7 kept, else 1
    std::uint32_t color = 0;             // colour value

    // Takes words 45..51 by their reading rules. The offsets keep their sign:
    // the dialog offers -20..20 pixels, so a shadow up or to the left must
    // survive the file.
    void distribute(const QSPrefs& record);
    // Writes words 45..51, clamped; a direction outside its set is written as 1.
    void collect(QSPrefs& record) const;
};

}  // namespace tessary
