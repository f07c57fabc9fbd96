#include "shell/dialogs/our_dlog_handler_base.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace tessary {
namespace {

TEST(ParseLeadingNumber, ReadsTheNumberAtTheStartOfAText) {
    bool ok = false;
    EXPECT_DOUBLE_EQ(parseLeadingNumber(QStringLiteral("595.28"), &ok), 595.28);
    EXPECT_TRUE(ok);
    EXPECT_DOUBLE_EQ(parseLeadingNumber(QStringLiteral("  -12.5abc"), &ok), -12.5);
    EXPECT_TRUE(ok);
    EXPECT_DOUBLE_EQ(parseLeadingNumber(QStringLiteral("513 K"), &ok), 513.0);
    EXPECT_DOUBLE_EQ(parseLeadingNumber(QStringLiteral(".5"), &ok), 0.5);
    EXPECT_DOUBLE_EQ(parseLeadingNumber(QStringLiteral("2e3x"), &ok), 2000.0);
    // An exponent without digits is not part of the number.
    EXPECT_DOUBLE_EQ(parseLeadingNumber(QStringLiteral("7e"), &ok), 7.0);
    EXPECT_TRUE(ok);
}

TEST(ParseLeadingNumber, TextWithoutANumberReadsAsZero) {
    bool ok = true;
    EXPECT_EQ(parseLeadingNumber(QStringLiteral("abc"), &ok), 0.0);
    EXPECT_FALSE(ok);
    EXPECT_EQ(parseLeadingNumber(QString(), &ok), 0.0);
    EXPECT_FALSE(ok);
    EXPECT_EQ(parseLeadingNumber(QStringLiteral("-."), &ok), 0.0);
    EXPECT_FALSE(ok);
}

TEST(FormatNumber, UsesThePointAndTheGivenDecimals) {
    EXPECT_EQ(formatNumber(7.111111, 2), QStringLiteral("7.11"));
    EXPECT_EQ(formatNumber(841.8897, 2), QStringLiteral("841.89"));
    EXPECT_EQ(formatNumber(72.0, 0), QStringLiteral("72"));
    EXPECT_EQ(formatNumber(0.005, 3), QStringLiteral("0.005"));
}

// A dialog with one control of each kind, as dialogs build them.
class SampleDialog : public OurDlogHandlerBase {
public:
    SampleDialog() {
        auto* layout = new QVBoxLayout(this);
        auto add = [&](int id, QWidget* widget) {
            registerControl(id, widget);
            layout->addWidget(widget);
        };
        add(10, new QLineEdit(this));
        add(11, new QLabel(this));
        add(12, new QComboBox(this));
        add(13, new QCheckBox(QStringLiteral("Flag"), this));
        layout->addWidget(makeButtons(QStringLiteral("OK"), QStringLiteral("Cancel")));
    }
};

TEST(OurDlogHandlerBase, ReachesControlsByTheirIds) {
    SampleDialog dialog;
    EXPECT_NE(dialog.controlAs<QLineEdit>(10), nullptr);
    EXPECT_EQ(dialog.control(99), nullptr);
    EXPECT_EQ(dialog.control(10)->objectName(), QStringLiteral("control10"));
    EXPECT_NE(dialog.control(OurDlogHandlerBase::kIdOk), nullptr);
    EXPECT_NE(dialog.control(OurDlogHandlerBase::kIdCancel), nullptr);
}

TEST(OurDlogHandlerBase, NumbersAndStringsGoThroughTheControlsText) {
    SampleDialog dialog;
    dialog.setNumber(10, 595.2756, 2);
    EXPECT_EQ(dialog.getString(10), QStringLiteral("595.28"));
    EXPECT_DOUBLE_EQ(dialog.getNumber(10), 595.28);
    dialog.setString(11, QStringLiteral("513 K"));
    EXPECT_EQ(dialog.getString(11), QStringLiteral("513 K"));
    bool ok = false;
    EXPECT_DOUBLE_EQ(dialog.getNumber(11, &ok), 513.0);
    EXPECT_TRUE(ok);
}

TEST(OurDlogHandlerBase, WritingATextIsNotTakenForTheUsersEdit) {
    SampleDialog dialog;
    int edits = 0;
    QObject::connect(dialog.controlAs<QLineEdit>(10), &QLineEdit::textChanged, [&] { ++edits; });
    dialog.setNumber(10, 1.0, 2);
    EXPECT_EQ(edits, 0);
    dialog.controlAs<QLineEdit>(10)->setText(QStringLiteral("3"));
    EXPECT_EQ(edits, 1);
}

TEST(OurDlogHandlerBase, ComboBoxesAppendAndSelect) {
    SampleDialog dialog;
    dialog.appendString(12, QStringLiteral("Pixels"));
    dialog.appendString(12, QStringLiteral("Inches"));
    EXPECT_EQ(dialog.entryCount(12), 2);
    dialog.setSelectedIndex(12, 1);
    EXPECT_EQ(dialog.selectedIndex(12), 1);
    EXPECT_EQ(dialog.getString(12), QStringLiteral("Inches"));
    dialog.setSelectedIndex(12, -1);
    EXPECT_EQ(dialog.selectedIndex(12), -1);
}

TEST(OurDlogHandlerBase, CheckBoxesAndFocus) {
    SampleDialog dialog;
    dialog.setCheck(13, true);
    EXPECT_TRUE(dialog.isChecked(13));
    dialog.setCheck(13, false);
    EXPECT_FALSE(dialog.isChecked(13));
    dialog.show();
    dialog.activateWindow();
    dialog.control(10)->setFocus();
    QApplication::processEvents();
    EXPECT_TRUE(dialog.hasFocus(10));
    EXPECT_FALSE(dialog.hasFocus(13));
}

}  // namespace
}  // namespace tessary
