#include "plugins/menu_model.h"

#include "platform/assert.h"

namespace tessary {

const MenuModel::Item& MenuModel::item(std::size_t index) const {
    TS_ASSERT(index < m_items.size());
    return m_items[index];
}

MenuModel::Item& MenuModel::item(std::size_t index) {
    TS_ASSERT(index < m_items.size());
    return m_items[index];
}

void MenuModel::insertItem(std::size_t position, std::string_view text, std::uint32_t commandId) {
    TS_ASSERT(position <= m_items.size());
    Item item;
    item.text = std::string(text);
    item.commandId = commandId;
    m_items.insert(m_items.begin() + static_cast<std::ptrdiff_t>(position), std::move(item));
}

std::string MenuModel::itemText(std::size_t index, std::size_t capacity) const {
    const std::string& text = item(index).text;
    if (capacity == 0) return {};
    return text.substr(0, capacity - 1);
}

}  // namespace tessary
