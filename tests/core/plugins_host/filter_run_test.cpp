// Filter runs of real modules: the probe filter follows a script, E's
// Invert module answers every selector with success.

#include "plugins/filter_run.h"

#include <gtest/gtest.h>

#include "core/plugins_host/host_rig.h"
#include "plugins/movable_memory.h"
#include "plugins/photoshop_fltr.h"
#include "plugins/plug_in_commands.h"

namespace tessary {
namespace {

using test::FakeView;
using test::HostRig;
using test::samples;
using test::selectorsOf;
using test::testModule;
using Selectors = std::vector<std::int16_t>;

class FilterRun : public ::testing::Test {
protected:
    void SetUp() override {
        rig.install({testModule("ProbeFilter.8bf"), testModule("Invert.8bf")});
        probe().plugInData = reinterpret_cast<std::intptr_t>(script.get());
    }
    PlugInRecord& probe() { return rig.record("Probe Filter"); }
    bool command(Page& page) {
        FakeView view(&page);
        return PlugInFilterCommand(rig.host, rig.list, view, probe().commandId, lastFilter);
    }
    void expectInverted(const Page& page, const std::vector<std::vector<std::uint8_t>>& before) {
        for (int p = 0; p < page.colourPlaneCount(); ++p) {
            const auto after = samples(page, p, page.bounds());
            for (std::size_t i = 0; i < after.size(); ++i)
                ASSERT_EQ(after[i], 255 - before[p][i]) << "plane " << p << " sample " << i;
        }
    }

