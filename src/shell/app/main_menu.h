#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <vector>

#include "shell/app/menu_layout.h"

class QAction;
class QMenu;
class QMenuBar;

namespace tessary {

class CommandRouter;
class MenuModel;

// The main window's menu bar built from mainMenuLayout(): every command item
// is the router's action of its id, so the router's update rules apply to it
// wherever it appears. The special entries (plug-in submenus, recent files,
// window list) are filled through the functions below.
class MainMenu : public QObject {
    Q_OBJECT
public:
    // Builds the menus into `bar` (which must be empty).
    MainMenu(QMenuBar& bar, CommandRouter& router);
    ~MainMenu() override;

    // The top-level menus in bar order (File 0 ... Help 7).
    const std::vector<QMenu*>& menus() const { return m_menus; }
    QMenu* importMenu() const { return m_importMenu; }
    QMenu* exportMenu() const { return m_exportMenu; }
    QMenu* filterPlugInMenu() const { return m_filterMenu; }
    QMenu* zoomMenu() const { return m_zoomMenu; }

    // Replaces the items of a plug-in submenu with those of `model` (item
    // texts, command ids and category submenus). A submenu left empty is
    // disabled.
    void fillPlugInMenu(QMenu* menu, const MenuModel& model);

    // Shows `paths` (most recent first, at most four) as the recent-file
    // entries; with none, one disabled entry "Recent File".
    void setRecentFiles(const QStringList& paths);

    // Shows the open image windows at the end of the Window menu: entry i is
    // "&<i+1> <title>", checked for `active` (or none when -1).
    void setWindowList(const QStringList& titles, int active);

private:
    QMenu* buildMenu(const QString& title, const std::vector<MenuEntry>& entries, QWidget* parent);

    CommandRouter& m_router;
    std::vector<QMenu*> m_menus;
    QMenu* m_importMenu = nullptr;
    QMenu* m_exportMenu = nullptr;
    QMenu* m_filterMenu = nullptr;
    QMenu* m_zoomMenu = nullptr;
    QMenu* m_fileMenu = nullptr;
    QMenu* m_windowMenu = nullptr;
    QAction* m_recentEnd = nullptr;            // the separator after the recent files
    QAction* m_windowListSeparator = nullptr;  // before the window list
    std::vector<QAction*> m_recentActions;
    std::vector<QAction*> m_windowActions;
    QStringList m_windowTitles;
    int m_windowActive = -1;
    bool m_windowListShown = false;
};

// "&" doubled, so that a plug-in's name shows as written.
QString escapeMnemonics(const QString& text);

}  // namespace tessary
