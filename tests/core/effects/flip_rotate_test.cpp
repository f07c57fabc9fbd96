#include "effects/geometry/flip_rotate.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "effects/geometry/flip_rotate_dialog.h"
#include "effects/geometry/geometry_change.h"
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

// The reference transform, written from the table of where each source row
// goes: for every destination sample, the source sample it comes from.
struct Transformed {
    std::int32_t width = 0, height = 0;
    Plane samples;
};

Transformed reference(const Plane& source, std::int32_t w, std::int32_t h, int operation) {
    Transformed t;
    const bool turn = operation == 4 || operation == 5;
    t.width = turn ? h : w;
    t.height = turn ? w : h;
    t.samples.resize(source.size());
    for (std::int32_t Y = 0; Y < t.height; ++Y) {
        for (std::int32_t X = 0; X < t.width; ++X) {
            std::int32_t x = 0, y = 0;
            switch (operation) {
                case 1:
                    x = w - 1 - X, y = Y;
                    break;  // row reversed
                case 2:
                    x = X, y = h - 1 - Y;
                    break;  // rows mirrored
                case 3:
                    x = w - 1 - X, y = h - 1 - Y;
                    break;  // both
                case 4:
                    x = w - 1 - Y, y = X;
                    break;  // row y -> column y, reversed
                case 5:
                    x = Y, y = h - 1 - X;
                    break;  // row y -> column h - 1 - y
            }
            t.samples[static_cast<std::size_t>(Y) * t.width + X] =
                source[static_cast<std::size_t>(y) * w + x];
        }
    }
    return t;
}

class FlipRotateTest : public ::testing::Test {
protected:
    std::unique_ptr<Page> rgb(std::int32_t w, std::int32_t h, std::uint32_t seed = 1) {
        return rig.makePage(
            Page::kTypeRgb, w, h,
            {patternPlane(w, h, seed), patternPlane(w, h, seed + 1), patternPlane(w, h, seed + 2)});
    }
    std::unique_ptr<Page> grey(std::int32_t w, std::int32_t h, std::uint32_t seed = 1) {
        return rig.makePage(Page::kTypeGrey, w, h, {patternPlane(w, h, seed)});
    }

    EffectsRig rig;
};

TEST_F(FlipRotateTest, EveryOperationOnTheWholeImageMatchesTheReference) {
    for (std::int32_t type : {Page::kTypeRgb, Page::kTypeGrey}) {
        for (int operation = 1; operation <= 5; ++operation) {
            SCOPED_TRACE(::testing::Message() << "type " << type << " operation " << operation);
            const std::int32_t w = 150, h = 131;  // ragged tiles on both axes
            auto page = type == Page::kTypeRgb ? rgb(w, h, 10) : grey(w, h, 10);
            std::vector<Plane> before;
            for (int p = 0; p < page->colourPlaneCount(); ++p)
                before.push_back(EffectsRig::read(*page, p));

            ASSERT_EQ(flipRotate(*page, operation, &rig.factory), kErrNone);
            for (int p = 0; p < page->colourPlaneCount(); ++p) {
                const Transformed expected = reference(before[p], w, h, operation);
                ASSERT_EQ(page->bounds(), (Rect{0, 0, expected.width, expected.height}));
                EXPECT_TRUE(samePlane(EffectsRig::read(*page, p), expected.samples, expected.width,
                                      "flip_rotate_whole"));
            }
            EXPECT_EQ(page->planeCount(), page->colourPlaneCount());
            EXPECT_EQ(page->undoKind(), operation <= 2 ? 13u : 14u);
            EXPECT_TRUE(page->modified());
        }
    }
}

TEST_F(FlipRotateTest, QuarterTurnOfA300By200ImagePutsTheFirstRowInTheOuterColumn) {
    auto page = grey(300, 200, 3);
    const Plane before = EffectsRig::read(*page, 0);
    Plane firstRow(before.begin(), before.begin() + 300);

    ASSERT_EQ(flipRotate(*page, kQuarterTurnCounterClockwise, nullptr), kErrNone);
    ASSERT_EQ(page->bounds(), (Rect{0, 0, 200, 300}));
    Plane after = EffectsRig::read(*page, 0);
    for (int y = 0; y < 300; ++y) EXPECT_EQ(after[y * 200 + 0], firstRow[299 - y]) << y;

    page->undo();
    ASSERT_EQ(flipRotate(*page, kQuarterTurnClockwise, nullptr), kErrNone);
    ASSERT_EQ(page->bounds(), (Rect{0, 0, 200, 300}));
    after = EffectsRig::read(*page, 0);
    for (int y = 0; y < 300; ++y) EXPECT_EQ(after[y * 200 + 199], firstRow[y]) << y;
}

