#include "tools/edit/crop_tool.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "app/tool_globals.h"
#include "core/tools/press_test_support.h"

namespace tessary {
namespace {

using test::PaintPage;
using test::pressTool;

// A view that remembers the bounds of its last layout.
class LayoutView : public ScriptedToolView {
public:
    void resetLayout(const Rect& bounds) override { layouts.push_back(bounds); }
    std::vector<Rect> layouts;
};

class CropToolTest : public ::testing::Test {
protected:
    // A 20 x 16 page whose red sample is x + 10 y and green 3 x + y.
    void SetUp() override {
        paint.shapeRgb(20, 16, 0);
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 20; ++x) {
                paint.setSample(0, x, y, static_cast<std::uint8_t>(x + 10 * y));
                paint.setSample(1, x, y, static_cast<std::uint8_t>(3 * x + y));
            }
        }
    }

    // The page shows the original pixels of `kept`.
    void expectCropped(const Rect& kept) {
        ASSERT_EQ(paint.page.bounds(), (Rect{0, 0, kept.width(), kept.height()}));
        for (int y = 0; y < kept.height(); ++y) {
            for (int x = 0; x < kept.width(); ++x) {
                ASSERT_EQ(paint.sample(0, x, y), (x + kept.left) + 10 * (y + kept.top));
                ASSERT_EQ(paint.sample(1, x, y), 3 * (x + kept.left) + (y + kept.top));
            }
        }
    }

    ToolGlobals globals;
    PaintPage paint;
    LayoutView view;
};

TEST_F(CropToolTest, DraggedRectangleIsClippedToTheImage) {
    struct Case {
        ToolPoint from, to;
        Rect kept;
    };
    const Case cases[] = {
        {{3, 2}, {12, 9}, {3, 2, 12, 9}},
        {{12, 9}, {3, 2}, {3, 2, 12, 9}},
        {{-5, 4}, {8, 30}, {0, 4, 8, 16}},
        {{15, 10}, {40, -3}, {15, 0, 20, 10}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.from.x << "," << c.from.y);
        SetUp();
        CropTool crop(globals);
        ASSERT_EQ(pressTool(crop, paint.page, view, c.from, {c.to}, CropTool::kCropToDrag),
                  kErrNone);
        expectCropped(c.kept);
        EXPECT_EQ(paint.page.undoKind(), CropTool::kUndoKind);
        EXPECT_EQ(view.layouts.back(), paint.page.bounds());
        paint.page.undo();
        EXPECT_EQ(paint.page.bounds(), (Rect{0, 0, 20, 16}));
    }
}

TEST_F(CropToolTest, ClicksAndRectanglesOutsideDoNothing) {
    CropTool crop(globals);
    const auto before = test::snapshotOf(paint);
    EXPECT_EQ(pressTool(crop, paint.page, view, {5, 5}, {{5, 5}}, CropTool::kCropToDrag), kErrNone);
    EXPECT_EQ(pressTool(crop, paint.page, view, {5, 5}, {{5, 12}}, CropTool::kCropToDrag),
              kErrNone);
    EXPECT_EQ(pressTool(crop, paint.page, view, {25, 2}, {{30, 9}}, CropTool::kCropToDrag),
              kErrNone);
    EXPECT_EQ(test::snapshotOf(paint), before);
    EXPECT_TRUE(view.layouts.empty());
}

TEST_F(CropToolTest, CropDropsTheSelectionAndPressOverItCropsToIt) {
    test::selectRect(paint, {4, 4, 10, 9});
    CropTool crop(globals);
    ASSERT_EQ(pressTool(crop, paint.page, view, {1, 1}, {{15, 12}}, CropTool::kCropToDrag),
              kErrNone);
    EXPECT_FALSE(paint.page.hasMask());
    expectCropped({1, 1, 15, 12});

    SetUp();
    test::selectRect(paint, {4, 4, 10, 9});
    ASSERT_EQ(pressTool(crop, paint.page, view, {5, 5}, {}, CropTool::kCropToSelection), kErrNone);
    EXPECT_FALSE(paint.page.hasMask());
    expectCropped({4, 4, 10, 9});
    EXPECT_EQ(view.layouts.back(), (Rect{0, 0, 6, 5}));
}

}  // namespace
}  // namespace tessary
