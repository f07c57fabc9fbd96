// The tool operations: their forms, and presses through the batch engine's
// tool box on white pages, checked against pixels worked out by hand.

#include "cli/batch_tool_operations.h"

#include <gtest/gtest.h>

#include <memory>

#include "app/tool_globals.h"
#include "cli/batch_engine.h"
#include "cli/batch_operations.h"
#include "cli/batch_test_support.h"
#include "core/tools/paint_test_support.h"
#include "core/tools/selection/selection_test_support.h"
#include "tools/edit/line_tool.h"
#include "tools/edit/text_tool.h"
#include "tools/paint/brush_shapes.h"
#include "tools/paint/brush_tool.h"
#include "tools/paint/clone_tool.h"
#include "tools/tool_box.h"

namespace tessary::test {
namespace {

BatchStep stepOf(const std::string& text) {
    BatchStep step;
    step.text = text;
    const auto equals = text.find('=');
    step.name = text.substr(0, equals);
    step.hasArgument = equals != std::string::npos;
    if (step.hasArgument) step.argument = text.substr(equals + 1);
    return step;
}

TEST(BatchToolCheck, PressFormsGiveToolKeysAndPoints) {
    struct Case {
        const char* text;
        int tool;
        bool shift, alt, ctrl, space;
        std::vector<ToolPoint> points;
    };
    const Case cases[] = {
        {"tool=pencil,0,0,10,3", ToolBox::kPencil, false, false, false, false, {{0, 0}, {10, 3}}},
        {"tool=brush,alt,10,10", ToolBox::kBrush, false, true, false, false, {{10, 10}}},
        {"tool=clone,alt,5,5", ToolBox::kClone, false, true, false, false, {{5, 5}}},
        {"tool=rectangle,shift,ctrl,-3,4,+7,-16777216",
         ToolBox::kSelection,
         true,
         false,
         true,
         false,
         {{-3, 4}, {7, -16777216}}},
        {"tool=selection,space,1,2", ToolBox::kSelection, false, false, false, true, {{1, 2}}},
        {"tool=gradient,1,1,2,2,3,3",
         ToolBox::kGradient,
         false,
         false,
         false,
         false,
         {{1, 1}, {2, 2}, {3, 3}}},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto command = prepareBatchToolCommand(stepOf(c.text), error);
        ASSERT_TRUE(command) << c.text << ": " << error;
        EXPECT_EQ(command->op, BatchToolOp::Press) << c.text;
        EXPECT_EQ(command->tool, c.tool) << c.text;
        EXPECT_EQ((std::vector<bool>{command->shift, command->alt, command->ctrl, command->space}),
                  (std::vector<bool>{c.shift, c.alt, c.ctrl, c.space}))
            << c.text;
        EXPECT_EQ(command->points, c.points) << c.text;
    }
}

TEST(BatchToolCheck, BadFormsSayWhatIsWrong) {
    const std::pair<const char*, const char*> cases[] = {
        {"tool", "does not fit the form"},
        {"tool=", "does not fit the form"},
        {"tool=pen,1,1", "unknown tool 'pen'"},
        {"tool=brush", "give the press point"},
        {"tool=brush,alt,shift", "give the press point"},
        {"tool=brush,1,1,alt", "keys (shift, alt, ctrl, space) come before"},
        {"tool=brush,1,2,3", "every point needs an x and a y"},
        {"tool=brush,1,x", "y of point 1 ('x')"},
        {"tool=brush,1,1,16777217,0",
         "x of point 2 ('16777217') must be a whole number from "
         "-16777216 to 16777216"},
        {"brush-options=5,5,1,0", "does not fit the form"},
        {"brush-options=5,5,1,0,0,25,1", "does not fit the form"},
        {"brush-options=0,5,1,0,0", "width ('0') must be a whole number from 1 to 255"},
        {"brush-options=5,256,1,0,0", "height ('256')"},
        {"clone-options=5,5,0,0,0", "thickness ('0')"},
        {"clone-options=5,5,1,5,0", "class ('5') must be a whole number from 0 to 4"},
        {"brush-options=5,5,1,0,16", "profile ('16') must be a whole number from 0 to 15"},
        {"brush-options=5,5,1,0,0,1001", "spacing ('1001')"},
        {"brush-shape=0,5", "shape button ('0') must be a whole number from 1 to 24"},
        {"brush-shape=3,33", "size ('33') must be a whole number from 1 to 32"},
        {"brush-shape=3", "does not fit the form"},
        {"anti-alias=yes", "'on' or 'off'"},
        {"anti-alias", "does not fit the form"},
        {"selection-shape=circle", "'rectangle' or 'ellipse'"},
        {"selection-shape=ellipse,1", "does not fit the form"},
        {"tool=Brush,1,1", "unknown tool 'Brush'"},
        {"line-width=0", "line width ('0') must be a whole number from 1 to 32"},
        {"line-width=33", "line width ('33')"},
        {"line-width", "does not fit the form"},
        {"text=Hi,size=100", "size ('100') must be a whole number from 1 to 99"},
        {"text=Hi,style=bold+wide", "style 'bold+wide' is plain or words joined by +"},
        {"text=Hi,align=middle", "align is left, centre or right"},
        {"text=Hi,colour=red", "'colour=red' is none of"},
        {"text=Hi,font=", "'font=' is none of"},
    };
    for (const auto& [text, fragment] : cases) {
        std::string error;
        // Through the operation table, as the program checks its steps.
        EXPECT_FALSE(prepareBatchCommand(stepOf(text), error)) << text;
        EXPECT_NE(error.find(fragment), std::string::npos) << text << ": " << error;
    }
}

class BatchToolTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_folder = std::make_unique<TempDir>();
        installModules(s_folder->path());
        s_engine = std::make_unique<BatchEngine>(s_folder->path());
        std::string error;
        ASSERT_TRUE(s_engine->start(error)) << error;
    }
    static void TearDownTestSuite() {
        s_engine.reset();
        s_folder.reset();
    }
    void SetUp() override {
        ASSERT_TRUE(s_engine && s_engine->started());
        s_engine->setOpacity(255);
        s_engine->setForeground(0x000000);
        s_engine->setBackground(0xFFFFFF);
        globals().backgroundActive = false;
    }

