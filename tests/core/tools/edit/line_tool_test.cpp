#include "tools/edit/line_tool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

constexpr std::uint32_t kWhite = 0xFFFFFF;

// Whether sub-pixel (sx, sy) of the N-fold line rectangle lies in the band
// of thickness t of the line from a to b, from the band rule written out.
bool inBand(ToolPoint a, ToolPoint b, int t, int n, long sx, long sy) {
    const long w = (std::abs(b.x - a.x) + t) * n;
    const long h = (std::abs(b.y - a.y) + t) * n;
    const long tn = static_cast<long>(t) * n;
    if (h == tn || w == tn) return true;
    const bool falling = (a.x < b.x && a.y <= b.y) || (a.x > b.x && a.y > b.y);
    const double k = static_cast<double>(w - tn) / static_cast<double>(h - tn);
    double length = tn * (1.0 + k) - (tn % 2 != 0 ? 1.0 : 0.0);
    if (h > w) length = std::max(length, static_cast<double>(tn));
    long from = 0, to = 0;
    if (falling) {
        from = static_cast<long>(sy * k + tn - length + 0.5);
        to = static_cast<long>(sy * k + tn + 0.5);
    } else {
        from = static_cast<long>(w - sy * k - tn + 0.5);
        to = static_cast<long>(w - sy * k - tn + length + 0.5);
    }
    from = std::clamp(from, 0L, w);
    to = std::clamp(to, 0L, w);
    if (to <= from) {
        const long only = std::clamp(falling ? from - 1 : from, 0L, w - 1);
        return sx == only;
    }
    return sx >= from && sx < to;
}

// The expected sample of plane p at image pixel (x, y) after a line on a
// white page: the subsamples of the pixel counted one by one.
int expectedSample(ToolPoint a, ToolPoint b, int t, int n, int opacity, std::uint32_t colour, int p,
                   int x, int y) {
    const int left = std::min(a.x, b.x);
    const int top = std::min(a.y, b.y);
    const int right = std::max(a.x, b.x) + t;
    const int bottom = std::max(a.y, b.y) + t;
    if (x < left || x >= right || y < top || y >= bottom) return 255;
    int count = 0;
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) {
            if (inBand(a, b, t, n, (x - left) * n + i, (y - top) * n + j)) ++count;
        }
    }
    return mix(255, channel(colour, p), count * opacity / (n * n));
}

class LineToolTest : public ::testing::Test {
protected:
    void SetUp() override { paint.shapeRgb(48, 40, kWhite); }

    void expectLine(const PaintPage& page, ToolPoint a, ToolPoint b, int t, int n) {
        for (int p = 0; p < 3; ++p) {
            const auto plane = page.plane(p);
            for (int y = 0; y < 40; ++y) {
                for (int x = 0; x < 48; ++x) {
                    ASSERT_EQ(plane[y * 48 + x], expectedSample(a, b, t, n, globals.opacity,
                                                                globals.foreground, p, x, y))
                        << "plane " << p << " at " << x << "," << y;
                }
            }
        }
    }

    ToolGlobals globals;
    PaintPage paint;
};

TEST_F(LineToolTest, HorizontalLineIsLengthPlusWidthByWidth) {
    LineTool line(globals);
    globals.foreground = rgb(200, 10, 60);
    ASSERT_EQ(pressTool(line, paint.page, {10, 10}, {{20, 10}}), kErrNone);
    for (int y = 8; y < 16; ++y) {
        for (int x = 8; x < 26; ++x) {
            const bool inside = x >= 10 && x < 23 && y >= 10 && y < 13;
            EXPECT_EQ(paint.sample(0, x, y), inside ? 200 : 255) << x << "," << y;
        }
    }
    EXPECT_EQ(paint.page.undoKind(), LineTool::kUndoKind);
    EXPECT_TRUE(paint.page.modified());
}

TEST_F(LineToolTest, LinesMatchTheBandRuleWithAndWithoutAntiAliasing) {
    struct Case {
        ToolPoint a, b;
        int width;
        bool antiAlias;
        int subsamples;
        int opacity;
    };
    const Case cases[] = {
        {{5, 5}, {30, 20}, 3, false, 3, 255},  {{30, 20}, {5, 5}, 4, false, 3, 255},
        {{5, 30}, {40, 8}, 5, false, 3, 160},  {{12, 2}, {12, 30}, 2, false, 3, 255},
        {{5, 5}, {30, 20}, 3, true, 3, 255},   {{5, 30}, {40, 8}, 5, true, 4, 200},
        {{40, 30}, {10, 12}, 1, true, 2, 255}, {{3, 3}, {3, 3}, 6, true, 3, 255},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.a.x << "," << c.a.y << " -> " << c.b.x << "," << c.b.y << " width "
                     << c.width << " aa " << c.antiAlias);
        PaintPage fresh;
        fresh.shapeRgb(48, 40, kWhite);
        globals.foreground = rgb(0, 90, 250);
        globals.antiAlias = c.antiAlias;
        globals.subsamples = c.subsamples;
        globals.opacity = c.opacity;
        LineTool line(globals);
        line.setLineWidth(c.width);
        ASSERT_EQ(pressTool(line, fresh.page, c.a, {c.b}), kErrNone);
        expectLine(fresh, c.a, c.b, c.width, c.antiAlias ? c.subsamples : 1);
    }
}

TEST_F(LineToolTest, SelectionMaskLimitsTheLine) {
    test::selectRect(paint, {0, 0, 15, 40}, 255);
    // A partly selected column.
    std::uint8_t half = 100;
    for (int y = 0; y < 40; ++y) paint.page.pageData()->writeRow(3, 15, y, 1, &half);
    LineTool line(globals);
    ASSERT_EQ(pressTool(line, paint.page, {10, 10}, {{20, 10}}), kErrNone);
    EXPECT_EQ(paint.sample(0, 14, 11), 0);
    EXPECT_EQ(paint.sample(0, 15, 11), mix(255, 0, 100));
    EXPECT_EQ(paint.sample(0, 16, 11), 255);
}

// The rubber band is drawn as wide as the line at the view's zoom, and is
// gone after the release.
TEST_F(LineToolTest, FeedbackLineWidthFollowsTheZoom) {
    class ZoomedView : public ScriptedToolView {
    public:
        double zoom() const override { return 2.0; }
    };
    ZoomedView view;
    LineTool line(globals);
    line.setLineWidth(5);
    ASSERT_EQ(pressTool(line, paint.page, view, {1, 1}, {{4, 6}}), kErrNone);
    ASSERT_FALSE(view.toggles().empty());
    for (const FeedbackFigure& figure : view.toggles()) {
        EXPECT_EQ(figure.kind, FeedbackFigure::Kind::Line);
        EXPECT_EQ(figure.penWidth, 10);
    }
    EXPECT_TRUE(view.shownFigures().empty());
}

}  // namespace
}  // namespace tessary
