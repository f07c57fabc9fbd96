// The rectangle selection tool and the arrow: shapes against reference
// masks, combination with shift and ctrl, clicks, moves with undo, and
// failures that must leave the page as it was.

#include "tools/selection/selection_tool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "core/tools/selection/selection_test_support.h"
#include "model/page.h"
#include "model/page_data.h"

namespace tessary {
namespace {

using test::channel;
using test::Keys;
using test::Mask;
using test::maskOf;
using test::rgb;
using test::samePlane;
using test::SelectionRig;

constexpr std::uint32_t kUndoSelection = 5;

// A selection shape in image pixels: box corners, shape, subsamples (0 none).
struct Shape {
    ToolPoint from;
    ToolPoint to;
    std::int32_t shape = SelectionTool::kRectangle;
    int subsamples = 0;
};

// The coverage of `s` at (x, y), from the definitions.
std::uint8_t coverage(const Shape& s, std::int32_t x, std::int32_t y) {
    const std::int32_t left = std::min(s.from.x, s.to.x), right = std::max(s.from.x, s.to.x);
    const std::int32_t top = std::min(s.from.y, s.to.y), bottom = std::max(s.from.y, s.to.y);
    if (x < left || x >= right || y < top || y >= bottom) return 0;
    if (s.shape == SelectionTool::kRectangle) return 255;
    return test::ellipseCoverage(right - left, bottom - top, s.subsamples, x - left, y - top);
}

// The bounds of the non-zero samples of a mask of `width`.
Rect boundsOf(const Mask& mask, std::int32_t width) {
    Rect r{width, 1 << 30, 0, 0};
    for (std::size_t i = 0; i < mask.size(); ++i) {
        if (mask[i] == 0) continue;
        const auto x = static_cast<std::int32_t>(i % width),
                   y = static_cast<std::int32_t>(i / width);
        r = {std::min(r.left, x), std::min(r.top, y), std::max(r.right, x + 1),
             std::max(r.bottom, y + 1)};
    }
    return r.empty() ? Rect{} : r;
}

class SelectionToolTest : public ::testing::Test {
protected:
    void SetUp() override { rig.paint.shapeRgb(kWidth, kHeight, 0xFFFFFF); }

    SelectionTool& tool() {
        return *dynamic_cast<SelectionTool*>(rig.box.tool(ToolBox::kSelection));
    }
    ErrorCode select(const Shape& s, Keys keys = {}) {
        tool().setShape(s.shape);
        rig.globals.antiAlias = s.subsamples > 0;
        rig.globals.subsamples = s.subsamples;
        return rig.drag(s.from, s.to, keys);
    }

