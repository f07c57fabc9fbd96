#include "shell/app/command_router.h"

#include <QAction>
#include <QMenu>

namespace tessary {

namespace {

constexpr const char* kMenuTextProperty = "tessaryMenuText";
constexpr const char* kCommandIdProperty = "tessaryCommandId";

}  // namespace

std::pair<QString, QKeySequence> splitMenuText(const QString& menuText) {
    const qsizetype tab = menuText.indexOf(QLatin1Char('\t'));
    if (tab < 0) return {menuText, QKeySequence()};
    const QString accelerator = menuText.mid(tab + 1).trimmed();
    return {menuText.left(tab), QKeySequence::fromString(accelerator, QKeySequence::PortableText)};
}

CommandRouter::CommandRouter(QObject* parent) : QObject(parent) {}

CommandRouter::~CommandRouter() = default;

QAction* CommandRouter::action(int id) {
    if (QAction* existing = findAction(id)) return existing;
    auto* created = new QAction(this);
    created->setProperty(kCommandIdProperty, id);
    created->setEnabled(false);
    // Application-wide, so accelerators work whichever child window has the
    // focus; the state decides whether they do anything.
    created->setShortcutContext(Qt::ApplicationShortcut);
    connect(created, &QAction::triggered, this, [this, id] { dispatch(id); });
    m_actions.insert(id, created);
    return created;
}

QAction* CommandRouter::findAction(int id) const {
    return m_actions.value(id, nullptr);
}

QAction* CommandRouter::defineCommand(int id, const QString& text, bool checkable) {
    QAction* target = action(id);
    target->setCheckable(checkable);
    target->setProperty(kMenuTextProperty, text);
    const auto [shown, shortcut] = splitMenuText(text);
    target->setText(shown);
    target->setShortcut(shortcut);
    return target;
}

QString CommandRouter::menuText(const QAction* action) {
    if (action == nullptr) return {};
    const QVariant stored = action->property(kMenuTextProperty);
    return stored.isValid() ? stored.toString() : action->text();
}

int CommandRouter::commandId(const QAction* action) {
    if (action == nullptr) return -1;
    const QVariant id = action->property(kCommandIdProperty);
    return id.isValid() ? id.toInt() : -1;
}

CommandState CommandRouter::queryState(int id) const {
    if (m_chain) {
        for (CommandTarget* target : m_chain()) {
            if (target == nullptr) continue;
            CommandState state;
            if (target->updateCommand(id, state)) return state;
        }
    }
    CommandState none;
    none.enabled = false;
    return none;
}

bool CommandRouter::dispatch(int id) {
    if (!m_chain) return false;
    // The chain is taken once: running a command may close the window whose
    // targets it holds, and nothing after the handler touches them.
    for (CommandTarget* target : m_chain()) {
        if (target == nullptr) continue;
        CommandState state;
        if (!target->updateCommand(id, state)) continue;
        if (!state.enabled) return false;
        struct Running {
            int& depth;
            explicit Running(int& d) : depth(d) { ++depth; }
            ~Running() { --depth; }
        };
        bool ran = false;
        {
            const Running running(m_running);
            ran = target->runCommand(id);
        }
        if (!ran) return false;
        emit commandRan(id);
        return true;
    }
    return false;
}

void CommandRouter::applyState(QAction* target, const CommandState& state) {
    if (target->isEnabled() != state.enabled) target->setEnabled(state.enabled);
    if (target->isCheckable() && target->isChecked() != state.checked)
        target->setChecked(state.checked);
    if (state.text && *state.text != menuText(target)) {
        target->setProperty(kMenuTextProperty, *state.text);
        const auto [shown, shortcut] = splitMenuText(*state.text);
        target->setText(shown);
        if (target->shortcut() != shortcut) target->setShortcut(shortcut);
    }
}

void CommandRouter::updateAction(int id) {
    if (QAction* target = findAction(id)) applyState(target, queryState(id));
}

void CommandRouter::updateMenu(QMenu* menu) {
    if (menu == nullptr) return;
    for (QAction* entry : menu->actions()) {
        if (QMenu* sub = entry->menu()) {
            updateMenu(sub);
            continue;
        }
        const int id = commandId(entry);
        if (id >= 0 && findAction(id) == entry) applyState(entry, queryState(id));
    }
}

void CommandRouter::updateAll() {
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it)
        applyState(it.value(), queryState(it.key()));
}

void CommandRouter::attachMenu(QMenu* menu) {
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { updateMenu(menu); });
}

}  // namespace tessary
