#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessary {

// The text and enabled state of a menu item, built before the menu shows.
struct MenuItemState {
    std::string text;
    bool enabled = false;
    friend bool operator==(const MenuItemState&, const MenuItemState&) = default;
};

// The name of an undo kind: string 3999 + kind, empty for kinds without one
// (0 = none, and numbers past the table).
const std::string& undoKindName(std::uint32_t kind);

// Edit > Undo: "&Undo" (string 5000); when the page can undo, a blank and the
// name of the current state's undo kind; then "\tCtrl+Z". Enabled exactly when
// the page can undo. A kind without a name adds no blank. Names inserted in
// menu texts here have each "&" doubled, so that it shows as itself.
MenuItemState undoMenuItem(bool canUndo, std::uint32_t undoKind);

// Edit > Redo: "&Redo" (string 5001), a blank and the newest redo state's kind
// name when the page can redo, then "\tCtrl+R"; enabled exactly when it can.
MenuItemState redoMenuItem(bool canRedo, std::uint32_t redoKind);

// Filter > Last Filter: "Last Filter" (string 5010), or, when the command is
// enabled, the last filter's name without a trailing "..." (or else without
// one trailing "."), each "&" doubled; then "\tCtrl+F".
MenuItemState lastFilterMenuItem(bool enabled, std::string_view lastFilterName);

}  // namespace tessary