    static ToolGlobals& globals() { return s_engine->globals().toolGlobals(); }
    static BrushTool& brush() {
        return *dynamic_cast<BrushTool*>(s_engine->toolBox().tool(ToolBox::kBrush));
    }

    static std::unique_ptr<Page> whitePage(std::int32_t width, std::int32_t height) {
        auto page = std::make_unique<Page>(s_engine->environment());
        EXPECT_TRUE(page->shapeWhite(Page::kTypeRgb, width, height, 3));
        return page;
    }

    // Checks then runs `text` on `page` as the program does.
    static BatchOutcome apply(Page& page, const std::string& text) {
        std::string error;
        const auto command = prepareBatchCommand(stepOf(text), error);
        EXPECT_TRUE(command) << text << ": " << error;
        if (!command) return {false, kErrGeneral, error};
        return runBatchCommand(*s_engine, page, *command);
    }

    // Every pixel of `page` against `expected(x, y)`.
    template <class Expected>
    static void expectImage(const Page& page, Expected&& expected) {
        const Rect b = page.bounds();
        for (int p = 0; p < 3; ++p) {
            const auto plane = readPlane(page, p);
            for (int y = 0; y < b.bottom; ++y)
                for (int x = 0; x < b.right; ++x)
                    ASSERT_EQ(plane[std::size_t(y) * b.right + x], channel(expected(x, y), p))
                        << "plane " << p << " at " << x << "," << y;
        }
    }

