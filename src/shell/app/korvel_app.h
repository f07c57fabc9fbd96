#pragma once

#include <QApplication>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <deque>
#include <memory>

#include "plugins/host_ports.h"
#include "shell/app/command_target.h"
#include "shell/app/shell_context.h"
#include "shell/view/document_view.h"

class QPrinter;

namespace tessary {

class CAboutDlogHandler;
class CTwain;
class CTwainPump;
class CDocTemplate;
class CMainFrame;
class CommandRouter;
class CPageDocument;
class CSystemClipboard;
class CThermFactory;
class CThermObj;
class IdleProcessor;
class MenuModel;
class PageDraw;
class PageFileIO;
class PageScrap;
class PlugInHost;
class PlugInList;
class RecentFileList;
class SingleInstance;
class ToolBox;
class ZERozevuv;
struct NewImageResult;

// How the application starts.
struct StartOptions {
    // The command line without the program name: files to open, or "/p file"
    // (print on the current printer) or "/pt file printer" (print on the
    // named printer; a name ending in ".pdf" prints into that PDF file).
    QStringList arguments;
    // The folder relative file names are taken from (the current one when
    // empty).
    QString workingDirectory;
    // Refuse to run beside an instance on the same program folder.
    bool singleInstance = true;
    // Show the About dialog while starting.
    bool splash = true;
    // Show the main window at the end of start-up.
    bool showWindows = true;
};

// The application: starts the program, owns the application-wide objects,
// and handles the commands that need no document (New, Open, the recent
// files, Page Setup, TWAIN Select and Acquire, Preferences, About, Exit, the
// import modules).
//
// Start-up (initInstance):
//   1. another instance on the same program folder gets the command line and
//      this one ends (HandedOver);
//   2. the About dialog shows as a splash window; the recent files are read;
//   3. the globals ZERozevuv start on the program folder (defaultProgramFolder());
//      when they fail, start-up ends here (GlobalsFailed);
//   4. the document template, 5. the main frame at (80, 5) with the palette,
//   6. plug-in discovery fills File > Import, File > Export and
//      Filter > Plug - Ins, and the scanning source manager is loaded (when
//      it cannot be, File > TWAIN does nothing), 7. the internal clipboard takes the system
//      clipboard's image, 8. dropped files are accepted,
//   9. the command line: files open (a failure ends start-up: OpenFailed);
//      the print switches print and end the program (Printed/PrintFailed);
//   10. the splash closes and the main frame shows.
// Exit (exitInstance): documents are closed (the questions were asked when
// the main window closed), the plug-in list is freed, the source manager is
// closed and unloaded, and the globals shut down, which writes the preference file and deletes the swap files.
//
// initInstance() and exitInstance() may run several times in one process
// (tests start and stop the editor on different program folders).
class CKorvelApp : public QApplication, public CommandTarget, public PlugInDocumentPort {
    Q_OBJECT
public:
    enum class StartResult {
        Started,
        HandedOver,     // another instance took the command line
        GlobalsFailed,  // the engine could not start (folders, disk space)
        OpenFailed,     // a file on the command line could not be opened
        Printed,        // the command line printed a file; nothing more to do
        PrintFailed,
    };

    CKorvelApp(int& argc, char** argv);
    ~CKorvelApp() override;

    static CKorvelApp* instance();

    StartResult initInstance(const StartOptions& options);
    // Closes everything initInstance() made, without questions. Returns the
    // process's exit code.
    int exitInstance();
    bool running() const { return m_running; }

    // --- Parts, valid while running ----------------------------------------
    ShellContext& context() { return m_context; }
    CommandRouter& router() { return *m_router; }
    CMainFrame* mainFrame() const { return m_mainFrame; }
    CDocTemplate& docTemplate() { return *m_template; }
    ZERozevuv& globals() { return *m_globals; }
    ToolBox& tools() { return *m_tools; }
    PlugInList& plugIns() { return *m_plugIns; }
    PageScrap* scrap() const { return m_scrap.get(); }
    CSystemClipboard* clipboard() const { return m_clipboard.get(); }
    IdleProcessor& idleProcessor() { return *m_idle; }
    CThermFactory& progressFactory() { return *m_progressFactory; }
    SingleInstance* singleInstance() const { return m_singleInstance; }
    // The plug-in menus discovery filled (for tests and the view).
    const MenuModel& importMenuModel() const;
    const MenuModel& exportMenuModel() const;
    const MenuModel& filterMenuModel() const;
    // The acquisition host (state 1 when no source manager was found).
    CTwain& twain() { return *m_twain; }

