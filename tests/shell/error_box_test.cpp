#include "shell/chrome/error_box.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFile>

#include "shell/services/file_error_text.h"
#include "shell_test_support.h"

namespace tessary {
namespace {

struct ShownBox {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
};

// Runs `action`, which may show one message box, and closes the box.
ShownBox capture(const std::function<void()>& action, bool* shown = nullptr) {
    ShownBox box;
    const bool ran = test::withModal(
        [&](QWidget* modal) {
            auto* message = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(message, nullptr);
            box = {message->windowTitle(), message->text(), message->icon(),
                   static_cast<int>(message->buttons().size())};
            message->buttons().last()->click();
        },
        action, 2000);
    if (shown != nullptr) *shown = ran;
    return box;
}

TEST(ErrorBox, ShowsTheMessageOfAnErrorCodeUnderTheProductName) {
    bool shown = false;
    const ShownBox box = capture([] { EXPECT_TRUE(showErrorCode(nullptr, 0x10002)); }, &shown);
    ASSERT_TRUE(shown);
    EXPECT_EQ(box.title, QStringLiteral("Tessary"));
    EXPECT_EQ(box.text, QStringLiteral("There is not enough disk space to complete this operation."));
    EXPECT_EQ(box.icon, QMessageBox::Warning);
    EXPECT_EQ(box.buttons, 1);
    EXPECT_EQ(capture([] { showErrorCode(nullptr, 0x10003); }).text,
              QStringLiteral("There is not enough memory to complete this operation."));
}

TEST(ErrorBox, UnknownCodesShowTheGeneralMessage) {
    EXPECT_EQ(capture([] { showErrorCode(nullptr, 0x12345); }).text,
              QStringLiteral("Could not complete this operation due to an error."));
}

TEST(ErrorBox, SuccessAndCancelShowNothing) {
    bool shown = true;
    capture([] { EXPECT_FALSE(showErrorCode(nullptr, 0)); }, &shown);
    EXPECT_FALSE(shown);
    capture([] { EXPECT_FALSE(showErrorCode(nullptr, 0x10000)); }, &shown);
    EXPECT_FALSE(shown);
}

TEST(ErrorBox, TheSaveQuestionNamesTheDocument) {
    QMessageBox::StandardButton answer = QMessageBox::NoButton;
    const bool ran = test::withModal(
        [](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            EXPECT_EQ(box->text(), QStringLiteral("Save changes to Untitled 3?"));
            EXPECT_EQ(box->buttons().size(), 3);
            box->button(QMessageBox::No)->click();
        },
        [&] { answer = askSaveChanges(nullptr, QStringLiteral("Untitled 3")); });
    EXPECT_TRUE(ran);
    EXPECT_EQ(answer, QMessageBox::No);
}

TEST(FileErrorText, OpenFailuresNameTheFileWhenItIsTheFilesFault) {
    test::TempDir folder;
    const QString missing = QString::fromStdString((folder.path() / "none.bmp").string());
    EXPECT_EQ(openFailureMessage(PageFileError::CannotOpenFile, missing),
              QStringLiteral("The file %1 could not be found.").arg(missing));
    EXPECT_EQ(openFailureMessage(PageFileError::NoFormatModule, missing),
              QStringLiteral("The document could not be opened."));
    EXPECT_EQ(openFailureMessage(PageFileError::ModuleFailed, missing),
              QStringLiteral("The document could not be opened."));
}

TEST(FileErrorText, SaveFailures) {
    test::TempDir folder;
    const QString inMissingFolder =
        QString::fromStdString((folder.path() / "no" / "x.bmp").string());
    EXPECT_EQ(saveFailureMessage(PageFileError::CannotCreateFile, inMissingFolder),
              QStringLiteral("The path of %1 is not valid.").arg(inMissingFolder));
    const QString plain = QString::fromStdString((folder.path() / "x.bmp").string());
    EXPECT_EQ(saveFailureMessage(PageFileError::ModuleFailed, plain),
              QStringLiteral("The document could not be saved."));
    EXPECT_EQ(saveFailureMessage(PageFileError::NoFormatModule, plain),
              QStringLiteral("The document could not be saved."));
    EXPECT_EQ(saveFailureMessage(PageFileError::DiskFull, plain),
              QStringLiteral("There is not enough disk space to complete this operation."));
}

}  // namespace
}  // namespace tessary
