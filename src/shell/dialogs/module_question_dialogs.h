#pragma once

#include "plugins/host_ports.h"

class QWidget;

namespace tessary {

// The editor's answers to the questions modules ask: the file dialog for
// files (Qt's own, so that it looks the same everywhere and tests can drive
// it) and CAskNumbersDlog for numbers, each modal over `parent`.
class CModuleQuestionDialogs : public ModuleQuestions {
public:
    explicit CModuleQuestionDialogs(QWidget* parent) : m_parent(parent) {}

    QuestionAnswer askOpenFile(const FileQuestion& question, std::string& path) override;
    QuestionAnswer askSaveFile(const FileQuestion& question, std::string& path) override;
    QuestionAnswer askNumbers(std::string_view title,
                              std::vector<NumberQuestion>& numbers) override;

private:
    QuestionAnswer askFile(const FileQuestion& question, bool save, std::string& path);

    QWidget* m_parent;
};

}  // namespace tessary
