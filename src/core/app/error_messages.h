#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tessary {

// The string id of the message for an edit operation's error code:
// (code + 4464) modulo 65536. Success (0) and a cancel by the user (0x10000)
// have no message and give no id.
std::optional<int> errorMessageId(std::uint32_t code);

// The text to show for an error code: the string of errorMessageId(code).
// Empty for success and for a cancel, which are never reported. Any other code
// whose string the table does not hold (an unknown code, or a plug-in's own
// negative result) gives the general error's message (code 0x10001), so a
// failure is never shown as an empty message box.
const std::string& errorMessage(std::uint32_t code);

// True when the code is to be reported to the user: neither success nor a
// cancel.
bool isReportedError(std::uint32_t code);

}  // namespace tessary
