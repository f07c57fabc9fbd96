#include "effects/geometry/scale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "effects_test_support.h"
#include "geometry_test_support.h"
#include "model/page_state_record.h"

namespace tessary {
namespace {

using test::EffectsRig;
using test::PageRecord;
using test::patternPlane;
using test::Plane;
using test::readRect;
using test::samePlane;

// One axis, written from the formulas. Linear: output i sits at source
// position i x old / new and blends the two samples around it by the
// fraction, truncated. Area: output i averages the source span
// [i x old / new, (i + 1) x old / new): each source sample k counts with
// the length of its overlap with the span (computed in units of 1 / new),
// and the sum is divided by the span's length old / new, truncated.
std::vector<int> linearAxis(const std::vector<int>& in, std::int64_t n) {
    const auto old = static_cast<std::int64_t>(in.size());
    std::vector<int> out;
    for (std::int64_t i = 0; i < n; ++i) {
        const std::int64_t position = i * old;
        const std::int64_t a = position / n;
        const std::int64_t b = std::min(a + 1, old - 1);
        const std::int64_t f = position % n;
        out.push_back(static_cast<int>(((n - f) * in[a] + f * in[b]) / n));
    }
    return out;
}

std::vector<int> areaAxis(const std::vector<int>& in, std::int64_t n) {
    const auto old = static_cast<std::int64_t>(in.size());
    std::vector<int> out;
    for (std::int64_t i = 0; i < n; ++i) {
        std::int64_t sum = 0;
        for (std::int64_t k = 0; k < old; ++k) {
            const std::int64_t overlap =
                std::min((k + 1) * n, (i + 1) * old) - std::max(k * n, i * old);
            if (overlap > 0) sum += overlap * in[k];
        }
        out.push_back(static_cast<int>(sum / old));
    }
    return out;
}

std::vector<int> nearestAxis(const std::vector<int>& in, std::int64_t n) {
    std::vector<int> out;
    for (std::int64_t i = 0; i < n; ++i)
        out.push_back(in[i * static_cast<std::int64_t>(in.size()) / n]);
    return out;
}

std::vector<int> axis(const std::vector<int>& in, std::int64_t n, bool smooth) {
    if (!smooth) return nearestAxis(in, n);
    return n >= static_cast<std::int64_t>(in.size()) ? linearAxis(in, n) : areaAxis(in, n);
}

// The whole scale: every column vertically first (results truncated), then
// every row of that horizontally.
Plane referenceScale(const Plane& source, std::int32_t w, std::int32_t h, std::int32_t nw,
                     std::int32_t nh, bool smooth = true) {
    std::vector<std::vector<int>> columns(w);
    for (std::int32_t x = 0; x < w; ++x) {
        std::vector<int> column;
        for (std::int32_t y = 0; y < h; ++y) column.push_back(source[y * w + x]);
        columns[x] = axis(column, nh, smooth);
    }
    Plane out;
    for (std::int32_t y = 0; y < nh; ++y) {
        std::vector<int> row;
        for (std::int32_t x = 0; x < w; ++x) row.push_back(columns[x][y]);
        for (int v : axis(row, nw, smooth)) out.push_back(static_cast<std::uint8_t>(v));
    }
    return out;
}

class ScaleTest : public ::testing::Test {
protected:
    EffectsRig rig;
};

TEST_F(ScaleTest, TheWorkedExamplesAlongBothAxes) {
    // 10, 20, 30, 40 to two samples: 15, 35; 0, 100 to four: 0, 50, 100, 100.
    auto row = rig.makePage(Page::kTypeGrey, 4, 1, {Plane{10, 20, 30, 40}});
    ASSERT_EQ(scalePage(*row, 2, 1, true, nullptr), kErrNone);
    EXPECT_EQ(EffectsRig::read(*row, 0), (Plane{15, 35}));

    auto column = rig.makePage(Page::kTypeGrey, 1, 4, {Plane{10, 20, 30, 40}});
    ASSERT_EQ(scalePage(*column, 1, 2, true, nullptr), kErrNone);
    EXPECT_EQ(EffectsRig::read(*column, 0), (Plane{15, 35}));

    auto up = rig.makePage(Page::kTypeGrey, 2, 1, {Plane{0, 100}});
    ASSERT_EQ(scalePage(*up, 4, 1, true, nullptr), kErrNone);
    EXPECT_EQ(EffectsRig::read(*up, 0), (Plane{0, 50, 100, 100}));

    auto down = rig.makePage(Page::kTypeGrey, 1, 2, {Plane{0, 100}});
    ASSERT_EQ(scalePage(*down, 1, 4, true, nullptr), kErrNone);
    EXPECT_EQ(EffectsRig::read(*down, 0), (Plane{0, 50, 100, 100}));
    EXPECT_EQ(down->bounds(), (Rect{0, 0, 1, 4}));
}

TEST_F(ScaleTest, TheVerticalStepIsTruncatedBeforeTheHorizontalOne) {
    // Halving 2 x 2 samples 3, 1 over 0, 0: the columns give (3 + 0) / 2 = 1
    // and (1 + 0) / 2 = 0, the row then (1 + 0) / 2 = 0. Averaging all four
    // at once would give 4 / 4 = 1.
    auto page = rig.makePage(Page::kTypeGrey, 2, 2, {Plane{3, 1, 0, 0}});
    ASSERT_EQ(scalePage(*page, 1, 1, true, nullptr), kErrNone);
    EXPECT_EQ(EffectsRig::read(*page, 0), (Plane{0}));
}

TEST_F(ScaleTest, WholeImagesOfManyShapesMatchTheReference) {
    struct Case {
        std::int32_t w, h, nw, nh;
    };
    const Case cases[] = {{13, 7, 29, 3},
                          {50, 40, 25, 20},
                          {37, 41, 74, 82},
                          {300, 5, 7, 300},
                          {129, 130, 128, 131},
                          {1, 1, 5, 3},
                          {10, 10, 1, 1},
                          {97, 61, 96, 61},
                          {40, 30, 40, 30},
                          // A reduction too steep for bands: done row by row.
                          {20000, 40, 9, 2}};
    for (const Case& c : cases) {
        for (std::int32_t type : {Page::kTypeGrey, Page::kTypeRgb}) {
            SCOPED_TRACE(::testing::Message()
                         << c.w << "x" << c.h << " -> " << c.nw << "x" << c.nh << " type " << type);
            const int k = type == Page::kTypeGrey ? 1 : 3;
            std::vector<Plane> planes;
            for (int p = 0; p < k; ++p) planes.push_back(patternPlane(c.w, c.h, 30 + p + c.w));
            auto page = rig.makePage(type, c.w, c.h, planes);
            ASSERT_EQ(scalePage(*page, c.nw, c.nh, true, &rig.factory), kErrNone);
            ASSERT_EQ(page->bounds(), (Rect{0, 0, c.nw, c.nh}));
            for (int p = 0; p < k; ++p) {
                EXPECT_TRUE(samePlane(EffectsRig::read(*page, p),
                                      referenceScale(planes[p], c.w, c.h, c.nw, c.nh), c.nw,
                                      "scale_whole"));
            }
            EXPECT_EQ(page->undoKind(), 11u);
            EXPECT_EQ(page->changeCounter(), 0u);  // no selection moved
            EXPECT_EQ(PageStateRecord::readFrom(*page->pageData()->current()).changed,
                      (Rect{0, 0, std::max(c.w, c.nw), std::max(c.h, c.nh)}));
        }
    }
    EXPECT_EQ(rig.factory.log.line0, "Working...");
    EXPECT_EQ(rig.factory.log.line1, "Scale");
}

TEST_F(ScaleTest, WithoutSmoothingEachSampleTakesTheNearestSourceSample) {
    const Plane source = patternPlane(23, 17, 4);
    for (const auto& [nw, nh] : {std::pair{50, 9}, std::pair{7, 40}}) {
        auto page = rig.makePage(Page::kTypeGrey, 23, 17, {source});
        ASSERT_EQ(scalePage(*page, nw, nh, false, nullptr), kErrNone);
        EXPECT_TRUE(samePlane(EffectsRig::read(*page, 0),
                              referenceScale(source, 23, 17, nw, nh, false), nw, "nearest"));
    }
}

TEST_F(ScaleTest, AFloatIsScaledAroundItsCentreWithItsMask) {
    const std::int32_t w = 60, h = 40;
    const Rect selection{10, 10, 30, 20};
    Plane mask = test::boxMask(w, h, selection);
    const Plane soft = patternPlane(20, 10, 12);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) mask[(10 + y) * w + 10 + x] = soft[y * 20 + x];
    const std::vector<Plane> planes = {patternPlane(w, h, 1), patternPlane(w, h, 2),
                                       patternPlane(w, h, 3), mask};
    auto page = rig.makePage(Page::kTypeRgb, w, h, planes, selection);

