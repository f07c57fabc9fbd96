#include "shell/app/main_menu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <algorithm>

#include "plugins/menu_model.h"
#include "shell/app/command_ids.h"
#include "shell/app/command_router.h"

namespace tessary {

namespace {

// Recent-file paths longer than this are shortened in the middle.
constexpr int kRecentTextLimit = 60;

QString shortenedPath(const QString& path) {
    if (path.size() <= kRecentTextLimit) return path;
    const int keep = (kRecentTextLimit - 3) / 2;
    return path.left(keep) + QStringLiteral("...") + path.right(keep);
}

void fillFromModel(QMenu* menu, const MenuModel& model, CommandRouter& router) {
    for (std::size_t i = 0; i < model.itemCount(); ++i) {
        const MenuModel::Item& entry = model.item(i);
        const QString text = escapeMnemonics(QString::fromUtf8(entry.text));
        if (entry.submenu) {
            QMenu* sub = menu->addMenu(text);
            fillFromModel(sub, *entry.submenu, router);
            router.attachMenu(sub);
            continue;
        }
        if (entry.commandId == 0) continue;
        const int id = static_cast<int>(entry.commandId);
        menu->addAction(router.defineCommand(id, text));
    }
    menu->menuAction()->setEnabled(!menu->actions().isEmpty());
}

}  // namespace

QString escapeMnemonics(const QString& text) {
    QString escaped = text;
    escaped.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return escaped;
}

MainMenu::MainMenu(QMenuBar& bar, CommandRouter& router) : QObject(&bar), m_router(router) {
    for (const MenuEntry& top : mainMenuLayout()) {
        QMenu* menu =
            buildMenu(QString::fromUtf8(top.text.data(), top.text.size()), top.children, &bar);
        bar.addMenu(menu);
        m_menus.push_back(menu);
    }
    m_fileMenu = m_menus.at(0);
    m_windowMenu = m_menus.at(6);
    setRecentFiles({});
}

MainMenu::~MainMenu() = default;

QMenu* MainMenu::buildMenu(const QString& title, const std::vector<MenuEntry>& entries,
                           QWidget* parent) {
    auto* menu = new QMenu(title, parent);
    for (const MenuEntry& entry : entries) {
        const QString text = QString::fromUtf8(entry.text.data(), entry.text.size());
        switch (entry.kind) {
            case MenuEntry::Kind::Command:
                menu->addAction(m_router.defineCommand(entry.id, text, entry.checkable));
                break;
            case MenuEntry::Kind::Separator:
                menu->addSeparator();
                break;
            case MenuEntry::Kind::Popup: {
                QMenu* sub = buildMenu(text, entry.children, menu);
                menu->addMenu(sub);
                if (!entry.children.empty() && entry.children.front().id == cmd::kZoom32To1)
                    m_zoomMenu = sub;
                break;
            }
            case MenuEntry::Kind::ImportMenu:
            case MenuEntry::Kind::ExportMenu:
            case MenuEntry::Kind::FilterMenu: {
                QMenu* sub = menu->addMenu(text);
                // The placeholder stands until discovery fills the menu.
                QAction* placeholder = sub->addAction(QStringLiteral("Will Be Deleted"));
                placeholder->setProperty("tessaryCommandId", cmd::kWillBeDeleted);
                placeholder->setEnabled(false);
                m_router.attachMenu(sub);
                if (entry.kind == MenuEntry::Kind::ImportMenu) m_importMenu = sub;
                if (entry.kind == MenuEntry::Kind::ExportMenu) m_exportMenu = sub;
                if (entry.kind == MenuEntry::Kind::FilterMenu) m_filterMenu = sub;
                break;
            }
            case MenuEntry::Kind::RecentFiles:
                // Recent entries go before this separator (see setRecentFiles).
                m_recentEnd = menu->addSeparator();
                m_recentEnd->setVisible(false);
                break;
            case MenuEntry::Kind::WindowList:
                m_windowListSeparator = menu->addSeparator();
                m_windowListSeparator->setVisible(false);
                break;
        }
    }
    m_router.attachMenu(menu);
    return menu;
}

void MainMenu::fillPlugInMenu(QMenu* menu, const MenuModel& model) {
    if (menu == nullptr) return;
    // Category submenus are owned by the menu; the command actions by the
    // router, so clearing only detaches them.
    for (QAction* entry : menu->actions()) {
        if (QMenu* sub = entry->menu()) sub->deleteLater();
    }
    menu->clear();
    fillFromModel(menu, model, m_router);
}

void MainMenu::setRecentFiles(const QStringList& paths) {
    for (QAction* entry : m_recentActions) m_fileMenu->removeAction(entry);
    m_recentActions.clear();
    const int count = std::min<int>(paths.size(), cmd::kRecentFileCount);
    if (count == 0) {
        QAction* none =
            m_router.defineCommand(cmd::kRecentFileFirst, QStringLiteral("Recent File"));
        m_fileMenu->insertAction(m_recentEnd, none);
        m_recentActions.push_back(none);
        return;
    }
    for (int i = 0; i < count; ++i) {
        const QString text =
            QStringLiteral("&%1 %2").arg(i + 1).arg(escapeMnemonics(shortenedPath(paths.at(i))));
        QAction* entry = m_router.defineCommand(cmd::kRecentFileFirst + i, text);
        m_fileMenu->insertAction(m_recentEnd, entry);
        m_recentActions.push_back(entry);
    }
    m_recentEnd->setVisible(false);
}

void MainMenu::setWindowList(const QStringList& titles, int active) {
    // Rebuilding the entries changes the menu, which wakes the event loop:
    // only do it when something changed (this runs on every idle pass).
    if (m_windowListShown && titles == m_windowTitles && active == m_windowActive) return;
    m_windowListShown = true;
    m_windowTitles = titles;
    m_windowActive = active;
    for (QAction* entry : m_windowActions) m_windowMenu->removeAction(entry);
    m_windowActions.clear();
    const int count = std::min<int>(titles.size(), cmd::kWindowListCount);
    m_windowListSeparator->setVisible(count > 0);
    for (int i = 0; i < count; ++i) {
        const QString text = QStringLiteral("&%1 %2").arg(i + 1).arg(escapeMnemonics(titles.at(i)));
        QAction* entry = m_router.defineCommand(cmd::kWindowListFirst + i, text, true);
        entry->setChecked(i == active);
        m_windowMenu->addAction(entry);
        m_windowActions.push_back(entry);
    }
}

}  // namespace tessary
