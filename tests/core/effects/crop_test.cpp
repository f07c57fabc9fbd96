#include "effects/geometry/crop.h"

#include <gtest/gtest.h>

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
using test::samePlane;

class CropTest : public ::testing::Test {
protected:
    EffectsRig rig;
};

TEST_F(CropTest, NothingSelectedDoesNothing) {
    auto page =
        rig.makePage(Page::kTypeRgb, 30, 20,
                     {patternPlane(30, 20, 1), patternPlane(30, 20, 2), patternPlane(30, 20, 3)});
    const PageRecord before = PageRecord::of(*page);
    EXPECT_EQ(cropPage(*page), kErrNone);
    before.expectUntouched(*page);
    EXPECT_EQ(page->pageData()->undoCount(), 0);
    EXPECT_FALSE(page->modified());
}

TEST_F(CropTest, ASelectionBecomesTheImage) {
    for (std::int32_t type : {Page::kTypeGrey, Page::kTypeRgb}) {
        SCOPED_TRACE(type);
        const std::int32_t w = 300, h = 140;
        const Rect selection{130, 5, 290, 133};
        const int k = type == Page::kTypeGrey ? 1 : 3;
        std::vector<Plane> planes;
        for (int p = 0; p < k; ++p) planes.push_back(patternPlane(w, h, 10 + p));
        planes.push_back(test::boxMask(w, h, selection, 200));
        auto page = rig.makePage(type, w, h, planes, selection);
        test::settle(*page);
        const PageRecord before = PageRecord::of(*page);

        ASSERT_EQ(cropPage(*page), kErrNone);
        EXPECT_EQ(page->bounds(), (Rect{0, 0, 160, 128}));
        EXPECT_FALSE(page->hasMask());
        EXPECT_TRUE(page->storedSelectionRect().empty());
        for (int p = 0; p < k; ++p) {
            EXPECT_TRUE(samePlane(EffectsRig::read(*page, p), test::crop(planes[p], w, selection),
                                  160, "crop"));
        }
        EXPECT_EQ(page->undoKind(), 18u);
        EXPECT_EQ(PageStateRecord::readFrom(*page->pageData()->current()).changed,
                  (Rect{0, 0, w, h}));

        const PageRecord cropped = PageRecord::of(*page);
        page->undo();
        before.expectSameImage(*page);
        EXPECT_TRUE(page->hasMask());
        page->redo();
        cropped.expectSameImage(*page);
    }
}

TEST_F(CropTest, AFloatIsMergedFirstAndItsBoundsAreClippedToTheImage) {
    const std::int32_t w = 40, h = 30;
    // A float whose bounds reach past the right and bottom edges.
    const Rect selection{25, 20, 50, 45};
    const Plane colour = patternPlane(w, h, 3);
    auto page = rig.makePage(
        Page::kTypeGrey, w, h,
        {colour, test::boxMask(w, h, Rect{25, 20, 40, 30}, 255), test::constantPlane(w, h, 9)},
        selection);
    ASSERT_TRUE(page->hasFloat());
    ASSERT_EQ(cropPage(*page), kErrNone);
    EXPECT_EQ(page->bounds(), (Rect{0, 0, 15, 10}));
    EXPECT_EQ(page->planeCount(), 1);
    // The float (all 9, fully selected) covered the kept part.
    EXPECT_EQ(EffectsRig::read(*page, 0), test::constantPlane(15, 10, 9));
}

TEST_F(CropTest, ASelectionOutsideTheImageCropsNothing) {
    const std::int32_t w = 40, h = 30;
    const Rect selection{50, 40, 60, 50};
    auto page = rig.makePage(
        Page::kTypeGrey, w, h,
        {patternPlane(w, h, 1), test::constantPlane(w, h, 0), test::constantPlane(w, h, 5)},
        selection);
    const PageRecord before = PageRecord::of(*page);
    EXPECT_EQ(cropPage(*page), kErrNone);
    before.expectUntouched(*page);
}

TEST_F(CropTest, RunningOutOfTilesLeavesThePageAsItWas) {
    // Merging the float writes every row of the 12 noise tiles, which the
    // state before the change shares: 12 copies, more than the store holds.
    // (Mask and float are constant planes and take no tiles.)
    EffectsRig small(22);
    const std::int32_t w = 256, h = 256;
    auto page = small.makePage(Page::kTypeRgb, w, h,
                               {patternPlane(w, h, 1), patternPlane(w, h, 2), patternPlane(w, h, 3),
                                test::constantPlane(w, h, 0), test::constantPlane(w, h, 0),
                                test::constantPlane(w, h, 0), test::constantPlane(w, h, 0)},
                               Rect{0, 0, w, h});
    const PageRecord before = PageRecord::of(*page);
    EXPECT_EQ(cropPage(*page), kErrDisk);
    before.expectUntouched(*page);
}

}  // namespace
}  // namespace tessary
