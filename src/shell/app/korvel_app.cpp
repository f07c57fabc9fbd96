#include "shell/app/korvel_app.h"

#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "acquire/acquire_commands.h"
#include "acquire/c_twain.h"
#include "app/program_folder.h"
#include "app/string_ids.h"
#include "app/string_table.h"
#include "app/zerozevuv.h"
#include "exchange/page_scrap.h"
#include "model/page.h"
#include "platform/assert.h"
#include "plugins/menu_model.h"
#include "plugins/page_file_io.h"
#include "plugins/plug_in_commands.h"
#include "plugins/plug_in_host.h"
#include "plugins/plug_in_list.h"
#include "plugins/plug_in_setup.h"
#include "render/page_draw.h"
#include "shell/app/acquire_services.h"
#include "shell/app/child_frame.h"
#include "shell/app/command_ids.h"
#include "shell/app/command_line.h"
#include "shell/app/command_router.h"
#include "shell/app/doc_template.h"
#include "shell/app/idle_processor.h"
#include "shell/app/main_frame.h"
#include "shell/app/main_menu.h"
#include "shell/app/page_document.h"
#include "shell/app/recent_file_list.h"
#include "shell/view/direct_tracker.h"
#include "shell/chrome/color_swatch.h"
#include "shell/chrome/error_box.h"
#include "shell/chrome/therm_obj.h"
#include "shell/chrome/tool_palette.h"
#include "shell/dialogs/about_dlog.h"
#include "shell/dialogs/module_question_dialogs.h"
#include "shell/dialogs/new_image_dlog.h"
#include "shell/dialogs/prefs_dlg.h"
#include "shell/services/file_error_text.h"
#include "shell/services/file_type_filters.h"
#include "shell/services/page_printer.h"
#include "shell/services/single_instance.h"
#include "shell/services/system_clipboard.h"
#include "shell/view/direct_tracker.h"
#include "tools/tool_box.h"

namespace tessary {

namespace {

constexpr int kProductName = 128;
constexpr std::int32_t kFillWhite = 1;
constexpr std::int32_t kFillBlack = 2;
constexpr std::int32_t kFillClipboard = 3;
// The plug-in progress window's style: two text lines, a bar, Cancel.
constexpr int kPlugInProgressStyle = 25002;

// Keeps the application responsive while a module runs its own loop.
class PumpPort : public MessagePumpPort {
public:
    void dispatchEvent(const PlugInEvent&) override {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
};

// The system colour dialog for modules that ask for a colour.
class ColourDialogPort : public ColourChooserPort {
public:
    explicit ColourDialogPort(QWidget* parent) : m_parent(parent) {}
    bool chooseColour(std::uint32_t initial, std::uint32_t& chosen) override {
        const QColor colour = QColorDialog::getColor(colorFromValue(initial), m_parent);
        if (!colour.isValid()) return false;
        chosen = valueFromColor(colour);
        return true;
    }

private:
    QPointer<QWidget> m_parent;
};

PumpPort& pumpPort() {
    static PumpPort pump;
    return pump;
}

// A whole pixel count from the dialog's size: truncated, at least 1, and
// within the 32-bit range pages use.
std::int32_t pageExtent(double pixels) {
    if (!std::isfinite(pixels) || pixels < 1.0) return 1;
    if (pixels >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(pixels);
}

}  // namespace

CKorvelApp::CKorvelApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QString::fromStdString(loadString(kProductName)));
    setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
    setQuitOnLastWindowClosed(false);
    m_handOverRetry.setInterval(200);
    connect(&m_handOverRetry, &QTimer::timeout, this, &CKorvelApp::runHandOvers);
    connect(this, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
        if (s == Qt::ApplicationActive) applicationActivated();
        if (s == Qt::ApplicationInactive) applicationDeactivated();
    });
}

CKorvelApp::~CKorvelApp() {
    exitInstance();
}

CKorvelApp* CKorvelApp::instance() {
    return qobject_cast<CKorvelApp*>(QCoreApplication::instance());
}

const MenuModel& CKorvelApp::importMenuModel() const {
    return *m_importModel;
}
const MenuModel& CKorvelApp::exportMenuModel() const {
    return *m_exportModel;
}
const MenuModel& CKorvelApp::filterMenuModel() const {
    return *m_filterModel;
}

void CKorvelApp::setViewFactory(ViewFactory factory) {
    m_viewFactory = factory;
    if (m_template) m_template->setViewFactory(std::move(factory));
}