    HostRig rig;
    std::unique_ptr<probe::FilterScript> script = std::make_unique<probe::FilterScript>();
    std::unique_ptr<Filter> lastFilter;
};

TEST_F(FilterRun, InvertsBandByBandDescribesThePageAndRecordsOneFilterStep) {
    auto page = rig.picture(Page::kTypeRgb, 150, 140, 3);
    page->setResolution(150.5, 96.25);
    rig.host.setColours(0x102030, 0xC0FFEE);
    const auto before = test::allPlanes(*page);
    script->bandRows = 32;
    FakeView view(page.get());
    ASSERT_TRUE(PlugInFilterCommand(rig.host, rig.list, view, probe().commandId, lastFilter));

    expectInverted(*page, before);
    EXPECT_EQ(selectorsOf(script->log), (Selectors{1, 2, 3, 4, 4, 4, 4, 4, 5}));
    const TsPiFilterBlock& b = script->atStart;
    EXPECT_EQ(b.serialNumber, 42);
    EXPECT_EQ(b.hostSignature, 0x51535459u);  // "QSTY"
    EXPECT_EQ(b.imageSize.v, 140);
    EXPECT_EQ(b.imageSize.h, 150);
    EXPECT_EQ(b.planes, 3);
    EXPECT_EQ(b.filterRect.bottom, 140);
    EXPECT_EQ(b.filterRect.right, 150);
    EXPECT_EQ(b.imageMode, TSPI_MODE_RGB);
    EXPECT_EQ(b.background.red, 0xEE * 257);
    EXPECT_EQ(b.background.green, 0xFF * 257);
    EXPECT_EQ(b.background.blue, 0xC0 * 257);
    EXPECT_EQ(b.foreground.red, 0x30 * 257);
    EXPECT_EQ((std::vector<int>{b.foreColor[0], b.foreColor[1], b.foreColor[2], b.foreColor[3]}),
              (std::vector<int>{0x30, 0x20, 0x10, 0}));
    EXPECT_EQ(b.imageHRes, 9863168);  // 150.5 x 65536
    EXPECT_EQ(b.imageVRes, 6307840);  // 96.25 x 65536
    EXPECT_EQ(b.wholeSize.v, 140);
    EXPECT_EQ(b.floatCoord.v, 0);
    EXPECT_EQ(b.isFloating, 0);
    EXPECT_EQ(b.haveMask, 0);
    EXPECT_EQ(b.autoMask, 1);
    EXPECT_EQ(b.samplingSupport, 1);
    EXPECT_EQ(b.inputRate, 1);
    EXPECT_EQ(b.maskRate, 1);
    EXPECT_EQ(b.maxSpace, 671088640);  // five eighths of 1 GB
    ASSERT_NE(b.resourceProcs, nullptr);
    EXPECT_EQ(b.resourceProcs->version, 3);
    EXPECT_EQ(b.resourceProcs->countProc, nullptr);
    EXPECT_EQ(b.bufferProcs->count, 5);
    EXPECT_EQ(b.handleProcs->count, 7);

    EXPECT_EQ(view.offsets, (std::vector<std::int32_t>{1, 0}));
    EXPECT_EQ(rig.progress.text[0], "Filtering...");
    EXPECT_EQ(rig.progress.text[1], "Probe Filter");
    EXPECT_GE(rig.progress.closes, 1);

    ASSERT_NE(lastFilter, nullptr);
    EXPECT_EQ(lastFilter->kind(), kFilterKindPlugIn);
    EXPECT_EQ(lastFilter->name(), "Probe Filter");
    EXPECT_EQ(static_cast<PhotoshopFltr&>(*lastFilter).commandId(), probe().commandId);

    EXPECT_EQ(page->pageData()->undoCount(), 1);
    EXPECT_EQ(page->undoKind(), 6u);
    EXPECT_EQ(page->undo(), page->bounds());
    EXPECT_EQ(test::allPlanes(*page), before);
}

TEST_F(FilterRun, GreyPageGivesModeOnePlaneOneAndMeanModeColours) {
    auto page = rig.picture(Page::kTypeGrey, 20, 10, 1);
    rig.host.setColours(0x28140A, 0xFFFFFF);  // red 10, green 20, blue 40
    ASSERT_TRUE(command(*page));
    EXPECT_EQ(script->atStart.imageMode, TSPI_MODE_GRAYSCALE);
    EXPECT_EQ(script->atStart.planes, 1);
    EXPECT_EQ(script->atStart.foreColor[0], 23);  // (10 + 20 + 40) / 3
    EXPECT_EQ(script->atStart.foreColor[1], 0);
    EXPECT_EQ(script->atStart.backColor[0], 255);
}

class SelectionRun : public FilterRun {
protected:
    void SetUp() override {
        FilterRun::SetUp();
        page = rig.picture(Page::kTypeRgb, 120, 90, 5);
        ASSERT_EQ(page->addMask(), kErrNone);
        HostRig::fillPlane(*page, 3, page->bounds(), [&](std::int32_t x, std::int32_t y) {
            return selection.left <= x && x < selection.right && selection.top <= y &&
                           y < selection.bottom
                       ? static_cast<std::uint8_t>(x * 5 + y * 3)
                       : std::uint8_t{0};
        });
        page->setSelectionRect(selection);
        before = test::allPlanes(*page);
    }
    std::uint8_t maskAt(std::int32_t x, std::int32_t y) const {
        return before[3][static_cast<std::size_t>(y) * 120 + x];
    }

