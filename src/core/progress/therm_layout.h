#pragma once

#include <cstdint>

#include "model/image_data.h"

namespace tessary {

struct ThermPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const ThermPoint&, const ThermPoint&) = default;
};

// The fixed geometry of the progress window: which rows a style shows, where
// the rows and the Cancel button sit in the window's 300 x 120 client area,
// where the window goes over the main window, and how much of a bar is
// filled. All rectangles are client pixels of the progress window (right
// and bottom exclusive); rows are numbered from 1.
//
// Styles (resource ids):
//   25000  2 rows: texts joined on row 1, bar 0 on row 2, Cancel button
//   25001  the same without Cancel button
//   25002  3 rows: text 0, text 1, bar 0; Cancel button
//   25003  4 rows: text 0, text 1, bar 0, bar 1; Cancel button
//   25004  the same without Cancel button
//   25005  3 rows like 25002 without Cancel button
class ThermLayout {
public:
    static constexpr int kFirstStyle = 25000;
    static constexpr int kLastStyle = 25005;
    // The style an unknown id falls back to.
    static constexpr int kFallbackStyle = 25002;
    static constexpr std::int32_t kWindowWidth = 300;
    static constexpr std::int32_t kWindowHeight = 120;
    static constexpr int kCancelControlId = 66;

    static bool knownStyle(int style) { return style >= kFirstStyle && style <= kLastStyle; }

    // The layout of `style`. An id outside 25000-25005 is a caller's mistake:
    // the line "specify in CThermObj" goes to the standard output and the
    // layout of kFallbackStyle is used, so the window still works.
    explicit ThermLayout(int style);

    // The id given at construction (even when it was unknown).
    int style() const { return m_style; }
    int rowCount() const { return m_rows; }
    // Rows showing each item; 0 when the style does not show it.
    int text0Row() const { return m_text0Row; }
    int text1Row() const { return m_text1Row; }
    int bar0Row() const { return m_bar0Row; }
    int bar1Row() const { return m_bar1Row; }
    bool hasCancelButton() const { return m_cancelButton; }
    // Text 0 and text 1 share a row, which then shows them joined.
    bool textsShareRow() const { return m_text0Row != 0 && m_text0Row == m_text1Row; }

    // Row r (1 ... rowCount()): with n rows and gap = (4 - n) x 20 / (n - 1),
    // left 10, right 290, top 10 + (r - 1) x (20 + gap), 20 high; with a
    // Cancel button the last row ends at 208. Empty for other r.
    Rect rowRect(int row) const;
    // (218, 70)-(290, 90) with a Cancel button, else empty.
    Rect cancelButtonRect() const;

    // Top left of the window for a main window whose client area is
    // `mainClient` (same coordinates out as in): centred across when the
    // client is wider than 300, centred down when it is higher than 100,
    // else at the client's left or top.
    static ThermPoint windowOrigin(const Rect& mainClient);

    // Width of the filled part of a bar whose inner rectangle is
    // `innerWidth` wide: innerWidth x done / total, in integer arithmetic
    // while done is below 0x100000 and in double precision above, so that
    // large counts do not overflow; 0 when done or total is below 1, at most
    // innerWidth.
    static std::int32_t filledWidth(std::int32_t innerWidth, std::int32_t done, std::int32_t total);

private:
    int m_style;
    int m_rows = 0;
    int m_text0Row = 0;
    int m_text1Row = 0;
    int m_bar0Row = 0;
    int m_bar1Row = 0;
    bool m_cancelButton = false;
};

}  // namespace tessary
