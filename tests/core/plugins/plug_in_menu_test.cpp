#include "plugins/plug_in_menu.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tessary {
namespace {

std::vector<std::string> texts(const MenuModel& menu) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < menu.itemCount(); ++i) out.push_back(menu.item(i).text);
    return out;
}

void add(PlugInList& list, std::int32_t kind, std::string_view name,
         std::string_view category = "") {
    auto record = std::make_unique<PlugInRecord>();
    record->kind = kind;
    copyText(record->name, name);
    copyText(record->category, category);
    ASSERT_EQ(list.push(std::move(record)), 0);
}

TEST(InsertMenuItemSorted, OrdersByUnsignedBytes) {
    MenuModel menu;
    for (const char* text :
         {"beta", "Zulu", "alpha", "\xc3\xa9t\xc3\xa9", "Alpha", "", "Zulu2", "a"})
        InsertMenuItemSorted(menu, text, 1);
    EXPECT_EQ(texts(menu), (std::vector<std::string>{"", "Alpha", "Zulu", "Zulu2", "a", "alpha",
                                                     "beta", "\xc3\xa9t\xc3\xa9"}));
}

TEST(InsertMenuItemSorted, SameTextIsFoundAndNotInserted) {
    MenuModel menu;
    EXPECT_FALSE(InsertMenuItemSorted(menu, "b", 10).found);
    const MenuInsertion a = InsertMenuItemSorted(menu, "a", 11);
    EXPECT_FALSE(a.found);
    EXPECT_EQ(a.position, 0u);
    const MenuInsertion c = InsertMenuItemSorted(menu, "c", 12);
    EXPECT_EQ(c.position, 2u);
    const MenuInsertion again = InsertMenuItemSorted(menu, "b", 99);
    EXPECT_TRUE(again.found);
    EXPECT_EQ(again.position, 1u);
    EXPECT_EQ(menu.itemCount(), 3u);
    EXPECT_EQ(menu.item(1).commandId, 10u);
}

// Only the first 64 bytes of an item's text take part in the comparison.
TEST(InsertMenuItemSorted, ReadsAtMost64BytesOfEachItem) {
    MenuModel menu;
    const std::string base(64, 'm');
    menu.appendItem(base + "zzz", 1);
    const MenuInsertion same = InsertMenuItemSorted(menu, base, 2);
    EXPECT_TRUE(same.found);
    const MenuInsertion after = InsertMenuItemSorted(menu, base + "a", 3);
    EXPECT_FALSE(after.found);
    EXPECT_EQ(after.position, 1u);
}

TEST(FillPlugInMenu, ClearsThePlaceholderAndOldSubmenus) {
    MenuModel menu;
    menu.appendItem(kPlaceholderItemText, kPlaceholderItemId);
    menu.appendItem("old", 7);
    menu.item(1).submenu = std::make_unique<MenuModel>();
    menu.item(1).submenu->appendItem("stale", 8);
    PlugInList empty;
    FillPlugInMenu(menu, empty, kPlugInKindFilter);
    EXPECT_EQ(menu.itemCount(), 0u);
}

TEST(FillPlugInMenu, ImportsAndExportsAreSortedItems) {
    PlugInList list;
    add(list, kPlugInKindImport, "scanner");    // 40000
    add(list, kPlugInKindExport, "Printer");    // 41000
    add(list, kPlugInKindImport, "Camera");     // 40001
    add(list, kPlugInKindFilter, "Blur", "A");  // 43000
    MenuModel imports;
    FillPlugInMenu(imports, list, kPlugInKindImport);
    EXPECT_EQ(texts(imports), (std::vector<std::string>{"Camera", "scanner"}));
    EXPECT_EQ(imports.item(0).commandId, 40001u);
    EXPECT_EQ(imports.item(1).commandId, 40000u);
    EXPECT_EQ(imports.item(0).submenu, nullptr);
    MenuModel exports;
    FillPlugInMenu(exports, list, kPlugInKindExport);
    EXPECT_EQ(texts(exports), (std::vector<std::string>{"Printer"}));
    EXPECT_EQ(exports.item(0).commandId, 41000u);
    MenuModel formats;
    add(list, kPlugInKindFormat, "BMP");
    FillPlugInMenu(formats, list, kPlugInKindFormat);
    EXPECT_EQ(formats.itemCount(), 0u);
}

TEST(FillPlugInMenu, FiltersGoIntoSortedCategorySubmenus) {
    PlugInList list;
    add(list, kPlugInKindFilter, "Sharpen", "Other");       // 43000
    add(list, kPlugInKindFilter, "apple Blur", "Stylize");  // 43001
    add(list, kPlugInKindFilter, "Zebra", "Stylize");       // 43002
    add(list, kPlugInKindFilter, "No Category");            // 43003
    add(list, kPlugInKindFilter, "Invert", "Adjust");       // 43004
    add(list, kPlugInKindFilter, "Sharpen", "Other");       // 43005, same name: hides 43000
    add(list, kPlugInKindImport, "Not a filter", "Other");
    MenuModel menu;
    menu.appendItem(kPlaceholderItemText, kPlaceholderItemId);
    FillPlugInMenu(menu, list, kPlugInKindFilter);

    ASSERT_EQ(texts(menu), (std::vector<std::string>{"", "Adjust", "Other", "Stylize"}));
    for (std::size_t i = 0; i < menu.itemCount(); ++i) {
        EXPECT_EQ(menu.item(i).commandId, 0u);
        ASSERT_NE(menu.item(i).submenu, nullptr);
    }
    EXPECT_EQ(texts(*menu.item(0).submenu), (std::vector<std::string>{"No Category"}));
    EXPECT_EQ(texts(*menu.item(1).submenu), (std::vector<std::string>{"Invert"}));
    const MenuModel& other = *menu.item(2).submenu;
    ASSERT_EQ(texts(other), (std::vector<std::string>{"Sharpen"}));
    EXPECT_EQ(other.item(0).commandId, 43005u);
    const MenuModel& stylize = *menu.item(3).submenu;
    EXPECT_EQ(texts(stylize), (std::vector<std::string>{"Zebra", "apple Blur"}));
    EXPECT_EQ(stylize.item(0).commandId, 43002u);
    EXPECT_EQ(stylize.item(1).commandId, 43001u);
    // The hidden one keeps its id and can still be found by it.
    EXPECT_NE(list.FindPlugInByCommand(43000, kPlugInKindFilter), nullptr);
}

}  // namespace
}  // namespace tessary
