#pragma once

#include <string_view>
#include <vector>

namespace tessary {

// One entry of a menu of the main menu bar, as plain data.
struct MenuEntry {
    enum class Kind {
        Command,  // an item running `id`
        Separator,
        Popup,        // a submenu of the entries in `children`
        ImportMenu,   // File > Import, filled from the import modules
        ExportMenu,   // File > Export, filled from the export modules
        FilterMenu,   // Filter > Plug - Ins, filled from the filter modules
        RecentFiles,  // the recent-file entries
        WindowList,   // the open image windows
    };

    Kind kind = Kind::Command;
    int id = 0;
    std::string_view text;  // menu text, "text\taccelerator"
    bool checkable = false;
    std::vector<MenuEntry> children;
};

// The main menu bar: File, Edit, Image, Selection, Filter, ZuviZirer, Window,
// Help, in that order, each a Popup entry. File > Import and File > Export
// stand at positions 8 and 9 of File (menu 0), Filter > Plug - Ins at
// position 14 of Filter (menu 4), counting separators.
const std::vector<MenuEntry>& mainMenuLayout();

// The zoom menu (the image window's zoom box and Window > Zoom): one entry
// per level from "32:1" (33010) to "1:32" (33020).
const std::vector<MenuEntry>& zoomMenuLayout();

// The units popup of the info bar: "Pixels", "Inches", "Centimeters",
// "Picas", "Points".
const std::vector<MenuEntry>& unitsMenuLayout();

// Every command entry of a layout and its submenus, depth first.
std::vector<const MenuEntry*> commandEntries(const std::vector<MenuEntry>& layout);

}  // namespace tessary
