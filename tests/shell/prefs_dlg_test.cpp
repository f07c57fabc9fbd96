#include "shell/dialogs/prefs_dlg.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QTest>

#include "app/zerozevuv.h"
#include "shell_test_support.h"

namespace tessary {
namespace {

using Dlog = CPrefsDlg;

void type(Dlog& dialog, int id, const QString& text) {
    auto* edit = dialog.controlAs<QLineEdit>(id);
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

class PrefsDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        BudgetPrefs budget;
        budget.vmMethod = 1;
        budget.mbToUse = 64;
        budget.percentToUse = 40;
        budget.mbToLeaveFree = 5;
        globals().setBudgetPrefs(budget);
        globals().setUnit(2);
        globals().setWorkerThreads(2);
    }
    ZERozevuv& globals() { return rig.app().globals(); }
    test::EditorRig rig;
};

TEST_F(PrefsDlgTest, OpensOnTheValuesInForce) {
    Dlog dialog(globals());
    EXPECT_EQ(dialog.entryCount(Dlog::kIdUnits), 5);
    EXPECT_EQ(dialog.getString(Dlog::kIdUnits), QStringLiteral("Centimeters"));
    EXPECT_FALSE(dialog.isChecked(Dlog::kIdUseMb));
    EXPECT_TRUE(dialog.isChecked(Dlog::kIdUsePercent));
    EXPECT_FALSE(dialog.isChecked(Dlog::kIdLeaveFree));
    EXPECT_EQ(dialog.getString(Dlog::kIdMbToUse), QStringLiteral("64"));
    EXPECT_EQ(dialog.getString(Dlog::kIdPercentToUse), QStringLiteral("40"));
    EXPECT_EQ(dialog.getString(Dlog::kIdMbToLeaveFree), QStringLiteral("5"));
    EXPECT_EQ(dialog.getString(Dlog::kIdWorkerThreads), QStringLiteral("2"));
    EXPECT_TRUE(dialog.isChecked(Dlog::kIdSeparateProcess));
}

TEST_F(PrefsDlgTest, AnUnknownMethodChecksTheFirstButton) {
    BudgetPrefs odd = globals().budgetPrefs();
    odd.vmMethod = 7;
    globals().setBudgetPrefs(odd);
    Dlog dialog(globals());
    EXPECT_TRUE(dialog.isChecked(Dlog::kIdUseMb));
    EXPECT_FALSE(dialog.isChecked(Dlog::kIdUsePercent));
}

TEST_F(PrefsDlgTest, TheButtonsExcludeEachOther) {
    Dlog dialog(globals());
    dialog.show();
    QTest::mouseClick(dialog.controlAs<QRadioButton>(Dlog::kIdLeaveFree), Qt::LeftButton);
    EXPECT_TRUE(dialog.isChecked(Dlog::kIdLeaveFree));
    EXPECT_FALSE(dialog.isChecked(Dlog::kIdUsePercent));
    EXPECT_FALSE(dialog.isChecked(Dlog::kIdUseMb));
}

TEST_F(PrefsDlgTest, APercentOver100KeepsTheDialogOpenAndStoresNothing) {
    Dlog dialog(globals());
    dialog.show();
    type(dialog, Dlog::kIdPercentToUse, QStringLiteral("101"));
    type(dialog, Dlog::kIdMbToUse, QStringLiteral("99"));
    QTest::mouseClick(dialog.controlAs<QRadioButton>(Dlog::kIdUseMb), Qt::LeftButton);
    QString message;
    const bool ran = test::withModal(
        [&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            message = box->text();
            box->accept();
        },
        [&] { dialog.accept(); });
    ASSERT_TRUE(ran);
    EXPECT_EQ(message, QStringLiteral("Please enter an integer between 0 and 100."));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(globals().budgetPrefs().mbToUse, 64);
    EXPECT_EQ(globals().budgetPrefs().vmMethod, 1);
    EXPECT_EQ(globals().unit(), 2);
}

TEST_F(PrefsDlgTest, TextThatIsNoWholeNumberOrTooManyThreadsIsRefusedToo) {
    const struct {
        int id;
        const char* text;
        const char* message;
    } refused[] = {
        {Dlog::kIdMbToLeaveFree, "12.5", "Please enter an integer between 0 and 3000."},
        {Dlog::kIdWorkerThreads, "65", "Please enter an integer between 0 and 64."},
    };
    for (const auto& field : refused) {
        Dlog dialog(globals());
        dialog.show();
        type(dialog, field.id, QString::fromLatin1(field.text));
        QString message;
        test::withModal(
            [&](QWidget* modal) {
                message = qobject_cast<QMessageBox*>(modal)->text();
                qobject_cast<QMessageBox*>(modal)->accept();
            },
            [&] { dialog.accept(); });
        EXPECT_EQ(message, QString::fromLatin1(field.message));
        EXPECT_EQ(globals().budgetPrefs().mbToLeaveFree, 5);
        EXPECT_EQ(globals().workerThreads(), 2);
    }
}

TEST_F(PrefsDlgTest, LeaveWith200StoresMethod2AndTheFields) {
    Dlog dialog(globals());
    dialog.show();
    QTest::mouseClick(dialog.controlAs<QRadioButton>(Dlog::kIdLeaveFree), Qt::LeftButton);
    type(dialog, Dlog::kIdMbToLeaveFree, QStringLiteral("200"));
    type(dialog, Dlog::kIdWorkerThreads, QStringLiteral("0"));
    dialog.setSelectedIndex(Dlog::kIdUnits, 3);
    QTest::mouseClick(dialog.controlAs<QCheckBox>(Dlog::kIdSeparateProcess), Qt::LeftButton);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    const BudgetPrefs& budget = globals().budgetPrefs();
    EXPECT_EQ(budget.vmMethod, 2);
    EXPECT_EQ(budget.mbToLeaveFree, 200);
    EXPECT_EQ(budget.mbToUse, 64);
    EXPECT_EQ(budget.percentToUse, 40);
    EXPECT_EQ(globals().unit(), 3);
    EXPECT_EQ(globals().workerThreads(), 0);
    EXPECT_EQ(globals().workers().threadCount(), WorkerPool::hardwareThreads());
    EXPECT_TRUE(globals().preferences().global.modulesInProcess);
}

TEST_F(PrefsDlgTest, CancelStoresNothing) {
    Dlog dialog(globals());
    type(dialog, Dlog::kIdMbToUse, QStringLiteral("5"));
    dialog.setSelectedIndex(Dlog::kIdUnits, 0);
    dialog.reject();
    EXPECT_EQ(globals().budgetPrefs().mbToUse, 64);
    EXPECT_EQ(globals().unit(), 2);
}

}  // namespace
}  // namespace tessary
