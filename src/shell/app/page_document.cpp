#include "shell/app/page_document.h"

#include <QFile>

#include "model/page.h"
#include "plugins/page_file_io.h"
#include "plugins/plug_in_commands.h"
#include "shell/app/command_ids.h"
#include "shell/chrome/error_box.h"
#include "shell/services/file_error_text.h"

namespace tessary {

CPageDocument::CPageDocument(ShellContext& context, QObject* parent)
    : CKorvelDoc(context, parent) {}

CPageDocument::~CPageDocument() = default;

void CPageDocument::attachPage(std::unique_ptr<Page> page) {
    m_page = std::move(page);
    emit pageAttached();
}

bool CPageDocument::isModified() const {
    return m_page != nullptr && m_page->modified();
}

bool CPageDocument::canRevert() const {
    if (path().isEmpty()) return false;
    QFile file(path());
    return file.open(QIODevice::ReadOnly);
}

bool CPageDocument::revert() {
    if (m_page == nullptr || context().files == nullptr) return false;
    if (!canRevert()) {
        showWarning(context().mainWindow,
                    openFailureMessage(PageFileError::CannotOpenFile, path()));
        return false;
    }
    const PageFileError error = context().files->revert(*m_page, path().toStdString());
    if (error == PageFileError::Cancelled) return false;
    if (error != PageFileError::None) {
        showWarning(context().mainWindow, openFailureMessage(error, path(), context().host));
        return false;
    }
    emit pageAttached();
    return true;
}

bool CPageDocument::onSaveDocument(const QString& target) {
    PageFileError error = PageFileError::PageNotShaped;
    if (m_page != nullptr && context().files != nullptr)
        error = context().files->save(*m_page, target.toStdString());
    if (error == PageFileError::Cancelled) return false;  // the user chose to stop
    if (error != PageFileError::None) {
        showWarning(context().mainWindow, saveFailureMessage(error, target, context().host));
        return false;
    }
    // A floating selection was merged into the image before writing.
    emit pageChanged(m_page->bounds());
    return true;
}

bool CPageDocument::runExport(int id) {
    if (m_page == nullptr || context().host == nullptr || context().plugIns == nullptr) return true;
    const bool done = PlugInExportCommand(*context().host, *context().plugIns,
                                          static_cast<std::uint32_t>(id), m_page.get());
    if (!done && !context().host->cancelled())
        showPlugInFailure(context().mainWindow, *context().host);
    return true;
}

bool CPageDocument::updateCommand(int id, CommandState& state) {
    if (id == cmd::kFileRevert) {
        state.enabled = isModified() && !path().isEmpty();
        return true;
    }
    if (cmd::inRange(id, cmd::kExportFirst, cmd::kExportLast)) {
        state.enabled = m_page != nullptr && m_page->pageData() != nullptr &&
                        context().host != nullptr && !context().host->busy();
        return true;
    }
    return CKorvelDoc::updateCommand(id, state);
}

bool CPageDocument::runCommand(int id) {
    if (id == cmd::kFileRevert) {
        revert();
        return true;
    }
    if (cmd::inRange(id, cmd::kExportFirst, cmd::kExportLast)) return runExport(id);
    return CKorvelDoc::runCommand(id);
}

}  // namespace tessary
