#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "plugins/host_ports.h"

namespace tessary {

// What a batch step answers in place of the user, given on its command
// line: the file an import or export module asks for, and numbers by key
// ("levels=4").
struct QuestionScript {
    std::string file;
    std::vector<std::pair<std::string, std::int32_t>> numbers;
};

// The questions modules ask, answered from the script of the step being
// run. A question the script says nothing about answers "not available",
// so that the module does what it does on a host that cannot ask (older
// scripts set the environment instead). Number questions take the scripted
// values whose keys they ask for and keep their starting values for the
// rest. A scripted value outside the asked range is a problem: the question
// is declined and problem() says why.
class ScriptedQuestions : public ModuleQuestions {
public:
    // Starts a step: its script, no problem, no key used yet.
    void begin(QuestionScript script);
    // Ends the step: no script.
    void end() { begin(QuestionScript{}); }

    // Empty, or what was wrong with the script for the questions asked.
    const std::string& problem() const { return m_problem; }
    // The scripted keys that no question asked for, in script order.
    std::vector<std::string> unusedKeys() const;
    // Whether any question asked for the scripted file.
    bool fileUsed() const { return m_fileUsed; }

    QuestionAnswer askOpenFile(const FileQuestion& question, std::string& path) override;
    QuestionAnswer askSaveFile(const FileQuestion& question, std::string& path) override;
    QuestionAnswer askNumbers(std::string_view title,
                              std::vector<NumberQuestion>& numbers) override;

private:
    QuestionAnswer answerFile(std::string& path);

    QuestionScript m_script;
    std::vector<bool> m_used;
    bool m_fileUsed = false;
    std::string m_problem;
};

}  // namespace tessary
