#include "shell/app/page_document.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QMessageBox>
#include <QTest>

#include "app/zerozevuv.h"
#include "model/page.h"
#include "model/page_data.h"
#include "plugins/page_file_io.h"
#include "shell/app/child_frame.h"
#include "shell/app/command_ids.h"
#include "shell/app/command_router.h"
#include "shell/app/doc_template.h"
#include "shell/app/main_frame.h"
#include "shell/app/recent_file_list.h"
#include "shell/chrome/info_control_bar.h"
#include "shell/dialogs/file_save_dlog.h"
#include "shell/dialogs/new_image_dlog.h"
#include "shell_test_support.h"

namespace tessary {
namespace {

using test::EditorRig;

std::string readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll().toStdString();
}

// Writes a pattern page through the shipped format module for `path`'s
// extension.
void writePatternFile(EditorRig& rig, const QString& path, std::int32_t type, int width, int height,
                      double resolution = 72.0) {
    auto page = test::makePatternPage(rig.app().globals().pageEnvironment(), type, width, height,
                                      resolution);
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(rig.app().context().files->save(*page, path.toStdString()), PageFileError::None);
}

// Changes one pixel of the document's page as an edit would (marking it
// modified).
void editPixel(CPageDocument& document, std::int32_t x, std::int32_t y, std::uint8_t value) {
    Page& page = *document.page();
    PageData& data = *page.pageData();
    ASSERT_TRUE(data.beginChange());
    for (int plane = 0; plane < page.colourPlaneCount(); ++plane)
        ASSERT_TRUE(data.writeRow(plane, x, y, 1, &value));
    data.endChange();
    ASSERT_TRUE(page.saveState(7, 0, Rect{x, y, x + 1, y + 1}));
}

// Answers the next message box with `button` and returns its text.
QString answerMessage(QWidget* modal, QMessageBox::StandardButton button) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (box == nullptr) {
        ADD_FAILURE() << "expected a message box";
        return {};
    }
    const QString text = box->text();
    box->button(button)->click();
    return text;
}

class DocumentTest : public ::testing::Test {
protected:
    EditorRig rig;
    CKorvelApp& app() { return rig.app(); }
};

TEST_F(DocumentTest, OpensBmpAndPngFilesWrittenByTheShippedModules) {
    const QString bmp = rig.file("colour.bmp");
    const QString png = rig.file("grey.PNG");
    writePatternFile(rig, bmp, Page::kTypeRgb, 37, 21, 300.0);
    writePatternFile(rig, png, Page::kTypeGrey, 19, 33);
    CPageDocument* colour = app().openDocumentFile(bmp);
    ASSERT_NE(colour, nullptr);
    EXPECT_EQ(colour->page()->type(), Page::kTypeRgb);
    EXPECT_EQ(colour->page()->bounds(), (Rect{0, 0, 37, 21}));
    EXPECT_TRUE(test::pageShowsPattern(*colour->page()));
    EXPECT_DOUBLE_EQ(colour->page()->horizontalResolution(), 300.0);
    EXPECT_EQ(colour->title(), QStringLiteral("colour.bmp"));
    EXPECT_FALSE(colour->isModified());

    CPageDocument* grey = app().openDocumentFile(png);
    ASSERT_NE(grey, nullptr);
    EXPECT_EQ(grey->page()->type(), Page::kTypeGrey);
    EXPECT_TRUE(test::pageShowsPattern(*grey->page()));
    EXPECT_EQ(app().docTemplate().documents().size(), 2u);
    // Opening an open file again shows the same document.
    EXPECT_EQ(app().openDocumentFile(bmp), colour);
    EXPECT_EQ(app().docTemplate().documents().size(), 2u);
}

