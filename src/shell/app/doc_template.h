#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <vector>

#include "shell/app/shell_context.h"
#include "shell/view/document_view.h"

class QMdiArea;

namespace tessary {

class CChildFrame;
class CommandRouter;
class CPageDocument;
class Page;

// The image document type: makes a document, its child frame (in the main
// frame's window area) and its view as one triple, and keeps the documents.
// A document lives exactly as long as its frame: when the frame has closed
// (after the save question), the document and its page are destroyed.
//
// The view comes from the view factory; without one, documents get the
// plain 1:1 view.
class CDocTemplate : public QObject {
    Q_OBJECT
public:
    CDocTemplate(ShellContext& context, CommandRouter& router, QMdiArea& area,
                 QObject* parent = nullptr);
    // Closes every document without asking.
    ~CDocTemplate() override;

    void setViewFactory(ViewFactory factory) { m_viewFactory = std::move(factory); }

    // A new document showing `page` (which may be null), titled after `path`
    // or, with an empty path, "Untitled <n>" (the document string's name and
    // a count). Its frame is shown and activated.
    CPageDocument* createDocument(std::unique_ptr<Page> page, const QString& path);

    std::vector<CPageDocument*> documents() const;
    CChildFrame* frameOf(const CPageDocument* document) const;
    // The open document whose file is `path`, or null.
    CPageDocument* findByPath(const QString& path) const;

    // Asks every modified document's save question; false as soon as one
    // answer keeps its document open.
    bool saveAllModified();
    // Closes every document at once, without asking.
    void closeAllDocuments();

    // The name part of new documents' titles ("Untitled ").
    static QString untitledName();

signals:
    // A document was added or removed.
    void documentsChanged();

private:
    struct Entry {
        std::unique_ptr<CPageDocument> document;
        QPointer<CChildFrame> frame;
    };
    void frameDestroyed(CPageDocument* document);

    ShellContext& m_context;
    CommandRouter& m_router;
    QMdiArea& m_area;
    ViewFactory m_viewFactory;
    std::vector<Entry> m_entries;
    int m_untitledCount = 0;
};

}  // namespace tessary
