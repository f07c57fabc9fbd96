#include "tools/edit/bucket_tool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "app/tool_globals.h"
#include "core/tools/press_test_support.h"
#include "model/progress_port.h"

namespace tessary {
namespace {

using test::channel;
using test::mix;
using test::PaintPage;
using test::pressTool;
using test::rgb;

constexpr std::uint32_t kWhite = 0xFFFFFF;

// A progress window that answers "cancelled" from its `cancelAt`-th update
// on (never when 0), and remembers its text and whether it was closed.
class CancellingProgress : public ProgressPort {
public:
    explicit CancellingProgress(int cancelAt) : m_cancelAt(cancelAt) {}
    void setDelay(std::uint32_t) override {}
    bool update(std::int32_t, std::int32_t) override {
        ++updates;
        return m_cancelAt != 0 && updates >= m_cancelAt;
    }
    bool updateSecond(std::int32_t done, std::int32_t total) override {
        return update(done, total);
    }
    bool checkCancel() override { return m_cancelAt != 0 && updates >= m_cancelAt; }
    bool setCancellable(bool cancellable) override { return cancellable; }
    void setText(int line, std::string_view value) override {
        if (line == 0) text = value;
    }
    void setPair(int, std::int16_t, std::int16_t) override {}
    void close(bool) override { ++closes; }

    int updates = 0;
    int closes = 0;
    std::string text;

private:
    int m_cancelAt;
};

class ProgressView : public ScriptedToolView {
public:
    explicit ProgressView(ProgressPort& port) : m_port(port) {}
    // Each press gets a window that forwards to the test's one.
    std::unique_ptr<ProgressPort> createProgress() override {
        struct Forward : ProgressPort {
            explicit Forward(ProgressPort& to) : to(to) {}
            void setDelay(std::uint32_t ms) override { to.setDelay(ms); }
            bool update(std::int32_t d, std::int32_t t) override { return to.update(d, t); }
            bool updateSecond(std::int32_t d, std::int32_t t) override {
                return to.updateSecond(d, t);
            }
            bool checkCancel() override { return to.checkCancel(); }
            bool setCancellable(bool c) override { return to.setCancellable(c); }
            void setText(int line, std::string_view text) override { to.setText(line, text); }
            void setPair(int i, std::int16_t a, std::int16_t b) override { to.setPair(i, a, b); }
            void close(bool finish) override { to.close(finish); }
            ProgressPort& to;
        };
        return std::make_unique<Forward>(m_port);
    }

private:
    ProgressPort& m_port;
};

class BucketToolTest : public ::testing::Test {
protected:
    void SetUp() override { shapeWalledPage(paint); }

    // A 12 x 8 white page split by a black wall at column 6, with a pixel
    // just within the tolerance (245) and one just beyond it (244) on the
    // left side.
    void shapeWalledPage(PaintPage& paint) {
        paint.shapeRgb(12, 8, kWhite);
        for (int y = 0; y < 8; ++y) {
            for (int p = 0; p < 3; ++p) paint.setSample(p, 6, y, 0);
        }
        for (int p = 0; p < 3; ++p) {
            paint.setSample(p, 2, 2, 245);
            paint.setSample(p, 3, 5, 244);
        }
        globals.foreground = rgb(200, 100, 50);
    }

    // The expected colour of plane p at (x, y) when the left area was
    // filled with weight `weight` (0 outside the area).
    int filled(int p, int x, int y, int weight) const {
        int old = 255;
        if (x == 6) old = 0;
        if (x == 2 && y == 2) old = 245;
        if (x == 3 && y == 5) old = 244;
        const bool inArea = x < 6 && !(x == 3 && y == 5);
        return inArea ? mix(old, channel(globals.foreground, p), weight) : old;
    }

    ToolGlobals globals;
    PaintPage paint;
};

TEST_F(BucketToolTest, FillsTheConnectedSimilarAreaAtTheOpacity) {
    for (const int opacity : {255, 128}) {
        PaintPage paint;
        shapeWalledPage(paint);
        globals.opacity = opacity;
        BucketTool bucket(globals);
        ASSERT_EQ(pressTool(bucket, paint.page, {0, 0}), kErrNone);
        for (int p = 0; p < 3; ++p) {
            for (int y = 0; y < 8; ++y) {
                for (int x = 0; x < 12; ++x)
                    ASSERT_EQ(paint.sample(p, x, y), filled(p, x, y, opacity))
                        << "opacity " << opacity << " plane " << p << " at " << x << "," << y;
            }
        }
        EXPECT_EQ(paint.page.pageData()->planeCount(), 3);
        EXPECT_EQ(paint.page.undoKind(), BucketTool::kUndoKind);
    }
}

TEST_F(BucketToolTest, OnlySelectedPixelsOfTheAreaAreFilled) {
    test::selectRect(paint, {0, 0, 4, 8}, 255);
    paint.setSample(3, 4, 1, 90);
    paint.page.setSelectionRect({0, 0, 5, 8});
    BucketTool bucket(globals);
    ASSERT_EQ(pressTool(bucket, paint.page, {1, 1}), kErrNone);
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(paint.sample(p, 1, 1), channel(globals.foreground, p));
        EXPECT_EQ(paint.sample(p, 4, 1), mix(255, channel(globals.foreground, p), 90));
        EXPECT_EQ(paint.sample(p, 5, 1), 255);
        EXPECT_EQ(paint.sample(p, 9, 1), 255);
    }
    EXPECT_TRUE(paint.page.hasMask());
    EXPECT_EQ(paint.page.pageData()->planeCount(), 4);
}

TEST_F(BucketToolTest, PressOutsideTheImageDoesNothing) {
    BucketTool bucket(globals);
    const auto before = test::snapshotOf(paint);
    for (const ToolPoint at : {ToolPoint{-1, 0}, ToolPoint{12, 3}, ToolPoint{0, 8}}) {
        EXPECT_EQ(pressTool(bucket, paint.page, at), kErrNone);
        EXPECT_EQ(test::snapshotOf(paint), before);
    }
}

// A fill of a large page cancelled part-way through leaves it untouched:
// in the search's first pass, while it marks the area (the search reports
// 3 x 5000 steps), and while the marked area is painted.
TEST(BucketToolLargeTest, CancelledFillOfALargePageLeavesItAsItWas) {
    PaintPage paint(4096);
    paint.shapeRgb(5000, 5000, kWhite);
    ToolGlobals globals;
    for (const int cancelAt : {2500, 12000, 17000}) {
        const auto before = test::snapshotOf(paint);
        CancellingProgress progress(cancelAt);
        ProgressView view(progress);
        BucketTool bucket(globals);
        EXPECT_EQ(pressTool(bucket, paint.page, view, {2500, 2500}), kErrCancelled);
        EXPECT_EQ(progress.updates, cancelAt);
        EXPECT_EQ(progress.closes, 1);
        EXPECT_EQ(progress.text, "Working...");
        EXPECT_FALSE(paint.page.pageData()->changeOpen());
        EXPECT_EQ(test::snapshotOf(paint), before);
    }
}

}  // namespace
}  // namespace tessary
