#include "shell/dialogs/file_save_dlog.h"

#include <QFileInfo>
#include <QLineEdit>

#include "shell/chrome/error_box.h"

namespace tessary {

CFileSaveDlog::CFileSaveDlog(QWidget* parent, const QString& proposedPath,
                             std::vector<FileTypeFilter> filters)
    : QFileDialog(parent), m_filters(std::move(filters)), m_qtFilters(qtFilters(m_filters)) {
    setOption(QFileDialog::DontUseNativeDialog, true);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setNameFilters(m_qtFilters);

    const QFileInfo proposed(proposedPath);
    if (proposedPath.contains(QLatin1Char('/'))) setDirectory(proposed.absolutePath());
    const int index = filterIndexForName(m_filters, proposed.fileName());
    if (index >= 0) selectNameFilter(m_qtFilters.at(index));
    selectFile(proposed.fileName());

    connect(this, &QFileDialog::filterSelected, this, &CFileSaveDlog::typeChosen);
}

CFileSaveDlog::~CFileSaveDlog() = default;

QLineEdit* CFileSaveDlog::nameEdit() const {
    return findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
}

QString CFileSaveDlog::fileNameText() const {
    if (QLineEdit* edit = nameEdit()) return edit->text();
    const QStringList chosen = selectedFiles();
    return chosen.isEmpty() ? QString() : QFileInfo(chosen.first()).fileName();
}

int CFileSaveDlog::selectedFilterIndex() const {
    return static_cast<int>(m_qtFilters.indexOf(selectedNameFilter()));
}

QString CFileSaveDlog::chosenPath() const {
    const QStringList chosen = selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

void CFileSaveDlog::typeChosen(const QString& qtFilterText) {
    const qsizetype index = m_qtFilters.indexOf(qtFilterText);
    if (index < 0) return;
    const QString current = fileNameText();
    const QString renamed = replaceExtension(current, m_filters.at(index).pattern);
    if (renamed == current) return;
    if (QLineEdit* edit = nameEdit())
        edit->setText(renamed);
    else
        selectFile(renamed);
}

void CFileSaveDlog::accept() {
    const QString name = fileNameText();
    // A folder typed into the box is entered as usual.
    if (!name.isEmpty() && QFileInfo(directory().absoluteFilePath(name)).isDir()) {
        QFileDialog::accept();
        return;
    }
    if (filterIndexForName(m_filters, QFileInfo(name).fileName()) < 0) {
        if (!name.isEmpty())
            showWarning(this, noWriterMessage(QFileInfo(name).fileName(), m_filters));
        return;
    }
    QFileDialog::accept();
}

}  // namespace tessary
