#include "shell/app/korvel_app.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLocalServer>
#include <QMdiArea>
#include <QMimeData>
#include <QProcess>
#include <QStatusBar>
#include <QTest>
#include <QUrl>

#include "app/preference_file.h"
#include "app/zerozevuv.h"
#include "model/page.h"
#include "plugins/page_file_io.h"
#include "shell/app/command_ids.h"
#include "shell/app/command_line.h"
#include "shell/app/command_router.h"
#include "shell/app/doc_template.h"
#include "shell/app/main_frame.h"
#include "shell/app/main_menu.h"
#include "shell/app/page_document.h"
#include "shell/app/recent_file_list.h"
#include "shell/chrome/tool_palette.h"
#include "shell/dialogs/new_image_dlog.h"
#include "shell/services/single_instance.h"
#include "shell_test_support.h"
#include "tools/paint/brush_tool.h"
#include "tools/tool_box.h"

namespace tessary {
namespace {

using test::EditorRig;
namespace fs = std::filesystem;

// A swap file anywhere below `folder` (the process's swap folder included).
bool anySwapFile(const fs::path& folder) {
    if (!fs::exists(folder)) return false;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.path().filename().string().rfind("VMemF_", 0) == 0) return true;
    }
    return false;
}

// Little-endian word n (1-based) of the preference file.
std::int32_t preferenceWord(const fs::path& file, int n) {
    QFile in(QString::fromStdString(file.string()));
    if (!in.open(QIODevice::ReadOnly)) return -1;
    const QByteArray bytes = in.readAll();
    if (bytes.size() < 4 * n) return -1;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData()) + 4 * (n - 1);
    return static_cast<std::int32_t>(p[0] | (p[1] << 8) | (p[2] << 16) |
                                     (std::uint32_t{p[3]} << 24));
}

TEST(StartUp, AFirstStartMakesTheFoldersAndOpensNoDocument) {
    EditorRig rig;
    ASSERT_EQ(rig.startResult(), CKorvelApp::StartResult::Started);
    EXPECT_TRUE(fs::is_directory(rig.stuffFolder() / "Temp"));
    EXPECT_TRUE(fs::is_directory(rig.stuffFolder() / "Plugins"));
    EXPECT_TRUE(rig.app().docTemplate().documents().empty());
    EXPECT_TRUE(anySwapFile(rig.stuffFolder() / "Temp"));  // the tile store runs
    CMainFrame* frame = rig.app().mainFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Tessary"));
    EXPECT_EQ(frame->size(), QSize(560, 440));
    ASSERT_NE(frame->toolPalette(), nullptr);
    EXPECT_TRUE(frame->toolPalette()->isVisible());
    // The idle message comes back after a menu prompt is cleared.
    EXPECT_EQ(frame->statusBar()->currentMessage(), QStringLiteral("Ready"));
    frame->statusBar()->showMessage(QStringLiteral("Opens an existing document"));
    frame->statusBar()->clearMessage();
    EXPECT_EQ(frame->statusBar()->currentMessage(), QStringLiteral("Ready"));
}

TEST(StartUp, ExitWritesThePreferencesAndLeavesNoSwapFile) {
    EditorRig rig;
    const fs::path prefs = rig.stuffFolder() / "QSPrefs";
    EXPECT_FALSE(fs::exists(prefs));
    rig.app().globals().setOpacity(77);
    BudgetPrefs budget = rig.app().globals().budgetPrefs();
    budget.percentToUse = 33;
    rig.app().globals().setBudgetPrefs(budget);
    rig.app().exitInstance();
    ASSERT_TRUE(fs::exists(prefs));
    EXPECT_EQ(fs::file_size(prefs), 232u);  // the record and its tail
    EXPECT_EQ(preferenceWord(prefs, 1), 1);    // version
    EXPECT_EQ(preferenceWord(prefs, 5), 77);   // opacity
    EXPECT_EQ(preferenceWord(prefs, 14), 33);  // PercentToUse
    EXPECT_FALSE(anySwapFile(rig.stuffFolder() / "Temp"));
    EXPECT_FALSE(rig.app().running());
}

TEST(StartUp, TheNextStartReadsWhatTheLastOneWrote) {
    EditorRig rig;
    BudgetPrefs budget = rig.app().globals().budgetPrefs();
    budget.percentToUse = 21;
    rig.app().globals().setBudgetPrefs(budget);
    rig.app().globals().setForeground(0x123456);
    rig.app().exitInstance();
    setenv("TESSARY_PROGRAM_FOLDER", rig.programFolder().c_str(), 1);
    StartOptions options;
    options.singleInstance = false;
    options.splash = false;
    ASSERT_EQ(rig.app().initInstance(options), CKorvelApp::StartResult::Started);
    EXPECT_EQ(rig.app().globals().budgetPrefs().percentToUse, 21);
    EXPECT_EQ(rig.app().globals().foreground(), 0x123456u);
}

