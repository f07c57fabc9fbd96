#pragma once

#include <QMainWindow>
#include <QStringList>

#include "shell/app/command_target.h"

class QMdiArea;
class QSettings;

namespace tessary {

class CChildFrame;
class CommandRouter;
class CToolPalette;
class MainMenu;
struct ShellContext;

// The main window: the menu bar, the area of image windows, a status bar and
// the floating tool palette. At first start it is placed at (80, 5) with a
// size of 560 x 440, and the palette, at its natural size, beside it or in
// the corner of the image area, clear of the menu bar and on the screen
// (firstPaletteFramePosition); after that both come back where the user left
// them (the settings keep their geometry when the frame goes away). The
// palette shows without taking the focus, and its tool keys work while an
// image window has the focus. As a command target the frame handles the
// Window menu's arrangement commands, the window list and the palette's
// visibility.
//
// Closing it asks the application (closeRequested) whether every document
// may close; files dropped on it are handed on (filesDropped).
class CMainFrame : public QMainWindow, public CommandTarget {
    Q_OBJECT
public:
    static constexpr int kLeft = 80;
    static constexpr int kTop = 5;
    static constexpr int kWidth = 560;
    static constexpr int kHeight = 440;

    // The palette is made when `context` has globals; `context` must then
    // outlive the frame.
    CMainFrame(CommandRouter& router, ShellContext* context);
    ~CMainFrame() override;

    QMdiArea* mdiArea() const { return m_area; }
    MainMenu* mainMenu() const { return m_menu; }
    CToolPalette* toolPalette() const { return m_palette; }
    // The image window that commands go to: the current one of the area
    // (also while another application is active), or null.
    CChildFrame* activeChildFrame() const;

    // Shows the frame and the palette, where the settings say or, the first
    // time, in their first places.
    void showWithPalette();
    // The frame's and the palette's geometry, kept under "Window Geometry".
    void saveWindowGeometry(QSettings& settings) const;
    // True when `settings` held both and they were applied.
    bool restoreWindowGeometry(QSettings& settings);
    // Removes the kept geometry from the application's settings, so the
    // next start places the windows as the first one did.
    static void forgetWindowGeometry();
    // A document was opened, closed, activated, renamed or changed its
    // modified state, or an image window was maximized or restored: the
    // title and the window list are built again. Titles are built only
    // here, never on idle passes: Qt rewrites the main title while a child
    // is maximized, and rebuilding on every pass would make the two take
    // turns for ever.
    void modelChanged();
    // The title: "Tessary - <document>" ("*" marks changes), or "Tessary"
    // with Qt's " - [<document>]" while the active window is maximized.
    void updateTitle();
    void updateWindowList();

    // The application decides whether closing may go on (save questions);
    // set to let the next close through without asking.
    void setCloseApproved(bool approved) { m_closeApproved = approved; }

    bool updateCommand(int id, CommandState& state) override;
    bool runCommand(int id) override;

signals:
    // The user closed the window (or chose Exit): the receiver asks the save
    // questions and closes the application when they allow it.
    void closeRequested();
    void filesDropped(const QStringList& paths);

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QList<CChildFrame*> childFrames() const;
    // Listens to every image window's title and window state (once each).
    void watchChildren();
    void arrangeIcons();
    void placePaletteFirstTime();
    // Moves the palette off the menu bar when the window's new geometry put
    // the bar under it.
    void keepPaletteClearOfMenuBar();

    CommandRouter& m_router;
    QMdiArea* m_area = nullptr;
    MainMenu* m_menu = nullptr;
    CToolPalette* m_palette = nullptr;
    bool m_closeApproved = false;
    // Shown at least once: its geometry is worth keeping.
    bool m_shown = false;
};

}  // namespace tessary
