#include "plugins/plug_in_setup.h"

#include "plugins/plug_in_menu.h"
#include "plugins/plug_in_scanner.h"

namespace tessary {

void BuildPlugInMenus(PlugInList& list, const std::filesystem::path& folder,
                      const PlugInMenus& menus) {
    BuildPlugInMenus(list, std::vector<std::filesystem::path>{folder}, menus);
}

void BuildPlugInMenus(PlugInList& list, const std::vector<std::filesystem::path>& folders,
                      const PlugInMenus& menus) {
    list.resetCounters();
    list.FreePlugInList();
    for (const std::filesystem::path& folder : folders) ScanPlugInFolder(list, folder);
    if (menus.importMenu != nullptr) FillPlugInMenu(*menus.importMenu, list, kPlugInKindImport);
    if (menus.exportMenu != nullptr) FillPlugInMenu(*menus.exportMenu, list, kPlugInKindExport);
    if (menus.filterMenu != nullptr) FillPlugInMenu(*menus.filterMenu, list, kPlugInKindFilter);
}

void SetUpPlugIns(PlugInList& list, const std::filesystem::path& supportFolder,
                  std::string_view plugInFolderName, const PlugInMenus& menus) {
    BuildPlugInMenus(list, supportFolder / plugInFolderName, menus);
}

}  // namespace tessary