// The tool box starts from the preference file: the brush's options and the
// current tool chosen in one run are in force in the next.
TEST(StartUp, ToolOptionsAndTheCurrentToolSurviveARestart) {
    EditorRig rig;
    ToolBox* tools = rig.app().context().tools;
    ASSERT_NE(tools, nullptr);
    EXPECT_EQ(tools, &rig.app().tools());
    // A first start: the preferences' defaults (size 9, class 1, profile 8,
    // spacing 25 %) and the arrow.
    EXPECT_EQ(tools->currentIndex(), ToolBox::kArrow);
    auto* brush = static_cast<BrushTool*>(tools->tool(ToolBox::kBrush));
    EXPECT_EQ(brush->options(), (BrushOptions{9, 9, BrushTool::kLoadedThickness, 1, 8, 25, false}));

    const BrushOptions chosen{17, 17, BrushTool::kLoadedThickness, 3, 11, 40, true};
    brush->setOptions(chosen);
    tools->setCurrentIndex(ToolBox::kPencil);
    rig.app().exitInstance();

    setenv("TESSARY_PROGRAM_FOLDER", rig.programFolder().c_str(), 1);
    StartOptions options;
    options.singleInstance = false;
    options.splash = false;
    ASSERT_EQ(rig.app().initInstance(options), CKorvelApp::StartResult::Started);
    ToolBox& restarted = rig.app().tools();
    EXPECT_EQ(rig.app().context().tools, &restarted);
    EXPECT_EQ(restarted.currentIndex(), ToolBox::kPencil);
    EXPECT_EQ(static_cast<BrushTool*>(restarted.tool(ToolBox::kBrush))->options(), chosen);
}

TEST(StartUp, ExitClosesOpenDocumentsBeforeTheStoreStops) {
    EditorRig rig;
    NewImageResult request;
    request.width = 300;
    request.height = 300;
    ASSERT_NE(rig.app().newDocument(request), nullptr);
    ASSERT_NE(rig.app().newDocument(request), nullptr);
    rig.app().exitInstance();
    EXPECT_FALSE(anySwapFile(rig.stuffFolder() / "Temp"));
    EXPECT_TRUE(fs::exists(rig.stuffFolder() / "QSPrefs"));
}

TEST(StartUp, AProgramFolderThatCannotBeMadeEndsStartUp) {
    test::TempDir dir;
    const fs::path blocker = dir.path() / "file";
    QFile file(QString::fromStdString(blocker.string()));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    // "QSStuff" would have to be made inside a plain file.
    setenv("TESSARY_PROGRAM_FOLDER", blocker.c_str(), 1);
    StartOptions options;
    options.singleInstance = false;
    options.splash = false;
    EXPECT_EQ(test::theApp().initInstance(options), CKorvelApp::StartResult::GlobalsFailed);
    EXPECT_FALSE(test::theApp().running());
    EXPECT_EQ(test::theApp().mainFrame(), nullptr);
    unsetenv("TESSARY_PROGRAM_FOLDER");
}

TEST(StartUp, ACommandLineFileIsOpened) {
    test::TempDir images;
    const QString path = QString::fromStdString((images.path() / "start.png").string());
    {
        EditorRig writer;
        auto page =
            test::makePatternPage(writer.app().globals().pageEnvironment(), Page::kTypeRgb, 9, 9);
        ASSERT_EQ(writer.app().context().files->save(*page, path.toStdString()),
                  PageFileError::None);
    }
    EditorRig rig(true, {path});
    ASSERT_EQ(rig.startResult(), CKorvelApp::StartResult::Started);
    ASSERT_EQ(rig.app().docTemplate().documents().size(), 1u);
    EXPECT_TRUE(test::pageShowsPattern(*rig.app().docTemplate().documents()[0]->page()));
}

TEST(StartUp, ACommandLineFileThatDoesNotOpenEndsStartUp) {
    test::TempDir images;
    const QString missing = QString::fromStdString((images.path() / "missing.bmp").string());
    bool shown = false;
    test::withModal(
        [&](QWidget* modal) {
            shown = true;
            test::clickButton(modal, QStringLiteral("&OK")) ||
                test::clickButton(modal, QStringLiteral("OK"));
        },
        [&] {
            EditorRig rig(true, {missing});
            EXPECT_EQ(rig.startResult(), CKorvelApp::StartResult::OpenFailed);
            EXPECT_FALSE(rig.app().running());
        });
    EXPECT_TRUE(shown);
}

