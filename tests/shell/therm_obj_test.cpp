#include "shell/chrome/therm_obj.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace tessary {
namespace {

// The pixels the window shows.
QImage shown(CThermWindow* window) {
    return window->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// How many pixels of the row's inner rectangle are filled dark grey, counted
// along the middle line.
int filledPixels(const QImage& image, const ThermLayout& layout, int row) {
    const Rect rect = layout.rowRect(row);
    const int y = (rect.top + rect.bottom) / 2;
    int count = 0;
    for (int x = rect.left + 1; x < rect.right - 1; ++x) {
        if (image.pixel(x, y) == QColor(Qt::darkGray).rgb()) ++count;
    }
    return count;
}

TEST(ThermObj, TwoBarsShowTheirShareOfTheRow) {
    CThermObj progress(25003, nullptr);
    progress.setText(0, "Filtering...");
    progress.setText(1, "Invert");
    progress.logic().open();
    ASSERT_NE(progress.window(), nullptr);
    EXPECT_EQ(progress.window()->windowTitle(), QStringLiteral("Progress"));
    EXPECT_EQ(progress.window()->size(), QSize(300, 120));
    progress.update(2000000, 4000000);  // large counts: half, without overflow
    progress.updateSecond(1, 4);
    const QImage image = shown(progress.window());
    const ThermLayout& layout = progress.logic().layout();
    const int inner = layout.rowRect(3).width() - 2;  // 280 - 2 on a 4-row style with Cancel
    EXPECT_EQ(filledPixels(image, layout, 3), inner / 2);
    EXPECT_EQ(filledPixels(image, layout, 4), (layout.rowRect(4).width() - 2) / 4);
    // The bar's frame is black, the unfilled part white.
    const Rect bar = layout.rowRect(3);
    EXPECT_EQ(image.pixel(bar.left, (bar.top + bar.bottom) / 2), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(bar.right - 3, (bar.top + bar.bottom) / 2), qRgb(255, 255, 255));
    // The text rows hold dark text on white.
    bool dark = false;
    const Rect text = layout.rowRect(1);
    for (int x = text.left; x < text.left + 60 && !dark; ++x)
        for (int y = text.top; y < text.bottom && !dark; ++y) dark = qGray(image.pixel(x, y)) < 128;
    EXPECT_TRUE(dark);
    progress.close(true);
    EXPECT_EQ(progress.window(), nullptr);
}

TEST(ThermObj, TheCancelButtonSitsWhereTheLayoutSays) {
    CThermObj withButton(25002, nullptr);
    withButton.logic().open();
    ASSERT_NE(withButton.window()->cancelButton(), nullptr);
    EXPECT_EQ(withButton.window()->cancelButton()->geometry(), QRect(218, 70, 72, 20));
    EXPECT_EQ(withButton.window()->cancelButton()->text(), QStringLiteral("Cancel"));
    CThermObj without(25005, nullptr);
    without.logic().open();
    EXPECT_EQ(without.window()->cancelButton(), nullptr);
}

TEST(ThermObj, ControlPeriodOrEscapeCancelsAPlainPeriodDoesNot) {
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifier modifier;
        bool cancels;
    };
    for (const Case c : {Case{Qt::Key_Period, Qt::ControlModifier, true},
                         Case{Qt::Key_Escape, Qt::NoModifier, true},
                         Case{Qt::Key_Period, Qt::NoModifier, false}}) {
        CThermObj progress(25002, nullptr);
        progress.logic().open();
        EXPECT_FALSE(progress.update(1, 10));
        QTest::keyClick(progress.window(), c.key, c.modifier);
        QTest::qWait(650);  // the logic looks for messages at most every 600 ms
        EXPECT_EQ(progress.update(2, 10), c.cancels) << c.key;
        QTest::qWait(650);
        EXPECT_FALSE(progress.update(3, 10));  // only the update that saw it
    }
}

TEST(ThermObj, AClickOnCancelCancels) {
    CThermObj progress(25000, nullptr);
    progress.logic().open();
    progress.update(1, 10);
    QTest::mouseClick(progress.window()->cancelButton(), Qt::LeftButton);
    QTest::qWait(650);
    EXPECT_TRUE(progress.update(2, 10));
}

TEST(ThermObj, StylesWithoutCancelIgnoreControlPeriodUntilMadeCancellable) {
    CThermObj progress(25001, nullptr);
    progress.logic().open();
    progress.update(1, 10);
    QTest::keyClick(progress.window(), Qt::Key_Period, Qt::ControlModifier);
    QTest::qWait(650);
    EXPECT_FALSE(progress.update(2, 10));
    progress.setCancellable(true);
    QTest::keyClick(progress.window(), Qt::Key_Period, Qt::ControlModifier);
    QTest::qWait(650);
    EXPECT_TRUE(progress.update(3, 10));
}

TEST(ThermObj, OtherWindowsGetNoInputWhileTheWindowIsOpen) {
    QLineEdit other;
    other.show();
    {
        CThermObj progress(25002, nullptr);
        progress.logic().open();
        QTest::keyClicks(&other, QStringLiteral("abc"));
        QTest::mouseClick(&other, Qt::LeftButton);
        EXPECT_TRUE(other.text().isEmpty());
        progress.close(false);
    }
    QTest::keyClicks(&other, QStringLiteral("abc"));
    EXPECT_EQ(other.text(), QStringLiteral("abc"));
}

TEST(ThermObj, AShortOperationShowsNoWindow) {
    CThermObj progress(25002, nullptr);
    progress.setDelay(10000);
    for (int i = 0; i < 100; ++i) EXPECT_FALSE(progress.update(i, 100));
    EXPECT_EQ(progress.window(), nullptr);
    progress.close(true);
}

TEST(ThermFactory, ANewWindowClosesTheOneBefore) {
    CThermFactory factory(nullptr);
    std::unique_ptr<ProgressPort> first = factory.create(25002);
    CThermObj* firstWindow = factory.current();
    ASSERT_NE(firstWindow, nullptr);
    firstWindow->logic().open();
    ASSERT_TRUE(firstWindow->logic().isOpen());
    std::unique_ptr<ProgressPort> second = factory.create(25002);
    EXPECT_FALSE(firstWindow->logic().isOpen());
    EXPECT_NE(factory.current(), firstWindow);
    second.reset();
    EXPECT_EQ(factory.current(), nullptr);
    first.reset();
}

}  // namespace
}  // namespace tessary
