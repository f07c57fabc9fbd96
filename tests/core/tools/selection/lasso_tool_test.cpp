// The lasso: its edge list, the even-odd fill against a hand-made image and
// a reference scan written from the definition, a 100,000-point drag, and
// combination with an existing selection.

#include "tools/selection/lasso_tool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "core/tools/selection/selection_test_support.h"
#include "model/page.h"
#include "model/page_data.h"
#include "tools/selection/lasso_edges.h"

namespace tessary {
namespace {

using test::Keys;
using test::Mask;
using test::maskOf;
using test::samePlane;
using test::SelectionRig;

// The edges a drag through `points` (press first, release last) makes, built
// from the definition: a position that continues the last edge with the same
// inverse slope in the same direction lengthens it, any other new position
// adds an edge; a release away from the press closes back to it.
struct RefEdge {
    ToolPoint a, b;
    double slope;
};
std::vector<RefEdge> referenceEdges(const std::vector<ToolPoint>& points) {
    std::vector<RefEdge> edges;
    ToolPoint anchor = points.front();
    const auto slopeOf = [](ToolPoint a, ToolPoint b) {
        return double(std::int64_t{b.x} - a.x) / double(std::int64_t{b.y} - a.y);
    };
    for (std::size_t i = 1; i < points.size(); ++i) {
        const ToolPoint p = points[i];
        if (p == anchor) continue;
        const double slope = slopeOf(anchor, p);
        if (!edges.empty() && edges.back().slope == slope &&
            (edges.back().b.y > edges.back().a.y) == (p.y > anchor.y) &&
            (edges.back().b.y < edges.back().a.y) == (p.y < anchor.y)) {
            edges.back().b = p;
        } else {
            edges.push_back({anchor, p, slope});
        }
        anchor = p;
    }
    if (points.back() != points.front())
        edges.push_back({points.back(), points.front(), slopeOf(points.back(), points.front())});
    return edges;
}

// Row y of the even-odd fill of `edges` over every edge, from the
// definition: crossings trunc((y - upper) slope + x0 + 0.5) clamped to the
// box's columns, sorted, pixels between pairs inclusive, within the image
// columns 0 ... width - 1.
void referenceRow(const std::vector<RefEdge>& edges, std::int32_t y, std::int32_t width,
                  std::uint8_t* row) {
    std::int32_t left = edges.front().a.x, right = left;
    for (const RefEdge& e : edges) {
        left = std::min({left, e.a.x, e.b.x});
        right = std::max({right, e.a.x, e.b.x});
    }
    std::vector<long long> crossings;
    for (const RefEdge& e : edges) {
        const ToolPoint& upper = e.a.y < e.b.y ? e.a : e.b;
        const ToolPoint& lower = e.a.y < e.b.y ? e.b : e.a;
        if (e.a.y == e.b.y || y < upper.y || y >= lower.y) continue;
        const double x = (y - upper.y) * e.slope + upper.x + 0.5;
        crossings.push_back(
            std::clamp<long long>(static_cast<long long>(std::trunc(x)), left, right));
    }
    std::sort(crossings.begin(), crossings.end());
    std::fill(row, row + width, 0);
    for (std::size_t i = 0; i + 1 < crossings.size(); i += 2) {
        for (long long x = std::max(0LL, crossings[i]);
             x <= std::min<long long>(crossings[i + 1], width - 1); ++x)
            row[x] = 255;
    }
}

Mask referenceMask(const std::vector<ToolPoint>& points, std::int32_t width, std::int32_t height) {
    const std::vector<RefEdge> edges = referenceEdges(points);
    Mask out(static_cast<std::size_t>(width) * height);
    for (std::int32_t y = 0; y < height; ++y)
        referenceRow(edges, y, width, &out[std::size_t(y) * width]);
    return out;
}

ErrorCode lasso(SelectionRig& rig, const std::vector<ToolPoint>& points, Keys keys = {}) {
    return rig.press(ToolBox::kLasso, points.front(),
                     std::vector<ToolPoint>(points.begin() + 1, points.end()), keys);
}

TEST(LassoEdgesTest, CollinearMovesLengthenAndClosingFollowsTheRelease) {
    LassoEdges edges;
    ASSERT_TRUE(edges.start({0, 0}));
    LassoEdges::Added added;
    const std::pair<ToolPoint, LassoEdges::Added> moves[] = {
        {{1, 1}, LassoEdges::Added::Appended},  {{2, 2}, LassoEdges::Added::Lengthened},
        {{2, 2}, LassoEdges::Added::Nothing},   {{4, 4}, LassoEdges::Added::Lengthened},
        {{3, 3}, LassoEdges::Added::Appended},  // back along the line: a new edge
        {{3, 9}, LassoEdges::Added::Appended},  {{3, 12}, LassoEdges::Added::Lengthened},
        {{8, 12}, LassoEdges::Added::Appended}, {{6, 12}, LassoEdges::Added::Appended},
    };
    for (const auto& [p, expected] : moves) {
        ASSERT_TRUE(edges.add(p, added));
        EXPECT_EQ(added, expected) << p.x << "," << p.y;
        EXPECT_EQ(edges.anchor(), p);
    }
    ASSERT_EQ(edges.edges().size(), 5u);
    EXPECT_EQ(edges.edges()[0].x2, 4);
    EXPECT_EQ(edges.edges()[2].y2, 12);

    // Released at the press point: no closing edge.
    LassoEdges closedAtStart = edges;
    ASSERT_TRUE(closedAtStart.close({0, 0}, {0, 0}));
    EXPECT_EQ(closedAtStart.edges().size(), 5u);
    // Released elsewhere: the edge back to the press point.
    ASSERT_TRUE(edges.close({0, 0}, {6, 12}));
    ASSERT_EQ(edges.edges().size(), 6u);
    EXPECT_EQ((ToolPoint{edges.edges().back().x2, edges.edges().back().y2}), (ToolPoint{0, 0}));
    EXPECT_EQ(edges.box(), (Rect{0, 0, 8, 12}));
}

// A figure eight (two triangles meeting at (5, 5)): both loops are selected,
// worked out by hand from the crossings {1, y, 10 - y, 9} of row y.
TEST(LassoToolTest, FigureEightSelectsBothLoops) {
    SelectionRig rig;
    rig.paint.shapeRgb(12, 10, 0xFFFFFF);
    ASSERT_EQ(lasso(rig, {{1, 1}, {9, 9}, {9, 1}, {1, 9}}), kErrNone);
    const char* rows[] = {
        "............",  //
        ".X.......X..",  //
        ".XX.....XX..",  //
        ".XXX...XXX..",  //
        ".XXXX.XXXX..",  //
        ".XXXXXXXXX..",  //
        ".XXXX.XXXX..",  //
        ".XXX...XXX..",  //
        ".XX.....XX..",  //
        "............",  //
    };
    const Mask expected =
        maskOf(12, 10, [&](std::int32_t x, std::int32_t y) { return rows[y][x] == 'X' ? 255 : 0; });
    EXPECT_TRUE(samePlane("figure_eight", rig.mask(), expected, 12));
    EXPECT_EQ(rig.page().selectionRect(), (Rect{1, 1, 10, 9}));
    EXPECT_EQ(rig.page().undoKind(), 5u);
    // The feedback lines went again at the end.
    EXPECT_TRUE(rig.view->shownFigures().empty());
    EXPECT_EQ(rig.view->toggles().size(), 6u);  // three edges shown, three taken away
}

// Self-crossing polygons against the reference scan; in a five-pointed star
// the middle is crossed twice and stays out.
TEST(LassoToolTest, SelfCrossingShapesFollowTheEvenOddRule) {
    const std::vector<std::vector<ToolPoint>> shapes = {
        {{20, 2}, {32, 36}, {3, 14}, {37, 14}, {8, 36}, {20, 2}},  // star, released at the press
        {{2, 2}, {30, 30}, {30, 2}, {2, 30}},                      // bowtie, closed on release
        {{5, 5}, {35, 5}, {35, 35}, {5, 35}, {5, 10}, {30, 10}, {30, 30}, {10, 30}, {10, 5}},
        {{-10, 20}, {50, -4}, {45, 39}, {20, 20}, {-3, 45}},  // partly outside the image
    };
    int index = 0;
    for (const auto& points : shapes) {
        SelectionRig rig;
        rig.paint.shapeRgb(40, 38, 0xFFFFFF);
        ASSERT_EQ(lasso(rig, points), kErrNone);
        EXPECT_TRUE(samePlane("lasso_" + std::to_string(index++), rig.mask(),
                              referenceMask(points, 40, 38), 40));
        if (index == 1) {
            EXPECT_EQ(rig.paint.sample(3, 20, 20), 0);  // the star's middle
        }
    }
}

TEST(LassoToolTest, ShiftAndCtrlCombineWithTheSelection) {
    SelectionRig rig;
    rig.paint.shapeRgb(30, 30, 0xFFFFFF);
    ASSERT_EQ(rig.drag({5, 5}, {25, 25}), kErrNone);
    const std::vector<ToolPoint> cut = {{0, 0}, {15, 15}, {0, 28}};
    ASSERT_EQ(lasso(rig, cut, {false, true}), kErrNone);
    const Mask triangle = referenceMask(cut, 30, 30);
    Mask expected = maskOf(30, 30, [&](std::int32_t x, std::int32_t y) {
        const bool square = x >= 5 && x < 25 && y >= 5 && y < 25;
        return square && triangle[y * 30 + x] == 0 ? 255 : 0;
    });
    EXPECT_TRUE(samePlane("lasso_ctrl", rig.mask(), expected, 30));

    const std::vector<ToolPoint> add = {{20, 0}, {29, 0}, {29, 10}};
    ASSERT_EQ(lasso(rig, add, {true, false}), kErrNone);
    const Mask wedge = referenceMask(add, 30, 30);
    for (std::size_t i = 0; i < expected.size(); ++i) expected[i] |= wedge[i];
    EXPECT_TRUE(samePlane("lasso_shift", rig.mask(), expected, 30));
    EXPECT_EQ(rig.page().pageData()->undoCount(), 3);
}

TEST(LassoToolTest, LassoWithoutAreaClearsTheSelection) {
    SelectionRig rig;
    rig.paint.shapeRgb(30, 30, 0xFFFFFF);
    ASSERT_EQ(lasso(rig, {{3, 3}, {3, 20}}), kErrNone);  // a line, no selection: nothing
    EXPECT_EQ(rig.page().pageData()->undoCount(), 0);
    ASSERT_EQ(rig.drag({5, 5}, {25, 25}), kErrNone);
    ASSERT_EQ(lasso(rig, {{3, 3}, {3, 20}}), kErrNone);
    EXPECT_FALSE(rig.page().hasMask());
    EXPECT_EQ(rig.page().pageData()->undoCount(), 2);
}

// 100,000 pointer positions around a wobbling circle: the edge list grows
// far past its initial room and the fill matches the reference scan on
// every fifth row.
TEST(LassoToolTest, HundredThousandPointDrag) {
    constexpr std::int32_t kSide = 3000;
    constexpr int kPoints = 100000;
    std::vector<ToolPoint> points;
    points.reserve(kPoints);
    for (int i = 0; i < kPoints; ++i) {
        const double angle = 2 * M_PI * i / kPoints;
        const double radius = 1300 + 120 * std::sin(angle * 400) + 37 * std::sin(angle * 1733);
        points.push_back({static_cast<std::int32_t>(1500 + radius * std::cos(angle)),
                          static_cast<std::int32_t>(1500 + radius * std::sin(angle))});
    }
    SelectionRig rig(1024);
    rig.paint.shapeRgb(kSide, kSide, 0xFFFFFF);
    const auto began = std::chrono::steady_clock::now();
    ASSERT_EQ(lasso(rig, points), kErrNone);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    RecordProperty("lasso_seconds", std::to_string(seconds));

    const std::vector<RefEdge> edges = referenceEdges(points);
    EXPECT_GT(edges.size(), LassoEdges::kInitialRoom);
    std::vector<std::uint8_t> expected(kSide), actual(kSide);
    for (std::int32_t y = 0; y < kSide; y += 5) {
        referenceRow(edges, y, kSide, expected.data());
        rig.page().pageData()->readRow(3, 0, y, kSide, actual.data());
        ASSERT_EQ(actual, expected) << "row " << y;
    }
    EXPECT_TRUE(rig.view->shownFigures().empty());
}

}  // namespace
}  // namespace tessary