    static std::unique_ptr<TempDir> s_folder;
    static std::unique_ptr<BatchEngine> s_engine;
};

std::unique_ptr<TempDir> BatchToolTest::s_folder;
std::unique_ptr<BatchEngine> BatchToolTest::s_engine;

constexpr std::uint32_t kWhite = 0xFFFFFF;

TEST_F(BatchToolTest, BrushStrokeThenAltPicksIntoTheActiveColour) {
    const std::uint32_t red = rgb(200, 0, 0);
    const std::uint32_t blue = rgb(0, 0, 200);
    auto page = whitePage(30, 30);
    s_engine->setForeground(red);
    ASSERT_TRUE(apply(*page, "brush-options=5,5,1,0,0,25").ok);
    ASSERT_TRUE(apply(*page, "tool=brush,10,10").ok);
    // A hard 5 x 5 square dab centred on the press: 10 - 5 / 2 = 8 to 12.
    const auto square = [&](int x, int y) {
        return x >= 8 && x <= 12 && y >= 8 && y <= 12 ? red : kWhite;
    };
    expectImage(*page, square);

    s_engine->setForeground(blue);
    ASSERT_TRUE(apply(*page, "tool=brush,alt,10,10").ok);
    EXPECT_EQ(globals().foreground, red);
    EXPECT_EQ(globals().background, kWhite);

    globals().backgroundActive = true;
    s_engine->setForeground(blue);
    s_engine->setBackground(rgb(1, 2, 3));
    ASSERT_TRUE(apply(*page, "tool=brush,alt,12,8").ok);
    EXPECT_EQ(globals().background, red);
    EXPECT_EQ(globals().foreground, blue);
    // Picking paints nothing.
    expectImage(*page, square);
}

TEST_F(BatchToolTest, EraserStrokePaintsTheBackground) {
    const std::uint32_t background = rgb(0, 128, 255);
    auto page = whitePage(48, 24);
    s_engine->setBackground(background);
    ASSERT_TRUE(apply(*page, "tool=eraser,10,10,30,10").ok);
    // 16 x 16 squares every 4 pixels of path: centres 10, 14, ..., 30, each
    // covering centre - 8 to centre + 7.
    expectImage(*page, [&](int x, int y) {
        for (int centre = 10; centre <= 30; centre += 4) {
            if (x >= centre - 8 && x < centre + 8 && y >= 2 && y < 18) return background;
        }
        return kWhite;
    });
}

TEST_F(BatchToolTest, ShapesOptionsAndSwitchesReachTheTools) {
    auto page = whitePage(8, 8);
    ASSERT_TRUE(apply(*page, "brush-options=20,20,4,0,0,60").ok);
    struct Case {
        int button, size;
        std::int32_t width, height, thickness;  // from size s: s or s / 8 + 1
    };
    const Case cases[] = {{2, 9, 9, 9, 2},
                          {17, 16, 16, 3, 3},
                          {21, 16, 3, 16, 3},
                          {13, 1, 1, 1, 1},
                          {5, 32, 32, 32, 5}};
    for (const Case& c : cases) {
        const std::string text =
            "brush-shape=" + std::to_string(c.button) + "," + std::to_string(c.size);
        ASSERT_TRUE(apply(*page, text).ok) << text;
        const BrushOptions& options = brush().options();
        EXPECT_EQ(options.width, c.width) << text;
        EXPECT_EQ(options.height, c.height) << text;
        EXPECT_EQ(options.thickness, c.thickness) << text;
        EXPECT_EQ(options.spacingPercent, 60) << text;
        EXPECT_EQ(brush_shapes::buttonFor(options), c.button) << text;
    }
    // Spacing is kept when left out; the clone tool's options are its own.
    ASSERT_TRUE(apply(*page, "brush-options=3,4,2,1,8").ok);
    EXPECT_EQ(brush().options(), (BrushOptions{3, 4, 2, 1, 8, 60, false}));
    ASSERT_TRUE(apply(*page, "clone-options=6,7,1,2,0,10").ok);
    const auto& clone = *dynamic_cast<CloneTool*>(s_engine->toolBox().tool(ToolBox::kClone));
    EXPECT_EQ(clone.options(), (BrushOptions{6, 7, 1, 2, 0, 10, false}));
    EXPECT_EQ(brush().options(), (BrushOptions{3, 4, 2, 1, 8, 60, false}));

    ASSERT_TRUE(apply(*page, "tool=clone,alt,5,6").ok);
    EXPECT_EQ(globals().cloneSourceX, 5);
    EXPECT_EQ(globals().cloneSourceY, 6);
    for (const bool on : {true, false}) {
        ASSERT_TRUE(apply(*page, on ? "anti-alias=on" : "anti-alias=off").ok);
        EXPECT_EQ(globals().antiAlias, on);
    }
}