TEST_F(DocumentTest, TheOpenCommandOffersAllFormatsFirstAndOpensTheChoice) {
    const QString bmp = rig.file("chosen.bmp");
    writePatternFile(rig, bmp, Page::kTypeRgb, 5, 4);
    QStringList offered;
    QString selected;
    const bool ran = test::withModal(
        [&](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            offered = dialog->nameFilters();
            selected = dialog->selectedNameFilter();
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(name, nullptr);
            name->setText(bmp);
            static_cast<QDialog*>(dialog)->accept();
        },
        [&] { app().router().dispatch(cmd::kFileOpen); });
    ASSERT_TRUE(ran);
    EXPECT_TRUE(offered.contains(QStringLiteral("BMP (*.BMP)")));
    EXPECT_TRUE(offered.contains(QStringLiteral("PNG (*.PNG)")));
    ASSERT_FALSE(offered.isEmpty());
    EXPECT_TRUE(offered.last().startsWith(QStringLiteral("All Formats (")));
    EXPECT_TRUE(offered.last().contains(QStringLiteral("*.BMP")));
    EXPECT_EQ(selected, offered.last());
    ASSERT_NE(app().activeDocument(), nullptr);
    EXPECT_TRUE(test::pageShowsPattern(*app().activeDocument()->page()));
    // The file joined the recent files.
    EXPECT_EQ(app().context().recentFiles->paths().value(0), bmp);
}

// A photograph that lost its end marker opens, and the module's warning
// about it shows once.
TEST_F(DocumentTest, ADamagedPhotoOpensAfterOneWarning) {
    const QString photo = rig.file("photo.jpg");
    writePatternFile(rig, photo, Page::kTypeRgb, 40, 30);
    QFile file(photo);
    ASSERT_TRUE(file.resize(file.size() - 2));
    QString message;
    CPageDocument* document = nullptr;
    test::withModal([&](QWidget* modal) { message = answerMessage(modal, QMessageBox::Ok); },
                    [&] { document = app().openDocumentFile(photo); });
    ASSERT_NE(document, nullptr);
    EXPECT_TRUE(message.contains(QStringLiteral("photo.jpg"))) << message.toStdString();
    EXPECT_EQ(app().docTemplate().documents().size(), 1u);
}

TEST_F(DocumentTest, AFileNoModuleReadsFailsWithTheOpenMessage) {
    const QString odd = rig.file("notes.xyz");
    QFile file(odd);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("hello");
    file.close();
    QString message;
    test::withModal([&](QWidget* modal) { message = answerMessage(modal, QMessageBox::Ok); },
                    [&] { EXPECT_EQ(app().openDocumentFile(odd), nullptr); });
    EXPECT_EQ(message, QStringLiteral("The document could not be opened."));
    test::withModal([&](QWidget* modal) { message = answerMessage(modal, QMessageBox::Ok); },
                    [&] { EXPECT_EQ(app().openDocumentFile(rig.file("missing.bmp")), nullptr); });
    EXPECT_TRUE(message.startsWith(QStringLiteral("The file ")));
    EXPECT_TRUE(message.endsWith(QStringLiteral("missing.bmp could not be found.")));
    EXPECT_TRUE(app().docTemplate().documents().empty());
}

TEST_F(DocumentTest, SaveAsWritesTheFileAndTakesItsName) {
    const QString original = rig.file("first.bmp");
    writePatternFile(rig, original, Page::kTypeRgb, 12, 9);
    CPageDocument* document = app().openDocumentFile(original);
    ASSERT_NE(document, nullptr);
    editPixel(*document, 3, 4, 200);
    ASSERT_TRUE(document->isModified());
    const QString copy = rig.file("second.png");
    ASSERT_TRUE(document->doSave(copy, /*replace=*/true));
    EXPECT_FALSE(document->isModified());
    EXPECT_EQ(document->path(), copy);
    EXPECT_EQ(document->title(), QStringLiteral("second.png"));

    // The saved file holds the edit; the original does not.
    auto reread = app().context().files->open(copy.toStdString());
    ASSERT_NE(reread, nullptr);
    EXPECT_EQ(reread->colourAt(3, 4), 0xC8C8C8u);
    EXPECT_EQ(reread->colourAt(4, 4), test::patternColour(4, 4));
    auto old = app().context().files->open(original.toStdString());
    EXPECT_EQ(old->colourAt(3, 4), test::patternColour(3, 4));
}