// --- Start-up ------------------------------------------------------------------

CKorvelApp::StartResult CKorvelApp::initInstance(const StartOptions& options) {
    TS_ASSERT(!m_running);
    m_workingDirectory =
        options.workingDirectory.isEmpty() ? QDir::currentPath() : options.workingDirectory;
    const ProgramFolders folders = defaultProgramFolders();
    const std::filesystem::path& programFolder = folders.program;

    // 1. One instance per program folder.
    if (options.singleInstance) {
        auto* instance = new SingleInstance(
            SingleInstance::serverNameFor(QString::fromStdString(programFolder.string())), this);
        if (instance->handOver(options.arguments, m_workingDirectory)) {
            delete instance;
            return StartResult::HandedOver;
        }
        instance->listen();
        connect(instance, &SingleInstance::commandLineReceived, this,
                &CKorvelApp::commandLineReceived);
        m_singleInstance = instance;
    }

    // 2. Splash, recent files.
    if (options.splash) {
        m_splash = new CAboutDlogHandler;
        m_splash->setAttribute(Qt::WA_DeleteOnClose);
        m_splash->showAsSplash();
        processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    m_recentFiles = std::make_unique<RecentFileList>();

    // 3. The globals.
    std::error_code ignored;  // a folder that cannot be made fails initialise()
    std::filesystem::create_directories(programFolder, ignored);
    m_globals = std::make_unique<ZERozevuv>(folders);
    if (!startGlobals()) {
        std::fprintf(stderr,
                     "%s could not start: the folders under %s could not be made, or the drive "
                     "has less than 1025 KB free.\n",
                     loadString(kProductName).c_str(), programFolder.c_str());
        if (m_splash) m_splash->close();
        exitInstance();
        return StartResult::GlobalsFailed;
    }
    m_running = true;

    // 4, 5. Main frame with its palette, and the document template.
    buildMainFrame();

    // 6. Plug-ins and the source manager; 7. the clipboard; 8. dropped files
    // (the frame accepts them).
    discoverPlugIns();
    m_twain = std::make_unique<CTwain>();
    m_twain->setParentWindow(static_cast<QWidget*>(m_mainFrame));
    m_twain->loadManager();
    if (m_scrap) {
        m_scrap->setActive(true);
        m_clipboard->importInto(*m_scrap);
    }

    // 9. The command line.
    const StartResult commandLine = processCommandLine(options);

    // 10. Splash away, main window up.
    if (m_splash) m_splash->close();
    if (commandLine != StartResult::Started) {
        exitInstance();
        return commandLine;
    }
    if (options.showWindows) {
        m_mainFrame->showWithPalette();
        m_mainFrame->activateWindow();
    }
    runIdle();
    return StartResult::Started;
}

bool CKorvelApp::startGlobals() {
    if (!m_globals->initialise()) return false;
    // The tools work on the globals' colours and opacity; their options and
    // the current tool come from the preference file just read.
    PreferenceSet& preferences = m_globals->preferences();
    m_tools = std::make_unique<ToolBox>(m_globals->toolGlobals());
    m_tools->loadOptions(&preferences.toolBox);
    m_tools->setCurrentIndex(preferences.global.currentTool);
    m_context.tools = m_tools.get();
    m_renderer = std::make_unique<PageDraw>();
    if (!m_renderer->initialise(PageDraw::kStandardBand, PageDraw::kStandardBand)) return false;
    m_scrap = std::make_unique<PageScrap>(m_globals->tileStore(), &m_globals->pageDataList());
    m_clipboard = std::make_unique<CSystemClipboard>();
    m_plugIns = std::make_unique<PlugInList>();
    m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    m_context.globals = m_globals.get();
    m_context.plugIns = m_plugIns.get();
    m_context.scrap = m_scrap.get();
    m_context.renderer = m_renderer.get();
    m_context.recentFiles = m_recentFiles.get();
    m_context.printer = m_printer.get();
    return true;
}

void CKorvelApp::buildMainFrame() {
    m_router = std::make_unique<CommandRouter>();
    m_router->setChainProvider([this] { return commandChain(); });
    m_mainFrame = new CMainFrame(*m_router, &m_context);
    m_context.mainWindow = m_mainFrame;
    connect(m_mainFrame, &CMainFrame::closeRequested, this, [this] { requestExit(); });
    connect(m_mainFrame, &CMainFrame::filesDropped, this, [this](const QStringList& paths) {
        for (const QString& path : paths) openDocumentFile(path);
    });
    m_mainFrame->mainMenu()->setRecentFiles(m_recentFiles->paths());

    m_template = std::make_unique<CDocTemplate>(m_context, *m_router, *m_mainFrame->mdiArea());
    if (m_viewFactory) m_template->setViewFactory(m_viewFactory);
    connect(m_template.get(), &CDocTemplate::documentsChanged, m_mainFrame,
            &CMainFrame::modelChanged);

    m_plugInProgress = std::make_unique<CThermObj>(kPlugInProgressStyle, m_mainFrame);
    m_host = std::make_unique<PlugInHost>(*m_plugInProgress, m_globals->blendTable());
    m_host->setMessagePump(&pumpPort());
    m_host->setWorkers(&m_globals->workers());
    applyModuleCalls();
    m_colourChooser = std::make_unique<ColourDialogPort>(m_mainFrame);
    m_host->setColourChooser(m_colourChooser.get());
    m_moduleQuestions = std::make_unique<CModuleQuestionDialogs>(m_mainFrame);
    m_host->setModuleQuestions(m_moduleQuestions.get());
    m_host->setColours(m_globals->foreground(), m_globals->background());
    m_context.host = m_host.get();
    m_files = std::make_unique<PageFileIO>(*m_host, *m_plugIns, m_globals->pageEnvironment());
    m_context.files = m_files.get();
    m_progressFactory = std::make_unique<CThermFactory>(m_mainFrame);

    m_idle = std::make_unique<IdleProcessor>();
    connect(m_idle.get(), &IdleProcessor::idle, this, &CKorvelApp::onIdle);
}

void CKorvelApp::discoverPlugIns() {
    m_importModel = std::make_unique<MenuModel>();
    m_exportModel = std::make_unique<MenuModel>();
    m_filterModel = std::make_unique<MenuModel>();
    PlugInMenus menus;
    menus.importMenu = m_importModel.get();
    menus.exportMenu = m_exportModel.get();
    menus.filterMenu = m_filterModel.get();
    BuildPlugInMenus(*m_plugIns, m_globals->plugInFolders(), menus);
    MainMenu& menu = *m_mainFrame->mainMenu();
    menu.fillPlugInMenu(menu.importMenu(), *m_importModel);
    menu.fillPlugInMenu(menu.exportMenu(), *m_exportModel);
    menu.fillPlugInMenu(menu.filterPlugInMenu(), *m_filterModel);
}

CKorvelApp::StartResult CKorvelApp::processCommandLine(const StartOptions& options) {
    const ParsedCommandLine parsed = parseCommandLine(options.arguments);
    for (const QString& unknown : parsed.unknownSwitches)
        std::fprintf(stderr, "Ignoring the unknown switch %s\n", qUtf8Printable(unknown));
    if (parsed.print) {
        return printFromCommandLine(absolutePath(parsed.printFile, m_workingDirectory),
                                    parsed.printerName);
    }
    for (const QString& file : parsed.filesToOpen) {
        if (openDocumentFile(absolutePath(file, m_workingDirectory)) == nullptr)
            return StartResult::OpenFailed;
    }
    return StartResult::Started;
}

CKorvelApp::StartResult CKorvelApp::printFromCommandLine(const QString& file,
                                                         const QString& printerName) {
    CPageDocument* document = openDocumentFile(file);
    if (document == nullptr) return StartResult::PrintFailed;
    QPrinter& printer = *m_printer;
    if (printerName.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive)) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(absolutePath(printerName, m_workingDirectory));
        // A PDF file can be printed to its edges: its printable area is the page.
        printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    } else if (!printerName.isEmpty()) {
        printer.setPrinterName(printerName);
    }
    const CPagePrinter::Outcome outcome =
        CPagePrinter::printCommand(*document, m_context, /*withDialog=*/false);
    if (CChildFrame* frame = m_template->frameOf(document)) {
        frame->setCloseWithoutAsking(true);
        frame->close();
    }
    return outcome == CPagePrinter::Outcome::Printed ? StartResult::Printed
                                                     : StartResult::PrintFailed;
}

