#pragma once

#include <filesystem>
#include <string>

namespace tessary::twain {

// The default source the user chose last, kept as one line (the SANE device
// name) in the file kRememberedSourceFile of a folder.
inline constexpr const char* kRememberedSourceFile = "TwainSource";

// The remembered device name; empty when there is none or it is unreadable.
std::string readRememberedSource(const std::filesystem::path& folder);
// Writes the file beside the old one and renames it over, so a failed write
// keeps the previous choice. Creates the folder when missing.
bool rememberSource(const std::filesystem::path& folder, const std::string& deviceName);

}  // namespace tessary::twain