TEST_F(FlipRotateTest, QuarterTurnOfAFloatKeepsItsCentreAndTurnsMaskAndPixels) {
    // A 41 x 10 selection at the top-left corner with a soft mask.
    const std::int32_t w = 60, h = 40;
    const Rect selection{0, 0, 41, 10};
    Plane mask(static_cast<std::size_t>(w) * h, 0);
    const Plane soft = patternPlane(41, 10, 77);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 41; ++x)
            mask[y * w + x] = static_cast<std::uint8_t>(soft[y * 41 + x] | 1);
    std::vector<Plane> planes = {patternPlane(w, h, 1), patternPlane(w, h, 2),
                                 patternPlane(w, h, 3), mask};
    for (int operation : {4, 5}) {
        SCOPED_TRACE(operation);
        auto page = rig.makePage(Page::kTypeRgb, w, h, planes, selection);
        ASSERT_EQ(flipRotate(*page, operation, &rig.factory), kErrNone);

        const Rect turned{15, -15, 25, 26};
        ASSERT_TRUE(page->hasFloat());
        EXPECT_EQ(page->selectionRect(), turned);
        const Transformed expectedMask =
            reference(test::crop(mask, w, selection), 41, 10, operation);
        EXPECT_TRUE(samePlane(readRect(*page, 3, turned), expectedMask.samples, 10, "float_mask"));
        for (int p = 0; p < 3; ++p) {
            const Transformed expected =
                reference(test::crop(planes[p], w, selection), 41, 10, operation);
            EXPECT_TRUE(
                samePlane(readRect(*page, 4 + p, turned), expected.samples, 10, "float_pixels"));
            // The image under the float is untouched.
            EXPECT_EQ(EffectsRig::read(*page, p), planes[p]);
        }
        // The recorded area covers where the float was and where it is now.
        const auto record = PageStateRecord::readFrom(*page->pageData()->current());
        EXPECT_EQ(record.changed, (Rect{0, -15, 41, 26}));
        EXPECT_EQ(record.selection, turned);
    }
}

TEST_F(FlipRotateTest, AFloatThatAlreadyFloatsIsTransformedFromItsOwnPlanes) {
    // Float pixels that differ from the image beneath them, in a float lying
    // partly outside the image at the top left (its centre has negative odd
    // coordinate sums, where halving toward zero would move it).
    const std::int32_t w = 50, h = 30;
    const Rect selection{-31, -13, 20, 12};
    auto page = rig.makePage(Page::kTypeGrey, w, h, {patternPlane(w, h, 5)});
    PageData& data = *page->pageData();
    ASSERT_TRUE(data.insertPlane(1, 0));
    ASSERT_TRUE(data.insertPlane(2, 0));
    ASSERT_TRUE(data.extendPlane(1, selection, 0));
    ASSERT_TRUE(data.extendPlane(2, selection, 0));
    const Plane floatMask = patternPlane(51, 25, 8);
    const Plane floatPixels = patternPlane(51, 25, 9);
    for (int y = 0; y < 25; ++y) {
        ASSERT_TRUE(data.writeRow(1, -31, -13 + y, 51, floatMask.data() + y * 51));
        ASSERT_TRUE(data.writeRow(2, -31, -13 + y, 51, floatPixels.data() + y * 51));
    }
    page->setSelectionRect(selection);
    // As the edit that made the float would, record the page's fields, so
    // that undo comes back to them.
    ASSERT_TRUE(page->saveState(0, 0, page->bounds()));
    ASSERT_TRUE(page->hasFloat());

    for (int operation = 1; operation <= 3; ++operation) {
        SCOPED_TRACE(operation);
        ASSERT_EQ(flipRotate(*page, operation, nullptr), kErrNone);
        // A size-keeping transform keeps the float exactly where it was.
        EXPECT_EQ(page->selectionRect(), selection);
        EXPECT_TRUE(samePlane(readRect(*page, 2, selection),
                              reference(floatPixels, 51, 25, operation).samples, 51, "float_own"));
        EXPECT_TRUE(samePlane(readRect(*page, 1, selection),
                              reference(floatMask, 51, 25, operation).samples, 51,
                              "float_own_mask"));
        page->undo();
    }
}

