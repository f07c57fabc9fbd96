#pragma once

#include "app/qs_prefs.h"

namespace tessary {

// What the variations dialogs remember between runs (record words 41, 42).
struct VariationsPrefs {
    double zoom = 1.0;  // preview zoom, a power of two from 1/32 to 32 in use
    bool fine = false;  // fine steps chosen

    // Word 41 is clamped to -32..32; v >= 1 gives zoom v, v < 0 gives 1/|v|.
    // A stored 0 would be a zoom of nothing and gives 1.
    void distribute(const QSPrefs& record);
    // A zoom of 1 or more is written truncated, a smaller one as
    // -round(1 / zoom), then clamped to -32..32; a zoom that is not a positive
    // number is written as 1. Fine is written as 1 or 0.
    void collect(QSPrefs& record) const;
};

}  // namespace tessary