TEST(CommandLine, SwitchesAndFiles) {
    ParsedCommandLine plain = parseCommandLine({"a.bmp", "/home/b.png"});
    EXPECT_EQ(plain.filesToOpen, (QStringList{"a.bmp", "/home/b.png"}));
    EXPECT_FALSE(plain.print);
    ParsedCommandLine print = parseCommandLine({"/p", "c.bmp"});
    EXPECT_TRUE(print.print);
    EXPECT_EQ(print.printFile, QStringLiteral("c.bmp"));
    EXPECT_TRUE(print.printerName.isEmpty());
    EXPECT_TRUE(print.filesToOpen.isEmpty());
    ParsedCommandLine named = parseCommandLine({"-pt", "d.bmp", "out.pdf"});
    EXPECT_EQ(named.printFile, QStringLiteral("d.bmp"));
    EXPECT_EQ(named.printerName, QStringLiteral("out.pdf"));
    ParsedCommandLine odd = parseCommandLine({"/dde", "-x", "e.bmp"});
    EXPECT_EQ(odd.unknownSwitches, (QStringList{"/dde", "-x"}));
    EXPECT_EQ(odd.filesToOpen, QStringList{"e.bmp"});
    EXPECT_TRUE(parseCommandLine({"/pt", "f.bmp"}).incomplete);
    EXPECT_EQ(absolutePath(QStringLiteral("x/../y.bmp"), QStringLiteral("/base")),
              QStringLiteral("/base/y.bmp"));
    EXPECT_EQ(absolutePath(QStringLiteral("/abs.bmp"), QStringLiteral("/base")),
              QStringLiteral("/abs.bmp"));
}

TEST(Idle, MenusFollowTheActiveDocument) {
    EditorRig rig;
    CommandRouter& router = rig.app().router();
    rig.app().runIdle();
    EXPECT_FALSE(router.action(cmd::kFileSaveAs)->isEnabled());
    NewImageResult request;
    request.width = 10;
    request.height = 10;
    CPageDocument* document = rig.app().newDocument(request);
    ASSERT_NE(document, nullptr);
    test::settle();  // idle passes run whenever the event loop waits
    EXPECT_TRUE(router.action(cmd::kFileSaveAs)->isEnabled());
    EXPECT_TRUE(router.action(cmd::kFileClose)->isEnabled());
    EXPECT_TRUE(router.action(cmd::kWindowCascade)->isEnabled());
    rig.app().docTemplate().closeAllDocuments();
    test::settle();
    EXPECT_FALSE(router.action(cmd::kFileSaveAs)->isEnabled());
}

// Tiling or cascading windows that cannot shrink to fit leaves the main
// window as it is: the document area scrolls to what lies outside it.
TEST(Windows, ArrangingDocumentsKeepsTheMainWindowsSize) {
    EditorRig rig;
    NewImageResult request;
    request.width = 600;
    request.height = 400;
    for (int i = 0; i < 3; ++i) ASSERT_NE(rig.app().newDocument(request), nullptr);
    test::settle();
    CMainFrame* frame = rig.app().mainFrame();
    const QSize size = frame->size();
    for (const int command : {cmd::kWindowTile, cmd::kWindowCascade, cmd::kWindowTile}) {
        EXPECT_TRUE(rig.app().router().dispatch(command));
        test::settle();
        EXPECT_EQ(frame->size(), size) << command;
    }
    rig.app().docTemplate().closeAllDocuments();
}

TEST(Idle, AcceleratorsReachTheActiveDocument) {
    EditorRig rig;
    NewImageResult request;
    request.fill = 3;  // modified
    request.width = 10;
    request.height = 10;
    CPageDocument* document = rig.app().newDocument(request);
    ASSERT_NE(document, nullptr);
    test::settle();
    rig.app().mainFrame()->activateWindow();
    bool shown = false;
    test::withModal(
        [&](QWidget* modal) {
            shown = QString::fromLatin1(modal->metaObject()->className()) ==
                    QStringLiteral("tessary::CFileSaveDlog");
            qobject_cast<QDialog*>(modal)->reject();
        },
        [&] { QTest::keyClick(rig.app().mainFrame(), Qt::Key_S, Qt::ControlModifier); }, 3000);
    EXPECT_TRUE(shown);  // Ctrl+S on an untitled document asks for a name
}

