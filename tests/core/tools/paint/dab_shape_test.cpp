#include "tools/paint/dab_shape.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace tessary {
namespace {

// The softness table from its definition: e(i) = round(127 i^(5/3) / 127^(5/3)),
// the lower half e(i), the upper half mirrored as 255 - max(e(j), 1).
int referenceSoftness(int i) {
    const auto e = [](int j) {
        return static_cast<int>(127.0 * std::pow(j, 5.0 / 3.0) / std::pow(127.0, 5.0 / 3.0) + 0.5);
    };
    return i < 128 ? e(i) : 255 - std::max(e(255 - i), 1);
}

// Whether (x, y) lies in the shape of the class, written from the span rules.
bool referenceInside(int w, int h, int t, int shapeClass, int x, int y) {
    int begin = 0;
    int end = w;
    if (shapeClass == 1) {
        const double a = h / 2.0;
        const double b = w / 2.0;
        const double dy = std::abs(y - h / 2);
        begin = w / 2 - static_cast<int>(b * std::sqrt(1.0 - dy * dy / (a * a)));
        end = w - begin;
    } else if (shapeClass == 2) {
        const double k = (w / 2.0) / (h / 2.0);
        begin = y < h / 2 ? w / 2 - static_cast<int>(k * y) : static_cast<int>(k * (y - h / 2));
        end = w - begin;
    } else if ((shapeClass == 3 || shapeClass == 4) && h != t && w != t) {
        const double k = double(w - t) / (h - t);
        double band = t * (1 + k) - (t % 2 == 1 ? 1 : 0);
        if (h > w && band < t) band = t;
        const double c = shapeClass == 3 ? y * k + t - band : w - y * k - t;
        begin = std::clamp(static_cast<int>(c + 0.5), 0, w);
        end = std::clamp(static_cast<int>(c + band + 0.5), 0, w);
        if (end <= begin) {
            begin = std::clamp(shapeClass == 3 ? begin - 1 : begin, 0, w - 1);
            end = begin + 1;
        }
    }
    return x >= begin && x < end;
}

// Marks a profile without a value at a pixel (half a side of 0): full
// coverage there.
constexpr int kNoValue = 1 << 20;

// The profile value v at (x, y), or kNoValue.
int referenceProfile(int profile, int w, int h, int x, int y) {
    const auto fold = [](int u) { return u > 255 ? 510 - u : u; };
    const auto tr = [](double v) { return static_cast<int>(v); };
    switch (profile) {
        case 1:
            return 255 * (w - x) / w;
        case 2:
            return 255 * x / w;
        case 3:
            return 255 * y / h;
        case 4:
            return 255 * (h - y) / h;
        case 5:
        case 15: {
            const double k = 255.0 / w;
            const int s = tr(255 - y * k);
            return s == 255 ? tr(255 - x * k + 0.5) : fold(tr(x * k + s + 0.5));
        }
        case 6: {
            const int m = w / 2, d = w - 2 * m;
            return 255 * std::min(x + d, w - x) / (m + d);
        }
        case 7: {
            const int m = h / 2;
            if (m == 0) return kNoValue;
            return y <= m ? 255 * y / m : (510 * m - 255 * y) / m;
        }
        case 8: {
            const int r = w / 2;
            if (r == 0) return kNoValue;
            return tr((r - std::hypot(x - w / 2, y - h / 2)) * 255 / r + 0.5);
        }
        case 9: {
            const int m = w / 2;
            if (m == 0) return kNoValue;
            const int ax = std::abs(x - m), ay = std::abs(y - h / 2);
            return tr((ay >= ax ? h / 2 - ay : m - ax) * 255.0 / m + 0.5);
        }
        case 10:
            return tr(tr(255 - y * 128.0 / w) - x * 128.0 / w + 0.5);
        case 11:
            return tr(x * 128.0 / w + tr(y * 128.0 / w) + 0.5);
        case 12:
            return tr(x * 128.0 / w + tr(128 - y * 128.0 / w) + 0.5);
        case 13:
            return tr(tr(y * 128.0 / w + 128) - x * 128.0 / w + 0.5);
        case 14:
            return fold(tr(x * 255.0 / w + tr(y * 255.0 / w) + 0.5));
        default:
            return 255;
    }
}

int referenceCoverage(const DabGeometry& s, int x, int y) {
    if (!referenceInside(s.width, s.height, s.thickness, s.shapeClass, x, y)) return 0;
    if (s.profile == 0) return 255;
    const int v = referenceProfile(s.profile, s.width, s.height, x, y);
    return v == kNoValue ? 255 : referenceSoftness(std::clamp(v, 0, 255));
}

TEST(SoftnessTableTest, FollowsTheCurveAndNeverReachesFull) {
    const SoftnessTable table = buildSoftnessTable();
    for (int i = 0; i < 256; ++i) EXPECT_EQ(table[i], referenceSoftness(i)) << i;
    EXPECT_EQ(table[0], 0);
    EXPECT_EQ(table[127], 127);
    EXPECT_EQ(table[128], 128);
    EXPECT_EQ(table[255], 254);
    EXPECT_TRUE(std::is_sorted(table.begin(), table.end()));
}

// Every class with every profile over sizes that cover odd and even sides,
// one-pixel sides, bands thicker than the dab and dabs taller than wide.
TEST(DabShapeTest, EveryClassAndProfileMatchesTheFormula) {
    const SoftnessTable softness = buildSoftnessTable();
    const int sizes[][3] = {{1, 1, 1}, {1, 6, 1},  {6, 1, 1}, {5, 5, 2},  {8, 8, 3},
                            {9, 4, 2}, {4, 11, 3}, {7, 7, 7}, {6, 9, 12}, {12, 5, 1}};
    for (const auto& size : sizes) {
        for (int shapeClass = 0; shapeClass <= 4; ++shapeClass) {
            for (int profile = 0; profile <= 15; ++profile) {
                const DabGeometry geometry{size[0], size[1], size[2], shapeClass, profile};
                std::vector<std::uint8_t> dab;
                buildDabShape(geometry, softness, dab);
                ASSERT_EQ(dab.size(), static_cast<std::size_t>(geometry.width * geometry.height));
                for (int y = 0; y < geometry.height; ++y) {
                    for (int x = 0; x < geometry.width; ++x) {
                        ASSERT_EQ(dab[y * geometry.width + x], referenceCoverage(geometry, x, y))
                            << geometry.width << "x" << geometry.height << " t"
                            << geometry.thickness << " class " << shapeClass << " profile "
                            << profile << " at " << x << "," << y;
                    }
                }
            }
        }
    }
}

TEST(DabShapeTest, HandMadeShapes) {
    const SoftnessTable softness = buildSoftnessTable();
    std::vector<std::uint8_t> dab;
    // A 5 x 5 ellipse: at rows 0 and 4 the half width is 2.5 x 0.6 = 1.5,
    // truncated to 1, so x0 = 2 - 1 and the span is 1..4; rows 1..3 are full.
    buildDabShape({5, 5, 1, 1, 0}, softness, dab);
    const std::vector<std::uint8_t> ellipse = {0,   255, 255, 255, 0,    //
                                               255, 255, 255, 255, 255,  //
                                               255, 255, 255, 255, 255,  //
                                               255, 255, 255, 255, 255,  //
                                               0,   255, 255, 255, 0};
    EXPECT_EQ(dab, ellipse);
    // A soft round dab peaks at 254 in its centre.
    buildDabShape({9, 9, 2, 1, 8}, softness, dab);
    EXPECT_EQ(dab[4 * 9 + 4], 254);
    EXPECT_EQ(*std::max_element(dab.begin(), dab.end()), 254);
}

}  // namespace
}  // namespace tessary
