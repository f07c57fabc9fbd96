#pragma once

#include <memory>

#include "model/image_data.h"
#include "shell/app/korvel_doc.h"

namespace tessary {

class Page;

// An image document: one Page, read from and written to files through the
// format modules chosen by the file's extension. The document is modified
// exactly when its page's modified flag is set.
class CPageDocument : public CKorvelDoc {
    Q_OBJECT
public:
    explicit CPageDocument(ShellContext& context, QObject* parent = nullptr);
    // Destroys the page (its tiles go back to the store).
    ~CPageDocument() override;

    // Null until a page is attached.
    Page* page() const { return m_page.get(); }
    // Destroys the previous page, keeps `page` and tells the view the new
    // image bounds (pageAttached()).
    void attachPage(std::unique_ptr<Page> page);

    bool isModified() const override;

    // Revert is possible: the document has a path and that file opens.
    bool canRevert() const;
    // Reads the file again into the page as one undoable change ("Revert");
    // the page ends up modified. A failure is reported and leaves the page
    // as it was. True when reverted.
    bool revert();

    bool updateCommand(int id, CommandState& state) override;
    bool runCommand(int id) override;

signals:
    // A page was attached, or its size may have changed: views re-layout
    // and repaint all.
    void pageAttached();
    // Pixels in `area` (image pixels) changed.
    void pageChanged(const tessary::Rect& area);

protected:
    bool onSaveDocument(const QString& path) override;

private:
    bool runExport(int id);

    std::unique_ptr<Page> m_page;
};

}  // namespace tessary
