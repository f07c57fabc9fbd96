#include "app/menu_texts.h"

#include <gtest/gtest.h>

namespace tessary {
namespace {

TEST(UndoMenuText, AfterAFillNamesTheFill) {
    EXPECT_EQ(undoMenuItem(true, 7), (MenuItemState{"&Undo Fill\tCtrl+Z", true}));
}

TEST(UndoMenuText, NothingToUndoIsPlainAndDisabled) {
    EXPECT_EQ(undoMenuItem(false, 0), (MenuItemState{"&Undo\tCtrl+Z", false}));
    // The kind of the current state is not shown when nothing can be undone.
    EXPECT_EQ(undoMenuItem(false, 7), (MenuItemState{"&Undo\tCtrl+Z", false}));
}

TEST(UndoMenuText, NamesComeFromTheKindsStrings) {
    for (std::uint32_t kind = 2; kind <= 25; ++kind) {
        const std::string& name = undoKindName(kind);
        ASSERT_FALSE(name.empty()) << kind;
        EXPECT_EQ(undoMenuItem(true, kind).text, "&Undo " + name + "\tCtrl+Z");
        EXPECT_EQ(redoMenuItem(true, kind).text, "&Redo " + name + "\tCtrl+R");
    }
    EXPECT_EQ(undoKindName(5), "Selection");
    EXPECT_EQ(undoKindName(17), "Clear");
    EXPECT_EQ(undoKindName(25), "Text");
}

TEST(UndoMenuText, KindsWithoutANameAddNoBlank) {
    for (std::uint32_t kind : {0u, 1u, 26u, 61536u, 61537u, 0xFFFFFFFFu}) {
        EXPECT_TRUE(undoKindName(kind).empty()) << kind;
        EXPECT_EQ(undoMenuItem(true, kind), (MenuItemState{"&Undo\tCtrl+Z", true})) << kind;
    }
}

TEST(RedoMenuText, EnabledOnlyWhenItCanRedo) {
    EXPECT_EQ(redoMenuItem(true, 5), (MenuItemState{"&Redo Selection\tCtrl+R", true}));
    EXPECT_EQ(redoMenuItem(true, 17), (MenuItemState{"&Redo Clear\tCtrl+R", true}));
    EXPECT_EQ(redoMenuItem(false, 17), (MenuItemState{"&Redo\tCtrl+R", false}));
}

TEST(LastFilterMenuText, DisabledShowsTheGenericLabel) {
    EXPECT_EQ(lastFilterMenuItem(false, "Blur & Sharpen..."),
              (MenuItemState{"Last Filter\tCtrl+F", false}));
}

TEST(LastFilterMenuText, EnabledShowsTheNameWithoutTrailingDots) {
    EXPECT_EQ(lastFilterMenuItem(true, "Gaussian Blur..."),
              (MenuItemState{"Gaussian Blur\tCtrl+F", true}));
    EXPECT_EQ(lastFilterMenuItem(true, "Invert"), (MenuItemState{"Invert\tCtrl+F", true}));
    // Only one dot goes when the name does not end in three.
    EXPECT_EQ(lastFilterMenuItem(true, "Ripple.."), (MenuItemState{"Ripple.\tCtrl+F", true}));
    EXPECT_EQ(lastFilterMenuItem(true, "Swirl...."), (MenuItemState{"Swirl.\tCtrl+F", true}));
    EXPECT_EQ(lastFilterMenuItem(true, "..."), (MenuItemState{"\tCtrl+F", true}));
}

TEST(LastFilterMenuText, AnAmpersandInTheNameShowsAsItself) {
    const std::pair<std::string_view, std::string> cases[] = {
        {"Blur & Sharpen...", "Blur && Sharpen\tCtrl+F"},
        {"Brightness & Contrast", "Brightness && Contrast\tCtrl+F"},
        {"A&&B.", "A&&&&B\tCtrl+F"},
        {"&", "&&\tCtrl+F"},
    };
    for (const auto& [name, text] : cases)
        EXPECT_EQ(lastFilterMenuItem(true, name), (MenuItemState{text, true})) << name;
}

}  // namespace
}  // namespace tessary