TEST_F(FlipRotateTest, FlippingTwiceAndTurningFourTimesRestoreTheImage) {
    const std::pair<std::int32_t, std::int32_t> sizes[] = {
        {1, 1}, {1, 9}, {9, 1}, {16, 16}, {127, 130}, {130, 127}, {257, 3}};
    for (const auto& [w, h] : sizes) {
        for (std::int32_t type : {Page::kTypeGrey, Page::kTypeRgb}) {
            SCOPED_TRACE(::testing::Message() << w << " x " << h << " type " << type);
            auto page = type == Page::kTypeRgb ? rgb(w, h, w + h) : grey(w, h, w * h);
            const PageRecord start = PageRecord::of(*page);
            for (int operation = 1; operation <= 3; ++operation) {
                ASSERT_EQ(flipRotate(*page, operation, nullptr), kErrNone);
                ASSERT_EQ(flipRotate(*page, operation, nullptr), kErrNone);
                start.expectSameImage(*page);
            }
            for (int operation : {4, 5}) {
                for (int i = 0; i < 4; ++i)
                    ASSERT_EQ(flipRotate(*page, operation, nullptr), kErrNone);
                start.expectSameImage(*page);
            }
            ASSERT_EQ(flipRotate(*page, 4, nullptr), kErrNone);
            ASSERT_EQ(flipRotate(*page, 5, nullptr), kErrNone);
            start.expectSameImage(*page);
        }
    }
}

TEST_F(FlipRotateTest, TurningAFloatFourTimesRestoresItAndItsPlace) {
    for (const Rect& selection : {Rect{3, 4, 20, 11}, Rect{0, 0, 41, 10}, Rect{10, 7, 11, 30}}) {
        SCOPED_TRACE(::testing::Message() << selection.left << "," << selection.top);
        const std::int32_t w = 45, h = 35;
        auto page = rig.makePage(Page::kTypeRgb, w, h,
                                 {patternPlane(w, h, 1), patternPlane(w, h, 2),
                                  patternPlane(w, h, 3), test::boxMask(w, h, selection)},
                                 selection);
        // Lift it with a first flip pair, then take the floating record.
        ASSERT_EQ(flipRotate(*page, kFlipHorizontal, nullptr), kErrNone);
        ASSERT_EQ(flipRotate(*page, kFlipHorizontal, nullptr), kErrNone);
        ASSERT_TRUE(page->hasFloat());
        const PageRecord start = PageRecord::of(*page);
        for (int i = 0; i < 4; ++i) ASSERT_EQ(flipRotate(*page, 5, nullptr), kErrNone);
        start.expectSameImage(*page);
        for (int i = 0; i < 4; ++i) ASSERT_EQ(flipRotate(*page, 4, nullptr), kErrNone);
        start.expectSameImage(*page);
    }
}

TEST_F(FlipRotateTest, UndoAndRedoTakeTheTurnBackAndForth) {
    auto page = rgb(140, 70, 4);
    page->setResolution(300, 150);
    test::settle(*page);
    const PageRecord before = PageRecord::of(*page);
    ASSERT_EQ(flipRotate(*page, kQuarterTurnClockwise, nullptr), kErrNone);
    const PageRecord turned = PageRecord::of(*page);
    EXPECT_EQ(turned.bounds, (Rect{0, 0, 70, 140}));
    // Views rebuild their selection outline after every flip and turn.
    EXPECT_EQ(page->changeCounter(), 1u);
    // The axes trade resolutions, so the printed size turns too.
    EXPECT_EQ(page->horizontalResolution(), 150);
    EXPECT_EQ(page->verticalResolution(), 300);
    EXPECT_EQ(page->pageData()->undoCount(), 1);

    EXPECT_EQ(page->undo(), (Rect{0, 0, 140, 140}));
    before.expectSameImage(*page);
    EXPECT_EQ(page->redoKind(), 14u);
    page->redo();
    turned.expectSameImage(*page);
    EXPECT_EQ(page->undoKind(), 14u);

    ASSERT_EQ(flipRotate(*page, kFlipVertical, nullptr), kErrNone);
    EXPECT_EQ(page->undoKind(), 13u);
    EXPECT_EQ(page->changeCounter(), 2u);
    page->undo();
    turned.expectSameImage(*page);
}