    static constexpr std::int32_t kWidth = 40;
    static constexpr std::int32_t kHeight = 30;
    SelectionRig rig;
};

TEST_F(SelectionToolTest, ShapesMatchTheirDefinitionsClippedToTheImage) {
    const Shape shapes[] = {
        {{3, 4}, {20, 15}},
        {{20, 15}, {3, 4}, SelectionTool::kEllipse},
        {{-10, -6}, {17, 22}, SelectionTool::kEllipse},
        {{25, 2}, {60, 29}, SelectionTool::kEllipse, 3},
        {{1, 1}, {38, 28}, SelectionTool::kEllipse, 4},
        {{5, 5}, {6, 20}, SelectionTool::kEllipse, 2},
        {{-5, 10}, {100, 12}, SelectionTool::kRectangle, 3},
    };
    for (const Shape& s : shapes) {
        const std::string name = "shape_" + std::to_string(s.from.x) + "_" + std::to_string(s.to.x);
        // A press inside the last shape would move it.
        ASSERT_EQ(rig.page().removeMask(), kErrNone);
        ASSERT_EQ(select(s), kErrNone) << name;
        const Mask expected = maskOf(
            kWidth, kHeight, [&](std::int32_t x, std::int32_t y) { return coverage(s, x, y); });
        EXPECT_TRUE(samePlane(name, rig.mask(), expected, kWidth));
        EXPECT_EQ(rig.page().selectionRect(), boundsOf(expected, kWidth)) << name;
        EXPECT_EQ(rig.page().undoKind(), kUndoSelection);
    }
}

TEST_F(SelectionToolTest, AntiAliasedEllipseEdgesStepByANinth) {
    ASSERT_EQ(select({{2, 2}, {37, 27}, SelectionTool::kEllipse, 3}), kErrNone);
    int partial = 0;
    for (const std::uint8_t v : rig.mask()) {
        EXPECT_EQ(v, v / 28 * 255 / 9) << int{v};  // 0, 28, 56, ... 226, 255
        partial += v != 0 && v != 255;
    }
    EXPECT_GT(partial, 0);
}

// Each step's mask against the same steps applied to a reference mask:
// shift adds (saturating), ctrl takes away, anything else replaces; shift or
// ctrl with no selection selects the shape.
TEST_F(SelectionToolTest, ShiftAddsAndCtrlSubtractsAsTheReferenceDoes) {
    struct Step {
        Shape shape;
        Keys keys;
    };
    const std::vector<Step> steps = {
        {{{2, 2}, {15, 12}, SelectionTool::kRectangle}, {true, false}},
        {{{10, 6}, {30, 25}, SelectionTool::kEllipse, 3}, {true, false}},
        {{{0, 8}, {25, 10}}, {false, true}},
        {{{12, 0}, {22, 30}, SelectionTool::kEllipse, 2}, {false, true}},
        {{{5, 20}, {38, 29}, SelectionTool::kEllipse}, {true, true}},
        {{{20, 3}, {24, 7}}, {}},
        {{{0, 0}, {40, 30}}, {false, true}},
        {{{-3, -3}, {8, 8}, SelectionTool::kEllipse, 3}, {false, true}},
    };
    Mask expected(kWidth * kHeight, 0);
    bool selected = false;
    int step = 0;
    for (const Step& s : steps) {
        const std::string name = "combine_step" + std::to_string(++step);
        ASSERT_EQ(select(s.shape, s.keys), kErrNone) << name;
        const bool combine = selected && (s.keys.shift || s.keys.ctrl);
        for (std::int32_t y = 0; y < kHeight; ++y) {
            for (std::int32_t x = 0; x < kWidth; ++x) {
                const int t = coverage(s.shape, x, y);
                std::uint8_t& m = expected[y * kWidth + x];
                if (!combine) {
                    m = static_cast<std::uint8_t>(t);
                } else if (s.keys.shift) {
                    m = static_cast<std::uint8_t>(std::min(255, m + t));
                } else {
                    m = static_cast<std::uint8_t>(std::max(0, m - t));
                }
            }
        }
        selected = true;
        ASSERT_TRUE(samePlane(name, rig.mask(), expected, kWidth));
        EXPECT_EQ(rig.page().selectionRect(), boundsOf(expected, kWidth)) << name;
        EXPECT_EQ(rig.page().pageData()->undoCount(), std::min(step, PageData::kMaxUndo)) << name;
    }
    // The ctrl rectangle over everything left an empty mask and empty bounds,
    // and the last ctrl ellipse took nothing more away.
    EXPECT_TRUE(rig.page().hasMask());
    EXPECT_TRUE(rig.page().selectionRect().empty());
}

TEST_F(SelectionToolTest, ClicksClearAnExistingSelectionOnlyAndAsOneStep) {
    // No selection: a click does nothing at all.
    ASSERT_EQ(rig.drag({5, 5}, {5, 5}), kErrNone);
    EXPECT_FALSE(rig.page().hasMask());
    EXPECT_EQ(rig.page().pageData()->undoCount(), 0);
    EXPECT_FALSE(rig.page().modified());

    ASSERT_EQ(select({{4, 4}, {12, 10}}), kErrNone);
    const Mask selected = rig.mask();
    // A click inside is a move of no distance: nothing.
    ASSERT_EQ(rig.drag({6, 6}, {6, 6}), kErrNone);
    EXPECT_EQ(rig.lastAction, SelectionTool::kMoveAction);
    EXPECT_EQ(rig.page().pageData()->undoCount(), 1);

    // A click away from it clears it, as one undo step.
    ASSERT_EQ(rig.drag({30, 20}, {30, 20}), kErrNone);
    EXPECT_FALSE(rig.page().hasMask());
    EXPECT_TRUE(rig.page().storedSelectionRect().empty());
    EXPECT_EQ(rig.page().pageData()->undoCount(), 2);
    EXPECT_EQ(rig.page().undoKind(), kUndoSelection);
    rig.page().undo();
    ASSERT_TRUE(rig.page().hasMask());
    EXPECT_EQ(rig.mask(), selected);
    EXPECT_EQ(rig.page().selectionRect(), (Rect{4, 4, 12, 10}));
}

TEST_F(SelectionToolTest, FeedbackFollowsTheDragAndIsErasedAtTheEnd) {
    tool().setShape(SelectionTool::kEllipse);
    ASSERT_EQ(rig.press(ToolBox::kSelection, {3, 3}, {{8, 9}, {12, 4}}), kErrNone);
    const auto& toggles = rig.view->toggles();
    ASSERT_FALSE(toggles.empty());
    EXPECT_TRUE(rig.view->shownFigures().empty());
    for (const FeedbackFigure& f : toggles) {
        EXPECT_EQ(f.kind, FeedbackFigure::Kind::Ellipse);
        EXPECT_EQ(f.from, (ToolPoint{3, 3}));
    }
    EXPECT_EQ(std::count(toggles.begin(), toggles.end(),
                         FeedbackFigure{FeedbackFigure::Kind::Ellipse, {3, 3}, {8, 9}}),
              2);
}

// A page whose colour differs at every pixel, for the moves.
std::uint32_t original(std::int32_t x, std::int32_t y) {
    return rgb(x * 6 + 1, y * 8 + 2, 250 - x * 3 - y);
}

class SelectionMoveTest : public SelectionToolTest {
protected:
    void SetUp() override {
        SelectionToolTest::SetUp();
        for (std::int32_t y = 0; y < kHeight; ++y) {
            for (std::int32_t x = 0; x < kWidth; ++x) {
                for (int p = 0; p < 3; ++p) {
                    rig.paint.setSample(p, x, y,
                                        static_cast<std::uint8_t>(channel(original(x, y), p)));
                }
            }
        }
        rig.globals.background = kBackground;
    }