bool CKorvelApp::busyForHandOvers() const {
    return (m_router && m_router->running()) || DirectTracker::anyTracking() ||
           (m_host && m_host->busy()) || QApplication::activeModalWidget() != nullptr;
}

void CKorvelApp::commandLineReceived(const QStringList& arguments,
                                     const QString& workingDirectory) {
    if (!m_running) return;
    // A command line that arrives while a command, a dialog or a stroke is
    // under way waits for it to end: opening a document inside its event
    // loop would change the active document under it.
    m_handOvers.push_back({arguments, workingDirectory});
    if (!m_handOverRetry.isActive()) m_handOverRetry.start();
    runHandOvers();
}

void CKorvelApp::runHandOvers() {
    if (!m_running) {
        m_handOvers.clear();
        m_handOverRetry.stop();
        return;
    }
    while (!m_handOvers.empty() && !busyForHandOvers()) {
        const HandOver next = m_handOvers.front();
        m_handOvers.pop_front();
        openHandedOver(next.arguments, next.workingDirectory);
    }
    if (m_handOvers.empty()) m_handOverRetry.stop();
}

void CKorvelApp::openHandedOver(const QStringList& arguments, const QString& workingDirectory) {
    const ParsedCommandLine parsed = parseCommandLine(arguments);
    if (parsed.print) {
        if (CPageDocument* document =
                openDocumentFile(absolutePath(parsed.printFile, workingDirectory))) {
            CPagePrinter::printCommand(*document, m_context, /*withDialog=*/true);
        }
    }
    for (const QString& file : parsed.filesToOpen)
        openDocumentFile(absolutePath(file, workingDirectory));
    // Bring the window forward, restored when it was minimised.
    if (m_mainFrame->isMinimized()) m_mainFrame->showNormal();
    m_mainFrame->show();
    m_mainFrame->raise();
    m_mainFrame->activateWindow();
}

