#include "model/connected_area.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <random>
#include <vector>

#include "model/page_data.h"
#include "model/page_data_list.h"
#include "model/progress_port.h"
#include "page_test_support.h"
#include "test_store.h"

namespace tessary {
namespace {

using test::readPlane;
using test::TestStore;
using Bytes = std::vector<std::uint8_t>;

// A progress window that records every update and cancels at a chosen one.
class FakeProgress : public ProgressPort {
public:
    int cancelAt = -1;  // index of the update that answers "cancelled"
    std::vector<std::pair<std::int32_t, std::int32_t>> updates;

    void setDelay(std::uint32_t) override {}
    bool update(std::int32_t done, std::int32_t total) override {
        updates.emplace_back(done, total);
        return static_cast<int>(updates.size()) - 1 == cancelAt;
    }
    bool updateSecond(std::int32_t, std::int32_t) override { return false; }
    bool checkCancel() override { return false; }
    bool setCancellable(bool cancellable) override { return cancellable; }
    void setText(int, std::string_view) override {}
    void setPair(int, std::int16_t, std::int16_t) override {}
    void close(bool) override {}
};

// The expected result by flood fill: the pixels of `rect` that match on
// every compared plane and are 4-connected to the seed; `bounds` gets their
// bounding rectangle.
std::vector<bool> floodFill(const std::vector<Bytes>& planes, int width,
                            const std::vector<ComparedPlane>& compared, const Rect& rect, int seedX,
                            int seedY, Rect& bounds) {
    const int height = static_cast<int>(planes[0].size()) / width;
    auto matches = [&](int x, int y) {
        for (const ComparedPlane& c : compared) {
            const int s =
                planes[static_cast<std::size_t>(c.plane)][static_cast<std::size_t>(y) * width + x];
            if (s < c.reference - c.tolerance || s > c.reference + c.tolerance) return false;
        }
        return true;
    };
    std::vector<bool> in(static_cast<std::size_t>(width) * height, false);
    bounds = Rect{};
    if (seedX < rect.left || seedX >= rect.right || seedY < rect.top || seedY >= rect.bottom ||
        !matches(seedX, seedY)) {
        return in;
    }
    bounds = Rect{seedX, seedY, seedX + 1, seedY + 1};
    std::deque<std::pair<int, int>> queue{{seedX, seedY}};
    in[static_cast<std::size_t>(seedY) * width + seedX] = true;
    while (!queue.empty()) {
        const auto [x, y] = queue.front();
        queue.pop_front();
        bounds.left = std::min(bounds.left, x);
        bounds.top = std::min(bounds.top, y);
        bounds.right = std::max(bounds.right, x + 1);
        bounds.bottom = std::max(bounds.bottom, y + 1);
        const int dx[4] = {1, -1, 0, 0}, dy[4] = {0, 0, 1, -1};
        for (int d = 0; d < 4; ++d) {
            const int nx = x + dx[d], ny = y + dy[d];
            if (nx < rect.left || nx >= rect.right || ny < rect.top || ny >= rect.bottom) continue;
            const std::size_t i = static_cast<std::size_t>(ny) * width + nx;
            if (in[i] || !matches(nx, ny)) continue;
            in[i] = true;
            queue.emplace_back(nx, ny);
        }
    }
    return in;
}

// A page whose first planes hold `planes` and whose last plane (the output)
// holds `outputFill`.
void makePage(PageData& data, const std::vector<Bytes>& planes, int width, int height,
              std::uint8_t outputFill) {
    std::vector<std::uint8_t> fills(planes.size() + 1, outputFill);
    ASSERT_TRUE(data.create(static_cast<int>(planes.size()) + 1, width, height, fills.data()));
    for (std::size_t p = 0; p < planes.size(); ++p) {
        ASSERT_TRUE(test::writePlane(data, static_cast<int>(p), planes[p]));
    }
}

// What a search went through.
struct Figures {
    std::int64_t runs = 0;
    std::int64_t labels = 0;
};

// Runs the search and compares output plane and bounds with the flood fill.
Figures checkAgainstFloodFill(PageData& data, const std::vector<Bytes>& planes, int width,
                              const std::vector<ComparedPlane>& compared, const Rect& rect,
                              int seedX, int seedY, std::uint8_t outputFill) {
    const int outputPlane = static_cast<int>(planes.size());
    const OutputPlane output{outputPlane, 200};
    Rect expectedBounds;
    const auto in = floodFill(planes, width, compared, rect, seedX, seedY, expectedBounds);

    ConnectedArea search(data, nullptr);
    Rect bounds{-1, -1, -1, -1};
    const bool found = search.search(seedX, seedY, compared,
                                     std::span<const OutputPlane>(&output, 1), rect, bounds);
    EXPECT_TRUE(found);
    const Figures figures{search.runCount(), search.labelCount()};
    if (!found) return figures;
    EXPECT_EQ(bounds, expectedBounds);
    const Bytes got = readPlane(data, outputPlane);
    for (std::size_t i = 0; i < got.size(); ++i) {
        const std::uint8_t expected = in[i] ? 200 : outputFill;
        if (got[i] != expected) {
            ADD_FAILURE() << "pixel (" << i % width << ", " << i / width << ") is " << int{got[i]}
                          << ", expected " << int{expected};
            break;
        }
    }
    return figures;
}

TEST(ConnectedAreaTest, MatchesAFloodFillOnRandomImages) {
    struct Case {
        int width, height;
        std::uint8_t tolerance;
        int comparedPlanes;
    };
    const Case cases[] = {{1, 1, 0, 1},      {5, 3, 10, 1},     {37, 29, 10, 2},
                          {130, 131, 40, 1}, {257, 140, 10, 2}, {300, 90, 0, 1}};
    std::mt19937 random(11);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.width << "x" << c.height << " tol " << int{c.tolerance});
        // Samples from a few levels so that areas form and join.
        std::vector<Bytes> planes(static_cast<std::size_t>(c.comparedPlanes));
        const std::uint8_t levels[4] = {100, 108, 125, 160};
        for (auto& plane : planes) {
            plane.resize(static_cast<std::size_t>(c.width) * c.height);
            for (auto& v : plane) v = levels[random() % (c.comparedPlanes == 1 ? 4 : 2)];
        }
        for (int trial = 0; trial < 4; ++trial) {
            TestStore ts;
            PageDataList list;
            PageData data(ts.store(), &list);
            makePage(data, planes, c.width, c.height, 3);
            const int seedX = static_cast<int>(random() % c.width);
            const int seedY = static_cast<int>(random() % c.height);
            Rect rect{0, 0, c.width, c.height};
            if (trial % 2 == 1) {
                rect = Rect{static_cast<int>(random() % (seedX + 1)),
                            static_cast<int>(random() % (seedY + 1)),
                            seedX + 1 + static_cast<int>(random() % (c.width - seedX)),
                            seedY + 1 + static_cast<int>(random() % (c.height - seedY))};
            }
            std::vector<ComparedPlane> compared;
            for (int p = 0; p < c.comparedPlanes; ++p) {
                const std::uint8_t reference =
                    planes[static_cast<std::size_t>(p)]
                          [static_cast<std::size_t>(seedY) * c.width + seedX];
                compared.push_back({p, reference, c.tolerance});
            }
            checkAgainstFloodFill(data, planes, c.width, compared, rect, seedX, seedY, 3);
        }
    }
}

