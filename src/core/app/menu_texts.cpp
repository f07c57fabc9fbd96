#include "app/menu_texts.h"

#include "app/string_ids.h"
#include "app/string_table.h"

namespace tessary {

namespace {

// Appends `text` with every '&' doubled: a menu would take a single '&' for
// the mark of the next letter's mnemonic.
void appendLiteral(std::string& out, std::string_view text) {
    for (const char c : text) {
        if (c == '&') out += '&';
        out += c;
    }
}

MenuItemState stepItem(int labelId, bool canStep, std::uint32_t kind,
                       std::string_view accelerator) {
    MenuItemState item;
    item.text = loadString(labelId);
    if (canStep) {
        const std::string& name = undoKindName(kind);
        if (!name.empty()) {
            item.text += ' ';
            appendLiteral(item.text, name);
        }
    }
    item.text += accelerator;
    item.enabled = canStep;
    return item;
}

}  // namespace

const std::string& undoKindName(std::uint32_t kind) {
    static const std::string none;
    // Kinds whose id would leave the table's 16-bit range have no name.
    constexpr std::uint32_t kLastKind = 65535 - string_id::kUndoKindBase;
    if (kind == 0 || kind > kLastKind) return none;
    return loadString(string_id::kUndoKindBase + static_cast<int>(kind));
}

MenuItemState undoMenuItem(bool canUndo, std::uint32_t undoKind) {
    return stepItem(string_id::kUndoMenu, canUndo, undoKind, "\tCtrl+Z");
}

MenuItemState redoMenuItem(bool canRedo, std::uint32_t redoKind) {
    return stepItem(string_id::kRedoMenu, canRedo, redoKind, "\tCtrl+R");
}

MenuItemState lastFilterMenuItem(bool enabled, std::string_view lastFilterName) {
    MenuItemState item;
    if (enabled) {
        std::string_view name = lastFilterName;
        if (name.ends_with("...")) {
            name.remove_suffix(3);
        } else if (name.ends_with('.')) {
            name.remove_suffix(1);
        }
        appendLiteral(item.text, name);
    } else {
        item.text = loadString(string_id::kLastFilterMenu);
    }
    item.text += "\tCtrl+F";
    item.enabled = enabled;
    return item;
}

}  // namespace tessary