// --- Exit ----------------------------------------------------------------------

bool CKorvelApp::requestExit() {
    if (!m_running) {
        quit();
        return true;
    }
    if (!m_template->saveAllModified()) return false;
    m_template->closeAllDocuments();
    m_mainFrame->setCloseApproved(true);
    m_mainFrame->close();
    quit();
    return true;
}

int CKorvelApp::exitInstance() {
    if (m_template) m_template->closeAllDocuments();
    m_template.reset();
    m_idle.reset();
    m_progressFactory.reset();
    if (m_mainFrame != nullptr) {
        delete m_mainFrame;
        m_mainFrame = nullptr;
    }
    m_context = ShellContext{};
    m_router.reset();
    m_files.reset();
    m_host.reset();
    m_colourChooser.reset();
    m_moduleQuestions.reset();
    m_plugInProgress.reset();
    if (m_plugIns) m_plugIns->FreePlugInList();
    m_plugIns.reset();
    if (m_twain) m_twain->closeDownTo(CTwain::kManagerNotLoaded);
    m_twain.reset();
    m_importModel.reset();
    m_exportModel.reset();
    m_filterModel.reset();
    m_printer.reset();
    // Everything holding tiles goes before the store stops.
    m_scrap.reset();
    m_clipboard.reset();
    m_renderer.reset();
    if (m_recentFiles) m_recentFiles->save();
    m_recentFiles.reset();
    // The tools' options and the current tool go into the preferences that
    // the globals' shutdown writes to the preference file.
    if (m_tools) {
        PreferenceSet& preferences = m_globals->preferences();
        m_tools->storeOptions(preferences.toolBox);
        if (m_tools->currentIndex() != ToolBox::kNone)
            preferences.global.currentTool = m_tools->currentIndex();
        m_tools->releaseResources();
        m_tools.reset();
    }
    if (m_globals) m_globals->shutDown();
    m_globals.reset();
    delete m_singleInstance;
    m_singleInstance = nullptr;
    m_running = false;
    return 0;
}

// --- Idle ----------------------------------------------------------------------

void CKorvelApp::runIdle() {
    if (m_idle) m_idle->runNow();
}

void CKorvelApp::onIdle() {
    if (!m_running) return;
    // A drag's loop waits for events many times a second; menus, titles and
    // the outline catch up when it ends.
    if (DirectTracker::anyTracking()) return;
    m_router->updateAll();
    for (CPageDocument* document : m_template->documents()) {
        if (CChildFrame* frame = m_template->frameOf(document)) {
            frame->updateTitle();
            frame->refreshInfo();
            if (frame->view() != nullptr) frame->view()->idle();
        }
    }
    // The main window's title and window list follow the model's changes
    // (CMainFrame::modelChanged), not the idle passes.
    if (m_mainFrame->toolPalette() != nullptr) m_mainFrame->toolPalette()->refresh();
    m_host->setColours(m_globals->foreground(), m_globals->background());
}