TEST(WindowMenu, ListsTheImageWindowsAndActivatesThem) {
    EditorRig rig;
    NewImageResult request;
    request.width = 10;
    request.height = 10;
    CPageDocument* first = rig.app().newDocument(request);
    CPageDocument* second = rig.app().newDocument(request);
    ASSERT_EQ(rig.app().activeDocument(), second);
    CommandRouter& router = rig.app().router();
    rig.app().runIdle();
    EXPECT_EQ(router.action(cmd::kWindowListFirst)->text(), QStringLiteral("&1 Untitled 1"));
    EXPECT_TRUE(router.queryState(cmd::kWindowListFirst + 1).checked);
    EXPECT_TRUE(router.dispatch(cmd::kWindowListFirst));
    EXPECT_EQ(rig.app().activeDocument(), first);
    EXPECT_TRUE(router.dispatch(cmd::kWindowToolPalette));
    EXPECT_FALSE(rig.app().mainFrame()->toolPalette()->isVisible());
    EXPECT_FALSE(router.queryState(cmd::kWindowToolPalette).checked);
}

TEST(Files, DroppedFilesOpen) {
    EditorRig rig;
    const QString path = rig.file("dropped.bmp");
    auto page = test::makePatternPage(rig.app().globals().pageEnvironment(), Page::kTypeRgb, 6, 5);
    ASSERT_EQ(rig.app().context().files->save(*page, path.toStdString()), PageFileError::None);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    CMainFrame* frame = rig.app().mainFrame();
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(frame, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(frame, &drop);
    ASSERT_EQ(rig.app().docTemplate().documents().size(), 1u);
    EXPECT_EQ(rig.app().activeDocument()->path(), path);
}

TEST(Files, ARecentFileThatNoLongerOpensLeavesTheList) {
    EditorRig rig;
    const QString kept = rig.file("kept.bmp");
    auto page = test::makePatternPage(rig.app().globals().pageEnvironment(), Page::kTypeRgb, 4, 4);
    ASSERT_EQ(rig.app().context().files->save(*page, kept.toStdString()), PageFileError::None);
    RecentFileList& recent = *rig.app().context().recentFiles;
    recent.add(rig.file("gone.bmp"));
    recent.add(kept);
    rig.app().mainFrame()->mainMenu()->setRecentFiles(recent.paths());
    CommandRouter& router = rig.app().router();
    EXPECT_TRUE(router.queryState(cmd::kRecentFileFirst + 1).enabled);
    EXPECT_FALSE(router.queryState(cmd::kRecentFileFirst + 2).enabled);
    // Entry 2 names a missing file: the error shows and the entry goes.
    const bool shown =
        test::withModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->accept(); },
                        [&] { router.dispatch(cmd::kRecentFileFirst + 1); });
    EXPECT_TRUE(shown);
    EXPECT_EQ(recent.paths(), QStringList{kept});
    EXPECT_EQ(router.action(cmd::kRecentFileFirst)->text(), QStringLiteral("&1 ") + kept);
    // Entry 1 opens.
    EXPECT_TRUE(router.dispatch(cmd::kRecentFileFirst));
    ASSERT_NE(rig.app().activeDocument(), nullptr);
    EXPECT_TRUE(test::pageShowsPattern(*rig.app().activeDocument()->page()));
}

TEST(Files, AFileHandedOverDuringADialogOpensWhenTheDialogCloses) {
    EditorRig rig;
    const QString path = rig.file("handed.bmp");
    auto page = test::makePatternPage(rig.app().globals().pageEnvironment(), Page::kTypeRgb, 6, 5);
    ASSERT_EQ(rig.app().context().files->save(*page, path.toStdString()), PageFileError::None);
    std::size_t openWhileDialogShown = 1;
    const bool drove = test::withModal(
        [&](QWidget* dialog) {
            rig.app().commandLineReceived({path}, QString());
            QTest::qWait(400);
            openWhileDialogShown = rig.app().docTemplate().documents().size();
            EXPECT_TRUE(test::clickButton(dialog, QStringLiteral("Cancel")));
        },
        [&] { rig.app().router().dispatch(cmd::kFileNew); });
    EXPECT_TRUE(drove);
    EXPECT_EQ(openWhileDialogShown, 0u);
    for (int i = 0; i < 40 && rig.app().docTemplate().documents().empty(); ++i) QTest::qWait(50);
    ASSERT_EQ(rig.app().docTemplate().documents().size(), 1u);
    EXPECT_EQ(rig.app().activeDocument()->path(), path);
}

// --- Two processes -------------------------------------------------------------

