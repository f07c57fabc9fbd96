#include "app/error_messages.h"

#include "app/string_ids.h"
#include "app/string_table.h"
#include "model/error_codes.h"

namespace tessary {

bool isReportedError(std::uint32_t code) {
    return code != static_cast<std::uint32_t>(kErrNone) &&
           code != static_cast<std::uint32_t>(kErrCancelled);
}

std::optional<int> errorMessageId(std::uint32_t code) {
    if (!isReportedError(code)) return std::nullopt;
    return static_cast<int>((code + static_cast<std::uint32_t>(string_id::kErrorMessageBase)) &
                            0xFFFFu);
}

const std::string& errorMessage(std::uint32_t code) {
    static const std::string none;
    const std::optional<int> id = errorMessageId(code);
    if (!id) return none;
    if (hasString(*id)) return loadString(*id);
    return loadString(*errorMessageId(static_cast<std::uint32_t>(kErrGeneral)));
}

}  // namespace tessary