    // The view every new document gets (the plain 1:1 view when not set).
    void setViewFactory(ViewFactory factory);

    // --- Document operations -----------------------------------------------
    // Opens `path` (or activates the document already showing it); reports
    // a failure and returns null.
    CPageDocument* openDocumentFile(const QString& path);
    // Makes a new document as the New Image dialog's result says; reports a
    // failure and returns null.
    CPageDocument* newDocument(const NewImageResult& result);
    // The document of the active image window, or null.
    CPageDocument* activeDocument() const;

    // Asks the save questions; when every document may close, closes them
    // and ends the event loop. False when the user kept a document open.
    bool requestExit();
    // One idle pass now (menus, titles, views).
    void runIdle();

    // Imports and publishes the clipboard as on activation changes.
    void applicationActivated();
    void applicationDeactivated();

    // CommandTarget
    bool updateCommand(int id, CommandState& state) override;
    bool runCommand(int id) override;

    // A command line another start handed over (relative paths against
    // `workingDirectory`): its files open, or print with /p, once no command,
    // dialog or stroke is under way.
    void commandLineReceived(const QStringList& arguments, const QString& workingDirectory);

    // PlugInDocumentPort
    bool openImportedPage(std::unique_ptr<Page> page, std::string_view title) override;

private:
    // Runs modules in process or in a helper, as the preferences say.
    void applyModuleCalls();
    bool startGlobals();
    void buildMainFrame();
    void discoverPlugIns();
    StartResult processCommandLine(const StartOptions& options);
    StartResult printFromCommandLine(const QString& file, const QString& printerName);
    // Opens the command lines handed over, in order, once nothing is under
    // way (see busyForHandOvers); retried by m_handOverRetry until done.
    void runHandOvers();
    void openHandedOver(const QStringList& arguments, const QString& workingDirectory);
    bool busyForHandOvers() const;
    std::vector<CommandTarget*> commandChain();
    void onIdle();

    void fileNew();
    void fileOpen();
    void openRecentFile(int index);
    void pageSetup();
    void preferences();
    void about();
    void importPlugIn(int id);
    void twainSelect();
    void twainAcquire();

    bool m_running = false;
    ShellContext m_context;
    std::unique_ptr<CommandRouter> m_router;
    std::unique_ptr<IdleProcessor> m_idle;
    QPointer<CAboutDlogHandler> m_splash;
    SingleInstance* m_singleInstance = nullptr;
    struct HandOver {
        QStringList arguments;
        QString workingDirectory;
    };
    std::deque<HandOver> m_handOvers;
    QTimer m_handOverRetry;
    std::unique_ptr<RecentFileList> m_recentFiles;
    std::unique_ptr<ZERozevuv> m_globals;
    std::unique_ptr<ToolBox> m_tools;
    std::unique_ptr<PageDraw> m_renderer;
    std::unique_ptr<PageScrap> m_scrap;
    std::unique_ptr<CSystemClipboard> m_clipboard;
    std::unique_ptr<PlugInList> m_plugIns;
    std::unique_ptr<CThermObj> m_plugInProgress;
    std::unique_ptr<PlugInHost> m_host;
    std::unique_ptr<ColourChooserPort> m_colourChooser;
    std::unique_ptr<ModuleQuestions> m_moduleQuestions;
    std::unique_ptr<PageFileIO> m_files;
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<MenuModel> m_importModel;
    std::unique_ptr<MenuModel> m_exportModel;
    std::unique_ptr<MenuModel> m_filterModel;
    std::unique_ptr<CTwain> m_twain;
    CMainFrame* m_mainFrame = nullptr;
    std::unique_ptr<CDocTemplate> m_template;
    std::unique_ptr<CThermFactory> m_progressFactory;
    ViewFactory m_viewFactory;
    QString m_workingDirectory;
};

}  // namespace tessary
