#pragma once

#include <cstdint>

#include "app/qs_prefs.h"

namespace tessary {

// The Extrude dialog's values (record words 52..56).
//
// The dialog's sweep direction (0 up, then clockwise: 1 up-right, 2 right,
// 3 down-right, 4 down, 5 down-left, 6 left, 7 up-left) is compassDirection,
// word 53, whose reading rule keeps exactly 0..7. Word 55, `direction`, is a
// separate value with the drop shadow's direction rule; it never takes the
// drop shadow's value.
struct ExtrudePrefs {
    std::int32_t distance = 12;         // pixels, 0..100
    std::int32_t compassDirection = 3;  // 0..7 (1..7 kept on reading, else 0)
    bool select = false;                // operation: false "Fill Solid", true "Select"
    std::int32_t direction = 5;         // 1, 2, 3, 5, 6, 7 kept, else 1
    std::uint32_t color = 0;            // colour value

    // Takes words 52..56 by their reading rules; only a stored 1 selects.
    void distribute(const QSPrefs& record);
    // Writes words 52..56, clamped; enumerations outside their sets are
    // written as their fallbacks (compass 0, direction 1).
    void collect(QSPrefs& record) const;
};

}  // namespace tessary