TEST_F(FlipRotateTest, CancelLeavesThePageExactlyAsBefore) {
    for (int operation = 1; operation <= 5; ++operation) {
        SCOPED_TRACE(operation);
        // A plain selection, so the cancel must also take the lift back.
        const Rect selection{5, 6, 200, 150};
        auto page = rig.makePage(Page::kTypeRgb, 260, 170,
                                 {patternPlane(260, 170, 1), patternPlane(260, 170, 2),
                                  patternPlane(260, 170, 3), test::boxMask(260, 170, selection)},
                                 selection);
        const PageRecord before = PageRecord::of(*page);
        rig.factory.log = {};
        rig.factory.log.cancelAtUpdate = 3;
        EXPECT_EQ(flipRotate(*page, operation, &rig.factory), kErrCancelled);
        before.expectUntouched(*page);
        EXPECT_EQ(page->changeCounter(), 0u);
        EXPECT_TRUE(page->hasMask());
        EXPECT_FALSE(page->hasFloat());
        EXPECT_EQ(rig.factory.log.windowsMade, rig.factory.log.windowsDestroyed);
        EXPECT_EQ(rig.factory.log.line0, "Effect...");
        EXPECT_EQ(rig.factory.log.line1, operation <= 2 ? "Flip" : "Rotate");
    }
}

TEST_F(FlipRotateTest, RunningOutOfTilesFailsWithTheDiskCodeAndChangesNothing) {
    // 12 tiles of noise; the turned copy needs 12 more than the store has.
    EffectsRig small(20);
    auto page = small.makePage(
        Page::kTypeRgb, 256, 256,
        {patternPlane(256, 256, 1), patternPlane(256, 256, 2), patternPlane(256, 256, 3)});
    const PageRecord before = PageRecord::of(*page);
    EXPECT_EQ(flipRotate(*page, kQuarterTurnClockwise, nullptr), kErrDisk);
    before.expectUntouched(*page);
}

TEST_F(FlipRotateTest, AnUnknownOperationIsRefusedWithoutAChange) {
    auto page = grey(20, 10);
    const PageRecord before = PageRecord::of(*page);
    EXPECT_EQ(flipRotate(*page, 0, nullptr), kErrGeneral);
    EXPECT_EQ(flipRotate(*page, 6, nullptr), kErrGeneral);
    before.expectUntouched(*page);
    EXPECT_EQ(flipRotateUndoKind(6), 0u);
}

TEST(FlipRotateDialogTest, ChoicesMapToTheirOperationsAndControls) {
    // Choice 0..4 runs 1, 2, 5, 3, 4.
    const int operations[] = {1, 2, 5, 3, 4};
    for (int choice = 0; choice < 5; ++choice) {
        EXPECT_EQ(flipRotateOperationForChoice(choice), operations[choice]);
        EXPECT_EQ(flipRotateExamples()[choice].undoKind, choice < 2 ? 13u : 14u);
    }
    EXPECT_EQ(flipRotateOperationForChoice(-1), -1);
    EXPECT_EQ(flipRotateOperationForChoice(5), -1);
    EXPECT_STREQ(flipRotateExamples()[2].label, "90\u00B0 Right (CW)");

    FlipRotateDialogModel dialog;
    EXPECT_EQ(dialog.chosen(), -1);
    EXPECT_EQ(dialog.operation(), -1);
    dialog.open();
    EXPECT_EQ(dialog.chosen(), 0);
    EXPECT_TRUE(dialog.click(1010));  // the "180° (CW)" picture
    EXPECT_EQ(dialog.chosen(), 3);
    EXPECT_EQ(dialog.operation(), kHalfTurn);
    EXPECT_TRUE(dialog.click(1011));
    EXPECT_EQ(dialog.operation(), kQuarterTurnClockwise);
    EXPECT_FALSE(dialog.click(FlipRotateDialogModel::kOriginalControl));
    EXPECT_EQ(dialog.operation(), kQuarterTurnClockwise);
}

}  // namespace
}  // namespace tessary
