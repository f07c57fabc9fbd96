#include "render/selection_outline.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "render/korvel_view_geometry.h"
#include "render/page_draw.h"
#include "render_test_support.h"

namespace tessary {
namespace {

using test::Bytes;
using Axis = KorvelViewGeometry::Axis;
using Action = KorvelViewGeometry::ScrollAction;

// The pattern rows of phase 0, worked by hand: 0x0F rotated left by r.
constexpr std::uint8_t kPhase0[8] = {0x0F, 0x1E, 0x3C, 0x78, 0xF0, 0xE1, 0xC3, 0x87};

TEST(SelectionOutlinePatternTest, RowsAreTheRotatedByteAndPhasesShiftThem) {
    for (int phase = 0; phase < 8; ++phase) {
        for (int row = 0; row < 8; ++row) {
            EXPECT_EQ(SelectionOutline::patternRow(phase, row), kPhase0[(row + phase) % 8])
                << "phase " << phase << " row " << row;
        }
    }
}

class SelectionOutlineTest : public ::testing::Test {
protected:
    static constexpr std::int32_t kWidth = 600;
    static constexpr std::int32_t kHeight = 400;

    void SetUp() override {
        ASSERT_TRUE(renderer.initialise(128, 128));
        // A grey page with a mask selecting (10, 10)-(30, 20).
        rig.create(kWidth, kHeight, {Bytes{}, selectRect({10, 10, 30, 20})}, 0);
        geometry.setScrollBarMetrics(16, 16);
        geometry.setClientSize(400, 300);  // image area 384 x 284: both bars shown
        geometry.setImageBounds({0, 0, kWidth, kHeight});
        scene.hasFocus = true;
        scene.hasSelection = true;
        scene.changeCount = 5;
        scene.state = rig.data().current();
        scene.maskPlane = 1;
        scene.selectionBounds = {10, 10, 30, 20};
    }

    static Bytes selectRect(const Rect& r) {
        Bytes mask(static_cast<std::size_t>(kWidth) * kHeight, 0);
        for (std::int32_t y = r.top; y < r.bottom; ++y) {
            for (std::int32_t x = r.left; x < r.right; ++x) {
                mask[static_cast<std::size_t>(y) * kWidth + x] = 255;
            }
        }
        return mask;
    }

    // Whether the outline shows image pixel (x, y) at 1:1.
    bool shows(std::int32_t x, std::int32_t y) const {
        const WidePoint w = geometry.imageToWindow(WidePoint{x, y});
        return outline.bit(w.x - outline.windowRect().left, w.y - outline.windowRect().top);
    }

