// The magic wand: the area found against a flood fill written from the
// definition, combination with the selection, the progress window and its
// cancel on a large page, and presses that must change nothing.

#include "tools/selection/wand_tool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/tools/selection/selection_test_support.h"
#include "model/page.h"
#include "model/page_data.h"

namespace tessary {
namespace {

using test::CancellingProgress;
using test::Keys;
using test::Mask;
using test::maskOf;
using test::ProgressLog;
using test::samePlane;
using test::SelectionRig;

// The pixels 4-connected to the seed whose every plane lies within 10 of
// the seed's, by a plain flood fill.
Mask floodReference(const std::vector<Mask>& planes, std::int32_t width, std::int32_t height,
                    ToolPoint seed) {
    Mask out(static_cast<std::size_t>(width) * height, 0);
    const auto at = [&](std::int32_t x, std::int32_t y) { return std::size_t(y) * width + x; };
    const auto matches = [&](std::size_t i) {
        for (const Mask& plane : planes) {
            if (std::abs(int{plane[i]} - int{plane[at(seed.x, seed.y)]}) > 10) return false;
        }
        return true;
    };
    std::vector<ToolPoint> stack = {seed};
    out[at(seed.x, seed.y)] = 255;
    while (!stack.empty()) {
        const ToolPoint p = stack.back();
        stack.pop_back();
        const ToolPoint next[] = {{p.x - 1, p.y}, {p.x + 1, p.y}, {p.x, p.y - 1}, {p.x, p.y + 1}};
        for (const ToolPoint q : next) {
            if (q.x < 0 || q.y < 0 || q.x >= width || q.y >= height) continue;
            const std::size_t i = at(q.x, q.y);
            if (out[i] == 0 && matches(i)) {
                out[i] = 255;
                stack.push_back(q);
            }
        }
    }
    return out;
}

// Fills the colour planes with values 100 +- 16 from a fixed sequence.
void fillNoisy(SelectionRig& rig, std::int32_t width, std::int32_t height, std::uint32_t seed) {
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            for (int p = 0; p < rig.page().colourPlaneCount(); ++p) {
                seed = seed * 1664525u + 1013904223u;
                rig.paint.setSample(p, x, y, static_cast<std::uint8_t>(84 + (seed >> 24) % 33));
            }
        }
    }
}

TEST(WandToolTest, SelectsTheConnectedSimilarAreaOnEveryPlane) {
    struct Case {
        bool grey;
        std::int32_t width, height;
        std::uint32_t seed;
        ToolPoint press;
    };
    const Case cases[] = {
        {false, 40, 30, 1, {20, 15}}, {false, 17, 50, 7, {0, 0}},     {true, 33, 21, 3, {32, 20}},
        {true, 64, 9, 11, {5, 4}},    {false, 150, 140, 5, {70, 70}},
    };
    for (const Case& c : cases) {
        const std::string name = "wand_" + std::to_string(c.width) + "x" + std::to_string(c.height);
        SelectionRig rig;
        if (c.grey) {
            rig.paint.shapeGrey(c.width, c.height, 0);
        } else {
            rig.paint.shapeRgb(c.width, c.height, 0);
        }
        fillNoisy(rig, c.width, c.height, c.seed);
        std::vector<Mask> planes;
        for (int p = 0; p < rig.page().colourPlaneCount(); ++p)
            planes.push_back(rig.paint.plane(p));
        ASSERT_EQ(rig.press(ToolBox::kWand, c.press), kErrNone) << name;
        const Mask expected = floodReference(planes, c.width, c.height, c.press);
        EXPECT_TRUE(samePlane(name, rig.mask(), expected, c.width));
        EXPECT_EQ(rig.page().undoKind(), 5u) << name;
    }
}

