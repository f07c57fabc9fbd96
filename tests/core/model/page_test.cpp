#include "model/page.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "model/blend_table.h"
#include "model/page_data.h"
#include "model/page_data_list.h"
#include "model/page_state_record.h"
#include "page_test_support.h"
#include "test_store.h"

namespace tessary {
namespace {

using test::entriesOf;
using test::readPlane;
using test::TestStore;
using Bytes = std::vector<std::uint8_t>;

// The blend formula, written out: T[a][b] = floor(a b / 255) for a < 128,
// b - T[255 - a][b] above; the mask weights the float.
int product(int a, int b) {
    return a < 128 ? a * b / 255 : b - product(255 - a, b);
}
std::uint8_t referenceBlend(int mask, int floating, int colour) {
    return static_cast<std::uint8_t>(product(mask, floating) + product(255 - mask, colour));
}

Bytes randomBytes(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    Bytes out(count);
    for (auto& v : out) v = static_cast<std::uint8_t>(random());
    return out;
}

class PageTest : public ::testing::Test {
protected:
    // An RGB page of the given size whose colour planes hold random samples
    // (kept in colour[0..2]).
    void shapeRandomRgb(std::int32_t width, std::int32_t height) {
        ASSERT_TRUE(page.shapeWhite(Page::kTypeRgb, width, height, 3));
        for (int p = 0; p < 3; ++p) {
            colour[p] = randomBytes(static_cast<std::size_t>(width) * height, 10 + p);
            ASSERT_TRUE(test::writePlane(*page.pageData(), p, colour[p]));
        }
    }

