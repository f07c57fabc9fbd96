#include "tools/tool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

#include "app/tool_box_prefs.h"
#include "app/tool_globals.h"
#include "tools/edit/line_tool.h"
#include "tools/edit/text_tool.h"
#include "tools/paint/brush_options.h"
#include "tools/paint/brush_tool.h"
#include "tools/paint/clone_tool.h"
#include "tools/paint/stroke_params.h"
#include "tools/selection/selection_tool.h"
#include "tools/selection/wand_tool.h"

namespace tessary {
namespace {

class BareTool : public Tool {
public:
    using Tool::Tool;
};

using Pair = std::pair<std::int32_t, std::int32_t>;

Pair entry(const Tool& tool, int mask) {
    return {tool.actionForMask(mask), tool.cursorForMask(mask)};
}

TEST(ToolTableTest, RangeSettersFillTheirRangesOnly) {
    ToolGlobals globals;
    BareTool tool(globals);
    tool.setAll(1, 2);
    for (int mask = 0; mask < 128; ++mask) {
        EXPECT_EQ(entry(tool, mask), (mask >= 64 && mask < 96 ? Pair{0, 0} : Pair{1, 2})) << mask;
    }
    tool.setOverSelection(3, 4);
    tool.setOverFloating(5, 6);
    tool.setNormalEntry(2, 7, 8);
    tool.setOverSelectionEntry(2, 9, 10);
    tool.setOverFloatingEntry(16, 11, 12);
    const std::pair<int, Pair> expected[] = {
        {0, {1, 2}},     {2, {7, 8}},   {31, {1, 2}}, {32, {3, 4}},  {34, {9, 10}},
        {63, {3, 4}},    {64, {0, 0}},  {95, {0, 0}}, {96, {5, 6}},  {98, {5, 6}},
        {112, {11, 12}}, {127, {5, 6}}, {-1, {0, 0}}, {128, {0, 0}},
    };
    for (const auto& [mask, pair] : expected) EXPECT_EQ(entry(tool, mask), pair) << mask;
}

// Two tables written out from their rules (keys: shift 1, alt 2, ctrl 4,
// space 16; + 32 over a selection, + 96 over a floating one).
TEST(ToolTableTest, WandAndCloneTables) {
    ToolGlobals globals;
    const WandTool wand(globals);
    const CloneTool clone(globals);
    for (int mask = 0; mask < 128; ++mask) {
        if (mask >= 64 && mask < 96) continue;
        const int keys = mask & 31;
        const bool over = mask >= 32;
        const bool floating = mask >= 96;
        Pair wandExpected = over ? Pair{21, 1} : Pair{6, 13};
        if (over && (keys == 1 || keys == 4)) wandExpected = {6, 13};
        if (keys == 16 && !floating) wandExpected = {3, 4};
        EXPECT_EQ(entry(wand, mask), wandExpected) << mask;

        Pair cloneExpected{12, 16};
        if (keys == 2) cloneExpected = {13, 17};
        if (keys == 16) cloneExpected = {3, 4};
        EXPECT_EQ(entry(clone, mask), cloneExpected) << mask;
    }
}

TEST(ToolOptionsTest, BuiltInValuesWithoutARecord) {
    ToolGlobals globals;
    BrushTool brush(globals);
    CloneTool clone(globals);
    LineTool line(globals);
    TextTool text(globals);
    SelectionTool selection(globals);
    brush.setOptions({3, 3, 3, 3, 3, 3, true});
    line.setLineWidth(9);
    for (Tool* tool : std::initializer_list<Tool*>{&brush, &clone, &line, &text, &selection}) {
        tool->loadOptions(nullptr);
    }
    EXPECT_EQ(brush.options(), (BrushOptions{32, 32, 5, 0, 0, 25, false}));
    EXPECT_EQ(clone.options(), (BrushOptions{10, 10, 2, 0, 0, 0, false}));
    EXPECT_EQ(line.lineWidth(), 3);
    EXPECT_EQ(text.size(), 12);
    EXPECT_EQ(text.styleFlags(), 0);
    EXPECT_EQ(text.alignment(), 0);
    EXPECT_EQ(selection.shape(), SelectionTool::kRectangle);
}

TEST(ToolOptionsTest, RecordWordsLoadAndStore) {
    ToolBoxPrefs record;
    record.toolWord16 = 1;
    record.firstSetShapeClass = 3;
    record.firstSetSize = 20;
    record.firstSetSpacing = 40;
    record.firstSetProfile = 11;
    record.firstSetFlag = true;
    record.secondSetShapeClass = 1;
    record.secondSetSize = 7;
    record.secondSetSpacing = 0;
    record.secondSetProfile = 8;
    record.toolWord27 = 12;
    record.toolWord28 = 5;
    record.toolWord29 = 36;
    record.toolWord31 = 2;

    ToolGlobals globals;
    BrushTool brush(globals);
    CloneTool clone(globals);
    LineTool line(globals);
    TextTool text(globals);
    SelectionTool selection(globals);
    const std::initializer_list<Tool*> tools{&brush, &clone, &line, &text, &selection};
    for (Tool* tool : tools) tool->loadOptions(&record);
    EXPECT_EQ(brush.options(), (BrushOptions{20, 20, 5, 3, 11, 40, true}));
    EXPECT_EQ(clone.options(), (BrushOptions{7, 7, 2, 1, 8, 0, false}));
    EXPECT_EQ(line.lineWidth(), 12);
    EXPECT_EQ(text.styleFlags(), 5);
    EXPECT_EQ(text.size(), 36);
    EXPECT_EQ(text.alignment(), 2);
    EXPECT_EQ(selection.shape(), 1);

    ToolBoxPrefs stored;
    for (Tool* tool : tools) tool->storeOptions(stored);
    QSPrefs a;
    QSPrefs b;
    record.collect(a);
    stored.collect(b);
    for (int word = 16; word <= 31; ++word) EXPECT_EQ(a.word(word), b.word(word)) << word;
}

// Damaged options are held to their ranges when a stroke is prepared.
TEST(ToolOptionsTest, StrokeClampsTheOptions) {
    struct Case {
        BrushOptions options;
        std::int32_t opacity;
        StrokeParams expected;  // width, height, thickness, class, profile, opacity, spacing
    };
    const auto params = [](int w, int h, int t, int c, int p, int o, int s) {
        StrokeParams out;
        out.width = w, out.height = h, out.thickness = t, out.shapeClass = c;
        out.profile = p, out.opacity = o, out.spacing = s;
        return out;
    };
    const Case cases[] = {
        {{32, 32, 5, 0, 0, 25, false}, 255, params(32, 32, 5, 0, 0, 255, 8)},
        {{300, 0, -4, 9, 40, 5000, false}, 300, params(255, 1, 1, 4, 15, 255, 50)},
        {{40, 30, 6, 3, 0, 100, false}, -5, params(40, 30, 6, 3, 0, 0, 6)},  // base: thickness
        {{40, 30, 6, 2, 0, 100, false}, 128, params(40, 30, 6, 2, 0, 128, 30)},
        {{255, 255, 255, 0, 0, 1000, false}, 1, params(255, 255, 255, 0, 0, 1, 1000)},
        {{10, 10, 2, 0, 0, 0, false}, 255, params(10, 10, 2, 0, 0, 255, 1)},
    };
    for (const Case& c : cases) {
        StrokeParams out;
        strokeFromBrushOptions(c.options, c.opacity, out);
        EXPECT_EQ(out.width, c.expected.width);
        EXPECT_EQ(out.height, c.expected.height);
        EXPECT_EQ(out.thickness, c.expected.thickness);
        EXPECT_EQ(out.shapeClass, c.expected.shapeClass);
        EXPECT_EQ(out.profile, c.expected.profile);
        EXPECT_EQ(out.opacity, c.expected.opacity);
        EXPECT_EQ(out.spacing, c.expected.spacing);
    }
}

}  // namespace
}  // namespace tessary
