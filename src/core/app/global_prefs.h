#pragma once

#include <cstdint>

#include "app/qs_prefs.h"
#include "vm/volume_list.h"

namespace tessary {

// The general preferences: paint colours, opacity, the info display's unit,
// the current tool and the memory budget (record words 3..15). Start-up
// copies them into the application globals; shutdown copies the values in
// force back before collecting.
struct GlobalPrefs {
    std::uint32_t foreground = 0x000000;  // colour value, red in bits 0..7
    std::uint32_t background = 0xFFFFFF;  // white
    std::int32_t opacity = 255;           // 0..255, the paint palette's slider
    std::int32_t generalLevel2 = 255;     // second general 0..255 setting
    std::int32_t generalLevel3 = 255;     // third general 0..255 setting
    bool generalFlag = false;
    std::int32_t constantThree = 3;  // always 3
    std::int32_t unit = 0;           // measurement unit; 1..5 kept, else 0
    std::int32_t currentTool = 1;    // 1..16
    BudgetPrefs budget;              // vmMethod 0, mbToUse 20, percentToUse 50, mbToLeaveFree 1
    // Threads effects compute on, 0 for all cores. Kept in the preference
    // file after the record (PreferenceTail), not in it; a value outside
    // 0 ... kMaxWorkerThreads reads as 0.
    static constexpr std::int32_t kMaxWorkerThreads = 64;
    std::int32_t workerThreads = 0;
    static std::int32_t workerThreadsRule(std::int32_t threads) {
        return threads >= 0 && threads <= kMaxWorkerThreads ? threads : 0;
    }
    // Plug-in modules run in the program's process instead of a helper
    // process. Kept after the record (PreferenceTail) like the threads.
    bool modulesInProcess = false;

    // Takes words 3..15 by their reading rules; words 1, 2 and 9 are ignored.
    void distribute(const QSPrefs& record);
    // Writes words 3..15, clamped and with enumerations outside their sets
    // written as their fallbacks; word 9 is written as 3.
    void collect(QSPrefs& record) const;
};

}  // namespace tessary
