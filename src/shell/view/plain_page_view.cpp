#include "shell/view/plain_page_view.h"

#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include "model/page.h"
#include "render/page_draw.h"
#include "shell/app/page_document.h"

namespace tessary {

CPlainPageView::CPlainPageView(CPageDocument& document, PageDraw* renderer, QWidget* parent)
    : QAbstractScrollArea(parent), m_document(document), m_renderer(renderer) {
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
}

CPlainPageView::~CPlainPageView() = default;

void CPlainPageView::pageAttached() {
    layoutScrollBars();
    viewport()->update();
}

void CPlainPageView::invalidateImageRect(const Rect& area) {
    const QPoint origin = imageOrigin();
    viewport()->update(QRect(origin.x() + area.left - 1, origin.y() + area.top - 1,
                             area.width() + 2, area.height() + 2));
}

QPoint CPlainPageView::imageOrigin() const {
    const Page* page = m_document.page();
    const Rect bounds = page != nullptr ? page->bounds() : Rect{};
    const QSize area = viewport()->size();
    const int x = bounds.width() > area.width() ? -horizontalScrollBar()->value()
                                                : area.width() / 2 - bounds.width() / 2;
    const int y = bounds.height() > area.height() ? -verticalScrollBar()->value()
                                                  : area.height() / 2 - bounds.height() / 2;
    return {x, y};
}

void CPlainPageView::layoutScrollBars() {
    const Page* page = m_document.page();
    const Rect bounds = page != nullptr ? page->bounds() : Rect{};
    const QSize area = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, bounds.width() - area.width()));
    verticalScrollBar()->setRange(0, std::max(0, bounds.height() - area.height()));
    horizontalScrollBar()->setPageStep(area.width());
    verticalScrollBar()->setPageStep(area.height());
}

void CPlainPageView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    layoutScrollBars();
}

void CPlainPageView::scrollContentsBy(int, int) {
    viewport()->update();
}

void CPlainPageView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect clip = event->rect();
    painter.fillRect(clip, Qt::gray);
    const Page* page = m_document.page();
    if (page == nullptr || page->pageData() == nullptr || m_renderer == nullptr ||
        !m_renderer->ready())
        return;
    const Rect bounds = page->bounds();
    const QPoint origin = imageOrigin();
    const QRect placement(origin, QSize(bounds.width(), bounds.height()));
    painter.setPen(Qt::black);
    painter.drawRect(placement.adjusted(-1, -1, 0, 0));
    const QRect visible = placement.intersected(clip);
    if (visible.isEmpty()) return;
    QImage band(visible.size(), QImage::Format_RGB32);
    DrawTarget target;
    target.pixels = reinterpret_cast<std::uint32_t*>(band.bits());
    target.strideBytes = band.bytesPerLine();
    target.width = band.width();
    target.height = band.height();
    target.originX = visible.left();
    target.originY = visible.top();
    const Rect source{visible.left() - origin.x(), visible.top() - origin.y(),
                      visible.right() + 1 - origin.x(), visible.bottom() + 1 - origin.y()};
    const WideRect destination{visible.left(), visible.top(), visible.right() + 1,
                               visible.bottom() + 1};
    m_renderer->draw(*page->pageData(), source, destination, target, 1,
                     PageDraw::drawModeFor(page->type(), page->hasFloat()), 0);
    painter.drawImage(visible.topLeft(), band);
}

}  // namespace tessary