    TestStore ts{256, 0};
    BlendTable blend;
    PageDataList list;
    Page page{PageEnvironment{ts.store(), &list, blend}};
    Bytes colour[3];
};

TEST_F(PageTest, ShapeAcceptsOnlyTheKnownTypeAndPlaneCombinations) {
    const std::uint8_t fills[4] = {1, 2, 3, 4};
    EXPECT_FALSE(page.shape(Page::kTypeRgb, 10, 10, 2, fills));
    EXPECT_FALSE(page.shape(Page::kTypeRgb, 10, 10, 5, fills));
    EXPECT_FALSE(page.shape(Page::kTypeGrey, 10, 10, 3, fills));
    EXPECT_FALSE(page.shape(3, 10, 10, 3, fills));
    EXPECT_FALSE(page.shape(Page::kTypeGrey, 0, 10, 1, fills));
    EXPECT_EQ(page.pageData(), nullptr);
    EXPECT_EQ(page.type(), Page::kTypeRgb);

    // Type 2 with 2 planes: grey with an all-255 mask.
    ASSERT_TRUE(page.shapeWhite(Page::kTypeGrey, 150, 40, 2));
    EXPECT_EQ(page.type(), Page::kTypeGrey);
    EXPECT_EQ(page.colourPlaneCount(), 1);
    EXPECT_EQ(page.bitsPerPixel(), 8);
    EXPECT_TRUE(page.hasMask());
    EXPECT_FALSE(page.hasFloat());
    EXPECT_EQ(page.maskPlane(), 1);
    EXPECT_EQ(page.floatBase(), 0);
    EXPECT_EQ(readPlane(*page.pageData(), 1), Bytes(150 * 40, 255));
    EXPECT_EQ(page.bounds(), (Rect{0, 0, 150, 40}));
    const auto record = PageStateRecord::readFrom(*page.pageData()->current());
    EXPECT_EQ(record.kind, 0u);
    EXPECT_EQ(record.changed, (Rect{0, 0, 150, 40}));
    EXPECT_EQ(record.type, 2u);
    EXPECT_EQ(record.horizontalResolution, 72.0);
    EXPECT_FALSE(page.modified());
    EXPECT_FALSE(page.canUndo());

    // Type 5 with 2 planes on an existing page fails without change.
    const auto entries = entriesOf(*page.pageData()->current());
    EXPECT_FALSE(page.shape(Page::kTypeRgb, 150, 40, 2, fills));
    EXPECT_EQ(page.type(), Page::kTypeGrey);
    EXPECT_EQ(page.planeCount(), 2);
    EXPECT_EQ(entriesOf(*page.pageData()->current()), entries);
}

TEST_F(PageTest, ShapingAnExistingPageAddsPlanesAndResizesWithTheFills) {
    ASSERT_TRUE(page.shapeWhite(Page::kTypeRgb, 100, 100, 3));
    const Bytes row(100, 9);
    ASSERT_TRUE(page.pageData()->writeRow(0, 0, 10, 100, row.data()));
    const std::uint8_t fills[4] = {1, 2, 3, 4};
    ASSERT_TRUE(page.shape(Page::kTypeRgb, 140, 60, 4, fills));
    EXPECT_EQ(page.planeCount(), 4);
    EXPECT_TRUE(page.hasMask());
    EXPECT_EQ(page.bounds(), (Rect{0, 0, 140, 60}));
    Bytes got(140);
    page.pageData()->readRow(0, 0, 10, 140, got.data());
    EXPECT_EQ(Bytes(got.begin(), got.begin() + 100), row);
    EXPECT_EQ(Bytes(got.begin() + 128, got.end()), Bytes(12, 1));
    EXPECT_EQ(readPlane(*page.pageData(), 3), Bytes(140 * 60, 4));
    EXPECT_EQ(PageStateRecord::readFrom(*page.pageData()->current()).changed,
              (Rect{0, 0, 140, 60}));
}

TEST_F(PageTest, AddMaskTwiceLeavesOneAllSelectedMask) {
    ASSERT_TRUE(page.shapeWhite(Page::kTypeRgb, 200, 130, 3));
    EXPECT_EQ(page.maskPlane(), -1);
    EXPECT_EQ(page.selectionRect(), page.bounds());
    ASSERT_EQ(page.addMask(), kErrNone);
    EXPECT_EQ(page.planeCount(), 4);
    EXPECT_EQ(page.maskPlane(), 3);
    const Bytes zeros(200, 0);
    for (int y = 0; y < 130; y += 3)
        ASSERT_TRUE(page.pageData()->writeRow(3, 0, y, 200, zeros.data()));
    page.setSelectionRect(Rect{5, 5, 6, 6});
    ASSERT_EQ(page.addMask(), kErrNone);
    EXPECT_EQ(page.planeCount(), 4);
    EXPECT_EQ(readPlane(*page.pageData(), 3), Bytes(200 * 130, 255));
    EXPECT_EQ(page.selectionRect(), (Rect{0, 0, 200, 130}));

    ASSERT_EQ(page.removeMask(), kErrNone);
    EXPECT_EQ(page.planeCount(), 3);
    EXPECT_EQ(page.storedSelectionRect(), Rect{});
    EXPECT_EQ(page.selectionRect(), page.bounds());
}

TEST_F(PageTest, InvertingAnAllSelectedMaskSelectsNothingAndTheWholeImageRectangle) {
    ASSERT_TRUE(page.shapeWhite(Page::kTypeGrey, 300, 200, 1));
    ASSERT_EQ(page.addMask(), kErrNone);
    ASSERT_EQ(page.invertSelection(), kErrNone);
    EXPECT_EQ(readPlane(*page.pageData(), 1), Bytes(300 * 200, 0));
    EXPECT_EQ(page.selectionRect(), (Rect{0, 0, 300, 200}));
    EXPECT_FALSE(page.isSelected(10, 10));
}

TEST_F(PageTest, InvertingAPartialMaskSelectsTheComplementInsideTheImage) {
    ASSERT_TRUE(page.shapeWhite(Page::kTypeGrey, 300, 200, 1));
    ASSERT_EQ(page.addMask(), kErrNone);
    // Mask: 0 inside (40, 30)-(170, 150), 254 in column 20 (1 after the
    // inversion, which is not above 1), 255 elsewhere.
    Bytes mask(300 * 200, 255);
    for (int y = 30; y < 150; ++y)
        for (int x = 40; x < 170; ++x) mask[static_cast<std::size_t>(y) * 300 + x] = 0;
    for (int y = 0; y < 200; ++y) mask[static_cast<std::size_t>(y) * 300 + 20] = 254;
    ASSERT_TRUE(test::writePlane(*page.pageData(), 1, mask));
    ASSERT_EQ(page.invertSelection(), kErrNone);
    Bytes expected = mask;
    for (auto& v : expected) v = static_cast<std::uint8_t>(255 - v);
    EXPECT_EQ(readPlane(*page.pageData(), 1), expected);
    // Samples of 1 do not count; the tiles' samples beyond the image do not
    // either.
    EXPECT_EQ(page.selectionRect(), (Rect{40, 30, 170, 150}));
    EXPECT_TRUE(page.isSelected(40, 30));
    EXPECT_TRUE(page.isSelected(20, 5));  // 1 is still "selected"
    EXPECT_FALSE(page.isSelected(39, 30));
    EXPECT_FALSE(page.isSelected(-1, 30));
    EXPECT_FALSE(page.isSelected(400, 30));
}

TEST_F(PageTest, LiftFloatAfterAChangeOpenedCopiesTheColourFromBeforeTheChange) {
    shapeRandomRgb(150, 140);
    EXPECT_EQ(page.liftFloat(), kErrNone);  // no mask: nothing
    EXPECT_EQ(page.planeCount(), 3);
    ASSERT_EQ(page.addMask(), kErrNone);
    ASSERT_TRUE(page.pageData()->beginChange());
    const Bytes newColour = randomBytes(150 * 140, 99);
    for (int p = 0; p < 3; ++p) ASSERT_TRUE(test::writePlane(*page.pageData(), p, newColour));
    ASSERT_EQ(page.liftFloat(), kErrNone);
    EXPECT_EQ(page.planeCount(), 7);
    EXPECT_TRUE(page.hasFloat());
    EXPECT_FALSE(page.hasMask());
    EXPECT_EQ(page.floatBase(), 4);
    EXPECT_EQ(page.maskPlane(), -1);
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(readPlane(*page.pageData(), 4 + p), colour[p]) << p;
        EXPECT_EQ(readPlane(*page.pageData(), p), newColour) << p;
    }
    EXPECT_EQ(page.liftFloat(), kErrNone);  // already floating: nothing
    EXPECT_EQ(page.planeCount(), 7);
    page.pageData()->endChange();
}

TEST_F(PageTest, MergeFloatBlendsThroughTheMaskOverTheSelectionRectangle) {
    const int width = 260, height = 140;
    shapeRandomRgb(width, height);
    ASSERT_EQ(page.addMask(), kErrNone);
    ASSERT_EQ(page.liftFloat(), kErrNone);
    Bytes floating[3];
    for (int p = 0; p < 3; ++p) {
        floating[p] = randomBytes(static_cast<std::size_t>(width) * height, 50 + p);
        ASSERT_TRUE(test::writePlane(*page.pageData(), 4 + p, floating[p]));
    }
    // Mask: 255 in the left third, 0 in the middle third, ramps in the rest.
    Bytes mask(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t m = x < 80 ? 255 : x < 160 ? 0 : static_cast<std::uint8_t>(x * 7 + y);
            mask[static_cast<std::size_t>(y) * width + x] = m;
        }
    }
    ASSERT_TRUE(test::writePlane(*page.pageData(), 3, mask));
    const Rect selection{0, 10, 250, 135};
    page.setSelectionRect(selection);

