// Every edit tool that runs out of tiles part-way through returns the disk
// error and leaves the page as it was before the press, history included.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "app/tool_globals.h"
#include "core/tools/press_test_support.h"
#include "tools/edit/bucket_tool.h"
#include "tools/edit/crop_tool.h"
#include "tools/edit/gradient_tool.h"
#include "tools/edit/line_tool.h"
#include "tools/edit/text_tool.h"
#include "tools/text_rasterizer.h"

namespace tessary {
namespace {

using test::PaintPage;

// Draws every request as one solid block of 1000 x 200 pixels.
class SolidBlock : public TextRasterizer {
public:
    bool rasterize(const TextRequest&, TextBitmap& out) override {
        out.width = 1000;
        out.height = 200;
        out.pixels.assign(1000u * 200u, 255);
        return true;
    }
};

class TextView : public ScriptedToolView {
public:
    bool askTextOptions(TextTool& tool) override {
        tool.setText("X");
        return true;
    }
    TextRasterizer* textRasterizer() override { return &m_font; }

private:
    SolidBlock m_font;
};

// A 1024 x 512 white page; `floating` selects it all and floats a grey
// ramp over it, so that a press first merges the float, writing every pixel.
void shapePage(PaintPage& paint, bool floating) {
    paint.shapeRgb(1024, 512, 0xFFFFFF);
    if (!floating) return;
    ASSERT_EQ(paint.page.addMask(), kErrNone);
    PageData& data = *paint.page.pageData();
    std::uint8_t ramp[128];
    for (int i = 0; i < 128; ++i) ramp[i] = static_cast<std::uint8_t>(2 * i);
    for (int p = 0; p < 3; ++p) {
        ASSERT_TRUE(data.insertPlane(4 + p, 0));
        ASSERT_TRUE(data.writeRow(4 + p, 0, 0, 128, ramp));
    }
    ASSERT_TRUE(paint.page.hasFloat());
}

TEST(EditToolsShortageTest, RunningOutOfTilesLeavesThePageAsItWas) {
    struct Case {
        const char* name;
        bool floating;
        std::function<ErrorCode(ToolGlobals&, Page&)> press;
    };
    const Case cases[] = {
        {"line", false,
         [](ToolGlobals& globals, Page& page) {
             LineTool line(globals);
             line.setLineWidth(32);
             return test::pressTool(line, page, {0, 200}, {{1023, 200}});
         }},
        {"gradient", false,
         [](ToolGlobals& globals, Page& page) {
             GradientTool gradient(globals);
             return test::pressTool(gradient, page, {0, 0}, {{1023, 300}});
         }},
        {"bucket", false,
         [](ToolGlobals& globals, Page& page) {
             BucketTool bucket(globals);
             return test::pressTool(bucket, page, {500, 300});
         }},
        {"crop", true,
         [](ToolGlobals& globals, Page& page) {
             CropTool crop(globals);
             return test::pressTool(crop, page, {3, 5}, {{900, 400}}, CropTool::kCropToDrag);
         }},
        {"text", false,
         [](ToolGlobals& globals, Page& page) {
             TextTool text(globals);
             TextView view;
             return test::pressTool(text, page, view, {0, 0});
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PaintPage paint(16, false);
        shapePage(paint, c.floating);
        ToolGlobals globals;
        globals.opacity = 200;
        const auto before = test::snapshotOf(paint);
        EXPECT_EQ(c.press(globals, paint.page), kErrDisk);
        EXPECT_FALSE(paint.page.pageData()->changeOpen());
        EXPECT_EQ(test::snapshotOf(paint), before);
        EXPECT_EQ(paint.page.hasFloat(), c.floating);
    }
}

}  // namespace
}  // namespace tessary
