#include "progress/therm_layout.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace tessary {
namespace {

TEST(ThermLayout, EachStyleShowsItsItemsOnRowsPlacedByTheGapRule) {
    const struct {
        int style, text0, text1, bar0, bar1;
        bool cancel;
        std::vector<Rect> rows;  // worked out by hand
    } styles[] = {
        {25000, 1, 1, 2, 0, true, {{10, 10, 290, 30}, {10, 70, 208, 90}}},
        {25001, 1, 1, 2, 0, false, {{10, 10, 290, 30}, {10, 70, 290, 90}}},
        {25002, 1, 2, 3, 0, true, {{10, 10, 290, 30}, {10, 40, 290, 60}, {10, 70, 208, 90}}},
        {25003,
         1,
         2,
         3,
         4,
         true,
         {{10, 10, 290, 30}, {10, 30, 290, 50}, {10, 50, 290, 70}, {10, 70, 208, 90}}},
        {25004,
         1,
         2,
         3,
         4,
         false,
         {{10, 10, 290, 30}, {10, 30, 290, 50}, {10, 50, 290, 70}, {10, 70, 290, 90}}},
        {25005, 1, 2, 3, 0, false, {{10, 10, 290, 30}, {10, 40, 290, 60}, {10, 70, 290, 90}}},
    };
    for (const auto& e : styles) {
        SCOPED_TRACE(e.style);
        testing::internal::CaptureStdout();
        const ThermLayout layout(e.style);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        const int n = static_cast<int>(e.rows.size());
        EXPECT_EQ(layout.rowCount(), n);
        EXPECT_EQ(layout.text0Row(), e.text0);
        EXPECT_EQ(layout.text1Row(), e.text1);
        EXPECT_EQ(layout.bar0Row(), e.bar0);
        EXPECT_EQ(layout.bar1Row(), e.bar1);
        EXPECT_EQ(layout.textsShareRow(), e.text0 == e.text1);
        EXPECT_EQ(layout.hasCancelButton(), e.cancel);
        for (int r = 1; r <= n; ++r)
            EXPECT_EQ(layout.rowRect(r), e.rows[static_cast<std::size_t>(r - 1)]) << r;
        EXPECT_TRUE(layout.rowRect(0).empty());
        EXPECT_TRUE(layout.rowRect(n + 1).empty());
        EXPECT_EQ(layout.cancelButtonRect(), (e.cancel ? Rect{218, 70, 290, 90} : Rect{}));
    }
}

TEST(ThermLayout, UnknownStyleTracesAndFallsBackToTheThreeRowStyle) {
    for (int style : {0, 24999, 25006}) {
        testing::internal::CaptureStdout();
        const ThermLayout layout(style);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "specify in CThermObj\n");
        EXPECT_EQ(layout.style(), style);
        EXPECT_EQ(layout.rowCount(), 3);
        EXPECT_EQ(layout.bar0Row(), 3);
        EXPECT_TRUE(layout.hasCancelButton());
    }
}

TEST(ThermLayout, WindowPlacementAndBarFill) {
    EXPECT_EQ(ThermLayout::windowOrigin(Rect{100, 50, 700, 450}), (ThermPoint{250, 200}));
    EXPECT_EQ(ThermLayout::windowOrigin(Rect{-20, -10, 280, 90}), (ThermPoint{-20, -10}));
    EXPECT_EQ(ThermLayout::windowOrigin(Rect{0, 0, 1000, 50}), (ThermPoint{350, 0}));
    const std::int32_t most = std::numeric_limits<std::int32_t>::max();
    const struct {
        std::int32_t width, done, total, filled;
    } cases[] = {
        // clang-format off
        {278, 1, 2, 139}, {196, 1, 3, 65}, {278, 0, 10, 0}, {278, 5, 0, 0}, {278, -7, 10, 0},
        {278, 11, 10, 278},
        // Large counts without overflow, on either side of the switch to doubles.
        {278, 2000000, 4000000, 139}, {278, most, most, 278}, {278, most / 4, most, 69},
        {278, 0xFFFFF, 0x100000, 277},
        // clang-format on
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ThermLayout::filledWidth(c.width, c.done, c.total), c.filled) << c.done;
    }
}

}  // namespace
}  // namespace tessary
