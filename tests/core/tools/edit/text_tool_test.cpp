#include "tools/edit/text_tool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "app/tool_globals.h"
#include "core/tools/press_test_support.h"
#include "tools/text_rasterizer.h"

namespace tessary {
namespace {

using test::channel;
using test::PaintPage;
using test::pressTool;
using test::rgb;

// A pattern font: every character advances size x scale / 2 pixels and is a
// block one pixel narrower than its advance (spaces are empty); lines are
// size x scale pixels high.
class BlockFont : public TextRasterizer {
public:
    bool rasterize(const TextRequest& request, TextBitmap& out) override {
        last = request;
        const int advance = request.size * request.scale / 2;
        const int lineHeight = request.size * request.scale;
        int width = 0;
        for (const std::string& line : request.lines)
            width = std::max(width, static_cast<int>(line.size()) * advance);
        out.width = width;
        out.height = lineHeight * static_cast<int>(request.lines.size());
        out.pixels.assign(static_cast<std::size_t>(out.width) * out.height, 0);
        for (std::size_t l = 0; l < request.lines.size(); ++l) {
            const std::string& line = request.lines[l];
            const int lineWidth = static_cast<int>(line.size()) * advance;
            const int shift = request.alignment == 1   ? (width - lineWidth) / 2
                              : request.alignment == 2 ? width - lineWidth
                                                       : 0;
            for (std::size_t c = 0; c < line.size(); ++c) {
                if (line[c] == ' ') continue;
                for (int y = 0; y < lineHeight; ++y) {
                    for (int x = 0; x < advance - 1; ++x) {
                        const int px = shift + static_cast<int>(c) * advance + x;
                        const int py = static_cast<int>(l) * lineHeight + y;
                        out.pixels[static_cast<std::size_t>(py) * out.width + px] = 255;
                    }
                }
            }
        }
        return true;
    }
    TextRequest last;
};

// A view whose Text Options dialog sets `text` and presses "Set" (or
// "Cancel"), and that draws with the block font.
class TextView : public ScriptedToolView {
public:
    bool askTextOptions(TextTool& tool) override {
        ++asked;
        if (!accept) return false;
        tool.setText(text);
        tool.setSize(size);
        tool.setAlignment(alignment);
        return true;
    }
    TextRasterizer* textRasterizer() override { return withFont ? &font : nullptr; }

    BlockFont font;
    bool accept = true;
    bool withFont = true;
    std::string text = "AB";
    std::int32_t size = 4;
    std::int32_t alignment = 0;
    int asked = 0;
};

class TextToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        paint.shapeRgb(16, 12, 0xFFFFFF);
        globals.foreground = rgb(20, 40, 220);
        globals.opacity = 128;
    }