// Hand-made: pressed on 100, the pixels 90 and 110 join, 89 and 111 do not,
// one plane out of range (blue 71 at (1, 1)) is enough to stop, and
// diagonal neighbours do not connect.
TEST(WandToolTest, ToleranceIsTenEitherWayAndOnlyEdgesConnect) {
    SelectionRig rig;
    rig.paint.shapeRgb(8, 3, 0);
    const int red[3][8] = {{100, 90, 110, 89, 100, 100, 100, 100},
                           {100, 100, 100, 100, 111, 100, 0, 100},
                           {0, 0, 0, 0, 0, 0, 100, 0}};
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 8; ++x) {
            rig.paint.setSample(0, x, y, static_cast<std::uint8_t>(red[y][x]));
            rig.paint.setSample(1, x, y, 50);
            rig.paint.setSample(2, x, y, x == 1 && y == 1 ? 71 : 60);
        }
    }
    ASSERT_EQ(rig.press(ToolBox::kWand, {0, 0}), kErrNone);
    // (4, 0) matches but touches the area only at a corner.
    const char* rows[] = {"XXX.....", "X.XX....", "........"};
    const Mask expected =
        maskOf(8, 3, [&](std::int32_t x, std::int32_t y) { return rows[y][x] == 'X' ? 255 : 0; });
    EXPECT_TRUE(samePlane("wand_tolerance", rig.mask(), expected, 8));
    EXPECT_EQ(rig.page().selectionRect(), (Rect{0, 0, 4, 2}));
}

TEST(WandToolTest, ShiftAndCtrlCombineAndOutsidePressesDoNothing) {
    SelectionRig rig;
    rig.paint.shapeRgb(20, 10, 0xFFFFFF);
    for (std::int32_t y = 0; y < 10; ++y) {
        for (std::int32_t x = 10; x < 20; ++x) {
            for (int p = 0; p < 3; ++p) rig.paint.setSample(p, x, y, 0);
        }
    }
    ASSERT_EQ(rig.press(ToolBox::kWand, {-1, 3}), kErrNone);
    ASSERT_EQ(rig.press(ToolBox::kWand, {20, 3}), kErrNone);
    EXPECT_FALSE(rig.page().hasMask());
    EXPECT_EQ(rig.page().pageData()->undoCount(), 0);

    ASSERT_EQ(rig.drag({5, 2}, {15, 8}), kErrNone);
    ASSERT_EQ(rig.press(ToolBox::kWand, {12, 5}, {}, {false, true}), kErrNone);
    Mask expected = maskOf(20, 10, [](std::int32_t x, std::int32_t y) {
        return x >= 5 && x < 10 && y >= 2 && y < 8 ? 255 : 0;
    });
    EXPECT_TRUE(samePlane("wand_ctrl", rig.mask(), expected, 20));
    EXPECT_EQ(rig.page().selectionRect(), (Rect{5, 2, 10, 8}));

    ASSERT_EQ(rig.press(ToolBox::kWand, {15, 0}, {}, {true, false}), kErrNone);
    expected = maskOf(20, 10, [](std::int32_t x, std::int32_t y) {
        return x >= 10 || (x >= 5 && y >= 2 && y < 8) ? 255 : 0;
    });
    EXPECT_TRUE(samePlane("wand_shift", rig.mask(), expected, 20));
    EXPECT_EQ(rig.page().selectionRect(), (Rect{5, 0, 20, 10}));
    EXPECT_EQ(rig.page().pageData()->undoCount(), 3);
}

// On a 5000 x 5000 page the search reports progress; a cancel part-way
// leaves the page, its selection and its history as they were.
TEST(WandToolTest, CancelledSearchOnALargePageChangesNothing) {
    SelectionRig rig(512);
    rig.paint.shapeRgb(5000, 5000, 0x204060);
    ASSERT_EQ(rig.drag({100, 100}, {300, 200}), kErrNone);
    PageData& data = *rig.page().pageData();
    const ImageData* state = data.current();
    const int planes = data.planeCount();

    ProgressLog log;
    log.cancelAt = 4000;
    rig.progressFactory = [&] { return std::make_unique<CancellingProgress>(log); };
    EXPECT_EQ(rig.press(ToolBox::kWand, {2500, 2500}), kErrCancelled);
    EXPECT_EQ(log.windows, 1);
    EXPECT_EQ(log.text, "Working...");
    EXPECT_EQ(log.updates, log.cancelAt);
    EXPECT_TRUE(log.closed);
    EXPECT_FALSE(log.closedFinished);

    EXPECT_FALSE(data.changeOpen());
    EXPECT_EQ(data.current(), state);
    EXPECT_EQ(data.planeCount(), planes);
    EXPECT_EQ(data.undoCount(), 1);
    EXPECT_EQ(rig.page().selectionRect(), (Rect{100, 100, 300, 200}));
    EXPECT_TRUE(rig.page().isSelected(100, 100));
    EXPECT_FALSE(rig.page().isSelected(2500, 2500));
}

}  // namespace
}  // namespace tessary