TEST(ConnectedAreaTest, NoiseWithThousandsOfLabelsMatchesAFloodFill) {
    const int width = 500, height = 300;
    std::mt19937 random(12);
    std::vector<Bytes> planes(1, Bytes(static_cast<std::size_t>(width) * height));
    // Close to the percolation threshold: many small areas and a few large,
    // winding ones, merged through many labels.
    for (auto& v : planes[0]) v = random() % 100 < 60 ? 10 : 90;
    const std::vector<ComparedPlane> compared{{0, 10, 5}};
    int checked = 0;
    for (int trial = 0; trial < 6; ++trial) {
        int seedX, seedY;
        do {
            seedX = static_cast<int>(random() % width);
            seedY = static_cast<int>(random() % height);
        } while (planes[0][static_cast<std::size_t>(seedY) * width + seedX] != 10);
        TestStore ts;
        PageData data(ts.store(), nullptr);
        makePage(data, planes, width, height, 0);
        const Figures figures = checkAgainstFloodFill(data, planes, width, compared,
                                                      Rect{0, 0, width, height}, seedX, seedY, 0);
        EXPECT_GT(figures.labels, ConnectedArea::kTrackedLabels);
        ++checked;
    }
    EXPECT_EQ(checked, 6);
}

// Row 0: 4,098 single pixels (labels 2 ... 4099) after a run at x = 0-2
// (label 1). Row 1: a separator, open at x = 1 only. Rows 2-10: the column at
// x = 1 going on from label 1 (joined with the tooth at x = 2), and teeth at
// every even x from 4 to 200, each a new label beyond 4096. Row 11: a bar
// from x = 1 to 200 joining them all: the teeth merge through labels the
// tables do not track, and finally into label 1.
class CombTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 8200, kHeight = 12, kTeethEnd = 201;

    void SetUp() override {
        plane.assign(static_cast<std::size_t>(kWidth) * kHeight, 0);
        for (int x = 0; x < kWidth; x += 2) at(x, 0) = 1;
        at(1, 0) = 1;
        at(1, 1) = 1;
        for (int y = 2; y <= 10; ++y) {
            at(1, y) = 1;
            for (int x = 2; x < kTeethEnd; x += 2) at(x, y) = 1;
        }
        for (int x = 1; x < kTeethEnd; ++x) at(x, 11) = 1;
        ASSERT_TRUE(data.create(2, kWidth, kHeight, fills));
        ASSERT_TRUE(test::writePlane(data, 0, plane));
    }

    std::uint8_t& at(int x, int y) { return plane[static_cast<std::size_t>(y) * kWidth + x]; }

    // A fresh output plane for the next search.
    void clearOutput() { ASSERT_TRUE(test::writePlane(data, 1, Bytes(plane.size(), 0))); }

    Figures check(int seedX, int seedY) {
        return checkAgainstFloodFill(data, {plane}, kWidth, compared, Rect{0, 0, kWidth, kHeight},
                                     seedX, seedY, 0);
    }

    TestStore ts{512, 0};
    PageData data{ts.store(), nullptr};
    const std::uint8_t fills[2] = {0, 0};
    Bytes plane;
    const std::vector<ComparedPlane> compared{{0, 1, 0}};
};