TEST_F(DocumentTest, TheSaveDialogProposesTheTitleWithTheNativeExtension) {
    NewImageResult request;
    request.width = 6;
    request.height = 5;
    CPageDocument* document = app().newDocument(request);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->proposedSaveName(), QStringLiteral("Untitled 1.BMP"));
    QString shownName;
    int shownType = -1;
    const QString target = rig.file("saved.BMP");
    const bool ran = test::withModal(
        [&](QWidget* modal) {
            auto* dialog = qobject_cast<CFileSaveDlog*>(modal);
            ASSERT_NE(dialog, nullptr);
            shownName = dialog->fileNameText();
            shownType = dialog->selectedFilterIndex();
            // The user types the full path into the name box.
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(name, nullptr);
            name->setText(target);
            dialog->accept();
        },
        [&] { app().router().dispatch(cmd::kFileSaveAs); });
    ASSERT_TRUE(ran);
    EXPECT_EQ(shownName, QStringLiteral("Untitled 1.BMP"));
    EXPECT_GE(shownType, 0);
    EXPECT_TRUE(QFile::exists(target));
    EXPECT_EQ(document->path(), target);
    EXPECT_EQ(document->title(), QStringLiteral("saved.BMP"));
}

TEST_F(DocumentTest, SaveIsEnabledOnlyWhileModified) {
    const QString path = rig.file("plain.bmp");
    writePatternFile(rig, path, Page::kTypeRgb, 4, 4);
    CPageDocument* document = app().openDocumentFile(path);
    ASSERT_NE(document, nullptr);
    EXPECT_FALSE(app().router().queryState(cmd::kFileSave).enabled);
    EXPECT_TRUE(app().router().queryState(cmd::kFileSaveAs).enabled);
    editPixel(*document, 0, 0, 1);
    EXPECT_TRUE(app().router().queryState(cmd::kFileSave).enabled);
    // Save writes to the document's own file without a dialog.
    EXPECT_TRUE(app().router().dispatch(cmd::kFileSave));
    EXPECT_FALSE(document->isModified());
    auto reread = app().context().files->open(path.toStdString());
    EXPECT_EQ(reread->colourAt(0, 0), 0x010101u);
}

TEST_F(DocumentTest, AFailedSaveKeepsTheOldFileAndTheModifiedFlag) {
    const QString path = rig.file("keep.bmp");
    writePatternFile(rig, path, Page::kTypeRgb, 8, 8);
    const std::string before = readAll(path);
    ASSERT_FALSE(before.empty());
    CPageDocument* document = app().openDocumentFile(path);
    ASSERT_NE(document, nullptr);
    editPixel(*document, 1, 1, 9);

    // No module writes ".xyz": the save fails, nothing is left behind.
    QString message;
    test::withModal([&](QWidget* modal) { message = answerMessage(modal, QMessageBox::Ok); },
                    [&] { EXPECT_FALSE(document->doSave(rig.file("keep.xyz"), true)); });
    EXPECT_EQ(message, QStringLiteral("The document could not be saved."));
    EXPECT_FALSE(QFile::exists(rig.file("keep.xyz")));
    EXPECT_TRUE(document->isModified());
    EXPECT_EQ(document->path(), path);

    // The module gives up half way (a page wider than its 16-bit fields):
    // the file on disk is the old one, byte for byte, and no temporary file
    // stays beside it.
    auto wide = std::make_unique<Page>(app().globals().pageEnvironment());
    ASSERT_TRUE(wide->shapeWhite(Page::kTypeRgb, 40000, 2, 3));
    wide->setModified(true);
    document->attachPage(std::move(wide));
    test::withModal([&](QWidget* modal) { message = answerMessage(modal, QMessageBox::Ok); },
                    [&] { EXPECT_TRUE(app().router().dispatch(cmd::kFileSave)); });
    EXPECT_EQ(message, QStringLiteral("The document could not be saved."));
    EXPECT_EQ(readAll(path), before);
    EXPECT_TRUE(document->isModified());
    const QStringList beside = QDir(QString::fromStdString(rig.programFolder().string()))
                                   .entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(beside, QStringList{QStringLiteral("keep.bmp")});
}

