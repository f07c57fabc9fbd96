#pragma once

#include <QAbstractScrollArea>

#include "shell/view/document_view.h"

namespace tessary {

class CPageDocument;
class PageDraw;

// The view a document gets while no image view is plugged into the document
// template: it shows the page at 1:1 through the shared renderer, centred
// when smaller than the window and scrollable when larger, and handles no
// commands of its own.
class CPlainPageView : public QAbstractScrollArea, public DocumentView {
    Q_OBJECT
public:
    CPlainPageView(CPageDocument& document, PageDraw* renderer, QWidget* parent = nullptr);
    ~CPlainPageView() override;

    QWidget* widget() override { return this; }
    void pageAttached() override;
    void invalidateImageRect(const Rect& area) override;
    bool updateCommand(int, CommandState&) override { return false; }
    bool runCommand(int) override { return false; }

    // The window pixel where the image's top-left lands.
    QPoint imageOrigin() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void layoutScrollBars();

    CPageDocument& m_document;
    PageDraw* m_renderer;
};

}  // namespace tessary
