#include "plugins/question_services.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "plugins/plug_in_host.h"

namespace tessary {

namespace {

// The text at `text` when it ends within TSPI_ASK_MAX_TEXT bytes; a null
// pointer reads as empty when `optional`, else as malformed.
std::optional<std::string> moduleText(const char* text, bool optional) {
    if (text == nullptr) {
        if (optional) return std::string();
        return std::nullopt;
    }
    const std::size_t length = ::strnlen(text, TSPI_ASK_MAX_TEXT);
    if (length >= TSPI_ASK_MAX_TEXT) return std::nullopt;
    return std::string(text, length);
}

bool usableBuffer(const char* path, std::int32_t capacity) {
    return path != nullptr && capacity > 0;
}

TsPiResult resultOf(QuestionAnswer answer) {
    switch (answer) {
        case QuestionAnswer::Answered:
            return TSPI_NO_ERR;
        case QuestionAnswer::Cancelled:
            return TSPI_ERR_USER_CANCELED;
        case QuestionAnswer::NotAvailable:
            break;
    }
    return TSPI_ERR_HOST_INSUFFICIENT;
}

// Copies an answered path into the module's buffer; an empty path is no
// answer, one that does not fit is refused with an empty buffer.
TsPiResult writePath(QuestionAnswer answer, const std::string& chosen, char* path,
                     std::int32_t capacity) {
    if (answer == QuestionAnswer::Answered && chosen.empty()) answer = QuestionAnswer::Cancelled;
    if (answer != QuestionAnswer::Answered) return resultOf(answer);
    if (chosen.size() >= static_cast<std::size_t>(capacity) ||
        chosen.find('\0') != std::string::npos) {
        path[0] = '\0';
        return TSPI_ERR_PARAMETER;
    }
    std::memcpy(path, chosen.c_str(), chosen.size() + 1);
    return TSPI_NO_ERR;
}

std::string titleOr(std::string title, std::string_view fallback) {
    return title.empty() ? std::string(fallback) : title;
}

}  // namespace

TsPiResult serveOpenFileQuestion(ModuleQuestions* port, std::string_view fallbackTitle,
                                 const char* title, const char* filter, char* path,
                                 std::int32_t pathCapacity) {
    const auto titleText = moduleText(title, true);
    const auto filterText = moduleText(filter, true);
    if (!titleText || !filterText || !usableBuffer(path, pathCapacity)) return TSPI_ERR_PARAMETER;
    if (port == nullptr) return TSPI_ERR_HOST_INSUFFICIENT;
    FileQuestion question{titleOr(*titleText, fallbackTitle), *filterText, std::string()};
    std::string chosen;
    const QuestionAnswer answer = port->askOpenFile(question, chosen);
    return writePath(answer, chosen, path, pathCapacity);
}

TsPiResult serveSaveFileQuestion(ModuleQuestions* port, std::string_view fallbackTitle,
                                 const char* title, const char* suggestedName, const char* filter,
                                 char* path, std::int32_t pathCapacity) {
    const auto titleText = moduleText(title, true);
    const auto nameText = moduleText(suggestedName, true);
    const auto filterText = moduleText(filter, true);
    if (!titleText || !nameText || !filterText || !usableBuffer(path, pathCapacity))
        return TSPI_ERR_PARAMETER;
    if (port == nullptr) return TSPI_ERR_HOST_INSUFFICIENT;
    FileQuestion question{titleOr(*titleText, fallbackTitle), *filterText, *nameText};
    std::string chosen;
    const QuestionAnswer answer = port->askSaveFile(question, chosen);
    return writePath(answer, chosen, path, pathCapacity);
}

TsPiResult serveNumbersQuestion(ModuleQuestions* port, std::string_view fallbackTitle,
                                const char* title, TsPiAskNumber* numbers, std::int32_t count) {
    const auto titleText = moduleText(title, true);
    if (!titleText || numbers == nullptr || count < 1 || count > TSPI_ASK_MAX_NUMBERS)
        return TSPI_ERR_PARAMETER;
    std::vector<NumberQuestion> questions;
    for (std::int32_t i = 0; i < count; ++i) {
        const TsPiAskNumber& entry = numbers[i];
        const auto key = moduleText(entry.key, false);
        const auto label = moduleText(entry.label, false);
        if (!key || key->empty() || !label || entry.minimum > entry.maximum)
            return TSPI_ERR_PARAMETER;
        questions.push_back(NumberQuestion{*key, *label, entry.minimum, entry.maximum,
                                           std::clamp(entry.value, entry.minimum, entry.maximum)});
    }
    if (port == nullptr) return TSPI_ERR_HOST_INSUFFICIENT;
    std::vector<NumberQuestion> answers = questions;
    const QuestionAnswer answer = port->askNumbers(titleOr(*titleText, fallbackTitle), answers);
    if (answer != QuestionAnswer::Answered) return resultOf(answer);
    // A port may not add, drop or reorder entries: the values go back by
    // position.
    if (answers.size() != questions.size()) return TSPI_ERR_PARAMETER;
    for (std::int32_t i = 0; i < count; ++i) {
        const NumberQuestion& asked = questions[static_cast<std::size_t>(i)];
        numbers[i].value =
            std::clamp(answers[static_cast<std::size_t>(i)].value, asked.minimum, asked.maximum);
    }
    return TSPI_NO_ERR;
}

namespace {

// The suite's procedures reach the port of the host whose module is being
// called; outside a call nobody can answer.
ModuleQuestions* activePort() {
    PlugInHost* host = PlugInHost::active();
    return host != nullptr ? host->moduleQuestions() : nullptr;
}

std::string activeModuleName() {
    PlugInHost* host = PlugInHost::active();
    return host != nullptr ? host->callingModuleName() : std::string();
}

TsPiResult TSPI_CALL askOpenFileProc(const char* title, const char* filter, char* path,
                                     std::int32_t pathCapacity) {
    return serveOpenFileQuestion(activePort(), activeModuleName(), title, filter, path,
                                 pathCapacity);
}

TsPiResult TSPI_CALL askSaveFileProc(const char* title, const char* suggestedName,
                                     const char* filter, char* path, std::int32_t pathCapacity) {
    return serveSaveFileQuestion(activePort(), activeModuleName(), title, suggestedName, filter,
                                 path, pathCapacity);
}

TsPiResult TSPI_CALL askNumbersProc(const char* title, TsPiAskNumber* numbers, std::int32_t count) {
    return serveNumbersQuestion(activePort(), activeModuleName(), title, numbers, count);
}

}  // namespace

const TsPiAskSuite& askSuite() {
    static const TsPiAskSuite suite{TSPI_ASK_SUITE_VERSION, TSPI_ASK_SUITE_COUNT, askOpenFileProc,
                                    askSaveFileProc, askNumbersProc};
    return suite;
}

}  // namespace tessary
