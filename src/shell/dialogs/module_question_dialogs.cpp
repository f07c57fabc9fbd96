#include "shell/dialogs/module_question_dialogs.h"

#include <QFileDialog>

#include "shell/dialogs/ask_numbers_dlog.h"

namespace tessary {

namespace {

QString qtext(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QuestionAnswer CModuleQuestionDialogs::askFile(const FileQuestion& question, bool save,
                                               std::string& path) {
    QFileDialog dialog(m_parent, qtext(question.title));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!question.filter.empty())
        dialog.setNameFilters(qtext(question.filter).split(QStringLiteral(";;")));
    if (save && !question.suggestedName.empty()) dialog.selectFile(qtext(question.suggestedName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QuestionAnswer::Cancelled;
    path = dialog.selectedFiles().constFirst().toStdString();
    return QuestionAnswer::Answered;
}

QuestionAnswer CModuleQuestionDialogs::askOpenFile(const FileQuestion& question,
                                                   std::string& path) {
    return askFile(question, false, path);
}

QuestionAnswer CModuleQuestionDialogs::askSaveFile(const FileQuestion& question,
                                                   std::string& path) {
    return askFile(question, true, path);
}

QuestionAnswer CModuleQuestionDialogs::askNumbers(std::string_view title,
                                                  std::vector<NumberQuestion>& numbers) {
    CAskNumbersDlog dialog(qtext(title), numbers, m_parent);
    if (dialog.exec() != QDialog::Accepted) return QuestionAnswer::Cancelled;
    const std::vector<std::int32_t> values = dialog.values();
    for (std::size_t i = 0; i < numbers.size() && i < values.size(); ++i)
        numbers[i].value = values[i];
    return QuestionAnswer::Answered;
}

}  // namespace tessary
