#pragma once

#include <cstdint>

#include "plugins/host_ports.h"
#include "tessary_ask.h"

namespace tessary {

// The host's side of the ask suite: checks a module's question, hands it to
// `port` and writes the answer back into the module's memory. Everything a
// module passes is outside data: text is read only up to TSPI_ASK_MAX_TEXT
// bytes and must end within them, counts and ranges are checked, and
// answers are written only within the sizes the module gives.
//
// Results: TSPI_NO_ERR (answered), TSPI_ERR_USER_CANCELED,
// TSPI_ERR_HOST_INSUFFICIENT (null port, or the port cannot answer) and
// TSPI_ERR_PARAMETER (malformed question, or an answered path longer than
// the module's buffer: the buffer then holds an empty string). A null
// `title` is replaced by `fallbackTitle` (the running module's name).
TsPiResult serveOpenFileQuestion(ModuleQuestions* port, std::string_view fallbackTitle,
                                 const char* title, const char* filter, char* path,
                                 std::int32_t pathCapacity);
TsPiResult serveSaveFileQuestion(ModuleQuestions* port, std::string_view fallbackTitle,
                                 const char* title, const char* suggestedName, const char* filter,
                                 char* path, std::int32_t pathCapacity);
// Values are written only when answered, each moved into its range.
TsPiResult serveNumbersQuestion(ModuleQuestions* port, std::string_view fallbackTitle,
                                const char* title, TsPiAskNumber* numbers, std::int32_t count);

// The suite handed to modules; its procedures reach the active host's port.
const TsPiAskSuite& askSuite();

}  // namespace tessary
