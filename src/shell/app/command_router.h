#pragma once

#include <QHash>
#include <QKeySequence>
#include <QObject>
#include <QString>
#include <functional>
#include <utility>
#include <vector>

#include "shell/app/command_target.h"

class QAction;
class QMenu;

namespace tessary {

// Splits a menu text "text\taccelerator" into the text and the key sequence
// after the tab (empty when there is none or it does not parse).
std::pair<QString, QKeySequence> splitMenuText(const QString& menuText);

// One QAction per command id, and the routing of commands through a chain of
// targets (view, document, frame, main frame, application) that the owner
// supplies. Triggering an action asks the chain for the command's state and,
// when it is enabled, runs it in the first target that handles it. The same
// chain updates enabled, checked and text: before a menu attached with
// attachMenu() shows, and whenever updateAll() runs (the idle pass).
//
// Actions belong to the router (it is their Qt parent). The chain provider is
// asked afresh each time, so it always reflects the active window.
class CommandRouter : public QObject {
    Q_OBJECT
public:
    using ChainProvider = std::function<std::vector<CommandTarget*>()>;

    explicit CommandRouter(QObject* parent = nullptr);
    ~CommandRouter() override;

    void setChainProvider(ChainProvider provider) { m_chain = std::move(provider); }

    // The action of `id`, created (disabled, without text) on first use.
    QAction* action(int id);
    // The action of `id` when one exists, else null.
    QAction* findAction(int id) const;
    // Creates or renames the action of `id` with a menu text that may carry
    // an accelerator after a tab, which becomes the action's shortcut.
    QAction* defineCommand(int id, const QString& menuText, bool checkable = false);
    // The full menu text last given to the action ("text\taccelerator").
    static QString menuText(const QAction* action);
    // The command id an action stands for (-1 for an action of no command).
    static int commandId(const QAction* action);

    // The state the chain gives `id`: the first target that handles it
    // decides; none gives a disabled, unchecked command without text.
    CommandState queryState(int id) const;
    // Runs `id` in the first target that handles it, when that target
    // reports it enabled. True when it ran.
    bool dispatch(int id);
    // True while a command runs: its dialogs, progress and nested event
    // loops included.
    bool running() const { return m_running > 0; }

    // Brings the action of `id` (if any) in line with queryState().
    void updateAction(int id);
    // Updates every action of `menu` and of its submenus.
    void updateMenu(QMenu* menu);
    // Updates every action of the router.
    void updateAll();
    // Updates `menu`'s actions each time it is about to show.
    void attachMenu(QMenu* menu);

signals:
    // After a command ran (for the owner's bookkeeping, e.g. the title).
    void commandRan(int id);

private:
    void applyState(QAction* action, const CommandState& state);

    ChainProvider m_chain;
    QHash<int, QAction*> m_actions;
    int m_running = 0;
};

}  // namespace tessary