    // The colour planes as `expected(x, y)` and the shown image (float over
    // them) as `shown(x, y)`.
    template <class Planes, class Shown>
    void expectPixels(const std::string& name, Planes&& expected, Shown&& shown) {
        for (std::int32_t y = 0; y < kHeight; ++y) {
            for (std::int32_t x = 0; x < kWidth; ++x) {
                for (int p = 0; p < 3; ++p) {
                    ASSERT_EQ(rig.paint.sample(p, x, y), channel(expected(x, y), p))
                        << name << " plane " << p << " at " << x << "," << y;
                }
                ASSERT_EQ(rig.page().colourAt(x, y), shown(x, y))
                    << name << " at " << x << "," << y;
            }
        }
    }

    static constexpr std::uint32_t kBackground = 0x030201;
};

TEST_F(SelectionMoveTest, FixedSelectionLiftsThenFloatingPixelsMoveWithUndoAfterEach) {
    const Rect first{4, 4, 10, 9};
    ASSERT_EQ(select({{first.left, first.top}, {first.right, first.bottom}}), kErrNone);
    const auto inside = [](const Rect& r, std::int32_t x, std::int32_t y) {
        return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
    };
    const auto untouched = [](std::int32_t x, std::int32_t y) { return original(x, y); };
    const auto hole = [&](std::int32_t x, std::int32_t y) {
        return inside(first, x, y) ? kBackground : original(x, y);
    };
    // The float shows the original pixels displaced by (dx, dy) over `under`.
    const auto floated = [&](std::int32_t dx, std::int32_t dy, auto under) {
        const Rect at{first.left + dx, first.top + dy, first.right + dx, first.bottom + dy};
        return [=](std::int32_t x, std::int32_t y) {
            return inside(at, x, y) ? original(x - dx, y - dy) : under(x, y);
        };
    };

    // First move: lifted, the background left behind.
    ASSERT_EQ(rig.drag({5, 5}, {13, 11}), kErrNone);
    EXPECT_EQ(rig.lastAction, SelectionTool::kMoveAction);
    EXPECT_TRUE(rig.page().hasFloat());
    EXPECT_EQ(rig.page().selectionRect(), (Rect{12, 10, 18, 15}));
    EXPECT_EQ(rig.page().undoKind(), kUndoSelection);
    expectPixels("first move", hole, floated(8, 6, hole));
    EXPECT_TRUE(rig.view->shownOutlines().empty());
    EXPECT_FALSE(rig.view->outlineToggles().empty());
    EXPECT_EQ(rig.view->outlineEnds(), 1);
    EXPECT_EQ(rig.view->invalidated().back(), (Rect{4, 4, 18, 15}));

    rig.page().undo();
    EXPECT_FALSE(rig.page().hasFloat());
    EXPECT_EQ(rig.page().selectionRect(), first);
    expectPixels("first undone", untouched, untouched);
    rig.page().redo();
    expectPixels("first redone", hole, floated(8, 6, hole));

    // Second move: only the floating pixels go; the hole stays as it was.
    ASSERT_EQ(rig.drag({13, 11}, {3, 1}), kErrNone);
    EXPECT_EQ(rig.lastAction, SelectionTool::kMoveAction);
    EXPECT_EQ(rig.page().selectionRect(), (Rect{2, 0, 8, 5}));
    expectPixels("second move", hole, floated(-2, -4, hole));

    rig.page().undo();
    EXPECT_EQ(rig.page().selectionRect(), (Rect{12, 10, 18, 15}));
    expectPixels("second undone", hole, floated(8, 6, hole));
}

TEST_F(SelectionMoveTest, ArrowMovesTheOutlineAndLeavesThePixels) {
    ASSERT_EQ(select({{4, 4}, {10, 9}}), kErrNone);
    const Mask before = rig.mask();
    const auto untouched = [](std::int32_t x, std::int32_t y) { return original(x, y); };

    // Away from the selection the arrow does nothing.
    ASSERT_EQ(rig.press(ToolBox::kArrow, {20, 20}, {{25, 25}}), kErrNone);
    EXPECT_EQ(rig.mask(), before);

    ASSERT_EQ(rig.press(ToolBox::kArrow, {5, 5}, {{9, 7}, {12, 8}}), kErrNone);
    EXPECT_EQ(rig.lastAction, 1);
    EXPECT_FALSE(rig.page().hasFloat());
    EXPECT_EQ(rig.page().selectionRect(), (Rect{11, 7, 17, 12}));
    const Mask moved = maskOf(kWidth, kHeight, [](std::int32_t x, std::int32_t y) {
        return x >= 11 && x < 17 && y >= 7 && y < 12 ? 255 : 0;
    });
    EXPECT_TRUE(samePlane("arrow", rig.mask(), moved, kWidth));
    expectPixels("arrow", untouched, untouched);
    EXPECT_TRUE(rig.view->shownOutlines().empty());
    EXPECT_EQ(rig.page().undoKind(), kUndoSelection);

    rig.page().undo();
    EXPECT_EQ(rig.mask(), before);
    EXPECT_EQ(rig.page().selectionRect(), (Rect{4, 4, 10, 9}));
}

// Operations that run out of tiles part-way report kErrDisk and leave the
// page, its selection and its history exactly as before the press.
TEST(SelectionShortageTest, FailedSelectionsAndMovesLeaveThePageAsBefore) {
    SelectionRig rig(8, false);
    rig.paint.shapeRgb(1024, 256, 0x808080);
    ASSERT_EQ(rig.drag({2, 2}, {20, 20}), kErrNone);
    PageData& data = *rig.page().pageData();

    struct Case {
        const char* name;
        int tool;
        ToolPoint at;
        std::vector<ToolPoint> path;
        Keys keys;
    };
    const Case cases[] = {
        {"rectangle", ToolBox::kSelection, {0, 0}, {{1024, 256}}, {}},
        {"added ellipse", ToolBox::kSelection, {30, 0}, {{1000, 250}}, {true, false}},
        {"lasso", ToolBox::kLasso, {0, 0}, {{1023, 0}, {1023, 255}, {0, 255}}, {}},
        {"wand", ToolBox::kWand, {500, 100}, {}, {}},
    };
    for (const Case& c : cases) {
        const ImageData* state = data.current();
        const Mask mask = rig.mask();
        const std::vector<std::uint8_t> red = rig.paint.plane(0);
        EXPECT_EQ(rig.press(c.tool, c.at, c.path, c.keys), kErrDisk) << c.name;
        EXPECT_FALSE(data.changeOpen()) << c.name;
        EXPECT_EQ(data.current(), state) << c.name;
        EXPECT_EQ(data.undoCount(), 1) << c.name;
        EXPECT_EQ(rig.page().selectionRect(), (Rect{2, 2, 20, 20})) << c.name;
        EXPECT_EQ(rig.mask(), mask) << c.name;
        EXPECT_EQ(rig.paint.plane(0), red) << c.name;
    }

    // Everything selected (no tiles of its own): lifting it must write every
    // colour tile, which the store cannot hold.
    ASSERT_EQ(rig.page().addMask(), kErrNone);
    ASSERT_TRUE(rig.page().saveState(kUndoSelection, 0, rig.page().bounds()));
    const ImageData* state = data.current();
    EXPECT_EQ(rig.drag({100, 100}, {140, 120}), kErrDisk);
    EXPECT_EQ(data.current(), state);
    EXPECT_FALSE(rig.page().hasFloat());
    EXPECT_EQ(rig.page().selectionRect(), rig.page().bounds());
    EXPECT_EQ(rig.paint.sample(0, 100, 100), 0x80);
}

}  // namespace
}  // namespace tessary