    // The mask row y, columns [left, left + expected.size()).
    void expectMaskRow(int y, int left, const std::vector<int>& expected) {
        for (std::size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ(paint.sample(3, left + static_cast<int>(i), y), expected[i])
                << "at " << left + static_cast<int>(i) << "," << y;
    }

    ToolGlobals globals;
    PaintPage paint;
    TextView view;
};

// Without anti-aliasing "AB" at size 4 is two 1 x 4 blocks two pixels apart;
// the opacity is not used.
TEST_F(TextToolTest, WithoutAntiAliasingCoverageIsFullWhereDrawn) {
    TextTool text(globals);
    ASSERT_EQ(pressTool(text, paint.page, view, {3, 2}), kErrNone);
    ASSERT_TRUE(paint.page.hasFloat());
    for (int y = 2; y < 6; ++y) expectMaskRow(y, 2, {0, 255, 0, 255, 0, 0});
    expectMaskRow(6, 2, {0, 0, 0, 0, 0, 0});
    EXPECT_EQ(paint.page.selectionRect(), (Rect{3, 2, 7, 6}));
    for (int p = 0; p < 3; ++p)
        EXPECT_EQ(paint.sample(4 + p, 0, 0), channel(globals.foreground, p));
    EXPECT_EQ(paint.page.colourAt(3, 3), globals.foreground);
    EXPECT_EQ(paint.page.colourAt(4, 3), 0xFFFFFFu);
    EXPECT_EQ(paint.page.undoKind(), TextTool::kUndoKind);
    EXPECT_EQ(view.font.last.scale, 1);
}

// With anti-aliasing (N = 3) each character is 6 pixels wide in the bitmap,
// a 5-pixel block and a gap: cells hold 9 or 6 set pixels of 9.
TEST_F(TextToolTest, WithAntiAliasingCoverageIsCountTimesOpacityOverNSquared) {
    globals.antiAlias = true;
    globals.subsamples = 3;
    TextTool text(globals);
    ASSERT_EQ(pressTool(text, paint.page, view, {3, 2}), kErrNone);
    const int full = 9 * 128 / 9;
    const int part = 6 * 128 / 9;
    for (int y = 2; y < 6; ++y) expectMaskRow(y, 2, {0, full, part, full, part, 0});
    EXPECT_EQ(view.font.last.scale, 3);
    EXPECT_EQ(view.font.last.size, 4);
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 16; ++x) EXPECT_LE(paint.sample(3, x, y), 128);
    }
}

TEST_F(TextToolTest, LinesAreSplitAndAlignedAndTheBlockIsClipped) {
    view.text = "A B\r\nA\rA";
    view.alignment = TextTool::kAlignRight;
    TextTool text(globals);
    ASSERT_EQ(pressTool(text, paint.page, view, {10, 0}), kErrNone);
    // Lines "A B", "A", "A": 6 pixels wide, right-aligned.
    expectMaskRow(0, 10, {255, 0, 0, 0, 255, 0});
    expectMaskRow(4, 10, {0, 0, 0, 0, 255, 0});
    expectMaskRow(11, 10, {0, 0, 0, 0, 255, 0});
    // 12 rows of text on a 12-row page at y 0: all inside; 6 columns from x
    // 10 reach the edge exactly.
    EXPECT_EQ(paint.page.selectionRect(), (Rect{10, 0, 16, 12}));
    EXPECT_EQ(view.font.last.lines, (std::vector<std::string>{"A B", "A", "A"}));
}

TEST_F(TextToolTest, CancelNoFontOrBlockOutsideChangeNothing) {
    TextTool text(globals);
    const auto before = test::snapshotOf(paint);
    view.accept = false;
    EXPECT_EQ(pressTool(text, paint.page, view, {3, 2}), kErrNone);
    view.accept = true;
    view.withFont = false;
    EXPECT_EQ(pressTool(text, paint.page, view, {3, 2}), kErrNone);
    view.withFont = true;
    EXPECT_EQ(pressTool(text, paint.page, view, {16, 2}), kErrNone);
    EXPECT_EQ(pressTool(text, paint.page, view, {-4, 2}), kErrNone);
    EXPECT_EQ(test::snapshotOf(paint), before);
    EXPECT_EQ(view.asked, 4);
}

TEST(TextToolLinesTest, SplitsAtEveryKindOfBreakAndKeepsTheTextShort) {
    struct Case {
        const char* text;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"", {""}},
        {"one", {"one"}},
        {"a\r\nb", {"a", "b"}},
        {"a\n\rb", {"a", "", "b"}},
        {"a\rb\nc\n", {"a", "b", "c", ""}},
    };
    for (const Case& c : cases) EXPECT_EQ(TextTool::splitLines(c.text), c.lines) << c.text;

    ToolGlobals globals;
    TextTool text(globals);
    text.setText(std::string(300, '\n'));
    EXPECT_EQ(text.text().size(), TextTool::kMaxTextChars);
    EXPECT_EQ(TextTool::splitLines(text.text()).size(), TextTool::kMaxTextChars + 1);
}

}  // namespace
}  // namespace tessary