TEST_F(DocumentTest, AFolderThatCannotBeWrittenKeepsTheOldFile) {
    const QString path = rig.file("locked.bmp");
    writePatternFile(rig, path, Page::kTypeRgb, 8, 8);
    const std::string before = readAll(path);
    CPageDocument* document = app().openDocumentFile(path);
    ASSERT_NE(document, nullptr);
    editPixel(*document, 1, 1, 9);
    const std::string folder = rig.programFolder().string();
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    if (::access(folder.c_str(), W_OK) == 0) {
        ::chmod(folder.c_str(), 0755);
        GTEST_SKIP() << "running with rights that ignore folder permissions";
    }
    QString message;
    test::withModal([&](QWidget* modal) { message = answerMessage(modal, QMessageBox::Ok); },
                    [&] { EXPECT_FALSE(document->doSave(path, true)); });
    ::chmod(folder.c_str(), 0755);
    EXPECT_TRUE(message.contains(QStringLiteral("permission")));
    EXPECT_EQ(readAll(path), before);
    EXPECT_TRUE(document->isModified());
}

TEST_F(DocumentTest, RevertReadsTheFileAgainAsOneUndoableStep) {
    const QString path = rig.file("revert.png");
    writePatternFile(rig, path, Page::kTypeRgb, 10, 7);
    CPageDocument* document = app().openDocumentFile(path);
    ASSERT_NE(document, nullptr);
    EXPECT_FALSE(app().router().queryState(cmd::kFileRevert).enabled);  // not modified
    editPixel(*document, 5, 5, 0);
    ASSERT_NE(document->page()->colourAt(5, 5), test::patternColour(5, 5));
    ASSERT_TRUE(app().router().queryState(cmd::kFileRevert).enabled);
    EXPECT_TRUE(app().router().dispatch(cmd::kFileRevert));
    EXPECT_TRUE(test::pageShowsPattern(*document->page()));
    EXPECT_EQ(document->page()->undoKind(), 4u);  // "Revert"
    EXPECT_TRUE(document->page()->canUndo());
    document->page()->undo();
    EXPECT_EQ(document->page()->colourAt(5, 5), 0u);  // the edit is back
}

TEST_F(DocumentTest, RevertIsDisabledForADocumentNeverSaved) {
    NewImageResult request;
    request.fill = 3;  // a clipboard fill marks the new page modified
    request.width = 4;
    request.height = 4;
    CPageDocument* document = app().newDocument(request);
    ASSERT_NE(document, nullptr);
    ASSERT_TRUE(document->isModified());
    EXPECT_FALSE(app().router().queryState(cmd::kFileRevert).enabled);
    EXPECT_FALSE(document->canRevert());
}

TEST_F(DocumentTest, ClosingAModifiedDocumentAsksTheQuestion) {
    const QString path = rig.file("ask.bmp");
    writePatternFile(rig, path, Page::kTypeRgb, 6, 6);
    CPageDocument* document = app().openDocumentFile(path);
    ASSERT_NE(document, nullptr);
    editPixel(*document, 2, 2, 77);
    CChildFrame* frame = app().docTemplate().frameOf(document);
    ASSERT_NE(frame, nullptr);

    // Cancel keeps the window and the document.
    QString question;
    test::withModal([&](QWidget* modal) { question = answerMessage(modal, QMessageBox::Cancel); },
                    [&] { frame->close(); });
    EXPECT_EQ(question, QStringLiteral("Save changes to ask.bmp?"));
    test::settle();
    ASSERT_EQ(app().docTemplate().documents().size(), 1u);

    // Yes saves to the file and closes.
    test::withModal([&](QWidget* modal) { answerMessage(modal, QMessageBox::Yes); },
                    [&] { app().router().dispatch(cmd::kFileClose); });
    test::settle();
    EXPECT_TRUE(app().docTemplate().documents().empty());
    auto reread = app().context().files->open(path.toStdString());
    EXPECT_EQ(reread->colourAt(2, 2), 0x4D4D4Du);
}

TEST_F(DocumentTest, NoDiscardsTheChanges) {
    const QString path = rig.file("discard.bmp");
    writePatternFile(rig, path, Page::kTypeRgb, 6, 6);
    const std::string before = readAll(path);
    CPageDocument* document = app().openDocumentFile(path);
    editPixel(*document, 2, 2, 77);
    test::withModal([&](QWidget* modal) { answerMessage(modal, QMessageBox::No); },
                    [&] { app().docTemplate().frameOf(document)->close(); });
    test::settle();
    EXPECT_TRUE(app().docTemplate().documents().empty());
    EXPECT_EQ(readAll(path), before);
}

