#include <gtest/gtest.h>

#include "acquire/acquire_commands.h"
#include "acquire/c_twain.h"
#include "acquire_test_support.h"

namespace tessary {
namespace {

using test::AcquireRig;
using test::channelOf;
using test::fakeEntry;
using test::FakeImage;
using test::fakeManager;
using test::FakeScript;
using test::planeOf;
using test::rgbImage;
using Bytes = std::vector<std::uint8_t>;

class AcquireTest : public ::testing::Test {
protected:
    int run(FakeScript script, TransferAllocator* allocator = nullptr) {
        fakeManager().start(std::move(script));
        EXPECT_TRUE(rig.twain.loadManager(&fakeEntry));
        const int result = AcquireCommand(rig.twain, rig.services(allocator));
        EXPECT_EQ(rig.twain.state(), 2);
        // Only the documents' pages are left: a failed image's page is gone.
        EXPECT_EQ(rig.list.count(), static_cast<int>(rig.pages.pages.size()));
        return result;
    }
    static FakeScript scriptOf(std::vector<FakeImage> images) {
        FakeScript script;
        script.images = std::move(images);
        return script;
    }

    AcquireRig rig;
};

TEST_F(AcquireTest, ProtocolDetailsOfAnAcquisition) {
    FakeScript script = scriptOf({rgbImage(3, 2)});
    script.roundsBeforeReady = 3;
    ASSERT_EQ(run(script), TWRC_SUCCESS);
    const test::FakeSourceManager& fake = fakeManager();
    // Memory transfers in a one-value container of item type 1.
    ASSERT_EQ(fake.capabilityValues.size(), 1u);
    EXPECT_EQ(fake.capabilitySets[0].Cap, ICAP_XFERMECH);
    EXPECT_EQ(fake.capabilityValues[0].ItemType, TWTY_INT16);
    EXPECT_EQ(TW_UINT32{fake.capabilityValues[0].Item}, TWSX_MEMORY);  // packed field: a copy
    EXPECT_EQ(fake.userInterface.ShowUI, 1);
    EXPECT_EQ(rig.pump.rounds, 3);
    EXPECT_EQ(fake.bufferLengths, (std::vector<TW_UINT32>{64000}));
    const Page& page = *rig.pages.pages[0];
    EXPECT_TRUE(page.modified());
    EXPECT_EQ(page.horizontalResolution(), 300.0);
    EXPECT_EQ(page.verticalResolution(), 150.0);
}

TEST_F(AcquireTest, ASettingTheSourceRefusesEndsTheAcquisitionBeforeEnabling) {
    fakeManager().start(scriptOf({rgbImage(2, 2)}));
    ASSERT_TRUE(rig.twain.loadManager(&fakeEntry));
    CTwain::AcquireServices services = rig.services();
    services.configureSource = [](CTwain& twain) {
        EXPECT_EQ(twain.state(), CTwain::kSourceOpen);
        return twain.setCapability(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY) && false;
    };
    EXPECT_EQ(AcquireCommand(rig.twain, services), TWRC_FAILURE);
    EXPECT_EQ(fakeManager().capabilityValues.size(), 2u);
    EXPECT_EQ(fakeManager().countCalls(DAT_USERINTERFACE, MSG_ENABLEDS), 0);
    EXPECT_EQ(rig.twain.state(), 2);
}

TEST_F(AcquireTest, TheTransferBufferShrinksByQuartersDownToTheMinimum) {
    FakeScript script = scriptOf({rgbImage(4, 4)});
    script.setup = {40000, 1 << 20, 64000};
    test::RefusingAllocator twice(2);
    ASSERT_EQ(run(script, &twice), TWRC_SUCCESS);
    EXPECT_EQ(twice.sizes, (std::vector<std::size_t>{64000, 48000, 40000}));
    EXPECT_EQ(fakeManager().bufferLengths, (std::vector<TW_UINT32>{40000}));
    EXPECT_EQ(rig.pages.pages.size(), 1u);

    test::RefusingAllocator always(100);
    rig.pages.pages.clear();
    EXPECT_EQ(run(script, &always), CTwain::kAcquireCancelled);
    EXPECT_EQ(always.sizes.back(), 40000u);
    EXPECT_TRUE(rig.pages.pages.empty());
}

TEST_F(AcquireTest, EachPixelTypeBecomesItsPageType) {
    // Grey: one sample per pixel.
    FakeImage grey;
    grey.pixelType = TWPT_GRAY;
    grey.samplesPerPixel = 1;
    grey.bitsPerPixel = 8;
    grey.width = 3;
    grey.height = 2;
    grey.bytesPerRow = 4;  // padded rows
    grey.raster = {10, 20, 30, 99, 40, 50, 60, 99};
    // Black and white: 1 = white; 10 pixels per row in two bytes.
    FakeImage bw = grey;
    bw.pixelType = TWPT_BW;
    bw.bitsPerPixel = 1;
    bw.width = 10;
    bw.bytesPerRow = 2;
    bw.raster = {0b10110000, 0b01000000, 0b00000001, 0b11111111};
    // Palette: indices into four colours given out of order.
    FakeImage palette = grey;
    palette.pixelType = TWPT_PALETTE;
    palette.bytesPerRow = 3;
    palette.raster = {0, 1, 2, 3, 3, 0};
    palette.palette = {{2, 9, 8, 7}, {0, 255, 0, 0}, {1, 0, 255, 0}, {3, 1, 2, 3}};
    const FakeImage rgb = rgbImage(5, 3);

    const struct {
        const char* name;
        FakeImage image;
        std::int32_t type;
        std::vector<Bytes> planes;
    } cases[] = {
        {"grey", grey, Page::kTypeGrey, {{10, 20, 30, 40, 50, 60}}},
        {"black and white", bw, Page::kTypeGrey, {{255, 0, 255, 255, 0, 0, 0, 0,   0,   255,
                                                   0,   0, 0,   0,   0, 0, 0, 255, 255, 255}}},
        {"palette",
         palette,
         Page::kTypeRgb,
         {{255, 0, 9, 1, 1, 255}, {0, 255, 8, 2, 2, 0}, {0, 0, 7, 3, 3, 0}}},
        {"rgb",
         rgb,
         Page::kTypeRgb,
         {channelOf(rgb, 0, 5, 3), channelOf(rgb, 1, 5, 3), channelOf(rgb, 2, 5, 3)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        rig.pages.pages.clear();
        ASSERT_EQ(run(scriptOf({c.image})), TWRC_SUCCESS);
        ASSERT_EQ(rig.pages.pages.size(), 1u);
        const Page& page = *rig.pages.pages[0];
        EXPECT_EQ(page.type(), c.type);
        ASSERT_EQ(page.planeCount(), static_cast<int>(c.planes.size()));
        for (int p = 0; p < page.planeCount(); ++p) EXPECT_EQ(planeOf(page, p), c.planes[p]) << p;
    }
}

TEST_F(AcquireTest, UnmappedPixelTypesAndDeepSamplesFailTheImage) {
    auto image = [](TW_INT16 type, TW_INT16 samples, TW_INT16 bits) {
        FakeImage im;
        im.pixelType = type;
        im.samplesPerPixel = samples;
        im.bitsPerPixel = bits;
        im.width = 2;
        im.height = 2;
        im.bytesPerRow = static_cast<TW_UINT32>(2 * bits / 8);
        im.raster.assign(im.bytesPerRow * 2, 0);
        return im;
    };
    for (const FakeImage& im : {image(TWPT_CMYK, 4, 32), image(TWPT_CMY, 3, 24),
                                image(TWPT_GRAY, 1, 16), image(TWPT_RGB, 3, 48)}) {
        SCOPED_TRACE(im.pixelType);
        EXPECT_EQ(run(scriptOf({im})), TWRC_FAILURE);
        EXPECT_TRUE(rig.pages.pages.empty());
        EXPECT_EQ(rig.twain.failuresReported, 1);
        rig.twain.failuresReported = 0;
    }
}

TEST_F(AcquireTest, EveryPendingImageBecomesADocument) {
    ASSERT_EQ(run(scriptOf({rgbImage(4, 3, 1), rgbImage(2, 5, 2), rgbImage(6, 1, 3)})),
              TWRC_SUCCESS);
    ASSERT_EQ(rig.pages.pages.size(), 3u);
    const std::int32_t widths[] = {4, 2, 6};
    for (int i = 0; i < 3; ++i) {
        const Page& page = *rig.pages.pages[i];
        EXPECT_EQ(page.bounds().width(), widths[i]);
        EXPECT_TRUE(page.modified());
    }
    EXPECT_EQ(planeOf(*rig.pages.pages[1], 0), channelOf(rgbImage(2, 5, 2), 0, 2, 5));
}

TEST_F(AcquireTest, AFailureDropsOnlyTheImageInProgress) {
    FakeImage broken = rgbImage(4, 6, 3);
    broken.rowsPerStrip = 2;
    broken.failAtStrip = 1;  // the device went away during the image
    EXPECT_EQ(run(scriptOf({rgbImage(4, 3, 1), rgbImage(4, 3, 2), broken})), TWRC_FAILURE);
    EXPECT_EQ(rig.pages.pages.size(), 2u);
    EXPECT_EQ(rig.twain.lastConditionCode(), TWCC_OPERATIONERROR);
}

TEST_F(AcquireTest, ClosingWithoutScanningGivesNoDocument) {
    FakeScript closes = scriptOf({rgbImage(2, 2)});
    closes.userCloses = true;
    EXPECT_EQ(run(closes), CTwain::kAcquireCancelled);
    rig.pump.closeAfter = 1;  // the application quits while the source is up
    EXPECT_EQ(run(scriptOf({rgbImage(2, 2)})), CTwain::kAcquireCancelled);
    EXPECT_TRUE(rig.pages.pages.empty());
    EXPECT_EQ(rig.twain.failuresReported, 0);
}

TEST_F(AcquireTest, StripsReachingOutOfTheImageAreCutAtItsEdges) {
    // The source's raster is 6 x 5; the image it announces is 4 x 3.
    FakeImage wide = rgbImage(6, 5);
    wide.width = 4;
    wide.height = 3;
    wide.strips = {{0, 0, 6, 2}, {0, 2, 6, 3}};
    ASSERT_EQ(run(scriptOf({wide})), TWRC_SUCCESS);
    const Page& page = *rig.pages.pages[0];
    ASSERT_EQ(page.bounds(), (Rect{0, 0, 4, 3}));
    EXPECT_EQ(planeOf(page, 1), channelOf(wide, 1, 4, 3));
    // Beyond the image, inside its tile, the page stays white.
    Bytes row(6);
    page.pageData()->readRow(0, 0, 2, 6, row.data());
    EXPECT_EQ(row[4], 255);
    EXPECT_EQ(row[5], 255);
}

TEST_F(AcquireTest, StripsBeyondTheImageOrTheBufferFailTheImage) {
    FakeImage longer = rgbImage(4, 5);  // five rows for an image of three
    longer.height = 3;
    longer.rowsPerStrip = 1;
    FakeImage repeated = rgbImage(4, 3);
    repeated.strips = {{0, 0, 4, 3}, {0, 0, 4, 3}};
    FakeImage shortRows = rgbImage(4, 3);
    shortRows.claimedBytesPerRow = 11;  // four RGB pixels need 12
    FakeImage pastBuffer = rgbImage(4, 3);
    pastBuffer.claimedBytesPerRow = 30000;  // three such rows overrun 64000 bytes
    for (const FakeImage& im : {longer, repeated, shortRows, pastBuffer}) {
        EXPECT_EQ(run(scriptOf({rgbImage(2, 2), im})), TWRC_FAILURE);
        EXPECT_EQ(rig.pages.pages.size(), 1u);
        rig.pages.pages.clear();
    }
}

TEST_F(AcquireTest, WithoutAManagerBothCommandsDoNothing) {
    test::TempDir dir;
    ASSERT_FALSE(rig.twain.loadManager({dir / "libtessary_twain_dsm.so"}));
    EXPECT_FALSE(SelectSourceCommand(rig.twain));
    EXPECT_EQ(AcquireCommand(rig.twain, rig.services()), kAcquireNotRun);
    EXPECT_EQ(rig.pages.made, 0);
    EXPECT_EQ(rig.pump.rounds, 0);
    EXPECT_EQ(rig.twain.state(), 1);
}

}  // namespace
}  // namespace tessary
