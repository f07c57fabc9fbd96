#include "tools/edit/gradient_tool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "app/tool_globals.h"
#include "core/tools/press_test_support.h"

namespace tessary {
namespace {

using test::channel;
using test::mix;
using test::PaintPage;
using test::pressTool;
using test::rgb;

constexpr int kWidth = 40;
constexpr int kHeight = 30;

// The gradient's value at (x, y) for one plane with `back` at the press
// point s and `fore` at the release point e, written out per mode.
int gradientValue(ToolPoint s, ToolPoint e, int back, int fore, int x, int y) {
    if (s.y == e.y) {
        const int lo = std::min(s.x, e.x), hi = std::max(s.x, e.x);
        const int c1 = s.x < e.x ? back : fore, c2 = s.x < e.x ? fore : back;
        if (x <= lo) return c1;
        if (x >= hi) return c2;
        const double p = (x - lo) * 100.0 / (hi - lo);
        return static_cast<int>((c2 * p + (100 - p) * c1) * 0.01);
    }
    if (s.x == e.x) {
        const int lo = std::min(s.y, e.y), hi = std::max(s.y, e.y);
        const int c1 = s.y < e.y ? back : fore, c2 = s.y < e.y ? fore : back;
        if (y <= lo) return c1;
        if (y >= hi) return c2;
        const double t = static_cast<double>(y - lo) / (hi - lo);
        return static_cast<int>(c2 * t + (1 - t) * c1);
    }
    const double k = static_cast<double>(e.y - s.y) / (e.x - s.x);
    const int cs = static_cast<int>((s.y - y) * k + s.x);
    const int ce = static_cast<int>((e.y - y) * k + e.x);
    const int lo = std::min(cs, ce), hi = std::max(cs, ce);
    const int c1 = cs <= ce ? back : fore, c2 = cs <= ce ? fore : back;
    if (x <= lo) return c1;
    if (x >= hi - 1) return c2;
    const double t = static_cast<double>(x - lo) / (hi - lo);
    return static_cast<int>(c2 * t + (1 - t) * c1);
}

class GradientToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        paint.shapeRgb(kWidth, kHeight, rgb(30, 60, 90));
        globals.foreground = rgb(250, 0, 128);
        globals.background = rgb(10, 200, 40);
    }

    ToolGlobals globals;
    PaintPage paint;
};

TEST_F(GradientToolTest, EachModeFollowsItsFormula) {
    struct Case {
        const char* name;
        ToolPoint from, to;
        int opacity;
    };
    const Case cases[] = {
        {"left to right", {5, 12}, {30, 12}, 255},  {"right to left", {30, 3}, {5, 3}, 255},
        {"top to bottom", {7, 4}, {7, 25}, 255},    {"bottom to top", {7, 25}, {7, 4}, 180},
        {"general falling", {4, 2}, {30, 20}, 255}, {"general rising", {35, 5}, {10, 28}, 255},
        {"general steep", {20, 0}, {23, 29}, 90},   {"reaching outside", {-10, -4}, {60, 40}, 255},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PaintPage fresh;
        fresh.shapeRgb(kWidth, kHeight, rgb(30, 60, 90));
        globals.opacity = c.opacity;
        GradientTool gradient(globals);
        ASSERT_EQ(pressTool(gradient, fresh.page, c.from, {c.to}), kErrNone);
        for (int p = 0; p < 3; ++p) {
            const auto plane = fresh.plane(p);
            for (int y = 0; y < kHeight; ++y) {
                for (int x = 0; x < kWidth; ++x) {
                    const int value = gradientValue(c.from, c.to, channel(globals.background, p),
                                                    channel(globals.foreground, p), x, y);
                    ASSERT_EQ(plane[y * kWidth + x],
                              mix(channel(rgb(30, 60, 90), p), value, c.opacity))
                        << "plane " << p << " at " << x << "," << y;
                }
            }
        }
        EXPECT_EQ(fresh.page.undoKind(), GradientTool::kUndoKind);
    }
}

TEST_F(GradientToolTest, DragDirectionDecidesWhichSideGetsWhichColour) {
    GradientTool gradient(globals);
    ASSERT_EQ(pressTool(gradient, paint.page, {10, 5}, {{20, 5}}), kErrNone);
    EXPECT_EQ(paint.page.colourAt(0, 0), globals.background);
    EXPECT_EQ(paint.page.colourAt(39, 29), globals.foreground);
    ASSERT_EQ(pressTool(gradient, paint.page, {20, 5}, {{10, 5}}), kErrNone);
    EXPECT_EQ(paint.page.colourAt(0, 0), globals.foreground);
    EXPECT_EQ(paint.page.colourAt(39, 29), globals.background);
}

TEST_F(GradientToolTest, OnlyTheSelectionIsFilledThroughItsMask) {
    test::selectRect(paint, {10, 10, 20, 20}, 255);
    std::uint8_t partly = 64;
    paint.setSample(3, 15, 15, partly);
    GradientTool gradient(globals);
    ASSERT_EQ(pressTool(gradient, paint.page, {0, 0}, {{0, 29}}), kErrNone);
    EXPECT_EQ(paint.page.colourAt(5, 5), rgb(30, 60, 90));
    EXPECT_EQ(paint.page.colourAt(25, 15), rgb(30, 60, 90));
    for (int p = 0; p < 3; ++p) {
        const int value = gradientValue({0, 0}, {0, 29}, channel(globals.background, p),
                                        channel(globals.foreground, p), 12, 12);
        EXPECT_EQ(paint.sample(p, 12, 12), value);
        const int atMasked = gradientValue({0, 0}, {0, 29}, channel(globals.background, p),
                                           channel(globals.foreground, p), 15, 15);
        EXPECT_EQ(paint.sample(p, 15, 15), mix(channel(rgb(30, 60, 90), p), atMasked, 64));
    }
}

TEST_F(GradientToolTest, ClickDoesNothingAndGreyPageUsesGreyOfColours) {
    GradientTool gradient(globals);
    const auto before = test::snapshotOf(paint);
    ASSERT_EQ(pressTool(gradient, paint.page, {10, 10}, {{10, 10}}), kErrNone);
    EXPECT_EQ(test::snapshotOf(paint), before);

    paint.shapeGrey(20, 4, 0);
    globals.foreground = rgb(255, 255, 255);
    globals.background = rgb(0, 0, 0);
    ASSERT_EQ(pressTool(gradient, paint.page, {0, 0}, {{10, 0}}), kErrNone);
    EXPECT_EQ(paint.sample(0, 0, 2), 0);
    EXPECT_EQ(paint.sample(0, 5, 2), gradientValue({0, 0}, {10, 0}, 0, 255, 5, 2));
    EXPECT_EQ(paint.sample(0, 15, 2), 255);
}

}  // namespace
}  // namespace tessary