void CKorvelApp::applicationActivated() {
    if (m_running && m_scrap && m_scrap->active()) m_clipboard->importInto(*m_scrap);
}

void CKorvelApp::applicationDeactivated() {
    if (m_running && m_scrap && m_scrap->active()) m_clipboard->publishFrom(*m_scrap);
}

// --- Documents -----------------------------------------------------------------

CPageDocument* CKorvelApp::activeDocument() const {
    if (m_mainFrame == nullptr) return nullptr;
    CChildFrame* frame = m_mainFrame->activeChildFrame();
    return frame != nullptr ? &frame->document() : nullptr;
}

CPageDocument* CKorvelApp::openDocumentFile(const QString& path) {
    if (!m_running) return nullptr;
    const QString absolute = absolutePath(path, m_workingDirectory);
    if (CPageDocument* open = m_template->findByPath(absolute)) {
        if (CChildFrame* frame = m_template->frameOf(open))
            m_mainFrame->mdiArea()->setActiveSubWindow(frame);
        return open;
    }
    PageFileError error = PageFileError::None;
    std::string warning;
    std::unique_ptr<Page> page = m_files->open(absolute.toStdString(), &error, &warning);
    if (!page) {
        if (error != PageFileError::Cancelled)
            showWarning(m_mainFrame, openFailureMessage(error, absolute, m_host.get()));
        return nullptr;
    }
    CPageDocument* document = m_template->createDocument(std::move(page), absolute);
    m_recentFiles->add(absolute);
    m_mainFrame->mainMenu()->setRecentFiles(m_recentFiles->paths());
    // What the format module read around (a damaged file), once the
    // document shows.
    if (!warning.empty()) showWarning(m_mainFrame, QString::fromStdString(warning));
    return document;
}

CPageDocument* CKorvelApp::newDocument(const NewImageResult& result) {
    if (!m_running) return nullptr;
    const bool grey = result.type == Page::kTypeGrey;
    const std::int32_t type = grey ? Page::kTypeGrey : Page::kTypeRgb;
    const int planes = grey ? 1 : 3;
    const std::uint8_t level = result.fill == kFillBlack ? 0 : 255;
    const std::uint8_t fills[3] = {level, level, level};
    auto page = std::make_unique<Page>(m_globals->pageEnvironment());
    if (!page->shape(type, pageExtent(result.width), pageExtent(result.height), planes, fills)) {
        // A page without pixels would be a document that shows nothing.
        showErrorCode(m_mainFrame, kErrDisk);
        return nullptr;
    }
    const double resolution = result.resolution >= 1.0 ? result.resolution : 1.0;
    page->setResolution(resolution, resolution);
    if (result.fill == kFillClipboard) {
        if (m_scrap && m_scrap->hasImage()) {
            const ErrorCode pasted = m_scrap->pasteIntoNewPage(*page);
            if (pasted != kErrNone) showErrorCode(m_mainFrame, pasted);
        }
        page->setModified(true);
    }
    return m_template->createDocument(std::move(page), QString());
}

bool CKorvelApp::openImportedPage(std::unique_ptr<Page> page, std::string_view title) {
    if (!m_running || !page) return false;
    CPageDocument* document = m_template->createDocument(std::move(page), QString());
    if (!title.empty())
        document->setTitle(QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())));
    return true;
}

// --- Commands ------------------------------------------------------------------

std::vector<CommandTarget*> CKorvelApp::commandChain() {
    std::vector<CommandTarget*> chain;
    if (m_mainFrame != nullptr) {
        if (CChildFrame* frame = m_mainFrame->activeChildFrame()) {
            if (frame->view() != nullptr) chain.push_back(frame->view());
            chain.push_back(&frame->document());
            chain.push_back(frame);
        }
        chain.push_back(m_mainFrame);
    }
    chain.push_back(this);
    return chain;
}

bool CKorvelApp::updateCommand(int id, CommandState& state) {
    switch (id) {
        case cmd::kFileNew:
        case cmd::kFileOpen:
        case cmd::kEditPreferences:
        case cmd::kAppAbout:
        case cmd::kAppExit:
            state.enabled = m_running;
            return true;
        case cmd::kFilePageSetup:
            state.enabled = m_running && m_printer != nullptr;
            return true;
        case cmd::kTwainSelect:
        case cmd::kTwainAcquire:
            state.enabled = m_running;
            return true;
        default:
            break;
    }
    if (cmd::inRange(id, cmd::kRecentFileFirst,
                     cmd::kRecentFileFirst + cmd::kRecentFileCount - 1)) {
        state.enabled = m_recentFiles && id - cmd::kRecentFileFirst < m_recentFiles->paths().size();
        return true;
    }
    if (cmd::inRange(id, cmd::kImportFirst, cmd::kImportLast)) {
        state.enabled = m_running && !m_host->busy();
        return true;
    }
    return false;
}

