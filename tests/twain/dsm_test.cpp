// The source manager library through DSM_Entry, against SANE's "test"
// backend (a private configuration lists only test:0 and test:1; CTest
// sets SANE_CONFIG_DIR, TESSARY_TWAIN_HEADLESS and TESSARY_TWAIN_STATE_DIR).

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>

#include "support/temp_dir.h"
#include "twain_driver.h"

namespace tessary::test {
namespace {

// Small scans: 20 mm square at 50 dpi.
const std::string kSmallArea = "resolution=50,tl-x=0,tl-y=0,br-x=20,br-y=20";

std::string options(const std::string& more) {
    return kSmallArea + "," + more;
}

bool bitSet(const TwainImage& image, int x, int y) {
    return (image.row(y)[x >> 3] >> (7 - (x & 7))) & 1;
}

// Every sample of the image (every pixel's bit for line art).
std::vector<int> samples(const TwainImage& image) {
    std::vector<int> all;
    const int width = image.info.ImageWidth;
    for (int y = 0; y < image.info.ImageLength; ++y) {
        if (image.info.PixelType == TWPT_BW) {
            for (int x = 0; x < width; ++x) all.push_back(bitSet(image, x, y));
        } else {
            const uint8_t* row = image.row(y);
            all.insert(all.end(), row, row + width * image.info.SamplesPerPixel);
        }
    }
    return all;
}

TEST(TwainManager, ListsEverySaneDeviceWithItsOwnIdentity) {
    TwainDriver driver;
    ASSERT_EQ(driver.openManager(), TWRC_SUCCESS);
    EXPECT_NE(driver.application.Id, 0u);
    EXPECT_EQ(driver.list(), (std::vector<std::string>{"test:0", "test:1"}));

    TW_IDENTITY first{}, second{}, end{};
    ASSERT_EQ(driver.manager(DAT_IDENTITY, MSG_GETFIRST, &first), TWRC_SUCCESS);
    ASSERT_EQ(driver.manager(DAT_IDENTITY, MSG_GETNEXT, &second), TWRC_SUCCESS);
    EXPECT_EQ(driver.manager(DAT_IDENTITY, MSG_GETNEXT, &end), TWRC_ENDOFLIST);
    EXPECT_NE(first.Id, second.Id);
    EXPECT_NE(first.Id, driver.application.Id);
    EXPECT_STREQ(first.Manufacturer, "Noname");
    EXPECT_STREQ(first.ProductFamily, "frontend-tester");
    EXPECT_EQ(first.SupportedGroups & DG_IMAGE, DG_IMAGE);
}

TEST(TwainManager, DefaultSourceComesFromTheEnvironmentThenTheRememberedChoiceThenTheList) {
    struct Case {
        const char* device;
        const char* remembered;
        const char* expected;
    };
    const Case cases[] = {
        {nullptr, nullptr, "test:0"},  {nullptr, "test:1", "test:1"},
        {nullptr, "gone:7", "test:0"}, {"test:0", "test:1", "test:0"},
        {"test:1", nullptr, "test:1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.device ? c.device : "-") + " / " +
                     (c.remembered ? c.remembered : "-"));
        TempDir state;
        ScopedEnv folder("TESSARY_TWAIN_STATE_DIR", state.path().c_str());
        ScopedEnv device("TESSARY_TWAIN_DEVICE", c.device);
        if (c.remembered) std::ofstream(state / "TwainSource") << c.remembered << "\n";

        TwainDriver driver;
        ASSERT_EQ(driver.openManager(), TWRC_SUCCESS);
        TW_IDENTITY chosen{};
        ASSERT_EQ(driver.manager(DAT_IDENTITY, MSG_GETDEFAULT, &chosen), TWRC_SUCCESS);
        EXPECT_STREQ(chosen.ProductName, c.expected);
        // Headless selection keeps the default.
        TW_IDENTITY selected = chosen;
        EXPECT_EQ(driver.manager(DAT_IDENTITY, MSG_USERSELECT, &selected), TWRC_SUCCESS);
        EXPECT_EQ(selected.Id, chosen.Id);
        // An empty product name opens the default source.
        ASSERT_EQ(driver.openSource(), TWRC_SUCCESS);
        EXPECT_STREQ(driver.identity.ProductName, c.expected);
        EXPECT_EQ(driver.identity.Id, chosen.Id);
    }
}

TEST(TwainManager, OpensTheSourceNamedAndRefusesUnknownNames) {
    TwainDriver driver;
    ASSERT_EQ(driver.openManager(), TWRC_SUCCESS);
    EXPECT_EQ(driver.openSource("no-such:3"), TWRC_FAILURE);
    EXPECT_EQ(driver.managerCondition(), TWCC_NODS);
    ASSERT_EQ(driver.openSource("test:1"), TWRC_SUCCESS);
    EXPECT_STREQ(driver.identity.ProductFamily, "frontend-tester");
    TW_IDENTITY other{};
    std::strcpy(other.ProductName, "test:0");
    EXPECT_EQ(driver.manager(DAT_IDENTITY, MSG_OPENDS, &other), TWRC_FAILURE);
    EXPECT_EQ(driver.managerCondition(), TWCC_MAXCONNECTIONS);
}

TEST(TwainSource, SolidPicturesArriveWithTheirKnownPixels) {
    struct Case {
        int pixelType;  // -1: left to the options
        const char* options;
        int expectedType;
        int samplesPerPixel;
        int expectedSample;  // line art: the bit, 1 = white as the protocol has it
        bool handScanner;    // 110 mm wide, its height unknown until the end
    };
    const Case cases[] = {
        {TWPT_RGB, "test-picture=Solid black", TWPT_RGB, 3, 0, false},
        {TWPT_RGB, "test-picture=Solid white", TWPT_RGB, 3, 255, false},
        {TWPT_GRAY, "test-picture=Solid black", TWPT_GRAY, 1, 0, false},
        {TWPT_GRAY, "test-picture=Solid white", TWPT_GRAY, 1, 255, false},
        {TWPT_BW, "test-picture=Solid black", TWPT_BW, 1, 0, false},
        {TWPT_BW, "test-picture=Solid white", TWPT_BW, 1, 1, false},
        {-1, "mode=Gray,depth=16,test-picture=Solid white", TWPT_GRAY, 1, 255, false},
        {-1, "mode=Color,depth=16,test-picture=Solid white", TWPT_RGB, 3, 255, false},
        {TWPT_GRAY, "hand-scanner=yes,test-picture=Solid white", TWPT_GRAY, 1, 255, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options + std::string(" type ") + std::to_string(c.pixelType));
        // A hand scanner has no scan area; a low resolution keeps it small.
        const int dpi = c.handScanner ? 25 : 50;
        const std::string list =
            c.handScanner ? std::string("resolution=25,") + c.options : options(c.options);
        ScopedEnv env("TESSARY_TWAIN_OPTIONS", list.c_str());
        TwainDriver driver;
        TwainImage image;
        ASSERT_EQ(driver.scanOnce(c.pixelType, image, 7), TWRC_XFERDONE);
        EXPECT_EQ(image.info.PixelType, c.expectedType);
        EXPECT_EQ(image.info.SamplesPerPixel, c.samplesPerPixel);
        const int bits = c.expectedType == TWPT_BW ? 1 : 8;
        EXPECT_EQ(image.info.BitsPerSample[0], bits);
        EXPECT_EQ(image.info.BitsPerPixel, bits * c.samplesPerPixel);
        EXPECT_EQ(image.info.XResolution.Whole, dpi);
        // The size, within the device's rounding.
        EXPECT_NEAR(image.info.ImageWidth, (c.handScanner ? 110 : 20) / 25.4 * dpi, 1.0);
        if (!c.handScanner) {
            EXPECT_NEAR(image.info.ImageLength, 20 / 25.4 * dpi, 1.0);
        }
        EXPECT_GT(image.strips, 1);
        const std::vector<int> all = samples(image);
        EXPECT_EQ(std::count(all.begin(), all.end(), c.expectedSample),
                  static_cast<long>(all.size()));
        EXPECT_EQ(driver.endTransfer(), 0);
    }
}

// The grid is 10 mm squares in every mode: at 127 dpi a square is 50 pixels.
// Grey samples are black or white, alternate from square to square and are
// even inside each square; colour repeats grey in all three channels, line
// art sets exactly the white pixels.
TEST(TwainSource, GridLooksTheSameInGreyColourAndLineArt) {
    ScopedEnv env("TESSARY_TWAIN_OPTIONS",
                  "resolution=127,tl-x=0,tl-y=0,br-x=25,br-y=25,test-picture=Grid");
    TwainImage grey, colour, lineArt;
    for (auto [type, image] :
         {std::pair{TWPT_GRAY, &grey}, {TWPT_RGB, &colour}, {TWPT_BW, &lineArt}}) {
        TwainDriver driver;
        ASSERT_EQ(driver.scanOnce(type, *image), TWRC_XFERDONE);
    }
    const int size = grey.info.ImageWidth;
    ASSERT_GE(size, 100);
    ASSERT_GE(grey.info.ImageLength, 100);
    const auto at = [&](int x, int y) { return grey.row(y)[x]; };
    for (int sy = 0; sy < 2; ++sy)
        for (int sx = 0; sx < 2; ++sx) {
            const int centre = at(sx * 50 + 25, sy * 50 + 25);
            EXPECT_TRUE(centre == 0 || centre == 255);
            EXPECT_EQ(centre, (sx + sy) % 2 == 0 ? at(25, 25) : 255 - at(25, 25));
            for (int y = sy * 50 + 3; y < sy * 50 + 47; ++y)
                for (int x = sx * 50 + 3; x < sx * 50 + 47; ++x)
                    ASSERT_EQ(at(x, y), centre) << x << "," << y;
        }
    ASSERT_EQ(colour.info.ImageWidth, size);
    ASSERT_EQ(lineArt.info.ImageWidth, size);
    for (int y = 0; y < grey.info.ImageLength; ++y)
        for (int x = 0; x < size; ++x) {
            const uint8_t* rgb = colour.row(y) + 3 * x;
            ASSERT_TRUE(rgb[0] == at(x, y) && rgb[1] == at(x, y) && rgb[2] == at(x, y))
                << x << "," << y;
            ASSERT_EQ(bitSet(lineArt, x, y), at(x, y) == 255) << x << "," << y;
        }
}

TEST(TwainSource, ThreePassFramesMergeIntoTheSinglePassImage) {
    const std::string pattern = options("mode=Color,test-picture=Color pattern");
    TwainImage single;
    {
        ScopedEnv env("TESSARY_TWAIN_OPTIONS", pattern.c_str());
        TwainDriver driver;
        ASSERT_EQ(driver.scanOnce(TWPT_RGB, single), TWRC_XFERDONE);
    }
    // The pattern has pure colours, so a channel mix-up shows.
    bool coloured = false;
    for (size_t i = 0; i + 2 < single.rows.size(); i += 3)
        coloured = coloured || single.rows[i] != single.rows[i + 1] ||
                   single.rows[i] != single.rows[i + 2];
    ASSERT_TRUE(coloured);
    for (const char* order : {"RGB", "BGR", "GBR"}) {
        SCOPED_TRACE(order);
        const std::string three = pattern + ",three-pass=yes,three-pass-order=" + order;
        ScopedEnv env("TESSARY_TWAIN_OPTIONS", three.c_str());
        TwainDriver driver;
        TwainImage merged;
        ASSERT_EQ(driver.scanOnce(TWPT_RGB, merged, 5), TWRC_XFERDONE);
        EXPECT_EQ(merged.info.PixelType, TWPT_RGB);
        EXPECT_EQ(merged.info.ImageWidth, single.info.ImageWidth);
        EXPECT_TRUE(merged.rows == single.rows);
    }
}

TEST(TwainSource, FeederPagesArePendingTransfersUntilTheFeederOrTheCountRunsOut) {
    for (int count : {-1, 3}) {
        SCOPED_TRACE(count);
        ScopedEnv env("TESSARY_TWAIN_OPTIONS", options("test-picture=Solid white").c_str());
        TwainDriver driver;
        ASSERT_EQ(driver.openManager(), TWRC_SUCCESS);
        ASSERT_EQ(driver.openSource(), TWRC_SUCCESS);
        ASSERT_EQ(driver.setCapability(CAP_FEEDERENABLED, TWTY_BOOL, 1), TWRC_SUCCESS);
        if (count > 0) {
            ASSERT_EQ(
                driver.setCapability(CAP_XFERCOUNT, TWTY_INT16, static_cast<TW_UINT16>(count)),
                TWRC_SUCCESS);
        }
        ASSERT_EQ(driver.enable(), TWRC_SUCCESS);
        ASSERT_EQ(driver.processEvent(), MSG_XFERREADY);
        const int expected = count > 0 ? count : 10;
        int pages = 0;
        for (TW_UINT16 pending = 0xffff; pending != 0; ++pages) {
            ASSERT_LT(pages, 11);
            TwainImage image;
            ASSERT_EQ(driver.transfer(image), TWRC_XFERDONE);
            pending = driver.endTransfer();
            EXPECT_EQ(pending, pages + 1 < expected ? 0xffff : 0);
        }
        EXPECT_EQ(pages, expected);
        EXPECT_EQ(driver.processEvent(), MSG_NULL);
        TW_IMAGEINFO info{};
        EXPECT_EQ(driver.source(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_FAILURE);
        EXPECT_EQ(driver.sourceCondition(), TWCC_SEQERROR);
    }
}

// A sane_read that fails ends the image with a failure (a cancel with
// TWRC_CANCEL); nothing is pending and every state closes cleanly. A frame
// that ends early is completed with white.
TEST(TwainSource, ReadErrorsEndTheTransferAndTheSourceStillCloses) {
    struct Case {
        const char* status;
        TW_UINT16 rc;
        TW_UINT16 condition;
    };
    const Case cases[] = {
        {"SANE_STATUS_IO_ERROR", TWRC_FAILURE, TWCC_CHECKDEVICEONLINE},
        {"SANE_STATUS_JAMMED", TWRC_FAILURE, TWCC_PAPERJAM},
        {"SANE_STATUS_NO_MEM", TWRC_FAILURE, TWCC_LOWMEMORY},
        {"SANE_STATUS_CANCELLED", TWRC_CANCEL, TWCC_SUCCESS},
        {"SANE_STATUS_EOF", TWRC_XFERDONE, TWCC_SUCCESS},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        const std::string list =
            options(std::string("test-picture=Solid black,read-return-value=") + c.status);
        ScopedEnv env("TESSARY_TWAIN_OPTIONS", list.c_str());
        TwainDriver driver;
        TwainImage image;
        ASSERT_EQ(driver.scanOnce(TWPT_GRAY, image), c.rc);
        EXPECT_EQ(driver.sourceCondition(), c.condition);
        if (c.rc == TWRC_XFERDONE) {
            const std::vector<int> all = samples(image);
            EXPECT_EQ(std::count(all.begin(), all.end(), 255), static_cast<long>(all.size()));
        }
        EXPECT_EQ(driver.endTransfer(), 0);
        TW_USERINTERFACE ui{};
        EXPECT_EQ(driver.source(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
        EXPECT_EQ(driver.manager(DAT_IDENTITY, MSG_CLOSEDS, &driver.identity), TWRC_SUCCESS);
        TW_UINT32 parent = 0;
        EXPECT_EQ(driver.manager(DAT_PARENT, MSG_CLOSEDSM, &parent), TWRC_SUCCESS);
    }
}

TEST(TwainSource, ResetBeforeTheTransferDropsTheImage) {
    ScopedEnv env("TESSARY_TWAIN_OPTIONS", options("test-picture=Solid black").c_str());
    TwainDriver driver;
    ASSERT_EQ(driver.openManager(), TWRC_SUCCESS);
    ASSERT_EQ(driver.openSource(), TWRC_SUCCESS);
    ASSERT_EQ(driver.enable(), TWRC_SUCCESS);
    ASSERT_EQ(driver.processEvent(), MSG_XFERREADY);
    TW_PENDINGXFERS pending{};
    ASSERT_EQ(driver.source(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending), TWRC_SUCCESS);
    EXPECT_EQ(pending.Count, 0);
    TW_IMAGEMEMXFER strip{};
    EXPECT_EQ(driver.source(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip), TWRC_FAILURE);
    EXPECT_EQ(driver.sourceCondition(), TWCC_SEQERROR);
    TW_USERINTERFACE ui{};
    EXPECT_EQ(driver.source(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
}

TEST(TwainSource, CapabilitiesAcceptWhatTheDeviceCanDoAndRefuseTheRest) {
    ScopedEnv env("TESSARY_TWAIN_OPTIONS", kSmallArea.c_str());
    TwainDriver driver;
    ASSERT_EQ(driver.openManager(), TWRC_SUCCESS);
    ASSERT_EQ(driver.openSource(), TWRC_SUCCESS);
    struct Case {
        TW_UINT16 cap;
        TW_UINT16 itemType;
        TW_UINT32 item;
        TW_UINT16 rc;
        TW_UINT16 condition;
    };
    const TW_UINT32 dpi300 = 300u;  // TW_FIX32 {300, 0} in its item slot
    const Case cases[] = {
        {ICAP_XFERMECH, TWTY_INT16, TWSX_MEMORY, TWRC_SUCCESS, TWCC_SUCCESS},
        {ICAP_XFERMECH, TWTY_UINT16, TWSX_NATIVE, TWRC_FAILURE, TWCC_BADVALUE},
        {ICAP_PIXELTYPE, TWTY_UINT16, TWPT_CMYK, TWRC_FAILURE, TWCC_BADVALUE},
        {ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY, TWRC_SUCCESS, TWCC_SUCCESS},
        {ICAP_XRESOLUTION, TWTY_FIX32, dpi300, TWRC_SUCCESS, TWCC_SUCCESS},
        {ICAP_YRESOLUTION, TWTY_FIX32, 5000u, TWRC_FAILURE, TWCC_BADVALUE},
        {CAP_XFERCOUNT, TWTY_INT16, 0, TWRC_FAILURE, TWCC_BADVALUE},
        {CAP_FEEDERENABLED, TWTY_BOOL, 1, TWRC_SUCCESS, TWCC_SUCCESS},
        {ICAP_BITDEPTH, TWTY_UINT16, 8, TWRC_FAILURE, TWCC_CAPUNSUPPORTED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cap);
        EXPECT_EQ(driver.setCapability(c.cap, c.itemType, c.item), c.rc);
        if (c.rc != TWRC_SUCCESS) {
            EXPECT_EQ(driver.sourceCondition(), c.condition);
        }
        if (c.rc == TWRC_SUCCESS) {
            EXPECT_EQ(driver.currentValue(c.cap), c.item);
        }
    }
    // MSG_GET lists the pixel types; the current one is the grey set above.
    TW_CAPABILITY types{ICAP_PIXELTYPE, 0, nullptr};
    ASSERT_EQ(driver.source(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &types), TWRC_SUCCESS);
    ASSERT_EQ(types.ConType, TWON_ENUMERATION);
    const auto* list = static_cast<TW_ENUMERATION*>(twHandleLock(types.hContainer));
    ASSERT_EQ(list->NumItems, 3u);
    TW_UINT16 current;
    std::memcpy(&current, list->ItemList + 2 * list->CurrentIndex, 2);
    EXPECT_EQ(current, TWPT_GRAY);
    twHandleFree(types.hContainer);
    // MSG_RESET returns to the value the source opened with.
    const auto opened = [&] {
        TW_CAPABILITY value{ICAP_XRESOLUTION, 0, nullptr};
        EXPECT_EQ(driver.source(DG_CONTROL, DAT_CAPABILITY, MSG_RESET, &value), TWRC_SUCCESS);
        const TW_UINT32 item = static_cast<TW_ONEVALUE*>(twHandleLock(value.hContainer))->Item;
        twHandleFree(value.hContainer);
        return item;
    }();
    EXPECT_EQ(opened, 50u);
    EXPECT_EQ(driver.currentValue(ICAP_XRESOLUTION), 50u);
}

TEST(TwainSource, AnUnknownOptionInTheEnvironmentFailsTheEnable) {
    ScopedEnv env("TESSARY_TWAIN_OPTIONS", options("no-such-option=1").c_str());
    TwainDriver driver;
    ASSERT_EQ(driver.openManager(), TWRC_SUCCESS);
    ASSERT_EQ(driver.openSource(), TWRC_SUCCESS);
    EXPECT_EQ(driver.enable(), TWRC_FAILURE);
    EXPECT_EQ(driver.sourceCondition(), TWCC_BADVALUE);
    EXPECT_EQ(driver.manager(DAT_IDENTITY, MSG_CLOSEDS, &driver.identity), TWRC_SUCCESS);
}

// Brings a session to protocol state `state` (2 to 7); in 7 one row has
// been transferred.
void reach(TwainDriver& driver, int state) {
    if (state >= 3) {
        ASSERT_EQ(driver.openManager(), TWRC_SUCCESS);
    }
    if (state >= 4) {
        ASSERT_EQ(driver.openSource(), TWRC_SUCCESS);
    }
    if (state >= 5) {
        ASSERT_EQ(driver.enable(), TWRC_SUCCESS);
    }
    if (state >= 6) {
        ASSERT_EQ(driver.processEvent(), MSG_XFERREADY);
    }
    if (state >= 7) {
        std::vector<uint8_t> row(64);  // one grey row of the small scan
        TW_IMAGEMEMXFER strip{};
        strip.Memory = {TWMF_APPOWNS | TWMF_POINTER, static_cast<TW_UINT32>(row.size()),
                        row.data()};
        ASSERT_EQ(driver.source(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip), TWRC_SUCCESS);
    }
}

TEST(TwainSource, CallsInTheWrongStateAreSequenceErrors) {
    ScopedEnv env("TESSARY_TWAIN_OPTIONS", options("test-picture=Solid black").c_str());
    using Call = std::function<TW_UINT16(TwainDriver&)>;
    TW_IMAGEINFO info{};
    TW_IMAGEMEMXFER strip{};
    TW_USERINTERFACE ui{};
    TW_PENDINGXFERS pending{};
    TW_UINT32 parent = 0;
    int hostEvent = 0;
    TW_EVENT event{&hostEvent, 0};
    const Call openDs = [](TwainDriver& d) { return d.openSource(); };
    const Call closeDs = [](TwainDriver& d) {
        return d.manager(DAT_IDENTITY, MSG_CLOSEDS, &d.identity);
    };
    const Call closeDsm = [&](TwainDriver& d) {
        return d.manager(DAT_PARENT, MSG_CLOSEDSM, &parent);
    };
    const Call openDsm = [](TwainDriver& d) { return d.openManager(); };
    const Call enable = [](TwainDriver& d) { return d.enable(); };
    const Call disable = [&](TwainDriver& d) {
        return d.source(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
    };
    const Call imageInfo = [&](TwainDriver& d) {
        return d.source(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info);
    };
    const Call memXfer = [&](TwainDriver& d) {
        return d.source(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip);
    };
    const Call processEvent = [&](TwainDriver& d) {
        return d.source(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
    };
    const Call endXfer = [&](TwainDriver& d) {
        return d.source(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
    };
    const Call setCap = [](TwainDriver& d) {
        return d.setCapability(ICAP_PIXELTYPE, TWTY_UINT16, TWPT_GRAY);
    };
    struct Case {
        int state;
        const char* name;
        const Call& call;
        bool manager;  // the manager reports the condition, not the source
    };
    const Case cases[] = {
        {2, "OPENDS", openDs, true},         {3, "OPENDSM", openDsm, true},
        {4, "CLOSEDSM", closeDsm, true},     {4, "DISABLEDS", disable, false},
        {4, "IMAGEINFO", imageInfo, false},  {4, "PROCESSEVENT", processEvent, false},
        {4, "ENDXFER", endXfer, false},      {5, "ENABLEDS", enable, false},
        {5, "SET", setCap, false},           {5, "CLOSEDS", closeDs, true},
        {5, "IMAGEMEMXFER", memXfer, false}, {6, "DISABLEDS", disable, false},
        {7, "SET", setCap, false},           {7, "CLOSEDS", closeDs, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " in state " + std::to_string(c.state));
        {
            TwainDriver driver;
            reach(driver, c.state);
            EXPECT_EQ(c.call(driver), TWRC_FAILURE);
            EXPECT_EQ(c.manager ? driver.managerCondition() : driver.sourceCondition(),
                      TWCC_SEQERROR);
        }
        // The failed call changed nothing: the driver closed every state.
        TwainDriver next;
        EXPECT_EQ(next.openManager(), TWRC_SUCCESS);
    }
}

}  // namespace
}  // namespace tessary::test