class TwoProcesses : public ::testing::Test {
protected:
    void SetUp() override {
        environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("TESSARY_PROGRAM_FOLDER"),
                           QString::fromStdString(program.path().string()));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                           QString::fromStdString((program.path() / "config").string()));
        test::copyShippedModules(program.path() / "QSStuff" / "Plugins");
    }
    void TearDown() override {
        if (first.state() != QProcess::NotRunning) {
            first.terminate();
            if (!first.waitForFinished(5000)) first.kill();
            first.waitForFinished(5000);
        }
        // A stopped instance leaves its socket file in the temporary folder.
        QLocalServer::removeServer(
            SingleInstance::serverNameFor(QString::fromStdString(program.path().string())));
    }
    QString recentFileSetting() {
        const fs::path settings =
            program.path() / "config" / "Local AppWizard-Generated Applications" / "Tessary.conf";
        QFile file(QString::fromStdString(settings.string()));
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(file.readAll());
    }
    void writeImage(const QString& path, int width, int height, double resolution) {
        EditorRig writer;
        auto page = test::makePatternPage(writer.app().globals().pageEnvironment(), Page::kTypeRgb,
                                          width, height, resolution);
        ASSERT_EQ(writer.app().context().files->save(*page, path.toStdString()),
                  PageFileError::None);
    }
    test::TempDir program;
    test::TempDir images;
    QProcessEnvironment environment;
    QProcess first;
};

TEST_F(TwoProcesses, ASecondStartHandsItsFileToTheFirstAndEnds) {
    const QString image = QString::fromStdString((images.path() / "handed.bmp").string());
    writeImage(image, 8, 8, 72.0);
    first.setProcessEnvironment(environment);
    first.start(QStringLiteral(TESSARY_EXECUTABLE), {});
    ASSERT_TRUE(first.waitForStarted(10000));
    // The first instance listens once its main window is up; wait for that.
    QTest::qWait(1500);
    ASSERT_EQ(first.state(), QProcess::Running);

    QProcess second;
    second.setProcessEnvironment(environment);
    second.setWorkingDirectory(QString::fromStdString(images.path().string()));
    second.start(QStringLiteral(TESSARY_EXECUTABLE), {QStringLiteral("handed.bmp")});
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);

    // The first instance opened the file (and so listed it as recent).
    bool opened = false;
    for (int i = 0; i < 100 && !opened; ++i) {
        opened = recentFileSetting().contains(QStringLiteral("handed.bmp"));
        if (!opened) QTest::qWait(100);
    }
    EXPECT_TRUE(opened);
}

TEST_F(TwoProcesses, PrintSwitchPrintsIntoAPdfAndEnds) {
    if (QProcess::execute(QStringLiteral("pdftoppm"), {QStringLiteral("-v")}) != 0)
        GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
    const QString image = QString::fromStdString((images.path() / "print.png").string());
    writeImage(image, 50, 30, 300.0);
    const QString pdf = QString::fromStdString((images.path() / "print.pdf").string());
    QProcess printer;
    printer.setProcessEnvironment(environment);
    printer.start(QStringLiteral(TESSARY_EXECUTABLE), {QStringLiteral("/pt"), image, pdf});
    ASSERT_TRUE(printer.waitForFinished(30000));
    EXPECT_EQ(printer.exitCode(), 0) << printer.readAllStandardError().toStdString();
    ASSERT_TRUE(QFile::exists(pdf));
    // The printed image keeps its size: 50 x 30 pixels at 300 ppi, so 4 x 4
    // pixels of the PDF printer's 1200 dpi each, at the top left of the page
    // (a PDF file's printable area is the whole page).
    const QString prefix = pdf + QStringLiteral("-r");
    QProcess::execute(
        QStringLiteral("pdftoppm"),
        {QStringLiteral("-r"), QStringLiteral("1200"), QStringLiteral("-x"), QStringLiteral("0"),
         QStringLiteral("-y"), QStringLiteral("0"), QStringLiteral("-W"), QStringLiteral("208"),
         QStringLiteral("-H"), QStringLiteral("128"), QStringLiteral("-png"),
         QStringLiteral("-singlefile"), pdf, prefix});
    const QImage rendered(prefix + QStringLiteral(".png"));
    ASSERT_EQ(rendered.size(), QSize(208, 128));
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 50; ++x) {
            const std::uint32_t c = test::patternColour(x, y);
            ASSERT_EQ(rendered.pixel(4 * x + 2, 4 * y + 2),
                      qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF))
                << x << ", " << y;
        }
    }
    EXPECT_EQ(rendered.pixel(202, 2), qRgb(255, 255, 255));
    EXPECT_EQ(rendered.pixel(2, 122), qRgb(255, 255, 255));
}

}  // namespace
}  // namespace tessary