    ASSERT_EQ(page.mergeFloat(), kErrNone);
    EXPECT_EQ(page.planeCount(), 4);
    EXPECT_TRUE(page.hasMask());
    for (int p = 0; p < 3; ++p) {
        Bytes expected = colour[p];
        for (int y = selection.top; y < selection.bottom; ++y) {
            for (int x = selection.left; x < selection.right; ++x) {
                const std::size_t i = static_cast<std::size_t>(y) * width + x;
                expected[i] = referenceBlend(mask[i], floating[p][i], colour[p][i]);
            }
        }
        const Bytes got = readPlane(*page.pageData(), p);
        EXPECT_EQ(got, expected) << p;
        // Mask 255 copies the float exactly, mask 0 keeps the colour.
        const std::size_t full = 20 * width + 5, none = 20 * width + 100;
        EXPECT_EQ(got[full], floating[p][full]);
        EXPECT_EQ(got[none], colour[p][none]);
    }
}

TEST_F(PageTest, MergeFloatFollowsTheMovedMaskAndFloat) {
    shapeRandomRgb(300, 130);
    ASSERT_EQ(page.addMask(), kErrNone);
    ASSERT_EQ(page.liftFloat(), kErrNone);
    for (int p = 4; p < 7; ++p) {
        ASSERT_TRUE(test::writePlane(*page.pageData(), p, Bytes(300 * 130, 17)));
    }
    // Move mask and float right by 200: they now cover x >= 200 only (their
    // grids grow to keep covering the image, with mask 0 and float 0).
    for (int p = 3; p < 7; ++p) ASSERT_TRUE(page.pageData()->offsetPlane(p, 200, 0, 0));
    page.setSelectionRect(Rect{0, 0, 300, 130});
    EXPECT_EQ(page.colourAt(10, 10), std::uint32_t{colour[0][3010]} |
                                         std::uint32_t{colour[1][3010]} << 8 |
                                         std::uint32_t{colour[2][3010]} << 16);
    EXPECT_EQ(page.colourAt(250, 10), 0x111111u);
    ASSERT_EQ(page.mergeFloat(), kErrNone);
    const Bytes red = readPlane(*page.pageData(), 0);
    for (int y = 0; y < 130; ++y) {
        for (int x = 0; x < 300; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * 300 + x;
            ASSERT_EQ(red[i], x < 200 ? colour[0][i] : 17) << x << "," << y;
        }
    }
}

