// The small pieces of window chrome: the info bar's texts, the colour
// swatch with the real colour dialog, and the About dialog.

#include <gtest/gtest.h>

#include <QLabel>
#include <QMouseEvent>
#include <QTest>
#include <QVBoxLayout>

#include "app/zerozevuv.h"
#include "shell/chrome/color_swatch.h"
#include "shell/chrome/info_control_bar.h"
#include "shell/dialogs/about_dlog.h"
#include "shell_test_support.h"

namespace tessary {
namespace {

TEST(InfoControlBar, LengthsInEveryUnit) {
    // 144 pixels at 72 per inch: 2 inches.
    EXPECT_EQ(infoLengthText(144, 72, 0), QStringLiteral("144"));
    EXPECT_EQ(infoLengthText(144, 72, 1), QStringLiteral("2.00"));
    EXPECT_EQ(infoLengthText(144, 72, 2), QStringLiteral("5.08"));
    EXPECT_EQ(infoLengthText(144, 72, 3), QStringLiteral("12.00"));
    EXPECT_EQ(infoLengthText(144, 72, 4), QStringLiteral("144.00"));
    EXPECT_EQ(infoLengthText(300, 300, 1), QStringLiteral("1.00"));
}

TEST(InfoControlBar, SizeUsesEachAxissResolution) {
    EXPECT_EQ(infoSizeText(300, 300, 300, 150, 1), QStringLiteral("1.00 x 2.00 Inches"));
    EXPECT_EQ(infoSizeText(512, 342, 72, 72, 0), QStringLiteral("512 x 342 Pixels"));
}

TEST(InfoControlBar, ShowsPositionAndHidesIt) {
    CInfoControlBar bar(nullptr, nullptr);
    bar.showImageSize(144, 72, 72, 72);
    bar.showPoint(36, 18);
    bar.setUnit(1);
    EXPECT_EQ(bar.imageSizeText(), QStringLiteral("2.00 x 1.00 Inches"));
    EXPECT_EQ(bar.positionText(), QStringLiteral("X: 0.50   Y: 0.25"));
    bar.showPointAndSize(0, 0, 72, 144);
    EXPECT_TRUE(bar.positionText().endsWith(QStringLiteral("1.00 x 2.00 Inches")));
    EXPECT_TRUE(bar.detailsShown());
    bar.toggleDetails();
    EXPECT_FALSE(bar.detailsShown());
}

// In the narrowest image window a drag's size is shown whole: the position
// pane wraps instead of cutting off its text.
TEST(InfoControlBar, DragSizeFitsTheNarrowestWindow) {
    QWidget frame;
    auto* layout = new QVBoxLayout(&frame);
    auto* bar = new CInfoControlBar(nullptr, nullptr, &frame);
    layout->addStretch(1);
    layout->addWidget(bar);
    bar->showImageSize(12000, 9000, 72, 72);
    bar->showPointAndSize(11999, 8999, 12000, 9000);
    frame.resize(400, 200);
    frame.show();
    QCoreApplication::processEvents();
    auto* pane = bar->findChildren<QLabel*>().front();
    ASSERT_EQ(pane->text().size(), bar->positionText().size());
    const QRect room = pane->contentsRect();
    const QRect needed =
        pane->fontMetrics().boundingRect(room, Qt::TextWordWrap | Qt::AlignLeft, pane->text());
    EXPECT_TRUE(room.contains(needed)) << needed.width() << "x" << needed.height() << " in "
                                       << room.width() << "x" << room.height();
    EXPECT_LE(bar->width(), 400);
}

TEST(ColorSwatch, SquaresSplitTheWindowInFifths) {
    // A 52 x 52 swatch: 50 x 50 inside, squares of 30 moved by 20.
    const SwatchSquares squares = swatchSquares(52, 52);
    EXPECT_EQ(squares.background, QRect(1, 1, 30, 30));
    EXPECT_EQ(squares.foreground, QRect(21, 21, 30, 30));
    const SwatchSquares odd = swatchSquares(13, 9);  // 11 x 7 inside
    EXPECT_EQ(odd.background, QRect(1, 1, 6, 4));
    EXPECT_EQ(odd.foreground, QRect(5, 3, 6, 4));
}

TEST(ColorSwatch, ColourValuesKeepRedInTheLowByte) {
    EXPECT_EQ(valueFromColor(QColor(1, 2, 3)), 0x030201u);
    EXPECT_EQ(colorFromValue(0x030201u), QColor(1, 2, 3));
}

TEST(ColorSwatch, AClickOnTheInactiveSquareOnlyActivatesIt) {
    test::EditorRig rig;
    CColorSwatch swatch(rig.app().globals());
    swatch.resize(52, 52);
    swatch.show();
    EXPECT_FALSE(swatch.backgroundActive());
    QTest::mouseClick(&swatch, Qt::LeftButton, {}, QPoint(5, 5));  // background only
    EXPECT_TRUE(swatch.backgroundActive());
    EXPECT_EQ(rig.app().globals().background(), 0xFFFFFFu);
    // A second click opens the colour dialog; cancelling keeps the colour.
    const bool ran =
        test::withModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); },
                        [&] { QTest::mouseClick(&swatch, Qt::LeftButton, {}, QPoint(5, 5)); });
    EXPECT_TRUE(ran);
    EXPECT_EQ(rig.app().globals().background(), 0xFFFFFFu);
    QTest::mouseClick(&swatch, Qt::LeftButton, {}, QPoint(40, 40));  // the foreground square
    EXPECT_FALSE(swatch.backgroundActive());
}

TEST(AboutDlog, ShowsTheVersionAndClosesOnAClick) {
    CAboutDlogHandler dialog;
    EXPECT_EQ(dialog.getString(CAboutDlogHandler::kIdVersion), QStringLiteral("1.0"));
    for (int id = 182; id <= 184; ++id) EXPECT_NE(dialog.control(id), nullptr) << id;
    dialog.show();
    QTest::mouseClick(dialog.control(183), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace tessary
