#include "shell/app/doc_template.h"

#include <QFileInfo>
#include <QMdiArea>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include "app/string_table.h"
#include "model/page.h"
#include "shell/app/child_frame.h"
#include "shell/app/page_document.h"
#include "shell/view/plain_page_view.h"

namespace tessary {

namespace {

constexpr int kDocumentString = 129;

}  // namespace

QString CDocTemplate::untitledName() {
    // "\nUntitled \nTessary\n...": the second field names new documents.
    const QStringList fields = QString::fromStdString(loadString(kDocumentString)).split('\n');
    return fields.size() > 1 ? fields.at(1) : QStringLiteral("Untitled ");
}

CDocTemplate::CDocTemplate(ShellContext& context, CommandRouter& router, QMdiArea& area,
                           QObject* parent)
    : QObject(parent), m_context(context), m_router(router), m_area(area) {}

CDocTemplate::~CDocTemplate() {
    closeAllDocuments();
}

CPageDocument* CDocTemplate::createDocument(std::unique_ptr<Page> page, const QString& path) {
    auto document = std::make_unique<CPageDocument>(m_context);
    CPageDocument* raw = document.get();
    if (path.isEmpty())
        raw->setTitle(untitledName() + QString::number(++m_untitledCount));
    else
        raw->setPath(path);
    if (page) raw->attachPage(std::move(page));

    auto* frame = new CChildFrame(*raw, m_context, m_router);
    DocumentView* view =
        m_viewFactory ? m_viewFactory(*raw, *frame) : new CPlainPageView(*raw, m_context.renderer);
    frame->setView(view);
    m_entries.push_back({std::move(document), frame});
    connect(frame, &QObject::destroyed, this, [this, raw] { frameDestroyed(raw); });
    m_area.addSubWindow(frame);
    const QPointer<CChildFrame> opened(frame);
    const auto fit = [this, opened] {
        if (opened)
            opened->resize(CChildFrame::openingSize(opened->sizeHint(), m_area.viewport()->size()));
    };
    fit();
    // A document opened before the main window shows (from the command line)
    // meets an area that has no size yet: fit it again once the area is laid
    // out.
    if (!m_area.isVisible()) QTimer::singleShot(0, frame, fit);
    frame->show();
    m_area.setActiveSubWindow(frame);
    emit documentsChanged();
    return raw;
}

std::vector<CPageDocument*> CDocTemplate::documents() const {
    std::vector<CPageDocument*> out;
    for (const Entry& entry : m_entries) out.push_back(entry.document.get());
    return out;
}

CChildFrame* CDocTemplate::frameOf(const CPageDocument* document) const {
    for (const Entry& entry : m_entries) {
        if (entry.document.get() == document) return entry.frame;
    }
    return nullptr;
}

CPageDocument* CDocTemplate::findByPath(const QString& path) const {
    const QFileInfo wanted(path);
    const QString canonical = wanted.canonicalFilePath();
    for (const Entry& entry : m_entries) {
        const QString own = entry.document->path();
        if (own.isEmpty()) continue;
        const QFileInfo info(own);
        if (!canonical.isEmpty() && info.canonicalFilePath() == canonical)
            return entry.document.get();
        if (info.absoluteFilePath() == wanted.absoluteFilePath()) return entry.document.get();
    }
    return nullptr;
}

bool CDocTemplate::saveAllModified() {
    for (CPageDocument* document : documents()) {
        if (!document->saveModified()) return false;
    }
    return true;
}

void CDocTemplate::closeAllDocuments() {
    // Deleting a frame destroys its document (frameDestroyed); entries whose
    // frame is already gone are dropped here.
    while (!m_entries.empty()) {
        Entry& last = m_entries.back();
        if (CChildFrame* frame = last.frame) {
            frame->setCloseWithoutAsking(true);
            delete frame;
        } else {
            m_entries.pop_back();
        }
    }
    emit documentsChanged();
}

void CDocTemplate::frameDestroyed(CPageDocument* document) {
    for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
        if (it->document.get() == document) {
            // Taken out of the list first: the document's destruction must
            // not find itself listed.
            std::unique_ptr<CPageDocument> dying = std::move(it->document);
            m_entries.erase(it);
            dying.reset();
            emit documentsChanged();
            return;
        }
    }
}

}  // namespace tessary
