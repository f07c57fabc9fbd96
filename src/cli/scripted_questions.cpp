#include "cli/scripted_questions.h"

#include <cctype>

namespace tessary {

namespace {

bool sameKey(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

}  // namespace

void ScriptedQuestions::begin(QuestionScript script) {
    m_script = std::move(script);
    m_used.assign(m_script.numbers.size(), false);
    m_fileUsed = false;
    m_problem.clear();
}

std::vector<std::string> ScriptedQuestions::unusedKeys() const {
    std::vector<std::string> keys;
    for (std::size_t i = 0; i < m_script.numbers.size(); ++i)
        if (!m_used[i]) keys.push_back(m_script.numbers[i].first);
    return keys;
}

QuestionAnswer ScriptedQuestions::answerFile(std::string& path) {
    if (m_script.file.empty()) return QuestionAnswer::NotAvailable;
    path = m_script.file;
    m_fileUsed = true;
    return QuestionAnswer::Answered;
}

QuestionAnswer ScriptedQuestions::askOpenFile(const FileQuestion&, std::string& path) {
    return answerFile(path);
}

QuestionAnswer ScriptedQuestions::askSaveFile(const FileQuestion&, std::string& path) {
    return answerFile(path);
}

QuestionAnswer ScriptedQuestions::askNumbers(std::string_view,
                                             std::vector<NumberQuestion>& numbers) {
    std::vector<NumberQuestion> answers = numbers;
    bool scripted = false;
    for (NumberQuestion& number : answers) {
        for (std::size_t i = 0; i < m_script.numbers.size(); ++i) {
            const auto& [key, value] = m_script.numbers[i];
            if (!sameKey(key, number.key)) continue;
            m_used[i] = true;
            scripted = true;
            if (value < number.minimum || value > number.maximum) {
                m_problem = key + " must be from " + std::to_string(number.minimum) + " to " +
                            std::to_string(number.maximum);
                return QuestionAnswer::Cancelled;
            }
            number.value = value;
        }
    }
    if (!scripted) return QuestionAnswer::NotAvailable;
    numbers = std::move(answers);
    return QuestionAnswer::Answered;
}

}  // namespace tessary