TEST_F(PageTest, DropFloatRemovesTheFloatingPlanesOnly) {
    shapeRandomRgb(130, 20);
    EXPECT_EQ(page.dropFloat(), kErrNone);  // no float: nothing
    ASSERT_EQ(page.addMask(), kErrNone);
    ASSERT_EQ(page.liftFloat(), kErrNone);
    ASSERT_EQ(page.dropFloat(), kErrNone);
    EXPECT_EQ(page.planeCount(), 4);
    EXPECT_TRUE(page.hasMask());
    for (int p = 0; p < 3; ++p) EXPECT_EQ(readPlane(*page.pageData(), p), colour[p]);
}

TEST_F(PageTest, ColourAtPacksTheColourAndBlendsAFloatOverIt) {
    shapeRandomRgb(140, 30);
    const std::size_t i = 7 * 140 + 33;
    const std::uint32_t base = std::uint32_t{colour[0][i]} | std::uint32_t{colour[1][i]} << 8 |
                               std::uint32_t{colour[2][i]} << 16;
    EXPECT_EQ(page.colourAt(33, 7), base);
    EXPECT_EQ(page.colourAt(-1, 7), 0u);
    EXPECT_EQ(page.colourAt(140, 7), 0u);

    ASSERT_EQ(page.addMask(), kErrNone);
    ASSERT_EQ(page.liftFloat(), kErrNone);
    const std::uint8_t f[3] = {200, 10, 99};
    for (int p = 0; p < 3; ++p) ASSERT_TRUE(page.pageData()->writeRow(4 + p, 33, 7, 1, &f[p]));
    EXPECT_EQ(page.colourAt(33, 7), 200u | 10u << 8 | 99u << 16);  // mask 255: the float
    const std::uint8_t half = 128;
    ASSERT_TRUE(page.pageData()->writeRow(3, 33, 7, 1, &half));
    const std::uint32_t blended = std::uint32_t{referenceBlend(128, 200, colour[0][i])} |
                                  std::uint32_t{referenceBlend(128, 10, colour[1][i])} << 8 |
                                  std::uint32_t{referenceBlend(128, 99, colour[2][i])} << 16;
    EXPECT_EQ(page.colourAt(33, 7), blended);
}

