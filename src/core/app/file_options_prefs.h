#pragma once

#include <cstdint>

#include "app/qs_prefs.h"

namespace tessary {

// What the New Image dialog remembers, and two file options it does not use
// (record words 32..40).
struct FileOptionsPrefs {
    std::int32_t newImageType = 5;      // 2 grey, 5 RGB (1 and 2 kept on reading, else 5)
    std::int32_t newImageFill = 1;      // 1 white, 2 black
    bool flag = false;                  // file options flag; only a stored 1 reads as true
    std::int32_t value = 1;             // file options value; 2-5, 7-9, 11-16, 18, 19 kept, else 1
    double newImageWidth = 512.0;       // pixels
    double newImageHeight = 342.0;      // pixels
    std::int32_t newImageSizeUnit = 0;  // 0 pixels .. 4 points (0..5 kept, else 0)
    double newImageResolution = 72.0;   // pixels per inch
    std::int32_t newImageResolutionUnit = 1;  // 1 per inch, 2 per centimetre

    // Takes words 32..40 by their reading rules. A stored width or height
    // below 1 gives 512 or 342; a stored resolution below 1 gives 1, so that no
    // later conversion divides by a zero or negative resolution.
    void distribute(const QSPrefs& record);
    // Writes words 32..40: width, height and resolution truncated, at least 1
    // (and at most 2^31 - 1); a fill of 3 ("Clipboard") is written as 1.
    void collect(QSPrefs& record) const;
};

}  // namespace tessary