bool CKorvelApp::runCommand(int id) {
    switch (id) {
        case cmd::kFileNew:
            fileNew();
            return true;
        case cmd::kFileOpen:
            fileOpen();
            return true;
        case cmd::kFilePageSetup:
            pageSetup();
            return true;
        case cmd::kEditPreferences:
            preferences();
            return true;
        case cmd::kAppAbout:
            about();
            return true;
        case cmd::kAppExit:
            requestExit();
            return true;
        case cmd::kTwainSelect:
            twainSelect();
            return true;
        case cmd::kTwainAcquire:
            twainAcquire();
            return true;
        default:
            break;
    }
    if (cmd::inRange(id, cmd::kRecentFileFirst,
                     cmd::kRecentFileFirst + cmd::kRecentFileCount - 1)) {
        openRecentFile(id - cmd::kRecentFileFirst);
        return true;
    }
    if (cmd::inRange(id, cmd::kImportFirst, cmd::kImportLast)) {
        importPlugIn(id);
        return true;
    }
    return false;
}

void CKorvelApp::fileNew() {
    NewImageResult result;
    if (!CNewImageDlog::run(m_globals->preferences().fileOptions, m_scrap.get(), m_mainFrame,
                            result))
        return;
    newDocument(result);
}

void CKorvelApp::fileOpen() {
    int allFormats = 0;
    const std::vector<FileTypeFilter> filters = openFilters(*m_plugIns, &allFormats);
    const QStringList names = qtFilters(filters);
    QFileDialog dialog(m_mainFrame);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(names);
    dialog.selectNameFilter(names.at(allFormats));
    if (dialog.exec() != QDialog::Accepted) return;
    const QStringList chosen = dialog.selectedFiles();
    if (!chosen.isEmpty()) openDocumentFile(chosen.first());
}

void CKorvelApp::openRecentFile(int index) {
    const QStringList paths = m_recentFiles->paths();
    if (index < 0 || index >= paths.size()) return;
    if (openDocumentFile(paths.at(index)) == nullptr) {
        // A file that no longer opens leaves the list.
        m_recentFiles->remove(index);
    }
    m_mainFrame->mainMenu()->setRecentFiles(m_recentFiles->paths());
}

void CKorvelApp::pageSetup() {
    QPageSetupDialog dialog(m_printer.get(), m_mainFrame);
    dialog.exec();
}

void CKorvelApp::applyModuleCalls() {
    m_host->setModuleCalls(m_globals->preferences().global.modulesInProcess
                               ? ModuleCalls::InProcess
                               : ModuleCalls::Isolated);
}

void CKorvelApp::preferences() {
    CPrefsDlg dialog(*m_globals, m_mainFrame);
    if (dialog.exec() != QDialog::Accepted) return;
    applyModuleCalls();
    for (CPageDocument* document : m_template->documents()) {
        if (CChildFrame* frame = m_template->frameOf(document)) frame->refreshInfo();
    }
}

void CKorvelApp::about() {
    CAboutDlogHandler dialog(m_mainFrame);
    dialog.exec();
}

void CKorvelApp::importPlugIn(int id) {
    const bool done = PlugInImportCommand(*m_host, *m_plugIns, static_cast<std::uint32_t>(id),
                                          *this, m_globals->pageEnvironment());
    if (!done && !m_host->cancelled()) showPlugInFailure(m_mainFrame, *m_host);
}

// Both commands do nothing without a source manager, or while an
// acquisition runs (its pump runs the menus).
void CKorvelApp::twainSelect() {
    if (m_twain) SelectSourceCommand(*m_twain);
}

void CKorvelApp::twainAcquire() {
    if (!m_twain) return;
    CTwainPump pump;
    CAcquiredDocuments documents(m_globals->pageEnvironment(), [this](std::unique_ptr<Page> page) {
        if (m_running) m_template->createDocument(std::move(page), QString());
    });
    CTwain::AcquireServices services;
    services.pump = &pump;
    services.pages = &documents;
    // Nothing is reported: a failed image is simply not there.
    AcquireCommand(*m_twain, services);
    runIdle();
}

}  // namespace tessary
