#include "progress/therm_layout.h"

#include <algorithm>
#include <cstdio>

namespace tessary {

namespace {

struct StyleRow {
    int rows, text0, text1, bar0, bar1;
    bool cancel;
};

// Indexed by style - 25000.
constexpr StyleRow kStyles[] = {
    {2, 1, 1, 2, 0, true},   // 25000
    {2, 1, 1, 2, 0, false},  // 25001
    {3, 1, 2, 3, 0, true},   // 25002
    {4, 1, 2, 3, 4, true},   // 25003
    {4, 1, 2, 3, 4, false},  // 25004
    {3, 1, 2, 3, 0, false},  // 25005
};

constexpr std::int32_t kRowLeft = 10;
constexpr std::int32_t kRowRight = 290;
constexpr std::int32_t kRowTop = 10;
constexpr std::int32_t kRowHeight = 20;
constexpr std::int32_t kRowRightBesideButton = 208;
constexpr Rect kCancelButton{218, 70, 218 + 72, 70 + 20};
// A bar's done count from which its fill is worked out in double precision:
// below it, inner width x done stays far inside 32 bits.
constexpr std::int32_t kLargeDone = 0x100000;

}  // namespace

ThermLayout::ThermLayout(int style) : m_style(style) {
    if (!knownStyle(style)) {
        std::printf("specify in CThermObj\n");
        std::fflush(stdout);
    }
    const StyleRow& row = kStyles[(knownStyle(style) ? style : kFallbackStyle) - kFirstStyle];
    m_rows = row.rows;
    m_text0Row = row.text0;
    m_text1Row = row.text1;
    m_bar0Row = row.bar0;
    m_bar1Row = row.bar1;
    m_cancelButton = row.cancel;
}

Rect ThermLayout::rowRect(int row) const {
    if (row < 1 || row > m_rows) return Rect{};
    const std::int32_t gap = (4 - m_rows) * 20 / (m_rows - 1);
    Rect r;
    r.left = kRowLeft;
    r.right = (m_cancelButton && row == m_rows) ? kRowRightBesideButton : kRowRight;
    r.top = kRowTop + (row - 1) * (kRowHeight + gap);
    r.bottom = r.top + kRowHeight;
    return r;
}

Rect ThermLayout::cancelButtonRect() const {
    return m_cancelButton ? kCancelButton : Rect{};
}

ThermPoint ThermLayout::windowOrigin(const Rect& mainClient) {
    const std::int64_t width = std::int64_t{mainClient.right} - mainClient.left;
    const std::int64_t height = std::int64_t{mainClient.bottom} - mainClient.top;
    ThermPoint origin{mainClient.left, mainClient.top};
    if (width > kWindowWidth)
        origin.x = static_cast<std::int32_t>(mainClient.left + (width - 300) / 2);
    if (height > 100) origin.y = static_cast<std::int32_t>(mainClient.top + (height - 100) / 2);
    return origin;
}

std::int32_t ThermLayout::filledWidth(std::int32_t innerWidth, std::int32_t done,
                                      std::int32_t total) {
    if (innerWidth <= 0 || done < 1 || total < 1) return 0;
    std::int64_t filled;
    if (done < kLargeDone) {
        filled = std::int64_t{innerWidth} * done / total;
    } else {
        filled = static_cast<std::int64_t>(static_cast<double>(innerWidth) * done / total);
    }
    return static_cast<std::int32_t>(std::min<std::int64_t>(filled, innerWidth));
}

}  // namespace tessary
