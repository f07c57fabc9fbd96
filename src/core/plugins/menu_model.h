#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tessary {

// A menu as plain data: items with a text, a command id and optionally a
// submenu that the item owns. The plug-in menus are built on it; the shell
// mirrors it into its window-system menus.
class MenuModel {
public:
    struct Item {
        std::string text;
        std::uint32_t commandId = 0;
        std::unique_ptr<MenuModel> submenu;
    };

    std::size_t itemCount() const { return m_items.size(); }
    const Item& item(std::size_t index) const;
    Item& item(std::size_t index);

    // Inserts before `position` (itemCount() appends).
    void insertItem(std::size_t position, std::string_view text, std::uint32_t commandId);
    void appendItem(std::string_view text, std::uint32_t commandId) {
        insertItem(itemCount(), text, commandId);
    }

    // Removes every item, destroying their submenus.
    void removeAllItems() { m_items.clear(); }

    // The item's text as a menu reports it into a buffer of `capacity`
    // bytes: at most capacity - 1 bytes.
    std::string itemText(std::size_t index, std::size_t capacity) const;

private:
    std::vector<Item> m_items;
};

}  // namespace tessary
