#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "device_settings.h"

namespace tessary::twain {

// What the process environment tells the source manager:
// - TESSARY_TWAIN_HEADLESS=1: never show a window;
// - TESSARY_TWAIN_DEVICE: the default source for this process (a SANE
//   device name);
// - TESSARY_TWAIN_OPTIONS="name=value,...": SANE options set before scanning;
// - TESSARY_TWAIN_STATE_DIR: the folder of the remembered default source.
// Each is read when asked, so a process may change them between sessions.
bool headlessRequested();
std::string deviceOverride();
// The option list, empty when unset; empty optional when an entry has no
// '=' or no name.
std::optional<OptionList> optionList();
std::optional<OptionList> parseOptionList(std::string_view text);

// The folder the editor keeps its preferences in (where the remembered
// source lives), unless TESSARY_TWAIN_STATE_DIR names another: "QSStuff"
// beside the program in a build tree or a writable program folder
// ($TESSARY_PROGRAM_FOLDER/QSStuff when that is set), otherwise
// $XDG_CONFIG_HOME/tessary (or ~/.config/tessary).
std::filesystem::path stateFolder();

}  // namespace tessary::twain
