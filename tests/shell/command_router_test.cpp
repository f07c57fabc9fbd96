#include "shell/app/command_router.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <map>
#include <vector>

namespace tessary {
namespace {

// A target that handles a fixed set of commands with fixed states and
// records what it ran.
class ScriptedTarget : public CommandTarget {
public:
    std::map<int, CommandState> states;
    std::vector<int> ran;

    bool updateCommand(int id, CommandState& state) override {
        auto it = states.find(id);
        if (it == states.end()) return false;
        state = it->second;
        return true;
    }
    bool runCommand(int id) override {
        if (!states.count(id)) return false;
        ran.push_back(id);
        return true;
    }
};

CommandState enabledState(bool enabled, bool checked = false) {
    CommandState state;
    state.enabled = enabled;
    state.checked = checked;
    return state;
}

class CommandRouterTest : public ::testing::Test {
protected:
    void SetUp() override {
        router.setChainProvider([this] {
            return std::vector<CommandTarget*>{&view, &document, &app};
        });
    }
    CommandRouter router;
    ScriptedTarget view, document, app;
};

TEST(SplitMenuText, SeparatesTheAcceleratorAfterTheTab) {
    const auto [text, keys] = splitMenuText(QStringLiteral("&Undo Fill\tCtrl+Z"));
    EXPECT_EQ(text, QStringLiteral("&Undo Fill"));
    EXPECT_EQ(keys, QKeySequence(Qt::CTRL | Qt::Key_Z));
    const auto [plain, none] = splitMenuText(QStringLiteral("C&lear"));
    EXPECT_EQ(plain, QStringLiteral("C&lear"));
    EXPECT_TRUE(none.isEmpty());
}

TEST_F(CommandRouterTest, TheFirstTargetThatHandlesACommandDecides) {
    document.states[7] = enabledState(false);
    app.states[7] = enabledState(true);
    EXPECT_FALSE(router.queryState(7).enabled);  // the document comes before the app
    view.states[7] = enabledState(true, true);
    const CommandState state = router.queryState(7);
    EXPECT_TRUE(state.enabled);
    EXPECT_TRUE(state.checked);
}

TEST_F(CommandRouterTest, ACommandNoTargetHandlesIsDisabledAndDoesNotRun) {
    app.states[1] = enabledState(true);
    EXPECT_FALSE(router.queryState(2).enabled);
    EXPECT_FALSE(router.dispatch(2));
    EXPECT_TRUE(app.ran.empty());
}

TEST_F(CommandRouterTest, DispatchRunsInTheHandlerOnlyWhenItIsEnabled) {
    document.states[5] = enabledState(false);
    app.states[5] = enabledState(true);
    // The document handles 5 and says disabled: the app is not asked to run it.
    EXPECT_FALSE(router.dispatch(5));
    EXPECT_TRUE(app.ran.empty());
    document.states[5] = enabledState(true);
    EXPECT_TRUE(router.dispatch(5));
    EXPECT_EQ(document.ran, std::vector<int>{5});
    EXPECT_TRUE(app.ran.empty());
}

TEST_F(CommandRouterTest, ActionsFollowTheStateTextAndAccelerator) {
    QAction* undo = router.defineCommand(57643, QStringLiteral("&Undo\tCtrl+Z"));
    EXPECT_FALSE(undo->isEnabled());  // nobody handles it yet
    EXPECT_EQ(undo->text(), QStringLiteral("&Undo"));
    EXPECT_EQ(undo->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));

    CommandState state = enabledState(true);
    state.text = QStringLiteral("&Undo Fill\tCtrl+Z");
    view.states[57643] = state;
    router.updateAll();
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_EQ(undo->text(), QStringLiteral("&Undo Fill"));
    EXPECT_EQ(CommandRouter::menuText(undo), QStringLiteral("&Undo Fill\tCtrl+Z"));
    EXPECT_EQ(CommandRouter::commandId(undo), 57643);

    undo->trigger();
    EXPECT_EQ(view.ran, std::vector<int>{57643});
}

TEST_F(CommandRouterTest, CheckedStateReachesCheckableActions) {
    QAction* rgb = router.defineCommand(32782, QStringLiteral("RGB-&Millions"), true);
    view.states[32782] = enabledState(true, true);
    router.updateAction(32782);
    EXPECT_TRUE(rgb->isChecked());
    view.states[32782] = enabledState(true, false);
    router.updateAction(32782);
    EXPECT_FALSE(rgb->isChecked());
}

TEST_F(CommandRouterTest, AMenuIsUpdatedWhenItIsAboutToShow) {
    QMenu menu;
    QMenu* sub = menu.addMenu(QStringLiteral("Sub"));
    QAction* top = router.defineCommand(10, QStringLiteral("Top"));
    QAction* inner = router.defineCommand(11, QStringLiteral("Inner"));
    menu.addAction(top);
    sub->addAction(inner);
    router.attachMenu(&menu);
    app.states[10] = enabledState(true);
    app.states[11] = enabledState(true);
    EXPECT_FALSE(top->isEnabled());
    emit menu.aboutToShow();
    EXPECT_TRUE(top->isEnabled());
    EXPECT_TRUE(inner->isEnabled());  // submenus are brought up to date too
}

TEST_F(CommandRouterTest, TheChainIsAskedAfreshEveryTime) {
    std::vector<CommandTarget*> chain{&app};
    router.setChainProvider([&] { return chain; });
    view.states[3] = enabledState(true);
    EXPECT_FALSE(router.queryState(3).enabled);
    chain.insert(chain.begin(), &view);  // a window became active
    EXPECT_TRUE(router.queryState(3).enabled);
}

}  // namespace
}  // namespace tessary
