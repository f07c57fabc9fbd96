#include "shell/app/main_menu.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <algorithm>

#include "shell/app/command_ids.h"
#include "shell/app/command_router.h"
#include "shell/app/main_frame.h"
#include "shell/app/menu_layout.h"
#include "shell_test_support.h"

namespace tessary {
namespace {

using test::EditorRig;

// Every command of the menu bar reachable by walking the menus.
void collectActions(QMenu* menu, QList<QAction*>& out) {
    for (QAction* action : menu->actions()) {
        if (action->menu() != nullptr)
            collectActions(action->menu(), out);
        else if (!action->isSeparator())
            out.append(action);
    }
}

QAction* findInMenus(const std::vector<QMenu*>& menus, int id) {
    QList<QAction*> all;
    for (QMenu* menu : menus) collectActions(menu, all);
    for (QAction* action : all) {
        if (CommandRouter::commandId(action) == id) return action;
    }
    return nullptr;
}

QString fullText(const QAction* action) {
    QString text = action->text();
    if (!action->shortcut().isEmpty())
        text += QLatin1Char('\t') + action->shortcut().toString(QKeySequence::PortableText);
    return text;
}

struct Expected {
    int id;
    const char* text;
};

// The commands with the menu texts and accelerators the editor's menus must
// carry, written out from the command tables.
constexpr Expected kCommands[] = {
    {57600, "&New...\tCtrl+N"},
    {57601, "&Open...\tCtrl+O"},
    {57603, "&Save\tCtrl+S"},
    {57604, "Save &As..."},
    {57607, "&Print...\tCtrl+P"},
    {32832, "&Select..."},
    {32833, "&Acquire..."},
    {57643, "&Undo\tCtrl+Z"},
    {57644, "&Redo\tCtrl+R"},
    {57635, "Cu&t\tCtrl+X"},
    {57634, "&Copy\tCtrl+C"},
    {57637, "&Paste\tCtrl+V"},
    {57632, "C&lear"},
    {32780, "F&ill"},
    {32827, "Pr&eferences..."},
    {32782, "RGB-&Millions"},
    {32784, "&Grayscale"},
    {32789, "&Flip && Rotate..."},
    {32786, "Canvas &Resolution..."},
    {32787, "Canvas &Size..."},
    {32830, "S&cale..."},
    {32825, "Cr&op"},
    {32791, "Get &Info..."},
    {32803, "Select &All\tCtrl+A"},
    {32804, "Select &None"},
    {32805, "Select &Inverse"},
    {99, "Last &Filter\tCtrl+F"},
    {32792, "&Invert"},
    {32794, "&Brightness && Contrast..."},
    {32795, "&Color Variations..."},
    {32796, "B&lur && Sharpen..."},
    {32797, "&Despeckle..."},
    {32798, "&Noise..."},
    {32800, "De - In&terlace..."},
    {32799, "NTSC &Video Correction"},
    {32829, "Auto &Contrast"},
    {32810, "Auto &Enhance"},
    {32812, "&Drop Shadow..."},
    {32813, "E&xtrude..."},
    {32814, "&Red Eye Removal"},
    {32815, "Scr&atch Removal"},
    {33000, "Zoom &In"},
    {33001, "Zoom &Out"},
    {33010, "32:1"},
    {33013, "4:1"},
    {33015, "1:1"},
    {33016, "1:2"},
    {33020, "1:32"},
    {57664, "&About Tessary..."},
    {57665, "E&xit"},
};

class MainMenuTest : public ::testing::Test {
protected:
    EditorRig rig;
    const std::vector<QMenu*>& menus() { return rig.app().mainFrame()->mainMenu()->menus(); }
};

TEST_F(MainMenuTest, TheMenuBarHoldsTheMenusInOrder) {
    ASSERT_EQ(rig.startResult(), CKorvelApp::StartResult::Started);
    const char* titles[] = {"&File", "Fi&lter"};
    ASSERT_EQ(menus().size(), 8u);
    EXPECT_EQ(menus()[0]->title(), QString::fromLatin1(titles[0]));
    EXPECT_EQ(menus()[1]->title(), QStringLiteral("&Edit"));
    EXPECT_EQ(menus()[2]->title(), QStringLiteral("&Image"));
    EXPECT_EQ(menus()[3]->title(), QStringLiteral("&Selection"));
    EXPECT_EQ(menus()[4]->title(), QString::fromLatin1(titles[1]));
    EXPECT_EQ(menus()[5]->title(), QStringLiteral("&ZuviZirer"));
    EXPECT_EQ(menus()[6]->title(), QStringLiteral("&Window"));
    EXPECT_EQ(menus()[7]->title(), QStringLiteral("&Help"));
}

TEST_F(MainMenuTest, EveryCommandIsThereWithItsTextAndAccelerator) {
    for (const Expected& expected : kCommands) {
        QAction* action = findInMenus(menus(), expected.id);
        ASSERT_NE(action, nullptr) << "command " << expected.id << " missing";
        // Last Filter shows its built text; the others their resource text.
        EXPECT_EQ(fullText(action), QString::fromLatin1(expected.text))
            << "command " << expected.id;
    }
}

TEST_F(MainMenuTest, PlugInSubmenusStandWhereDiscoveryFillsThem) {
    QMenu* file = menus()[0];
    QMenu* filter = menus()[4];
    MainMenu* menu = rig.app().mainFrame()->mainMenu();
    ASSERT_GT(file->actions().size(), 9);
    EXPECT_EQ(file->actions().at(8)->menu(), menu->importMenu());
    EXPECT_EQ(file->actions().at(9)->menu(), menu->exportMenu());
    ASSERT_GT(filter->actions().size(), 14);
    EXPECT_EQ(filter->actions().at(14)->menu(), menu->filterPlugInMenu());
}

TEST_F(MainMenuTest, DiscoveryFillsTheSubmenusFromTheShippedModules) {
    MainMenu* menu = rig.app().mainFrame()->mainMenu();
    QStringList imports;
    for (QAction* action : menu->importMenu()->actions()) imports << action->text();
    EXPECT_EQ(imports, QStringList{QStringLiteral("TIFF Pages...")});
    QStringList exports;
    for (QAction* action : menu->exportMenu()->actions()) exports << action->text();
    EXPECT_EQ(exports, QStringList{QStringLiteral("Web JPEG...")});
    // Filters sit in category submenus sorted byte-wise.
    QStringList categories;
    for (QAction* action : menu->filterPlugInMenu()->actions()) {
        ASSERT_NE(action->menu(), nullptr);
        categories << action->text();
    }
    EXPECT_EQ(categories, (QStringList{QStringLiteral("Adjust"), QStringLiteral("Sharpen")}));
    QAction* posterize = menu->filterPlugInMenu()->actions().at(0)->menu()->actions().at(0);
    EXPECT_EQ(posterize->text(), QStringLiteral("Posterize"));
    EXPECT_TRUE(cmd::inRange(CommandRouter::commandId(posterize), 43000, 43999));
    const int importId = CommandRouter::commandId(menu->importMenu()->actions().at(0));
    EXPECT_EQ(importId, 40000);
}

TEST_F(MainMenuTest, WithoutPlugInsTheSubmenusAreEmptyAndDisabled) {
    rig.app().exitInstance();
    EditorRig bare(/*withModules=*/false);
    MainMenu* menu = bare.app().mainFrame()->mainMenu();
    EXPECT_TRUE(menu->importMenu()->actions().isEmpty());  // the placeholder is gone
    EXPECT_FALSE(menu->importMenu()->menuAction()->isEnabled());
    EXPECT_TRUE(menu->filterPlugInMenu()->actions().isEmpty());
}

TEST_F(MainMenuTest, WithoutADocumentOnlyTheApplicationsCommandsAreEnabled) {
    CommandRouter& router = rig.app().router();
    rig.app().runIdle();
    // TWAIN Select and Acquire too, whether or not a source manager exists.
    for (int id : {57600, 57601, 57606, 32827, 57664, 57665, 40000, 32832, 32833})
        EXPECT_TRUE(router.action(id)->isEnabled()) << id;
    // Document and image commands and the recent entry of an empty list.
    for (int id : {57602, 57603, 57604, 32831, 57607, 57643, 57644, 57634, 57637, 32780, 32791,
                   32803, 99,    32792, 33000, 33015, 41000, 43000, 57616})
        EXPECT_FALSE(router.action(id)->isEnabled()) << id;
}

TEST_F(MainMenuTest, AMenuUpdatesItsItemsBeforeItShows) {
    CommandRouter& router = rig.app().router();
    QAction* about = router.action(cmd::kAppAbout);
    about->setEnabled(false);  // stale state
    emit menus()[7]->aboutToShow();
    EXPECT_TRUE(about->isEnabled());
}

TEST_F(MainMenuTest, RecentFilesShowNumberedEntries) {
    MainMenu* menu = rig.app().mainFrame()->mainMenu();
    menu->setRecentFiles({QStringLiteral("/tmp/a.bmp"), QStringLiteral("/tmp/b&c.png")});
    CommandRouter& router = rig.app().router();
    EXPECT_EQ(router.action(cmd::kRecentFileFirst)->text(), QStringLiteral("&1 /tmp/a.bmp"));
    EXPECT_EQ(router.action(cmd::kRecentFileFirst + 1)->text(), QStringLiteral("&2 /tmp/b&&c.png"));
    QList<QAction*> inFile;
    collectActions(menus()[0], inFile);
    EXPECT_TRUE(inFile.contains(router.action(cmd::kRecentFileFirst + 1)));
    menu->setRecentFiles({});
    inFile.clear();
    collectActions(menus()[0], inFile);
    EXPECT_FALSE(inFile.contains(router.action(cmd::kRecentFileFirst + 1)));
    EXPECT_EQ(router.action(cmd::kRecentFileFirst)->text(), QStringLiteral("Recent File"));
}

// The letter after each single "&" of the entries directly in `entries`,
// upper-cased; "&&" is a literal ampersand.
std::vector<QChar> mnemonicsOf(const std::vector<MenuEntry>& entries) {
    std::vector<QChar> letters;
    for (const MenuEntry& entry : entries) {
        const QString text =
            QString::fromUtf8(entry.text.data(), entry.text.size()).section('\t', 0, 0);
        for (qsizetype i = 0; i + 1 < text.size(); ++i) {
            if (text.at(i) != '&') continue;
            if (text.at(i + 1) != '&') letters.push_back(text.at(i + 1).toUpper());
            ++i;
        }
    }
    return letters;
}

void expectUniqueMnemonics(const std::vector<MenuEntry>& entries, const std::string& where) {
    std::vector<QChar> letters = mnemonicsOf(entries);
    std::sort(letters.begin(), letters.end());
    const auto repeated = std::adjacent_find(letters.begin(), letters.end());
    EXPECT_EQ(repeated, letters.end())
        << where << ": mnemonic " << QString(*repeated).toStdString() << " twice";
    for (const MenuEntry& entry : entries) {
        if (!entry.children.empty()) expectUniqueMnemonics(entry.children, std::string(entry.text));
    }
}

TEST(MenuLayout, NoTwoItemsOfAMenuShareAMnemonic) {
    expectUniqueMnemonics(mainMenuLayout(), "menu bar");
    expectUniqueMnemonics(zoomMenuLayout(), "zoom menu");
    expectUniqueMnemonics(unitsMenuLayout(), "units menu");
}

}  // namespace
}  // namespace tessary