    test::PageRig rig;
    PageDraw renderer;
    KorvelViewGeometry geometry;
    SelectionOutline::Scene scene;
    SelectionOutline outline;
};

TEST_F(SelectionOutlineTest, BuildsTheOutlineOfTheSelectionGrownByOne) {
    const auto invalidation = outline.update(renderer, geometry, scene);
    EXPECT_FALSE(invalidation.any);  // there was no bitmap before
    ASSERT_TRUE(outline.hasBitmap());
    // Selection grown by one: (9, 9)-(31, 21), at placement (0, 0).
    EXPECT_EQ(outline.windowRect(), (WideRect{9, 9, 31, 21}));
    EXPECT_EQ(outline.bytesPerRow(), 3u);
    EXPECT_TRUE(shows(10, 10));
    EXPECT_TRUE(shows(29, 15));
    EXPECT_TRUE(shows(20, 19));
    EXPECT_FALSE(shows(20, 15));  // inside
    EXPECT_FALSE(shows(9, 9));    // outside
    EXPECT_FALSE(shows(30, 20));
}

TEST_F(SelectionOutlineTest, RebuildsOnlyWhenTheChangeCountOrTheVisiblePartChanges) {
    outline.update(renderer, geometry, scene);
    ASSERT_TRUE(outline.hasBitmap());
    // Change the mask behind the outline's back (same change count): the
    // bitmap is kept as it was.
    const Bytes grown = selectRect({10, 10, 50, 20});
    rig.writePlane(1, grown);
    scene.state = rig.data().current();
    EXPECT_FALSE(outline.update(renderer, geometry, scene).any);
    EXPECT_EQ(outline.windowRect(), (WideRect{9, 9, 31, 21}));

    // A new change count rebuilds; the old rectangle is to be repainted.
    scene.changeCount = 6;
    scene.selectionBounds = {10, 10, 50, 20};
    auto invalidation = outline.update(renderer, geometry, scene);
    EXPECT_TRUE(invalidation.any);
    EXPECT_EQ(invalidation.rect, (WideRect{9, 9, 31, 21}));
    EXPECT_EQ(outline.windowRect(), (WideRect{9, 9, 51, 21}));
    EXPECT_TRUE(shows(49, 12));

    // Scrolling changes the visible part: rebuilt at the new place.
    geometry.scroll(Axis::Horizontal, Action::ThumbPosition, 5);
    invalidation = outline.update(renderer, geometry, scene);
    EXPECT_TRUE(invalidation.any);
    EXPECT_EQ(outline.windowRect(), (WideRect{4, 9, 46, 21}));

    // A requested rebuild (after undo, redo, zoom) happens even when nothing
    // else changed.
    EXPECT_FALSE(outline.update(renderer, geometry, scene).any);
    outline.requestRebuild();
    EXPECT_TRUE(outline.update(renderer, geometry, scene).any);
    EXPECT_TRUE(outline.hasBitmap());
}

TEST_F(SelectionOutlineTest, NothingHappensWithoutTheFocus) {
    scene.hasFocus = false;
    EXPECT_FALSE(outline.update(renderer, geometry, scene).any);
    EXPECT_FALSE(outline.hasBitmap());
}

TEST_F(SelectionOutlineTest, LosingTheSelectionFreesTheBitmap) {
    outline.update(renderer, geometry, scene);
    ASSERT_TRUE(outline.hasBitmap());
    scene.hasSelection = false;
    const auto invalidation = outline.update(renderer, geometry, scene);
    EXPECT_TRUE(invalidation.any);
    EXPECT_EQ(invalidation.rect, (WideRect{9, 9, 31, 21}));
    EXPECT_FALSE(outline.hasBitmap());
}

TEST_F(SelectionOutlineTest, ASelectionScrolledOutOfViewLeavesNoStaleOutline) {
    outline.update(renderer, geometry, scene);
    ASSERT_TRUE(outline.hasBitmap());
    geometry.scroll(Axis::Horizontal, Action::ThumbPosition, 200);
    const auto invalidation = outline.update(renderer, geometry, scene);
    EXPECT_TRUE(invalidation.any);
    EXPECT_FALSE(outline.hasBitmap());
}

TEST_F(SelectionOutlineTest, DiscardReturnsTheRectangleToRepaint) {
    outline.update(renderer, geometry, scene);
    const auto invalidation = outline.discard();
    EXPECT_TRUE(invalidation.any);
    EXPECT_EQ(invalidation.rect, (WideRect{9, 9, 31, 21}));
    EXPECT_FALSE(outline.hasBitmap());
    EXPECT_FALSE(outline.discard().any);
}

TEST_F(SelectionOutlineTest, StepsAtMostEvery200Milliseconds) {
    EXPECT_FALSE(outline.animate(100000));  // no bitmap yet
    outline.update(renderer, geometry, scene);
    outline.activate(1000);
    EXPECT_EQ(outline.phase(), 0);
    EXPECT_FALSE(outline.animate(1000));
    EXPECT_FALSE(outline.animate(1199));
    EXPECT_TRUE(outline.animate(1200));
    EXPECT_EQ(outline.phase(), 1);
    EXPECT_FALSE(outline.animate(1399));
    EXPECT_TRUE(outline.animate(1450));
    EXPECT_EQ(outline.phase(), 2);
    // The next step counts from the last one (1450), not from 1400.
    EXPECT_FALSE(outline.animate(1649));
    EXPECT_TRUE(outline.animate(1650));
    // Five more steps (eight in all) come back to phase 0.
    EXPECT_EQ(outline.phase(), 3);
    for (std::uint32_t t = 1850; t <= 2650; t += 200) EXPECT_TRUE(outline.animate(t));
    EXPECT_EQ(outline.phase(), 0);
    // Activation resets the phase.
    outline.animate(3050);
    outline.activate(3100);
    EXPECT_EQ(outline.phase(), 0);
}

TEST_F(SelectionOutlineTest, StepsAcrossTheWrapOfTheTickCount) {
    outline.update(renderer, geometry, scene);
    outline.activate(0xFFFFFF00u);
    EXPECT_FALSE(outline.animate(0xFFFFFF00u + 199));
    EXPECT_TRUE(outline.animate(0x00000007u));  // 0x100 + 7 = 263 ms later
    EXPECT_EQ(outline.phase(), 1);
    outline.activate(0xFFFFFFC0u);
    EXPECT_FALSE(outline.animate(0x00000020u));  // 96 ms later
    EXPECT_EQ(outline.phase(), 0);
}

TEST_F(SelectionOutlineTest, PaintWritesThePatternOnlyWhereTheOutlineIs) {
    outline.update(renderer, geometry, scene);
    outline.activate(0);
    ASSERT_TRUE(outline.animate(200));
    ASSERT_TRUE(outline.animate(400));  // phase 2
    const std::uint32_t background = 0x00123456;
    test::Image32 window(400, 300, 0, 0, background);
    const WideRect clip{0, 0, 25, 300};  // cuts the outline at x = 25
    outline.paint(window.target(), clip);
    for (std::int64_t y = 0; y < 300; ++y) {
        for (std::int64_t x = 0; x < 400; ++x) {
            // Pixel (x, y) shows image (x, y) here (placement at the origin).
            const bool onOutline = x >= 10 && x < 30 && y >= 10 && y < 20 &&
                                   (x == 10 || x == 29 || y == 10 || y == 19);
            std::uint32_t expected = background;
            if (onOutline && clip.contains(x, y)) {
                const std::uint8_t row = kPhase0[(y % 8 + 2) % 8];
                expected = (row & (0x80 >> (x % 8))) ? 0xFFFFFFu : 0x000000u;
            }
            ASSERT_EQ(window.at(x, y), expected) << "x " << x << " y " << y;
        }
    }
}

}  // namespace
}  // namespace tessary
