#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

#include "plugins/menu_model.h"
#include "plugins/plug_in_list.h"

namespace tessary {

// The three menus discovery fills; any may be null (left alone).
struct PlugInMenus {
    MenuModel* importMenu = nullptr;  // File > Import: import modules
    MenuModel* exportMenu = nullptr;  // File > Export: export modules
    MenuModel* filterMenu = nullptr;  // Filter > Plug - Ins: filters by category
};

// Rebuilds everything from scratch: resets the per-kind counters, frees the
// list, scans `folder`, then fills the import menu with kind 1, the export
// menu with kind 3 and the filter menu with kind 2. A missing folder leaves
// the menus empty (their placeholders removed).
void BuildPlugInMenus(PlugInList& list, const std::filesystem::path& folder,
                      const PlugInMenus& menus);

// As above, scanning each of `folders` in order into the one list.
void BuildPlugInMenus(PlugInList& list, const std::vector<std::filesystem::path>& folders,
                      const PlugInMenus& menus);

// Start-up discovery: the plug-in folder is `plugInFolderName` ("Plugins")
// inside the application's support folder ("QSStuff"); then BuildPlugInMenus.
void SetUpPlugIns(PlugInList& list, const std::filesystem::path& supportFolder,
                  std::string_view plugInFolderName, const PlugInMenus& menus);

}  // namespace tessary
