#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "plugins/menu_model.h"
#include "plugins/plug_in_list.h"

namespace tessary {

// Where the plug-in submenus sit in the main menu bar: the File menu (0)
// holds Import at position 8 and Export at 9; the Filter menu (4) holds
// "Plug - Ins" at 14.
inline constexpr std::size_t kFileMenuIndex = 0;
inline constexpr std::size_t kFilterMenuIndex = 4;
inline constexpr std::size_t kImportSubmenuPosition = 8;
inline constexpr std::size_t kExportSubmenuPosition = 9;
inline constexpr std::size_t kPlugInsSubmenuPosition = 14;

// The item each plug-in submenu holds in the menu resource until it is filled.
inline constexpr std::string_view kPlaceholderItemText = "Will Be Deleted";
inline constexpr std::uint32_t kPlaceholderItemId = 42;

// Bytes of an item's text that the sorted insertion reads.
inline constexpr std::size_t kMenuTextReadLength = 64;

struct MenuInsertion {
    bool found = false;        // an item with the same text was already there
    std::size_t position = 0;  // where it was found, or where the new item went
};

// Inserts an item into a menu kept in byte order: the item texts (at most
// kMenuTextReadLength bytes each) are compared with `text` byte by byte as
// unsigned values, so "Z" sorts before "a". An item with the same text stops
// the search and nothing is inserted. Otherwise the item goes before the
// first item that sorts after it, or last.
MenuInsertion InsertMenuItemSorted(MenuModel& menu, std::string_view text, std::uint32_t commandId);

// Empties `menu` (submenus and the placeholder included) and fills it with
// the plug-ins of `kind`, walking the list from its head (newest first):
// imports and exports as sorted items; filters as sorted items of a sorted
// submenu per category (an empty category is a submenu with an empty title,
// which sorts first). Of two plug-ins with the same text in one menu only the
// first one met, the newest, is shown.
void FillPlugInMenu(MenuModel& menu, const PlugInList& list, std::int32_t kind);

}  // namespace tessary