TEST_F(BatchToolTest, EveryToolBecomesCurrentAndPressesWithoutError) {
    const char* names[] = {"",      "arrow", "dropper", "hand",     "magnify", "selection",
                           "crop",  "lasso", "wand",    "pencil",   "eraser",  "brush",
                           "clone", "line",  "bucket",  "gradient", "text"};
    // The text tool is refused: the batch program has no fonts.
    for (int index = 1; index < ToolBox::kText; ++index) {
        auto page = whitePage(16, 16);
        const std::string text = std::string("tool=") + names[index] + ",3,3,9,9";
        const BatchOutcome outcome = apply(*page, text);
        EXPECT_TRUE(outcome.ok) << text << ": " << outcome.message;
        EXPECT_EQ(s_engine->toolBox().currentIndex(), index) << text;
    }
}

// The selection tools through tool=: an ellipse after selection-shape, a
// lasso added with shift, the wand, and the arrow moving the outline.
TEST_F(BatchToolTest, SelectionToolsWorkThroughToolPresses) {
    auto page = whitePage(24, 20);
    const auto maskNow = [&] { return readPlane(*page, 3); };
    ASSERT_TRUE(apply(*page, "selection-shape=ellipse").ok);
    ASSERT_TRUE(apply(*page, "tool=selection,2,3,14,13").ok);
    const Mask ellipse = maskOf(24, 20, [](std::int32_t x, std::int32_t y) -> std::uint8_t {
        if (x < 2 || x >= 14 || y < 3 || y >= 13) return 0;
        return inEllipse(12, 10, x - 2, y - 3) ? 255 : 0;
    });
    EXPECT_TRUE(samePlane("batch_ellipse", maskNow(), ellipse, 24));

    // A triangle lasso added with shift: its right column 22 and rows 0 ... 4.
    ASSERT_TRUE(apply(*page, "tool=lasso,shift,16,0,22,0,22,5").ok);
    EXPECT_EQ(page->selectionRect(), (Rect{2, 0, 23, 13}));
    EXPECT_EQ(maskNow()[0 * 24 + 22], 255);
    EXPECT_EQ(maskNow()[0 * 24 + 16], 255);

    ASSERT_TRUE(apply(*page, "tool=wand,0,19").ok);  // one colour: everything
    EXPECT_EQ(page->selectionRect(), page->bounds());
    ASSERT_TRUE(apply(*page, "selection-shape=rectangle").ok);
    // Ctrl over everything empties the selection; a press inside it would move it.
    ASSERT_TRUE(apply(*page, "tool=selection,ctrl,0,0,24,20").ok);
    EXPECT_TRUE(page->selectionRect().empty());
    ASSERT_TRUE(apply(*page, "tool=selection,1,1,5,4").ok);
    ASSERT_TRUE(apply(*page, "tool=arrow,2,2,12,12").ok);
    EXPECT_EQ(page->selectionRect(), (Rect{11, 11, 15, 14}));
    EXPECT_FALSE(page->hasFloat());
    expectImage(*page, [](int, int) { return kWhite; });
}

