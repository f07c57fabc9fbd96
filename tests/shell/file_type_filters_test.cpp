#include "shell/services/file_type_filters.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>

#include "shell/dialogs/file_save_dlog.h"
#include "shell_test_support.h"

namespace tessary {
namespace {

std::vector<FileTypeFilter> threeTypes() {
    return {{QStringLiteral("BMP (*.BMP)"), QStringLiteral("*.BMP")},
            {QStringLiteral("PNG (*.PNG)"), QStringLiteral("*.PNG")},
            {QStringLiteral("JPEG (*.JPEG)"), QStringLiteral("*.JPEG")}};
}

TEST(ParseFilterList, SplitsPairsOfTextAndPattern) {
    const auto filters = parseFilterList("BMP (*.BMP)|*.BMP|PNG (*.PNG)|*.PNG|");
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0], (FileTypeFilter{QStringLiteral("BMP (*.BMP)"), QStringLiteral("*.BMP")}));
    EXPECT_EQ(filters[1].pattern, QStringLiteral("*.PNG"));
    // Without the trailing bar, and with a dangling text.
    EXPECT_EQ(parseFilterList("A|*.A").size(), 1u);
    EXPECT_EQ(parseFilterList("A|*.A|B").size(), 1u);
    EXPECT_TRUE(parseFilterList("").empty());
    EXPECT_TRUE(parseFilterList("A||").empty());
}

TEST(QtFilter, PutsThePatternsInParentheses) {
    EXPECT_EQ(qtFilter({QStringLiteral("BMP (*.BMP)"), QStringLiteral("*.BMP")}),
              QStringLiteral("BMP (*.BMP)"));
    EXPECT_EQ(qtFilter({QStringLiteral("All Formats"), QStringLiteral("*.BMP;*.PNG")}),
              QStringLiteral("All Formats (*.BMP *.PNG)"));
}

TEST(ExtensionKeys, AreUpperCaseAndAtMostFourCharacters) {
    EXPECT_EQ(patternKey(QStringLiteral("*.bmp")), QStringLiteral("BMP"));
    EXPECT_EQ(patternKey(QStringLiteral("*.JPEG")), QStringLiteral("JPEG"));
    EXPECT_EQ(patternKey(QStringLiteral("*.TIFFX")), QStringLiteral("TIFF"));
    EXPECT_EQ(nameExtensionKey(QStringLiteral("a.b.Png")), QStringLiteral("PNG"));
    EXPECT_EQ(nameExtensionKey(QStringLiteral("photo.jpeg2")), QStringLiteral("JPEG"));
    EXPECT_EQ(nameExtensionKey(QStringLiteral("noextension")), QString());
}

TEST(FilterIndexForName, FindsTheTypeOfAName) {
    const auto filters = threeTypes();
    EXPECT_EQ(filterIndexForName(filters, QStringLiteral("Untitled 1.BMP")), 0);
    EXPECT_EQ(filterIndexForName(filters, QStringLiteral("x.png")), 1);
    EXPECT_EQ(filterIndexForName(filters, QStringLiteral("x.jpeg")), 2);
    EXPECT_EQ(filterIndexForName(filters, QStringLiteral("x.gif")), -1);
    EXPECT_EQ(filterIndexForName(filters, QStringLiteral("bmp")), -1);
}

TEST(ReplaceExtension, GivesTheNameTheTypesExtension) {
    EXPECT_EQ(replaceExtension(QStringLiteral("photo.bmp"), QStringLiteral("*.PNG")),
              QStringLiteral("photo.PNG"));
    EXPECT_EQ(replaceExtension(QStringLiteral("my.photo.bmp"), QStringLiteral("*.PNG")),
              QStringLiteral("my.photo.PNG"));
    EXPECT_EQ(replaceExtension(QStringLiteral("photo"), QStringLiteral("*.PNG")),
              QStringLiteral("photo.PNG"));
    // Same type: the name keeps its own spelling.
    EXPECT_EQ(replaceExtension(QStringLiteral("photo.png"), QStringLiteral("*.PNG")),
              QStringLiteral("photo.png"));
    EXPECT_EQ(replaceExtension(QString(), QStringLiteral("*.PNG")), QString());
}

TEST(NoWriterMessage, SaysWhyAndListsTheWritableTypes) {
    EXPECT_EQ(noWriterMessage(QStringLiteral("a.b.gif"), threeTypes()),
              QStringLiteral("No installed module writes files of type \".gif\".\n"
                             "Types that can be written: BMP, PNG, JPEG."));
    EXPECT_EQ(noWriterMessage(QStringLiteral("picture"), {}),
              QStringLiteral("The name \"picture\" has no extension, so no installed module can "
                             "tell which type to write.\nTypes that can be written: none."));
}

TEST(OpenAndSaveFilters, ComeFromTheFormatModules) {
    test::EditorRig rig;
    int all = -1;
    const auto open = openFilters(rig.app().plugIns(), &all);
    ASSERT_EQ(all, static_cast<int>(open.size()) - 1);
    EXPECT_EQ(open.back().description, QStringLiteral("All Formats"));
    QStringList patterns = open.back().pattern.split(QLatin1Char(';'));
    patterns.sort();
    // BMP, JPG, JPEG, PNG, TIF, TIFF.
    EXPECT_EQ(patterns, (QStringList{"*.BMP", "*.JPEG", "*.JPG", "*.PNG", "*.TIF", "*.TIFF"}));
    EXPECT_EQ(saveFilters(rig.app().plugIns()).size(), open.size() - 1);
}

class FileSaveDlogTest : public ::testing::Test {
protected:
    test::TempDir folder;
    QString path(const QString& name) const {
        return QString::fromStdString((folder.path() / name.toStdString()).string());
    }
};

TEST_F(FileSaveDlogTest, OpensOnTheTypeOfTheProposedName) {
    CFileSaveDlog dialog(nullptr, path(QStringLiteral("picture.png")), threeTypes());
    EXPECT_EQ(dialog.selectedFilterIndex(), 1);
    EXPECT_EQ(dialog.fileNameText(), QStringLiteral("picture.png"));
    EXPECT_EQ(QFileInfo(dialog.directory().absolutePath()).canonicalFilePath(),
              QFileInfo(QString::fromStdString(folder.path().string())).canonicalFilePath());
}

TEST_F(FileSaveDlogTest, ChoosingATypeChangesTheNamesExtension) {
    CFileSaveDlog dialog(nullptr, path(QStringLiteral("picture.bmp")), threeTypes());
    dialog.show();
    auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(types, nullptr);
    types->setCurrentIndex(2);
    emit types->activated(2);
    EXPECT_EQ(dialog.fileNameText(), QStringLiteral("picture.JPEG"));
}

TEST_F(FileSaveDlogTest, OkIsRefusedForAnExtensionOfNoType) {
    CFileSaveDlog dialog(nullptr, path(QStringLiteral("picture.bmp")), threeTypes());
    dialog.show();
    auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(name, nullptr);
    name->setText(QStringLiteral("picture.gif"));
    QString message;
    EXPECT_TRUE(test::withModal(
        [&](QWidget* box) {
            message = qobject_cast<QMessageBox*>(box)->text();
            test::clickButton(box, QStringLiteral("OK"));
        },
        [&] { dialog.accept(); }));
    EXPECT_EQ(message, noWriterMessage(QStringLiteral("picture.gif"), threeTypes()));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    name->setText(QStringLiteral("picture.png"));
    dialog.accept();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosenPath(), path(QStringLiteral("picture.png")));
}

}  // namespace
}  // namespace tessary
