#include "common/host_questions.h"

#include <cstring>

namespace tessary::modules {

TsPiResult HostQuestions::openFile(const char* title, const char* filter, std::string& path) const {
    if (m_suite == nullptr || m_suite->askOpenFile == nullptr) return TSPI_ERR_HOST_INSUFFICIENT;
    std::vector<char> buffer(TSPI_ASK_PATH_CAPACITY, '\0');
    const TsPiResult result = m_suite->askOpenFile(title, filter, buffer.data(),
                                                   static_cast<std::int32_t>(buffer.size()));
    if (result == TSPI_NO_ERR) path.assign(buffer.data(), ::strnlen(buffer.data(), buffer.size()));
    return result;
}

TsPiResult HostQuestions::saveFile(const char* title, const std::string& suggestedName,
                                   const char* filter, std::string& path) const {
    if (m_suite == nullptr || m_suite->askSaveFile == nullptr) return TSPI_ERR_HOST_INSUFFICIENT;
    std::vector<char> buffer(TSPI_ASK_PATH_CAPACITY, '\0');
    const TsPiResult result =
        m_suite->askSaveFile(title, suggestedName.c_str(), filter, buffer.data(),
                             static_cast<std::int32_t>(buffer.size()));
    if (result == TSPI_NO_ERR) path.assign(buffer.data(), ::strnlen(buffer.data(), buffer.size()));
    return result;
}

TsPiResult HostQuestions::numbers(const char* title, std::vector<TsPiAskNumber>& entries) const {
    if (m_suite == nullptr || m_suite->askNumbers == nullptr) return TSPI_ERR_HOST_INSUFFICIENT;
    if (entries.empty() || entries.size() > TSPI_ASK_MAX_NUMBERS) return TSPI_ERR_PARAMETER;
    return m_suite->askNumbers(title, entries.data(), static_cast<std::int32_t>(entries.size()));
}

}  // namespace tessary::modules
