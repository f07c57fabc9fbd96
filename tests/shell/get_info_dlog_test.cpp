#include "shell/dialogs/get_info_dlog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>

#include "app/zerozevuv.h"
#include "model/page.h"
#include "plugins/page_file_io.h"
#include "shell/app/command_router.h"
#include "shell/app/page_document.h"
#include "shell/dialogs/file_info_texts.h"
#include "shell_test_support.h"

namespace tessary {
namespace {

using Dlog = CGetInfoDlogHandler;

TEST(DownloadTimeText, BelowOneSecond) {
    // 100 bytes at 2400 baud (240 bytes per second).
    EXPECT_EQ(downloadTimeText(100, 240), QStringLiteral(" < 1 sec."));
}

TEST(DownloadTimeText, SecondsMinutesAndHours) {
    EXPECT_EQ(downloadTimeText(500, 240), QStringLiteral("2sec. "));
    // 7,200,000 bytes at 240 per second: 30000 s = 8 h 20 min, no seconds part.
    EXPECT_EQ(downloadTimeText(7200000, 240), QStringLiteral("8h. 20m. "));
    // 3661 s.
    EXPECT_EQ(downloadTimeText(3661 * 960, 960), QStringLiteral("1h. 1m. 1sec. "));
    // Exactly one minute.
    EXPECT_EQ(downloadTimeText(60 * 12800, 12800), QStringLiteral("1m. "));
}

TEST(DownloadTimeText, NothingSavedOrNoSpeed) {
    EXPECT_EQ(downloadTimeText(0, 240), QStringLiteral("N/A"));
    EXPECT_EQ(downloadTimeText(1000, 0), QStringLiteral("N/A"));
}

TEST(DownloadTimeText, FilesBeyondFourGigabytesDoNotWrap) {
    // 5,000,000,000 bytes at 240 per second: 20,833,333 s = 5787 h 2 min 13 s.
    EXPECT_EQ(downloadTimeText(5000000000ull, 240), QStringLiteral("5787h. 2m. 13sec. "));
}

TEST(FileSizeText, KilobytesAndMegabytes) {
    EXPECT_EQ(fileSizeText(0), QStringLiteral("N/A"));
    EXPECT_EQ(fileSizeText(30000), QStringLiteral("29 K"));
    EXPECT_EQ(fileSizeText(512), QStringLiteral("0.50 K"));
    EXPECT_EQ(fileSizeText(3 * 1048576 / 2), QStringLiteral("1.5 M"));
}

TEST(GetInfoDialog, IsAtLeastAsWideAsItsTitle) {
    Dlog dialog(QStringLiteral("A rather long document name from the scanner, page 12.png"), 5, 100,
                100, 0);
    const QFontMetrics metrics(QApplication::font("QMdiSubWindowTitleBar"));
    const int titleWidth = metrics.horizontalAdvance(dialog.windowTitle());
    EXPECT_GT(dialog.titleFitWidth(dialog.windowTitle()), titleWidth);
    EXPECT_GE(dialog.minimumWidth(), dialog.titleFitWidth(dialog.windowTitle()));
    dialog.show();
    EXPECT_GE(dialog.width(), titleWidth);
}

TEST(GetInfoDialog, AnUnsavedImageShowsNotAvailable) {
    Dlog dialog(QStringLiteral("Untitled 1"), 5, 100, 100, 0);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Image Info: \"Untitled 1\""));
    EXPECT_EQ(dialog.getString(Dlog::kIdImageType), QStringLiteral("RGB-Millions"));
    EXPECT_EQ(dialog.getString(Dlog::kIdWidth), QStringLiteral("100"));
    EXPECT_EQ(dialog.getString(Dlog::kIdHeight), QStringLiteral("100"));
    // 100 x 100 x 3 = 30,000 bytes, shown in K.
    EXPECT_EQ(dialog.getString(Dlog::kIdOpenedSize), QStringLiteral("29 K"));
    EXPECT_EQ(dialog.getString(Dlog::kIdSavedSize), QStringLiteral("N/A"));
    EXPECT_EQ(dialog.getString(Dlog::kIdDownloadTime), QStringLiteral("N/A"));
}

TEST(GetInfoDialog, ModemSpeedsAndTheDownloadTime) {
    Dlog dialog(QStringLiteral("a.bmp"), 2, 40, 30, 500);
    EXPECT_EQ(dialog.getString(Dlog::kIdImageType), QStringLiteral("256 Grays"));
    ASSERT_EQ(dialog.entryCount(Dlog::kIdModemSpeed), 10);
    EXPECT_EQ(dialog.selectedIndex(Dlog::kIdModemSpeed), 0);
    auto* speeds = dialog.controlAs<QComboBox>(Dlog::kIdModemSpeed);
    EXPECT_EQ(speeds->itemText(0), QStringLiteral("2400"));
    EXPECT_EQ(speeds->itemText(2), QStringLiteral("14.4 K"));
    EXPECT_EQ(speeds->itemText(9), QStringLiteral("128 K"));
    EXPECT_EQ(dialog.getString(Dlog::kIdDownloadTime), QStringLiteral("2sec. "));
    speeds->setCurrentIndex(1);  // 9600: 960 bytes per second
    EXPECT_EQ(dialog.getString(Dlog::kIdDownloadTime), QStringLiteral(" < 1 sec."));
    EXPECT_EQ(dialog.getString(Dlog::kIdSavedSize), QStringLiteral("0.48 K"));
}

TEST(GetInfoDialog, OtherTypesAreNamedNoType) {
    Dlog dialog(QStringLiteral("x"), 3, 10, 10, 0);
    EXPECT_EQ(dialog.getString(Dlog::kIdImageType), QStringLiteral("No Type"));
    // Type 3 has 16 bits per pixel: 200 bytes.
    EXPECT_EQ(dialog.getString(Dlog::kIdOpenedSize), QStringLiteral("0.19 K"));
}

TEST(GetInfoDialog, TheCommandShowsTheDocumentsFile) {
    test::EditorRig rig;
    auto page =
        test::makePatternPage(rig.app().globals().pageEnvironment(), Page::kTypeRgb, 20, 10);
    const QString path = rig.file("info.bmp");
    ASSERT_EQ(rig.app().context().files->save(*page, path.toStdString()), PageFileError::None);
    CPageDocument* document = rig.app().openDocumentFile(path);
    ASSERT_NE(document, nullptr);
    const std::uint64_t size = static_cast<std::uint64_t>(QFile(path).size());
    EXPECT_EQ(CGetInfoDlog::savedSizeOf(*document), size);
    QString saved, title;
    const bool ran = test::withModal(
        [&](QWidget* modal) {
            auto* dialog = qobject_cast<Dlog*>(modal);
            ASSERT_NE(dialog, nullptr);
            saved = dialog->getString(Dlog::kIdSavedSize);
            title = dialog->windowTitle();
            test::clickButton(dialog, QStringLiteral("OK"));
        },
        [&] { rig.app().router().dispatch(32791); });
    ASSERT_TRUE(ran);
    EXPECT_EQ(title, QStringLiteral("Image Info: \"info.bmp\""));
    EXPECT_EQ(saved, fileSizeText(size));
}

}  // namespace
}  // namespace tessary
