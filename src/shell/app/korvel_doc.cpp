#include "shell/app/korvel_doc.h"

#include <QFileInfo>

#include "shell/app/command_ids.h"
#include "shell/app/recent_file_list.h"
#include "shell/chrome/error_box.h"
#include "shell/dialogs/file_save_dlog.h"

namespace tessary {

namespace {

// The native extension a new document is proposed with.
constexpr const char* kNativeExtension = ".BMP";

}  // namespace

CKorvelDoc::CKorvelDoc(ShellContext& context, QObject* parent)
    : QObject(parent), m_context(context) {}

CKorvelDoc::~CKorvelDoc() = default;

void CKorvelDoc::setPath(const QString& path) {
    const QFileInfo info(path);
    m_path = info.absoluteFilePath();
    m_title = info.fileName();
    emit titleChanged();
}

void CKorvelDoc::setTitle(const QString& title) {
    m_title = title;
    emit titleChanged();
}

bool CKorvelDoc::saveModified() {
    if (!isModified()) return true;
    switch (askSaveChanges(m_context.mainWindow, m_title)) {
        case QMessageBox::Yes:
            return doFileSave();
        case QMessageBox::No:
            return true;
        default:
            return false;
    }
}

bool CKorvelDoc::doFileSave() {
    const QFileInfo info(m_path);
    if (m_path.isEmpty() || !info.exists() || !info.isFile() || !info.isReadable() ||
        !info.isWritable())
        return doSave(QString(), true);
    return doSave(m_path, true);
}

QString CKorvelDoc::proposedSaveName() const {
    if (!m_path.isEmpty()) return m_path;
    return m_title + QLatin1String(kNativeExtension);
}

QString CKorvelDoc::askSavePath() {
    std::vector<FileTypeFilter> filters;
    if (m_context.plugIns != nullptr) filters = saveFilters(*m_context.plugIns);
    CFileSaveDlog dialog(m_context.mainWindow, proposedSaveName(), std::move(filters));
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.chosenPath();
}

bool CKorvelDoc::doSave(const QString& path, bool replace) {
    QString target = path;
    if (target.isEmpty()) {
        target = askSavePath();
        if (target.isEmpty()) return false;
    }
    if (!onSaveDocument(target)) return false;
    if (replace) {
        setPath(target);
        if (m_context.recentFiles != nullptr) m_context.recentFiles->add(m_path);
    }
    return true;
}

bool CKorvelDoc::updateCommand(int id, CommandState& state) {
    switch (id) {
        case cmd::kFileSave:
            state.enabled = isModified();
            return true;
        case cmd::kFileSaveAs:
            return true;
        default:
            return false;
    }
}

bool CKorvelDoc::runCommand(int id) {
    switch (id) {
        case cmd::kFileSave:
            doFileSave();
            return true;
        case cmd::kFileSaveAs:
            doSave(QString(), true);
            return true;
        default:
            return false;
    }
}

}  // namespace tessary