TEST_F(PageTest, SaveStateUndoAndRedoRestoreTypeSelectionAndResolution) {
    ASSERT_TRUE(page.shapeWhite(Page::kTypeRgb, 200, 100, 3));
    page.setResolution(300.0, 150.0);
    ASSERT_TRUE(page.saveState(0, 0, page.bounds()));  // the shaped state as the user left it
    page.setModified(false);

    PageData& data = *page.pageData();
    ASSERT_TRUE(data.beginChange());
    ASSERT_EQ(page.addMask(), kErrNone);
    page.setSelectionRect(Rect{1, 2, 30, 40});
    page.setResolution(96.0, 48.0);
    data.endChange();
    const Rect changed{1, 2, 30, 40};
    ASSERT_TRUE(page.saveState(5, 77, changed));
    EXPECT_TRUE(page.modified());
    EXPECT_TRUE(page.canUndo());
    EXPECT_FALSE(page.canRedo());
    EXPECT_EQ(page.undoKind(), 5u);
    const auto record = PageStateRecord::readFrom(*data.current());
    EXPECT_EQ(record.parameter, 77u);
    EXPECT_EQ(record.selection, changed);
    EXPECT_EQ(record.verticalResolution, 48.0);

    EXPECT_EQ(page.undo(), changed);
    EXPECT_EQ(page.planeCount(), 3);
    EXPECT_EQ(page.storedSelectionRect(), Rect{});
    EXPECT_EQ(page.horizontalResolution(), 300.0);
    EXPECT_EQ(page.verticalResolution(), 150.0);
    EXPECT_EQ(page.type(), Page::kTypeRgb);
    EXPECT_FALSE(page.canUndo());
    EXPECT_TRUE(page.canRedo());
    EXPECT_EQ(page.undoKind(), 0u);
    EXPECT_EQ(page.redoKind(), 5u);
    EXPECT_EQ(page.undo(), Rect{});  // nothing left

    EXPECT_EQ(page.redo(), changed);
    EXPECT_EQ(page.planeCount(), 4);
    EXPECT_EQ(page.selectionRect(), changed);
    EXPECT_EQ(page.horizontalResolution(), 96.0);
    EXPECT_EQ(page.verticalResolution(), 48.0);
    EXPECT_EQ(page.redo(), Rect{});
}

TEST_F(PageTest, UndoRestoresTheTypeOfAConversion) {
    const std::uint8_t fills[3] = {10, 20, 30};
    ASSERT_TRUE(page.shape(Page::kTypeRgb, 20, 20, 3, fills));
    PageData& data = *page.pageData();
    ASSERT_TRUE(data.beginChange());
    ASSERT_TRUE(data.removePlane(2));
    ASSERT_TRUE(data.removePlane(1));
    page.setType(Page::kTypeGrey);
    data.endChange();
    ASSERT_TRUE(page.saveState(3, 0, page.bounds()));
    EXPECT_EQ(page.colourPlaneCount(), 1);
    page.undo();
    EXPECT_EQ(page.type(), Page::kTypeRgb);
    EXPECT_EQ(page.colourAt(0, 0), 10u | 20u << 8 | 30u << 16);
    page.redo();
    EXPECT_EQ(page.type(), Page::kTypeGrey);
    EXPECT_EQ(page.colourAt(0, 0), 0x0A0A0Au);
}

}  // namespace
}  // namespace tessary