TEST_F(CombTest, EverySeedOfTheCombFindsTheWholeComb) {
    const Figures figures = check(198, 3);  // a late tooth
    EXPECT_GT(figures.labels, ConnectedArea::kTrackedLabels + 90);
    clearOutput();
    check(150, 11);  // the bar
    clearOutput();
    check(1, 5);  // the column
    clearOutput();
    check(7000, 0);  // a pixel of row 0 stays alone
}

TEST_F(CombTest, WithoutTheColumnTheTeethStillJoinThroughUntrackedLabels) {
    at(1, 1) = 0;  // the comb no longer reaches label 1 of row 0
    ASSERT_TRUE(test::writePlane(data, 0, plane));
    check(4, 2);
    clearOutput();
    check(200, 10);
    clearOutput();
    check(0, 0);
}

TEST(ConnectedAreaTest, CheckerboardCellsAreAreasOfTheirOwn) {
    const int width = 200, height = 100;  // 10,000 runs
    Bytes plane(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            plane[static_cast<std::size_t>(y) * width + x] = (x + y) % 2 ? 255 : 0;
    TestStore ts;
    PageData data(ts.store(), nullptr);
    makePage(data, {plane}, width, height, 0);
    const Figures figures = checkAgainstFloodFill(data, {plane}, width, {{0, 255, 0}},
                                                  Rect{0, 0, width, height}, 199, 98, 0);
    EXPECT_EQ(figures.runs, 10000);
    EXPECT_EQ(figures.labels, 10000);
}

TEST(ConnectedAreaTest, ASeedThatDoesNotMatchOrLiesOutsideFindsNothing) {
    TestStore ts;
    PageData data(ts.store(), nullptr);
    makePage(data, {Bytes(40 * 30, 50)}, 40, 30, 9);
    const ComparedPlane compared{0, 100, 10};
    const OutputPlane output{1, 255};
    ConnectedArea search(data, nullptr);
    Rect bounds{1, 2, 3, 4};
    EXPECT_TRUE(search.search(5, 5, std::span(&compared, 1), std::span(&output, 1),
                              Rect{0, 0, 40, 30}, bounds));
    EXPECT_EQ(bounds, Rect{});
    const ComparedPlane matching{0, 50, 0};
    EXPECT_TRUE(search.search(5, 25, std::span(&matching, 1), std::span(&output, 1),
                              Rect{0, 0, 40, 20}, bounds));
    EXPECT_EQ(bounds, Rect{});
    EXPECT_EQ(readPlane(data, 1), Bytes(40 * 30, 9));
    // Several output planes, the area clipped to the image.
    const OutputPlane outputs[2] = {{1, 255}, {0, 77}};
    EXPECT_TRUE(
        search.search(5, 25, std::span(&matching, 1), outputs, Rect{-10, -10, 100, 100}, bounds));
    EXPECT_EQ(bounds, (Rect{0, 0, 40, 30}));
    EXPECT_EQ(readPlane(data, 1), Bytes(40 * 30, 255));
    EXPECT_EQ(readPlane(data, 0), Bytes(40 * 30, 77));
}

TEST(ConnectedAreaTest, ProgressCountsThreeStepsPerRowAndACancelStopsTheSearch) {
    const int width = 64, height = 20;
    Bytes plane(static_cast<std::size_t>(width) * height, 1);
    for (int x = 0; x < width; x += 3) plane[static_cast<std::size_t>(5) * width + x] = 0;
    TestStore ts;
    PageData data(ts.store(), nullptr);
    makePage(data, {plane}, width, height, 0);
    const ComparedPlane compared{0, 1, 0};
    const OutputPlane output{1, 255};

    FakeProgress progress;
    ConnectedArea search(data, &progress);
    Rect bounds;
    ASSERT_TRUE(search.search(0, 0, std::span(&compared, 1), std::span(&output, 1),
                              Rect{0, 0, width, height}, bounds));
    ASSERT_FALSE(progress.updates.empty());
    std::int32_t previous = 0;
    for (const auto& [done, total] : progress.updates) {
        EXPECT_EQ(total, 3 * height);
        EXPECT_GE(done, previous);
        EXPECT_LE(done, total);
        previous = done;
    }
    EXPECT_EQ(previous, 3 * height);
    // The two passes report once per row.
    EXPECT_EQ(progress.updates[height - 1].first, height);
    EXPECT_EQ(progress.updates[2 * height - 1].first, 2 * height);
    EXPECT_FALSE(search.cancelled());

    for (int cancelAt : {0, height + 3}) {
        SCOPED_TRACE(cancelAt);
        ASSERT_TRUE(data.create(2, width, height, std::array<std::uint8_t, 2>{1, 0}.data()));
        FakeProgress cancelling;
        cancelling.cancelAt = cancelAt;
        ConnectedArea cancelled(data, &cancelling);
        EXPECT_FALSE(cancelled.search(0, 0, std::span(&compared, 1), std::span(&output, 1),
                                      Rect{0, 0, width, height}, bounds));
        EXPECT_TRUE(cancelled.cancelled());
        EXPECT_EQ(static_cast<int>(cancelling.updates.size()), cancelAt + 1);
        EXPECT_EQ(bounds, Rect{});
        EXPECT_EQ(readPlane(data, 1), Bytes(static_cast<std::size_t>(width) * height, 0));
    }
}

// The run table takes tiles of the store like image data: when there are
// none, the purge takes history from other pages; when nothing is left, the
// search fails.
TEST(ConnectedAreaTest, TheRunTablePagesThroughTheStoreAndPurges) {
    TestStore ts(24, 0);  // 23 tiles
    PageDataList list;
    PageData other(ts.store(), &list);
    const std::uint8_t fill = 0;
    ASSERT_TRUE(other.create(1, 128 * 5, 1, &fill));
    for (int i = 1; i <= 3; ++i) ASSERT_TRUE(test::edit(other, 2, static_cast<std::uint8_t>(i)));
    // Five tiles in each of three states of `other`.
    ASSERT_EQ(ts.store().freeTiles(), 8u);

    // A checkerboard of 128 x 160: 10,240 runs, ten tiles of run table.
    const int width = 128, height = 160;
    Bytes plane(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            plane[static_cast<std::size_t>(y) * width + x] = (x + y) % 2;
    PageData data(ts.store(), &list);
    const std::uint8_t fills[2] = {0, 0};
    ASSERT_TRUE(data.create(2, width, height, fills));
    ASSERT_TRUE(test::writePlane(data, 0, plane));
    ASSERT_EQ(ts.store().freeTiles(), 6u);
    const ComparedPlane compared{0, 1, 0};
    const OutputPlane output{1, 255};
    ConnectedArea search(data, nullptr);
    Rect bounds;
    ASSERT_TRUE(search.search(1, 0, std::span(&compared, 1), std::span(&output, 1),
                              Rect{0, 0, width, height}, bounds));
    EXPECT_EQ(bounds, (Rect{1, 0, 2, 1}));
    EXPECT_EQ(search.runCount(), 10240);
    EXPECT_EQ(other.undoCount(), 1);  // trimmed to make room
    EXPECT_EQ(test::readPlane(other, 0), Bytes(128 * 5, 3));

    // With the history gone and the store full, the search fails.
    other.clearUndo();
    PageData filler(ts.store(), nullptr);
    ASSERT_TRUE(filler.create(1, 128 * 64, 1, &fill));
    const std::uint32_t free = ts.store().freeTiles();
    const Bytes row(128 * free, 1);
    ASSERT_TRUE(filler.writeRow(0, 0, 0, static_cast<std::int32_t>(row.size()), row.data()));
    ASSERT_EQ(ts.store().freeTiles(), 0u);
    EXPECT_FALSE(search.search(1, 0, std::span(&compared, 1), std::span(&output, 1),
                               Rect{0, 0, width, height}, bounds));
    EXPECT_EQ(bounds, Rect{});
}

}  // namespace
}  // namespace tessary
