// The source's window and the selection dialog, on Qt's offscreen platform
// inside this test's QApplication, driven through DSM_Entry.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "support/temp_dir.h"
#include "twain_driver.h"

namespace tessary::test {
namespace {

QWidget* sourceWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->windowTitle() == QStringLiteral("test:0")) return widget;
    return nullptr;
}

QPushButton* button(QWidget* window, const QString& text) {
    for (QPushButton* candidate : window->findChildren<QPushButton*>())
        if (candidate->text() == text) return candidate;
    return nullptr;
}

class SourceWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(driver.openManager(), TWRC_SUCCESS);
        ASSERT_EQ(driver.openSource("test:0"), TWRC_SUCCESS);
        ASSERT_EQ(driver.enable(true), TWRC_SUCCESS);
        window = sourceWindow();
        ASSERT_NE(window, nullptr);
    }

    ScopedEnv options{"TESSARY_TWAIN_OPTIONS",
                      "resolution=50,tl-x=0,tl-y=0,br-x=20,br-y=20,test-picture=Solid white"};
    TwainDriver driver;
    QWidget* window = nullptr;
};

TEST_F(SourceWindowTest, ScanOffersTheImageWithTheWindowsSettingsAndTheWindowStays) {
    EXPECT_EQ(driver.processEvent(), MSG_NULL);  // nothing until the user scans
    window->findChild<QComboBox*>()->setCurrentText(QStringLiteral("Colour"));
    window->findChild<QSpinBox*>()->setValue(100);
    button(window, QStringLiteral("&Scan"))->click();
    driver.waitForBackendThread();
    ASSERT_EQ(driver.processEvent(), MSG_XFERREADY);
    TwainImage image;
    ASSERT_EQ(driver.transfer(image), TWRC_XFERDONE);
    EXPECT_EQ(image.info.PixelType, TWPT_RGB);
    EXPECT_NEAR(image.info.ImageWidth, 20 / 25.4 * 100, 1.0);
    EXPECT_EQ(driver.endTransfer(), 0);
    EXPECT_EQ(sourceWindow(), window);

    button(window, QStringLiteral("Cancel"))->click();
    EXPECT_EQ(driver.processEvent(), MSG_CLOSEDSREQ);
    TW_USERINTERFACE ui{};
    ASSERT_EQ(driver.source(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
    EXPECT_EQ(sourceWindow(), nullptr);
}

TEST_F(SourceWindowTest, ClosingTheWindowAsksToCloseTheSource) {
    window->close();
    EXPECT_EQ(driver.processEvent(), MSG_CLOSEDSREQ);
}

TEST_F(SourceWindowTest, PreviewShowsAScanInTheWindow) {
    auto labels = window->findChildren<QLabel*>();
    const auto shown = [&] {
        return std::count_if(labels.begin(), labels.end(),
                             [](QLabel* label) { return !label->pixmap().isNull(); });
    };
    EXPECT_EQ(shown(), 0);
    button(window, QStringLiteral("&Preview"))->click();
    EXPECT_EQ(shown(), 1);
    EXPECT_EQ(driver.processEvent(), MSG_NULL);  // a preview offers no image
}

// The selection dialog: `row` chosen and accepted, or cancelled (row < 0).
void answerSelection(int row) {
    QTimer::singleShot(0, [row] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        if (row < 0) return dialog->reject();
        dialog->findChild<QListWidget*>()->setCurrentRow(row);
        dialog->accept();
    });
}

TEST(SourceSelection, TheChosenSourceIsRememberedAsTheDefault) {
    TempDir state;
    ScopedEnv folder("TESSARY_TWAIN_STATE_DIR", state.path().c_str());
    {
        TwainDriver driver;
        ASSERT_EQ(driver.openManager(), TWRC_SUCCESS);
        TW_IDENTITY chosen{};
        ASSERT_EQ(driver.manager(DAT_IDENTITY, MSG_GETDEFAULT, &chosen), TWRC_SUCCESS);
        answerSelection(-1);
        EXPECT_EQ(driver.manager(DAT_IDENTITY, MSG_USERSELECT, &chosen), TWRC_CANCEL);
        answerSelection(1);
        ASSERT_EQ(driver.manager(DAT_IDENTITY, MSG_USERSELECT, &chosen), TWRC_SUCCESS);
        EXPECT_STREQ(chosen.ProductName, "test:1");
    }
    TwainDriver later;
    ASSERT_EQ(later.openManager(), TWRC_SUCCESS);
    ASSERT_EQ(later.openSource(), TWRC_SUCCESS);
    EXPECT_STREQ(later.identity.ProductName, "test:1");
}

TEST(SourceSelection, WithoutAnyScannerTheUserIsToldAndNothingOpens) {
    TempDir sane;
    {
        std::FILE* conf = std::fopen((sane.path() / "dll.conf").c_str(), "w");
        std::fclose(conf);
    }
    ScopedEnv config("SANE_CONFIG_DIR", sane.path().c_str());
    TwainDriver driver;
    ASSERT_EQ(driver.openManager(), TWRC_SUCCESS);
    for (const bool select : {true, false}) {
        QString told;
        QTimer::singleShot(0, [&told] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            told = box->text();
            box->accept();
        });
        TW_IDENTITY chosen{};
        const TW_UINT16 result =
            select ? driver.manager(DAT_IDENTITY, MSG_USERSELECT, &chosen) : driver.openSource();
        EXPECT_EQ(result, TWRC_FAILURE) << select;
        EXPECT_EQ(driver.managerCondition(), TWCC_NODS);
        EXPECT_EQ(told, QStringLiteral("No scanner was found.")) << select;
    }
}

}  // namespace
}  // namespace tessary::test

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
