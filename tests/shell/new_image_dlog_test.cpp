#include "shell/dialogs/new_image_dlog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QTest>

#include "app/file_options_prefs.h"
#include "app/zerozevuv.h"
#include "exchange/page_scrap.h"
#include "model/page.h"
#include "shell/app/command_router.h"
#include "shell/app/page_document.h"
#include "shell_test_support.h"

namespace tessary {
namespace {

using Dlog = CNewImageDlogHandler;
using test::EditorRig;

// The user picks entry `index` of a drop list.
void choose(Dlog& dialog, int id, int index) {
    dialog.controlAs<QComboBox>(id)->setCurrentIndex(index);
}

// The user clicks into an edit and replaces its text.
void type(Dlog& dialog, int id, const QString& text) {
    auto* edit = dialog.controlAs<QLineEdit>(id);
    if (!dialog.isVisible()) dialog.show();
    dialog.activateWindow();
    edit->setFocus();
    QApplication::processEvents();
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

class NewImageDlogTest : public ::testing::Test {
protected:
    FileOptionsPrefs options;  // 512 x 342 pixels, RGB, white, 72 per inch
};

TEST_F(NewImageDlogTest, OpensOnTheRememberedValues) {
    Dlog dialog(options, nullptr);
    EXPECT_EQ(dialog.getString(Dlog::kIdWidth), QStringLiteral("512.00"));
    EXPECT_EQ(dialog.getString(Dlog::kIdHeight), QStringLiteral("342.00"));
    EXPECT_EQ(dialog.getString(Dlog::kIdResolution), QStringLiteral("72.00"));
    EXPECT_EQ(dialog.selectedIndex(Dlog::kIdType), 0);
    EXPECT_EQ(dialog.getString(Dlog::kIdType), QStringLiteral("RGB-Millions"));
    EXPECT_EQ(dialog.getString(Dlog::kIdSizeUnit), QStringLiteral("Pixels"));
    EXPECT_EQ(dialog.getString(Dlog::kIdResolutionUnit), QStringLiteral("Pixels / Inch"));
    EXPECT_EQ(dialog.getString(Dlog::kIdResolutions), QStringLiteral("72 (Screen / Web Page)"));
    EXPECT_TRUE(dialog.isChecked(Dlog::kIdCustomRadio));
    EXPECT_EQ(dialog.entryCount(Dlog::kIdPresets), 16);
    EXPECT_EQ(dialog.entryCount(Dlog::kIdResolutions), 13);
}

TEST_F(NewImageDlogTest, RememberedSizeIsShownInTheRememberedUnit) {
    options.newImageSizeUnit = 2;  // centimetres
    options.newImageWidth = 300;
    options.newImageHeight = 150;
    options.newImageResolution = 150;
    Dlog dialog(options, nullptr);
    // 300 px at 150 per inch = 2 in = 5.08 cm.
    EXPECT_EQ(dialog.getString(Dlog::kIdWidth), QStringLiteral("5.08"));
    EXPECT_EQ(dialog.getString(Dlog::kIdHeight), QStringLiteral("2.54"));
    EXPECT_EQ(dialog.selectedIndex(Dlog::kIdResolutions), 2);  // "150 (...)"
}

TEST_F(NewImageDlogTest, SizeTextOfTheClassicMonitorIs513K) {
    Dlog dialog(options, nullptr);
    // 512 x 342 x 3 bytes = 525,312 bytes = 513 K.
    EXPECT_EQ(dialog.getString(Dlog::kIdSizeText), QStringLiteral("513 K"));
    choose(dialog, Dlog::kIdType, 1);  // 256 Grays: 175,104 bytes
    EXPECT_EQ(dialog.type(), 2);
    EXPECT_EQ(dialog.getString(Dlog::kIdSizeText), QStringLiteral("171 K"));
}

TEST_F(NewImageDlogTest, PresetA4InPixelsAt72) {
    Dlog dialog(options, nullptr);
    choose(dialog, Dlog::kIdPresets, 11);
    // 21 cm and 29.7 cm at 72 pixels per inch.
    EXPECT_EQ(dialog.getString(Dlog::kIdWidth), QStringLiteral("595.28"));
    EXPECT_EQ(dialog.getString(Dlog::kIdHeight), QStringLiteral("841.89"));
    EXPECT_TRUE(dialog.isChecked(Dlog::kIdPresetRadio));
    // 595 x 842 x 3 = 1,502,970 bytes = 1.43 M, shown truncated.
    EXPECT_EQ(dialog.getString(Dlog::kIdSizeText), QStringLiteral("1.4 M"));
}

TEST_F(NewImageDlogTest, PresetInInchesAt300PixelsPerInch) {
    Dlog dialog(options, nullptr);
    choose(dialog, Dlog::kIdResolutions, 5);  // 300
    EXPECT_EQ(dialog.getString(Dlog::kIdResolution), QStringLiteral("300.00"));
    choose(dialog, Dlog::kIdPresets, 8);  // 8 x 10 inches
    EXPECT_EQ(dialog.getString(Dlog::kIdWidth), QStringLiteral("2400.00"));
    EXPECT_EQ(dialog.getString(Dlog::kIdHeight), QStringLiteral("3000.00"));
}

TEST_F(NewImageDlogTest, CurrentMonitorPresetTakesTheScreenSize) {
    Dlog dialog(options, nullptr);
    choose(dialog, Dlog::kIdPresets, 4);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_DOUBLE_EQ(dialog.width(), screen.width());
    EXPECT_DOUBLE_EQ(dialog.height(), screen.height());
}

TEST_F(NewImageDlogTest, PresetRadioTakesThePresetAgain) {
    Dlog dialog(options, nullptr);
    choose(dialog, Dlog::kIdPresets, 14);  // 460 x 55
    type(dialog, Dlog::kIdWidth, QStringLiteral("100"));
    EXPECT_TRUE(dialog.isChecked(Dlog::kIdCustomRadio));
    QTest::mouseClick(dialog.controlAs<QRadioButton>(Dlog::kIdPresetRadio), Qt::LeftButton);
    EXPECT_EQ(dialog.getString(Dlog::kIdWidth), QStringLiteral("460.00"));
}

TEST_F(NewImageDlogTest, SwitchingPixelsToInchesAt72) {
    Dlog dialog(options, nullptr);
    choose(dialog, Dlog::kIdSizeUnit, 1);
    EXPECT_EQ(dialog.getString(Dlog::kIdWidth), QStringLiteral("7.11"));
    EXPECT_EQ(dialog.getString(Dlog::kIdHeight), QStringLiteral("4.75"));
    // The size in memory does not change with the unit.
    EXPECT_EQ(dialog.getString(Dlog::kIdSizeText), QStringLiteral("513 K"));
    choose(dialog, Dlog::kIdSizeUnit, 4);  // points: 1 inch = 72 points
    EXPECT_EQ(dialog.getString(Dlog::kIdWidth), QStringLiteral("512.00"));
    choose(dialog, Dlog::kIdSizeUnit, 3);  // picas: 1 inch = 6 picas
    EXPECT_EQ(dialog.getString(Dlog::kIdWidth), QStringLiteral("42.67"));
}

TEST_F(NewImageDlogTest, AZeroWidthIsShownAsTheSmallestSizeAfterAUnitChange) {
    Dlog dialog(options, nullptr);
    type(dialog, Dlog::kIdWidth, QStringLiteral("0"));
    EXPECT_EQ(dialog.width(), 0.0);
    choose(dialog, Dlog::kIdSizeUnit, 1);
    EXPECT_EQ(dialog.getString(Dlog::kIdWidth), QStringLiteral("0.01"));
}

TEST_F(NewImageDlogTest, LargeSizesAreClampedOnAUnitChange) {
    Dlog dialog(options, nullptr);
    type(dialog, Dlog::kIdWidth, QStringLiteral("20000"));
    choose(dialog, Dlog::kIdSizeUnit, 4);  // 20000 px = 20000 points at 72
    EXPECT_EQ(dialog.getString(Dlog::kIdWidth), QStringLiteral("16382.00"));
}

TEST_F(NewImageDlogTest, EditingUpdatesTheSizeText) {
    Dlog dialog(options, nullptr);
    type(dialog, Dlog::kIdWidth, QStringLiteral("1024"));
    type(dialog, Dlog::kIdHeight, QStringLiteral("1024"));
    EXPECT_EQ(dialog.getString(Dlog::kIdSizeText), QStringLiteral("3.0 M"));
    type(dialog, Dlog::kIdWidth, QStringLiteral("10"));
    type(dialog, Dlog::kIdHeight, QStringLiteral("10"));
    // 300 bytes: below one kilobyte the value keeps two decimals.
    EXPECT_EQ(dialog.getString(Dlog::kIdSizeText), QStringLiteral("0.29 K"));
}

TEST_F(NewImageDlogTest, ResolutionEditAndUnit) {
    Dlog dialog(options, nullptr);
    choose(dialog, Dlog::kIdResolutionUnit, 1);  // per centimetre
    EXPECT_EQ(dialog.getString(Dlog::kIdResolution), QStringLiteral("28.35"));
    type(dialog, Dlog::kIdResolution, QStringLiteral("100"));  // 100 per cm = 254 per inch
    EXPECT_NEAR(dialog.resolution(), 254.0, 1e-9);
    choose(dialog, Dlog::kIdResolutionUnit, 0);
    EXPECT_EQ(dialog.getString(Dlog::kIdResolution), QStringLiteral("254.00"));
    // Inches convert to pixels through the new resolution.
    choose(dialog, Dlog::kIdSizeUnit, 1);
    type(dialog, Dlog::kIdWidth, QStringLiteral("2"));
    EXPECT_NEAR(dialog.result().width, 508.0, 1e-9);
}

TEST_F(NewImageDlogTest, FocusOnASizeFieldSelectsTheCustomSize) {
    Dlog dialog(options, nullptr);
    choose(dialog, Dlog::kIdPresets, 2);
    ASSERT_TRUE(dialog.isChecked(Dlog::kIdPresetRadio));
    dialog.show();
    dialog.activateWindow();
    dialog.control(Dlog::kIdHeight)->setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(dialog.isChecked(Dlog::kIdCustomRadio));
}

TEST_F(NewImageDlogTest, WithoutAClipboardImageTheFillListHasTwoEntries) {
    Dlog dialog(options, nullptr);
    EXPECT_EQ(dialog.entryCount(Dlog::kIdFill), 2);
    EXPECT_EQ(dialog.getString(Dlog::kIdFill), QStringLiteral("White"));
    EditorRig rig;
    ASSERT_NE(rig.app().scrap(), nullptr);
    ASSERT_FALSE(rig.app().scrap()->hasImage());
    Dlog withEmptyScrap(options, rig.app().scrap());
    EXPECT_EQ(withEmptyScrap.entryCount(Dlog::kIdFill), 2);
}

TEST_F(NewImageDlogTest, ClipboardFillTakesTheClipboardsSize) {
    EditorRig rig;
    PageScrap& scrap = *rig.app().scrap();
    auto page =
        test::makePatternPage(rig.app().globals().pageEnvironment(), Page::kTypeRgb, 30, 20);
    ASSERT_TRUE(scrap.copy(*page));
    options.newImageSizeUnit = 1;
    Dlog dialog(options, &scrap);
    ASSERT_EQ(dialog.entryCount(Dlog::kIdFill), 3);
    choose(dialog, Dlog::kIdPresets, 3);
    choose(dialog, Dlog::kIdFill, 2);
    EXPECT_EQ(dialog.getString(Dlog::kIdFill), QStringLiteral("Clipboard"));
    EXPECT_TRUE(dialog.isChecked(Dlog::kIdCustomRadio));
    // 30 x 20 pixels at 72 per inch, shown in inches.
    EXPECT_EQ(dialog.getString(Dlog::kIdWidth), QStringLiteral("0.42"));
    EXPECT_EQ(dialog.getString(Dlog::kIdHeight), QStringLiteral("0.28"));
    const NewImageResult result = dialog.result();
    EXPECT_NEAR(result.width, 30.0, 1e-9);
    EXPECT_NEAR(result.height, 20.0, 1e-9);
    EXPECT_EQ(result.fill, 3);
    FileOptionsPrefs remembered;
    dialog.remember(remembered);
    EXPECT_EQ(remembered.newImageFill, 1);  // a clipboard fill is remembered as white
}

TEST_F(NewImageDlogTest, OkRemembersTheChoicesAndCancelChangesNothing) {
    NewImageResult result;
    const bool ran = test::withModal(
        [](QWidget* modal) {
            auto* dialog = qobject_cast<Dlog*>(modal);
            ASSERT_NE(dialog, nullptr);
            choose(*dialog, Dlog::kIdType, 1);
            choose(*dialog, Dlog::kIdFill, 1);
            choose(*dialog, Dlog::kIdSizeUnit, 2);
            choose(*dialog, Dlog::kIdResolutionUnit, 1);
            type(*dialog, Dlog::kIdWidth, QStringLiteral("2.54"));
            test::clickButton(dialog, QStringLiteral("&New"));
        },
        [&] { EXPECT_TRUE(CNewImageDlog::run(options, nullptr, nullptr, result)); });
    ASSERT_TRUE(ran);
    EXPECT_EQ(result.type, 2);
    EXPECT_EQ(result.fill, 2);
    EXPECT_NEAR(result.width, 72.0, 1e-9);  // 2.54 cm at 72 per inch
    EXPECT_NEAR(result.height, 342.0, 1e-9);
    EXPECT_EQ(options.newImageType, 2);
    EXPECT_EQ(options.newImageFill, 2);
    EXPECT_EQ(options.newImageSizeUnit, 2);
    EXPECT_EQ(options.newImageResolutionUnit, 2);
    EXPECT_NEAR(options.newImageWidth, 72.0, 1e-9);

    const FileOptionsPrefs before = options;
    NewImageResult untouched;
    test::withModal(
        [](QWidget* modal) {
            auto* dialog = qobject_cast<Dlog*>(modal);
            choose(*dialog, Dlog::kIdType, 0);
            test::clickButton(dialog, QStringLiteral("Cancel"));
        },
        [&] { EXPECT_FALSE(CNewImageDlog::run(options, nullptr, nullptr, untouched)); });
    EXPECT_EQ(options.newImageType, before.newImageType);
    EXPECT_EQ(options.newImageSizeUnit, before.newImageSizeUnit);
}

// File New through the application.
TEST(FileNew, MakesAnUntitledPageOfTheChosenTypeSizeAndFill) {
    EditorRig rig;
    NewImageResult black;
    black.type = 2;
    black.fill = 2;
    black.width = 40.7;  // truncated
    black.height = 25;
    black.resolution = 150;
    CPageDocument* document = rig.app().newDocument(black);
    ASSERT_NE(document, nullptr);
    const Page& page = *document->page();
    EXPECT_EQ(page.type(), Page::kTypeGrey);
    EXPECT_EQ(page.bounds(), (Rect{0, 0, 40, 25}));
    EXPECT_EQ(page.horizontalResolution(), 150.0);
    EXPECT_EQ(page.verticalResolution(), 150.0);
    EXPECT_EQ(page.colourAt(39, 24), 0u);
    EXPECT_FALSE(document->isModified());
    EXPECT_EQ(document->title(), QStringLiteral("Untitled 1"));
    EXPECT_EQ(rig.app().newDocument(black)->title(), QStringLiteral("Untitled 2"));
}

TEST(FileNew, ClipboardFillWithAnEmptyClipboardGivesAModifiedWhitePage) {
    EditorRig rig;
    NewImageResult request;
    request.fill = 3;
    request.width = 8;
    request.height = 6;
    CPageDocument* document = rig.app().newDocument(request);
    ASSERT_NE(document, nullptr);
    EXPECT_TRUE(document->isModified());
    EXPECT_EQ(document->page()->colourAt(0, 0), 0xFFFFFFu);
    EXPECT_EQ(document->page()->colourAt(7, 5), 0xFFFFFFu);
}

TEST(FileNew, ClipboardFillCentresTheClipboardOverWhite) {
    EditorRig rig;
    auto source =
        test::makePatternPage(rig.app().globals().pageEnvironment(), Page::kTypeRgb, 4, 2);
    ASSERT_TRUE(rig.app().scrap()->copy(*source));
    NewImageResult request;
    request.fill = 3;
    request.width = 8;
    request.height = 6;
    CPageDocument* document = rig.app().newDocument(request);
    ASSERT_NE(document, nullptr);
    const Page& page = *document->page();
    EXPECT_FALSE(page.hasMask());
    EXPECT_FALSE(page.hasFloat());
    // Centre (4, 3): the 4 x 2 contents land at (2, 2).
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && x < 6 && y >= 2 && y < 4;
            const std::uint32_t expected = inside ? test::patternColour(x - 2, y - 2) : 0xFFFFFFu;
            EXPECT_EQ(page.colourAt(x, y), expected) << x << ", " << y;
        }
    }
    EXPECT_TRUE(document->isModified());
}

TEST(FileNew, TheCommandRunsTheDialogAndMakesTheDocument) {
    EditorRig rig;
    const bool ran = test::withModal(
        [](QWidget* modal) {
            auto* dialog = qobject_cast<Dlog*>(modal);
            ASSERT_NE(dialog, nullptr);
            choose(*dialog, Dlog::kIdPresets, 15);  // 88 x 31
            test::clickButton(dialog, QStringLiteral("&New"));
        },
        [&] { EXPECT_TRUE(rig.app().router().dispatch(57600)); });
    ASSERT_TRUE(ran);
    CPageDocument* document = rig.app().activeDocument();
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->page()->bounds(), (Rect{0, 0, 88, 31}));
    // The choice is remembered for the next time.
    EXPECT_DOUBLE_EQ(rig.app().globals().preferences().fileOptions.newImageWidth, 88.0);
}

}  // namespace
}  // namespace tessary
