#include "effects/framework/selection_shape.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

namespace tessary {
namespace {

std::vector<std::uint8_t> row(ShapeClass shape, int w, int h, int n, int y) {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(w));
    shapeCoverageRow(shape, w, h, n, y, 0, w, out.data());
    return out;
}

TEST(SelectionShapeTest, EllipseSpansFollowTheInscribedEllipse) {
    // 5 x 5: a = b = 2.5. Row 0: dy = 2, 2.5 * sqrt(1 - 4 / 6.25) = 1.5 -> 1,
    // x0 = 2 - 1 = 1. Row 1: dy = 1, 2.5 * sqrt(0.84) = 2.29 -> 2, x0 = 0.
    EXPECT_EQ(shapeSpan(ShapeClass::Ellipse, 5, 5, 0).begin, 1);
    EXPECT_EQ(shapeSpan(ShapeClass::Ellipse, 5, 5, 0).end, 4);
    EXPECT_EQ(shapeSpan(ShapeClass::Ellipse, 5, 5, 1).begin, 0);
    EXPECT_EQ(shapeSpan(ShapeClass::Ellipse, 5, 5, 2).end, 5);
    // An even height's top row touches the ellipse only at its tip.
    const ShapeSpan tip = shapeSpan(ShapeClass::Ellipse, 8, 6, 0);
    EXPECT_GE(tip.begin, tip.end);
    // Rectangles cover every row.
    EXPECT_EQ(shapeSpan(ShapeClass::Rectangle, 7, 3, 2).begin, 0);
    EXPECT_EQ(shapeSpan(ShapeClass::Rectangle, 7, 3, 2).end, 7);
}

TEST(SelectionShapeTest, ALargeEllipseCoversItsAreaAndIsSymmetric) {
    const int w = 301, h = 201;
    double area = 0;
    for (int y = 0; y < h; ++y) {
        const auto r = row(ShapeClass::Ellipse, w, h, 0, y);
        for (int x = 0; x < w; ++x) {
            area += r[x] == 255;
            EXPECT_EQ(r[x], r[w - 1 - x]) << x << ", " << y;
        }
        EXPECT_EQ(r, row(ShapeClass::Ellipse, w, h, 0, h - 1 - y)) << y;
    }
    const double expected = M_PI * w * h / 4;
    EXPECT_NEAR(area / expected, 1.0, 0.02);
}

TEST(SelectionShapeTest, AntiAliasedEdgesStepBy255Over9WithThreeSubsamples) {
    const int w = 40, h = 30;
    std::set<int> seen;
    long covered = 0;
    for (int y = 0; y < h; ++y) {
        const auto r = row(ShapeClass::Ellipse, w, h, 3, y);
        for (int x = 0; x < w; ++x) {
            seen.insert(r[x]);
            covered += r[x];
            const int count = (r[x] * 9 + 254) / 255;
            EXPECT_EQ(r[x], count * 255 / 9) << "not a multiple of 255/9 at " << x << ", " << y;
        }
    }
    EXPECT_TRUE(seen.count(255));
    EXPECT_TRUE(seen.count(28) || seen.count(56));
    // The coverage sums to roughly the ellipse's area.
    EXPECT_NEAR(covered / 255.0 / (M_PI * w * h / 4), 1.0, 0.03);
    // The middle of the shape is fully covered, the corners not at all.
    EXPECT_EQ(row(ShapeClass::Ellipse, w, h, 3, h / 2)[w / 2], 255);
    EXPECT_EQ(row(ShapeClass::Ellipse, w, h, 3, 0)[0], 0);
    // An anti-aliased rectangle has no soft edge.
    for (int y = 0; y < 5; ++y)
        EXPECT_EQ(row(ShapeClass::Rectangle, 9, 5, 3, y), std::vector<std::uint8_t>(9, 255));
}

TEST(SelectionShapeTest, APartOfARowEqualsTheSameColumnsOfTheWholeRow) {
    const int w = 57, h = 33;
    for (int n : {0, 2, 3}) {
        for (int y : {0, 5, 16, 32}) {
            const auto whole = row(ShapeClass::Ellipse, w, h, n, y);
            std::vector<std::uint8_t> part(20);
            shapeCoverageRow(ShapeClass::Ellipse, w, h, n, y, 11, 20, part.data());
            EXPECT_TRUE(std::equal(part.begin(), part.end(), whole.begin() + 11)) << n << " " << y;
        }
    }
}

}  // namespace
}  // namespace tessary