TEST_F(BatchToolTest, LineAndTextOptionsReachTheirTools) {
    auto page = whitePage(32, 24);
    ASSERT_TRUE(apply(*page, "line-width=3").ok);
    ASSERT_TRUE(apply(*page, "tool=line,10,10,20,10").ok);
    expectImage(*page, [](int x, int y) {
        return x >= 10 && x < 23 && y >= 10 && y < 13 ? 0x000000u : kWhite;
    });
    ASSERT_TRUE(apply(*page, "line-width=32").ok);
    EXPECT_EQ(dynamic_cast<LineTool*>(s_engine->toolBox().tool(ToolBox::kLine))->lineWidth(), 32);

    auto& text = *dynamic_cast<TextTool*>(s_engine->toolBox().tool(ToolBox::kText));
    ASSERT_TRUE(apply(*page, "text=A\\nB,font=Serif,size=24,style=bold+underline,align=right").ok);
    EXPECT_EQ(text.text(), "A\nB");
    EXPECT_EQ(text.typeface(), "Serif");
    EXPECT_EQ(text.size(), 24);
    EXPECT_EQ(text.styleFlags(), TextTool::kBold | TextTool::kUnderline);
    EXPECT_EQ(text.alignment(), TextTool::kAlignRight);
    // Options left out keep their values.
    ASSERT_TRUE(apply(*page, "text=C,style=plain").ok);
    EXPECT_EQ(text.text(), "C");
    EXPECT_EQ(text.styleFlags(), 0);
    EXPECT_EQ(text.size(), 24);
    EXPECT_EQ(text.alignment(), TextTool::kAlignRight);

    // tool=text places it as a floating selection of the foreground, its
    // block's top left at the press, nothing of it outside the image.
    auto canvas = whitePage(80, 40);
    ASSERT_TRUE(apply(*canvas, "text=H,size=20,style=bold,align=left").ok);
    ASSERT_TRUE(apply(*canvas, "tool=text,6,4").ok);
    ASSERT_TRUE(canvas->hasFloat());
    const Rect placed = canvas->selectionRect();
    EXPECT_FALSE(placed.empty());
    EXPECT_GE(placed.left, 6);
    EXPECT_GE(placed.top, 4);
    EXPECT_LE(placed.right, 80);
    EXPECT_LE(placed.bottom, 40);
    int inked = 0;
    for (std::int32_t y = 0; y < 40; ++y)
        for (std::int32_t x = 0; x < 80; ++x)
            if (canvas->colourAt(x, y) == 0x000000u) ++inked;
    EXPECT_GT(inked, 20);  // a bold 20-point H has far more than 20 black pixels
}

// A stroke that runs out of tiles returns the store's code, and the page is
// as before it.
TEST(BatchToolShortage, FailedStrokeReportsAndLeavesThePage) {
    PaintPage paint(8, false);
    paint.shapeRgb(1024, 128, kWhite);
    ToolGlobals globals;
    ToolBox box(globals);
    std::string error;
    const auto options = prepareBatchToolCommand(stepOf("brush-options=9,9,1,0,0"), error);
    const auto stroke = prepareBatchToolCommand(stepOf("tool=brush,0,60,1023,60"), error);
    ASSERT_TRUE(options && stroke) << error;
    ASSERT_EQ(runBatchToolCommand(box, globals, paint.page, *options), kErrNone);
    EXPECT_EQ(runBatchToolCommand(box, globals, paint.page, *stroke), kErrDisk);
    for (int p = 0; p < 3; ++p) {
        const auto plane = paint.plane(p);
        EXPECT_EQ(std::count(plane.begin(), plane.end(), 255), std::ptrdiff_t(plane.size()))
            << "plane " << p;
    }
    EXPECT_EQ(paint.page.pageData()->undoCount(), 0);
}

}  // namespace
}  // namespace tessary::test