    const Rect selection{20, 10, 100, 70};
    std::unique_ptr<Page> page;
    std::vector<std::vector<std::uint8_t>> before;
};

// The probe stores either the filter rectangle or (grow 7) a frame of 7
// pixels around it too, which the host lets it write: auto mask must still
// keep every unselected pixel, and the undo step must cover every stored one.
TEST_F(SelectionRun, AutoMaskKeepsUnselectedPixelsAndBlendsPartlySelectedOnes) {
    for (std::int16_t grow : {0, 7}) {
        SCOPED_TRACE(grow);
        script->growBands = grow;
        page->setSelectionRect(selection);  // undo restored the shaped page's record
        ASSERT_TRUE(command(*page));
        EXPECT_EQ(script->atStart.filterRect.top, 10);
        EXPECT_EQ(script->atStart.filterRect.left, 20);
        EXPECT_EQ(script->atStart.filterRect.bottom, 70);
        EXPECT_EQ(script->atStart.filterRect.right, 100);
        EXPECT_EQ(script->atStart.haveMask, 1);
        EXPECT_EQ(script->atStart.floatCoord.v, 10);
        EXPECT_EQ(script->atStart.floatCoord.h, 20);
        EXPECT_EQ(script->atStart.imageSize.h, 120);
        for (int p = 0; p < 3; ++p) {
            const auto after = samples(*page, p, page->bounds());
            for (std::int32_t y = 0; y < 90; ++y) {
                for (std::int32_t x = 0; x < 120; ++x) {
                    const std::size_t i = static_cast<std::size_t>(y) * 120 + x;
                    const int old = before[p][i];
                    const bool inside = x >= 20 && x < 100 && y >= 10 && y < 70;
                    const int expected =
                        inside ? test::referenceBlend(maskAt(x, y), 255 - old, old) : old;
                    ASSERT_EQ(after[i], expected) << p << " " << x << "," << y;
                }
            }
        }
        EXPECT_EQ(samples(*page, 3, page->bounds()), before[3]);  // the mask is not filtered
        EXPECT_EQ(page->undo(), (Rect{20 - grow, 10 - grow, 100 + grow, 70 + grow}));
    }
}

TEST_F(SelectionRun, ClearedAutoMaskLeavesEveryStoredPixelFiltered) {
    script->clearAutoMask = 1;
    for (std::int16_t grow : {0, 7}) {
        SCOPED_TRACE(grow);
        script->growBands = grow;
        const Rect stored{20 - grow, 10 - grow, 100 + grow, 70 + grow};
        page->setSelectionRect(selection);  // undo restored the shaped page's record
        ASSERT_TRUE(command(*page));
        for (int p = 0; p < 3; ++p) {
            const auto after = samples(*page, p, page->bounds());
            for (std::int32_t y = 0; y < 90; ++y) {
                for (std::int32_t x = 0; x < 120; ++x) {
                    const std::size_t i = static_cast<std::size_t>(y) * 120 + x;
                    const bool inside = x >= stored.left && x < stored.right && y >= stored.top &&
                                        y < stored.bottom;
                    ASSERT_EQ(after[i], inside ? 255 - before[p][i] : before[p][i])
                        << x << "," << y;
                }
            }
        }
        EXPECT_EQ(page->undo(), stored);
        EXPECT_EQ(test::allPlanes(*page), before);
    }
}

TEST_F(SelectionRun, MaskRequestsDeliverTheMaskPlane) {
    script->askMask = 1;
    script->bandRows = 8;
    ASSERT_TRUE(command(*page));
    EXPECT_EQ(script->maskBandsSeen, 8);  // 60 rows in bands of 8
    for (std::int32_t y = 0; y < 8; ++y)
        for (std::int32_t x = 0; x < 80; ++x)
            ASSERT_EQ(script->maskCopy[y * 80 + x], maskAt(20 + x, 10 + y)) << x << "," << y;
}

TEST_F(FilterRun, FloatingSelectionIsReadAtItsOwnPositionAndFilteredInPlace) {
    auto page = rig.picture(Page::kTypeRgb, 100, 80, 7);
    const Rect floating{30, 20, 70, 50};
    ASSERT_EQ(page->addMask(), kErrNone);
    page->setSelectionRect(floating);
    ASSERT_TRUE(page->pageData()->beginChange());
    ASSERT_EQ(page->liftFloat(), kErrNone);
    page->pageData()->endChange();
    ASSERT_TRUE(page->hasFloat());
    for (int p = 0; p < 3; ++p)
        HostRig::fillPlane(*page, 4 + p, floating, [&](std::int32_t x, std::int32_t y) {
            return probe::pixel(11, p, x, y);
        });
    const auto before = test::allPlanes(*page);

    script->mode = probe::kRecordInput;
    ASSERT_TRUE(command(*page));
    const TsPiFilterBlock& b = script->atStart;
    EXPECT_EQ(b.isFloating, 1);
    EXPECT_EQ(b.imageSize.v, 30);
    EXPECT_EQ(b.imageSize.h, 40);
    EXPECT_EQ(b.filterRect.top, 0);
    EXPECT_EQ(b.filterRect.left, 0);
    EXPECT_EQ(b.filterRect.bottom, 30);
    EXPECT_EQ(b.floatCoord.h, 30);
    EXPECT_EQ(b.wholeSize.h, 100);
    ASSERT_EQ(script->recordedRect.right, 40);
    for (std::int32_t y = 0; y < 30; ++y)
        for (std::int32_t x = 0; x < 40; ++x)
            for (int p = 0; p < 3; ++p)
                ASSERT_EQ(script->recorded[(y * 40 + x) * 3 + p],
                          probe::pixel(11, p, 30 + x, 20 + y));

    script->mode = probe::kInvert;
    ASSERT_TRUE(command(*page));
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(samples(*page, p, page->bounds()), before[p]) << "colour plane " << p;
        const auto after = samples(*page, 4 + p, floating);
        for (std::int32_t y = 0; y < 30; ++y)
            for (std::int32_t x = 0; x < 40; ++x)
                ASSERT_EQ(after[y * 40 + x], 255 - probe::pixel(11, p, 30 + x, 20 + y));
    }
}

TEST_F(FilterRun, CancelInTheProgressWindowStopsTheRunAndLeavesThePage) {
    auto page = rig.picture(Page::kTypeRgb, 30, 60, 2);
    const auto before = test::allPlanes(*page);
    script->bandRows = 10;
    script->checkAbort = 1;
    rig.progress.cancelAt = 2;
    EXPECT_FALSE(command(*page));
    EXPECT_EQ(script->abortChecks, 2);
    EXPECT_TRUE(rig.host.cancelled());
    EXPECT_EQ(selectorsOf(script->log).back(), TSPI_FILTER_FINISH);
    EXPECT_EQ(test::allPlanes(*page), before);
    EXPECT_EQ(page->pageData()->undoCount(), 0);
    EXPECT_EQ(page->pageData()->redoCount(), 0);
    EXPECT_EQ(lastFilter, nullptr);
}

TEST_F(FilterRun, LastFilterReusesTheParametersWithoutTheDialogAndRecordsAnotherStep) {
    auto page = rig.picture(Page::kTypeGrey, 25, 15, 4);
    const auto before = test::allPlanes(*page);
    script->parameterValue = 7;
    ASSERT_TRUE(command(*page));
    ASSERT_NE(lastFilter, nullptr);
    EXPECT_TRUE(isLivePlugInHandle(probe().parameters));
    EXPECT_EQ(script->parametersSeen, 7);

    script->log.count = 0;
    script->parameterValue = 9;  // what a new dialog would choose
    FakeView view(page.get());
    ASSERT_TRUE(RunLastPlugInFilter(rig.host, rig.list, view, *lastFilter));
    EXPECT_EQ(selectorsOf(script->log), (Selectors{2, 3, 4, 5}));
    EXPECT_EQ(script->parametersSeen, 7);
    EXPECT_EQ(page->pageData()->undoCount(), 2);
    EXPECT_EQ(page->undoKind(), 6u);
    EXPECT_EQ(test::allPlanes(*page), before);  // inverted twice

    // The command shows the dialog again: new parameters.
    ASSERT_TRUE(command(*page));
    EXPECT_EQ(script->parametersSeen, 9);
    EXPECT_EQ(selectorsOf(script->log).at(4), TSPI_FILTER_PARAMETERS);
}

TEST_F(FilterRun, NothingAskedAfterStartGoesStraightToFinish) {
    auto page = rig.picture(Page::kTypeRgb, 16, 16, 1);
    const auto before = test::allPlanes(*page);
    script->mode = probe::kAskNothing;
    ASSERT_TRUE(command(*page));
    EXPECT_EQ(selectorsOf(script->log), (Selectors{1, 2, 3, 5}));
    EXPECT_EQ(test::allPlanes(*page), before);
    EXPECT_EQ(page->undoKind(), 6u);

    // Invert.8bf asks for nothing either; its data word counts its calls.
    PlugInRecord& invert = rig.record("Invert Colors");
    FakeView view(page.get());
    ASSERT_TRUE(PlugInFilterCommand(rig.host, rig.list, view, invert.commandId, lastFilter));
    EXPECT_EQ(invert.plugInData, 4);
}

TEST_F(FilterRun, UnitInputRequestDeliversNothing) {
    auto page = rig.picture(Page::kTypeRgb, 16, 16, 1);
    script->mode = probe::kAskUnit;
    ASSERT_TRUE(command(*page));
    EXPECT_EQ(script->unitInputUntouched, 1);
    EXPECT_EQ(selectorsOf(script->log), (Selectors{1, 2, 3, 4, 5}));
}

TEST_F(FilterRun, NegativeResultLeavesThePageAndNoLastFilter) {
    auto page = rig.picture(Page::kTypeRgb, 40, 40, 8);
    const auto before = test::allPlanes(*page);
    script->bandRows = 10;
    script->failSelector = TSPI_FILTER_CONTINUE;
    script->failResult = TSPI_ERR_FILTER_BAD_PARAMETERS;
    EXPECT_FALSE(command(*page));
    EXPECT_EQ(selectorsOf(script->log), (Selectors{1, 2, 3, 4, 5}));
    EXPECT_EQ(test::allPlanes(*page), before);
    EXPECT_EQ(page->pageData()->undoCount(), 0);
    EXPECT_EQ(page->pageData()->redoCount(), 0);
    EXPECT_EQ(lastFilter, nullptr);
    EXPECT_EQ(rig.host.failureCode(), kErrGeneral);
}

TEST_F(FilterRun, PositiveResultLeavesThePageButCountsAsDone) {
    auto page = rig.picture(Page::kTypeRgb, 40, 40, 8);
    const auto before = test::allPlanes(*page);
    script->failSelector = TSPI_FILTER_START;
    script->failResult = 3;
    EXPECT_TRUE(command(*page));
    EXPECT_EQ(test::allPlanes(*page), before);
    EXPECT_EQ(page->pageData()->undoCount(), 0);
    EXPECT_NE(lastFilter, nullptr);
}

TEST_F(FilterRun, InputRateSamplesEveryRateThPixel) {
    auto page = rig.picture(Page::kTypeGrey, 41, 31, 6);
    script->mode = probe::kRecordInput;
    script->inputRate = 2 << 16;
    ASSERT_TRUE(command(*page));
    ASSERT_EQ(script->recordedRect.bottom, 16);
    ASSERT_EQ(script->recordedRect.right, 21);
    for (std::int32_t y = 0; y < 16; ++y)
        for (std::int32_t x = 0; x < 21; ++x)
            ASSERT_EQ(script->recorded[y * 21 + x],
                      probe::pixel(6, 0, std::min(2 * x, 40), std::min(2 * y, 30)))
                << x << "," << y;
}

TEST_F(FilterRun, ModuleAdvancingItselfDuringStartIsServed) {
    auto page = rig.picture(Page::kTypeRgb, 33, 50, 9);
    const auto before = test::allPlanes(*page);
    script->advanceItself = 1;
    script->bandRows = 16;
    script->reportProgress = 1;
    ASSERT_TRUE(command(*page));
    EXPECT_EQ(selectorsOf(script->log), (Selectors{1, 2, 3, 5}));
    EXPECT_EQ(script->bands, 4);
    expectInverted(*page, before);
    ASSERT_FALSE(rig.progress.delays.empty());
    EXPECT_EQ(rig.progress.delays.front(), 240u);
    EXPECT_EQ(rig.progress.updates.back(), (std::pair<std::int32_t, std::int32_t>{50, 50}));
}

class IdleRun : public PlugInRun {
public:
    std::int16_t advanceState() override { return 0; }
};

TEST_F(FilterRun, RefusedWhileAnotherRunIsInProgressOrThePageIsTooLarge) {
    auto page = rig.picture(Page::kTypeGrey, 8, 8, 1);
    {
        IdleRun other;
        PlugInHost::RunScope scope(rig.host, other);
        ASSERT_TRUE(scope.accepted());
        EXPECT_FALSE(command(*page));
    }
    auto wide = rig.picture(Page::kTypeGrey, 40000, 2, 1);
    EXPECT_FALSE(command(*wide));
    EXPECT_EQ(script->log.count, 0);
    EXPECT_TRUE(command(*page));  // and the host works afterwards
}

}  // namespace
}  // namespace tessary
