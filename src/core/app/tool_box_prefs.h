#pragma once

#include <cstdint>

#include "app/qs_prefs.h"

namespace tessary {

// The tool box's section of the preferences (record words 16..31), handed to
// the tool box at start-up and collected from it at exit. The tools decide
// what the words mean; the names below say what is known of them. The two
// sets of five have the layout of the painting tools' brush options (shape
// class, size, spacing percent, profile, flag byte); by its defaults (class 1,
// size 9, spacing 25 %, profile 8) the first set is the brush tool's. The
// second set's record default size is 32.
struct ToolBoxPrefs {
    std::int32_t toolWord16 = 0;  // 0..1

    std::int32_t firstSetShapeClass = 1;  // 0..4
    std::int32_t firstSetSize = 9;        // 1..32
    std::int32_t firstSetSpacing = 25;    // 0..1000
    std::int32_t firstSetProfile = 8;     // 0..15
    bool firstSetFlag = false;

    std::int32_t secondSetShapeClass = 1;  // 0..4
    std::int32_t secondSetSize = 32;       // 1..32
    std::int32_t secondSetSpacing = 25;    // 0..1000
    std::int32_t secondSetProfile = 8;     // 0..15
    bool secondSetFlag = false;

    std::int32_t toolWord27 = 3;   // 1..32
    std::int32_t toolWord28 = 0;   // 0..32767
    std::int32_t toolWord29 = 12;  // 0..32767
    std::int32_t toolWord30 = 0;   // never read from the record: always 0 after reading
    std::int32_t toolWord31 = 0;   // 0..2 kept, else 0

    // Takes words 16..31 by their reading rules.
    void distribute(const QSPrefs& record);
    // Writes words 16..31, clamped to the same ranges.
    void collect(QSPrefs& record) const;
};

}  // namespace tessary