    ASSERT_EQ(scalePage(*page, 5, 35, true, nullptr), kErrNone);
    // Centre (20, 15): left 20 - 5 / 2, top 15 - 35 / 2.
    const Rect scaled{18, -2, 23, 33};
    ASSERT_TRUE(page->hasFloat());
    EXPECT_EQ(page->changeCounter(), 1u);
    EXPECT_EQ(page->selectionRect(), scaled);
    EXPECT_EQ(page->bounds(), (Rect{0, 0, w, h}));
    EXPECT_TRUE(samePlane(readRect(*page, 3, scaled),
                          referenceScale(test::crop(mask, w, selection), 20, 10, 5, 35), 5,
                          "float_mask"));
    for (int p = 0; p < 3; ++p) {
        EXPECT_TRUE(samePlane(readRect(*page, 4 + p, scaled),
                              referenceScale(test::crop(planes[p], w, selection), 20, 10, 5, 35), 5,
                              "float_pixels"));
        EXPECT_EQ(EffectsRig::read(*page, p), planes[p]);
    }
    EXPECT_EQ(PageStateRecord::readFrom(*page->pageData()->current()).changed,
              (Rect{10, -2, 30, 33}));
}

TEST_F(ScaleTest, UndoRedoCancelAndBadSizes) {
    auto page = rig.makePage(
        Page::kTypeRgb, 150, 100,
        {patternPlane(150, 100, 1), patternPlane(150, 100, 2), patternPlane(150, 100, 3)});
    const PageRecord before = PageRecord::of(*page);

    EXPECT_EQ(scalePage(*page, 0, 10, true, nullptr), kErrGeneral);
    EXPECT_EQ(scalePage(*page, 10, -1, true, nullptr), kErrGeneral);
    before.expectUntouched(*page);

    rig.factory.log.cancelAtUpdate = 40;
    EXPECT_EQ(scalePage(*page, 300, 200, true, &rig.factory), kErrCancelled);
    before.expectUntouched(*page);
    rig.factory.log.cancelAtUpdate = 0;

    ASSERT_EQ(scalePage(*page, 300, 200, true, &rig.factory), kErrNone);
    // One step per destination row and plane.
    EXPECT_EQ(rig.factory.log.lastTotal, 600);
    EXPECT_EQ(rig.factory.log.lastDone, 600);
    const PageRecord scaled = PageRecord::of(*page);
    page->undo();
    before.expectSameImage(*page);
    page->redo();
    scaled.expectSameImage(*page);
}

}  // namespace
}  // namespace tessary
