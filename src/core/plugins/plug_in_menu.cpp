#include "plugins/plug_in_menu.h"

#include <memory>
#include <string>

namespace tessary {

namespace {

// strcmp over unsigned bytes: negative, zero or positive.
int compareBytes(std::string_view a, std::string_view b) {
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

}  // namespace

MenuInsertion InsertMenuItemSorted(MenuModel& menu, std::string_view text,
                                   std::uint32_t commandId) {
    MenuInsertion insertion;
    const std::size_t count = menu.itemCount();
    std::size_t position = 0;
    for (; position < count; ++position) {
        const std::string itemText = menu.itemText(position, kMenuTextReadLength + 1);
        const int order = compareBytes(itemText, text);
        if (order == 0) {
            insertion.found = true;
            insertion.position = position;
            return insertion;
        }
        if (order > 0) break;
    }
    menu.insertItem(position, text, commandId);
    insertion.position = position;
    return insertion;
}

void FillPlugInMenu(MenuModel& menu, const PlugInList& list, std::int32_t kind) {
    menu.removeAllItems();
    for (const PlugInRecord* record = list.head(); record != nullptr; record = record->next.get()) {
        if (record->kind != kind) continue;
        const std::string_view name = textOf(record->name);
        if (kind == kPlugInKindImport || kind == kPlugInKindExport) {
            InsertMenuItemSorted(menu, name, record->commandId);
        } else if (kind == kPlugInKindFilter) {
            const MenuInsertion category = InsertMenuItemSorted(menu, textOf(record->category), 0);
            MenuModel::Item& categoryItem = menu.item(category.position);
            if (!categoryItem.submenu) categoryItem.submenu = std::make_unique<MenuModel>();
            InsertMenuItemSorted(*categoryItem.submenu, name, record->commandId);
        }
    }
}

}  // namespace tessary