TEST_F(DocumentTest, CancellingSaveAsWhileClosingAnUntitledDocumentKeepsItOpen) {
    NewImageResult request;
    request.fill = 3;
    request.width = 4;
    request.height = 4;
    CPageDocument* document = app().newDocument(request);
    ASSERT_TRUE(document->isModified());
    CChildFrame* frame = app().docTemplate().frameOf(document);
    bool dialogShown = false;
    const int answered =
        test::withModals({// Yes: the save dialog follows; cancel it.
                          [&](QWidget* modal) { answerMessage(modal, QMessageBox::Yes); },
                          [&](QWidget* saveDialog) {
                              dialogShown = qobject_cast<CFileSaveDlog*>(saveDialog) != nullptr;
                              qobject_cast<QDialog*>(saveDialog)->reject();
                          }},
                         [&] { frame->close(); });
    EXPECT_EQ(answered, 2);
    test::settle();
    EXPECT_TRUE(dialogShown);
    EXPECT_EQ(app().docTemplate().documents().size(), 1u);
    EXPECT_TRUE(frame->isVisible());
}

TEST_F(DocumentTest, TheWindowTitleMarksAModifiedDocument) {
    const QString path = rig.file("title.bmp");
    writePatternFile(rig, path, Page::kTypeRgb, 6, 6);
    CPageDocument* document = app().openDocumentFile(path);
    CChildFrame* frame = app().docTemplate().frameOf(document);
    app().runIdle();
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("title.bmp[*]"));
    EXPECT_FALSE(frame->isWindowModified());
    EXPECT_EQ(app().mainFrame()->windowTitle(), QStringLiteral("Tessary - title.bmp"));
    editPixel(*document, 0, 0, 1);
    app().runIdle();
    EXPECT_TRUE(frame->isWindowModified());
    EXPECT_EQ(app().mainFrame()->windowTitle(), QStringLiteral("Tessary - title.bmp*"));
}

TEST_F(DocumentTest, TheImageWindowCannotBeMadeSmallerThan400By200) {
    NewImageResult request;
    request.width = 4;
    request.height = 4;
    CPageDocument* document = app().newDocument(request);
    CChildFrame* frame = app().docTemplate().frameOf(document);
    frame->resize(100, 50);
    EXPECT_GE(frame->width(), 400);
    EXPECT_GE(frame->height(), 200);
}

TEST_F(DocumentTest, UnitCommandsSetTheUnitInForceAndTheInfoBar) {
    NewImageResult request;
    request.width = 144;
    request.height = 72;
    CPageDocument* document = app().newDocument(request);
    ASSERT_NE(document, nullptr);
    CommandRouter& router = app().router();
    EXPECT_TRUE(router.queryState(cmd::kUnitPixels).checked);
    EXPECT_TRUE(router.dispatch(cmd::kUnitInches));
    EXPECT_EQ(app().globals().unit(), 1);
    EXPECT_TRUE(router.queryState(cmd::kUnitInches).checked);
    EXPECT_FALSE(router.queryState(cmd::kUnitPixels).checked);
    CChildFrame* frame = app().docTemplate().frameOf(document);
    EXPECT_EQ(frame->infoBar()->imageSizeText(), QStringLiteral("2.00 x 1.00 Inches"));
    router.dispatch(cmd::kUnitCentimeters);
    EXPECT_EQ(frame->infoBar()->imageSizeText(), QStringLiteral("5.08 x 2.54 Centimeters"));
    router.dispatch(cmd::kUnitPixels);
    EXPECT_EQ(frame->infoBar()->imageSizeText(), QStringLiteral("144 x 72 Pixels"));
}

TEST_F(DocumentTest, ExitAsksForEveryModifiedDocument) {
    const QString path = rig.file("exit.bmp");
    writePatternFile(rig, path, Page::kTypeRgb, 6, 6);
    CPageDocument* document = app().openDocumentFile(path);
    editPixel(*document, 0, 0, 1);
    bool result = true;
    test::withModal([&](QWidget* modal) { answerMessage(modal, QMessageBox::Cancel); },
                    [&] { result = app().requestExit(); });
    EXPECT_FALSE(result);
    EXPECT_EQ(app().docTemplate().documents().size(), 1u);
    EXPECT_TRUE(app().mainFrame()->isVisible());
}

}  // namespace
}  // namespace tessary
