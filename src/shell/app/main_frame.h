#pragma once

#include <QMainWindow>
#include <QStringList>

#include "shell/app/command_target.h"

class QMdiArea;

namespace tessary {

class CChildFrame;
class CommandRouter;
class CToolPalette;
class MainMenu;
class ZERozevuv;

// The main window: the menu bar, the area of image windows, a status bar and
// the floating tool palette. It is placed at (80, 5) with a size of 560 x 440
// and creates the palette at (5, 5), shown without taking the focus. As a
// command target it handles the Window menu's arrangement commands, the
// window list and the palette's visibility.
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
    static constexpr int kPaletteLeft = 5;
    static constexpr int kPaletteTop = 5;

    CMainFrame(CommandRouter& router, ZERozevuv* globals);
    ~CMainFrame() override;

    QMdiArea* mdiArea() const { return m_area; }
    MainMenu* mainMenu() const { return m_menu; }
    CToolPalette* toolPalette() const { return m_palette; }
    // The image window that commands go to: the current one of the area
    // (also while another application is active), or null.
    CChildFrame* activeChildFrame() const;

    // Shows the frame and the palette, as the command line says.
    void showWithPalette();
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
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QList<CChildFrame*> childFrames() const;
    // Listens to every image window's title and window state (once each).
    void watchChildren();
    void arrangeIcons();

    CommandRouter& m_router;
    QMdiArea* m_area = nullptr;
    MainMenu* m_menu = nullptr;
    CToolPalette* m_palette = nullptr;
    bool m_closeApproved = false;
};

}  // namespace tessary
