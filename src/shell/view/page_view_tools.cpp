#include <QEnterEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <limits>

#include "model/page.h"
#include "model/page_data.h"
#include "model/page_state_record.h"
#include "render/page_draw.h"
#include "render/selection_outline.h"
#include "render/zoom_levels.h"
#include "shell/app/child_frame.h"
#include "shell/app/page_document.h"
#include "shell/chrome/info_control_bar.h"
#include "shell/chrome/therm_obj.h"
#include "shell/dialogs/text_options_dlog.h"
#include "text/qt_text_rasterizer.h"
#include "shell/view/direct_tracker.h"
#include "shell/view/page_view.h"
#include "shell/view/view_edits.h"
#include "shell/view/view_services.h"
#include "tools/tool_box.h"

// CPageView as the tools' view: coordinate maps, drawing at once, the
// feedback overlay, scrolling and zooming for the tools, the cursor choice
// and the keys it follows, and the press that becomes a ToolEvent.

namespace tessary {
namespace {

QRect toQRect(const WideRect& r) {
    return QRect(QPoint(static_cast<int>(r.left), static_cast<int>(r.top)),
                 QPoint(static_cast<int>(r.right) - 1, static_cast<int>(r.bottom) - 1));
}

std::int32_t clampToInt32(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// What a press may change, to tell afterwards whether anything needs
// repainting: a closed change gives the page a new current state (the old
// one lives on as the newest undo state, so the address cannot repeat).
struct PageSnapshot {
    const ImageData* state = nullptr;
    Rect bounds;
    Rect selection;
    std::uint32_t moves = 0;

    explicit PageSnapshot(const Page& page)
        : state(page.pageData()->current()),
          bounds(page.bounds()),
          selection(ViewEdits::selectionBounds(page)),
          moves(page.changeCounter()) {}
};

// The window pixels a feedback figure's outline covers, with a pixel to
// spare on every side.
QRect figureBounds(const FeedbackFigure& figure) {
    const QRect corners =
        QRect(QPoint(figure.from.x, figure.from.y), QPoint(figure.to.x, figure.to.y)).normalized();
    const int spare = figure.kind == FeedbackFigure::Kind::Line
                          ? std::clamp(figure.penWidth, 1, 1000) / 2 + 1
                          : 1;
    return corners.adjusted(-spare, -spare, spare, spare);
}

// The part of the window a figure's outline touches: the four edges of a
// rectangle (its inside is untouched), the bounds of the other figures.
QRegion figureRegion(const FeedbackFigure& figure) {
    const QRect outer = figureBounds(figure);
    if (figure.kind != FeedbackFigure::Kind::Rectangle || outer.width() <= 6 || outer.height() <= 6)
        return QRegion(outer);
    return QRegion(outer) - QRegion(outer.adjusted(3, 3, -3, -3));
}

// Long tool work (fills, the magic wand) shows two text lines, a bar and
// Cancel.
constexpr std::int16_t kToolProgressStyle = 25002;

}  // namespace

ToolPoint CPageView::imageToWindow(ToolPoint image) const {
    const WidePoint window = geometry().imageToWindow(WidePoint{image.x, image.y});
    return {clampToInt32(window.x), clampToInt32(window.y)};
}

ToolPoint CPageView::windowToImage(ToolPoint window) const {
    const WidePoint image = geometry().windowToImage(WidePoint{window.x, window.y});
    return {clampToInt32(image.x), clampToInt32(image.y)};
}

void CPageView::drawNow(const Rect& image) {
    const WideRect rect = geometry().invalidRectFor(image).intersected(geometry().imageArea());
    if (!rect.empty()) repaint(toQRect(rect));
}

void CPageView::toggleFeedback(const FeedbackFigure& figure) {
    const auto shown = std::find(m_feedback.begin(), m_feedback.end(), figure);
    if (shown != m_feedback.end())
        m_feedback.erase(shown);
    else
        m_feedback.push_back(figure);
    const QRegion touched = figureRegion(figure) & toQRect(geometry().imageArea());
    if (!touched.isEmpty()) repaint(touched);
}

bool CPageView::buildMovedOutline() {
    m_movedOutlineBuilt = true;
    if (!hasPage() || m_context.renderer == nullptr) return false;
    const Page& page = *m_document.page();
    SelectionOutline outline;
    SelectionOutline::Scene scene;
    scene.hasFocus = true;
    scene.hasSelection = ViewEdits::hasSelection(page);
    scene.state = PageDraw::stateAt(*page.pageData(), 0);
    scene.maskPlane = page.colourPlaneCount();
    scene.selectionBounds = page.selectionRect();
    outline.update(*m_context.renderer, geometry(), scene);
    if (!outline.hasBitmap()) return false;
    const WideRect& rect = outline.windowRect();
    QImage image(static_cast<int>(rect.width()), static_cast<int>(rect.height()),
                 QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return false;
    image.fill(Qt::transparent);
    // The still outline's pattern at phase 0, aligned to the outline itself
    // so that it travels with the pointer.
    for (int y = 0; y < image.height(); ++y) {
        const std::uint8_t pattern = SelectionOutline::patternRow(0, y & 7);
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (!outline.bit(x, y)) continue;
            row[x] = (pattern & (0x80u >> (x & 7))) != 0 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
        }
    }
    m_movedOutline = std::move(image);
    m_movedOrigin = QPoint(static_cast<int>(rect.left), static_cast<int>(rect.top));
    return true;
}

void CPageView::toggleMovedOutline(ToolPoint from, ToolPoint to) {
    if (!m_movedOutlineBuilt) buildMovedOutline();
    if (m_movedOutline.isNull()) return;
    const ToolPoint a = imageToWindow(from);
    const ToolPoint b = imageToWindow(to);
    const QPoint offset(clampToInt32(std::int64_t{b.x} - a.x),
                        clampToInt32(std::int64_t{b.y} - a.y));
    const auto shown = std::find(m_movedOffsets.begin(), m_movedOffsets.end(), offset);
    if (shown != m_movedOffsets.end())
        m_movedOffsets.erase(shown);
    else
        m_movedOffsets.push_back(offset);
    const QRect touched =
        QRect(m_movedOrigin + offset, m_movedOutline.size()) & toQRect(geometry().imageArea());
    if (!touched.isEmpty()) repaint(touched);
}

void CPageView::endMovedOutline() {
    std::vector<QPoint> left;
    left.swap(m_movedOffsets);
    for (const QPoint& offset : left) update(QRect(m_movedOrigin + offset, m_movedOutline.size()));
    m_movedOutline = QImage();
    m_movedOutlineBuilt = false;
}

void CPageView::showPoint(ToolPoint image) {
    if (m_frame != nullptr) m_frame->infoBar()->showPoint(image.x, image.y);
}

void CPageView::showDrag(ToolPoint image, std::int32_t width, std::int32_t height) {
    if (m_frame != nullptr) m_frame->infoBar()->showPointAndSize(image.x, image.y, width, height);
}

void CPageView::showColours() {
    if (m_context.coloursChanged) m_context.coloursChanged();
}

MouseTracker& CPageView::tracker() {
    return *m_tracker;
}

Rect CPageView::imageArea() const {
    const WideRect area = geometry().imageArea();
    return {clampToInt32(area.left), clampToInt32(area.top), clampToInt32(area.right),
            clampToInt32(area.bottom)};
}

void CPageView::scrollBy(std::int32_t dx, std::int32_t dy) {
    using Axis = KorvelViewGeometry::Axis;
    using Action = KorvelViewGeometry::ScrollAction;
    const std::int64_t x = geometry().scrollBar(Axis::Horizontal).position + dx;
    const std::int64_t y = geometry().scrollBar(Axis::Vertical).position + dy;
    bool moved = false;
    if (dx != 0) moved |= CKorvelView::scrollBy(Axis::Horizontal, Action::ThumbPosition, x) != 0;
    if (dy != 0) moved |= CKorvelView::scrollBy(Axis::Vertical, Action::ThumbPosition, y) != 0;
    if (moved) repaint();
}

void CPageView::centreOn(ToolPoint centre) {
    using Axis = KorvelViewGeometry::Axis;
    const ToolPoint now = imageToWindow(centre);
    const WideRect area = geometry().imageArea();
    const std::int64_t dx = now.x - (area.left + area.right) / 2;
    const std::int64_t dy = now.y - (area.top + area.bottom) / 2;
    const auto target = [&](Axis axis, std::int64_t delta) {
        return geometry().scrollBar(axis).position + delta;
    };
    using Action = KorvelViewGeometry::ScrollAction;
    CKorvelView::scrollBy(Axis::Horizontal, Action::ThumbPosition, target(Axis::Horizontal, dx));
    CKorvelView::scrollBy(Axis::Vertical, Action::ThumbPosition, target(Axis::Vertical, dy));
}

void CPageView::zoomInAbout(ToolPoint centre) {
    if (zoomIn()) centreOn(centre);
}

void CPageView::zoomOutAbout(ToolPoint centre) {
    if (zoomOut()) centreOn(centre);
}

void CPageView::zoomToAbout(double requested, ToolPoint centre) {
    if (zoomToCommand(ZoomLevels::snap(requested).command)) centreOn(centre);
}

void CPageView::resetLayout(const Rect& imageBounds) {
    m_shownBounds = imageBounds;
    CKorvelView::resetLayout(imageBounds);
    refreshInfoBar();
    pageChanged();
}

std::unique_ptr<ProgressPort> CPageView::createProgress() {
    if (!m_services || m_services->progress == nullptr) return nullptr;
    return m_services->progress->create(kToolProgressStyle);
}

bool CPageView::askTextOptions(TextTool& tool) {
    return runTextOptionsDlog(tool, window());
}

TextRasterizer* CPageView::textRasterizer() {
    if (!m_textRasterizer) m_textRasterizer = std::make_unique<QtTextRasterizer>();
    return m_textRasterizer.get();
}

int CPageView::modifierMaskAt(QPoint window, Qt::KeyboardModifiers modifiers) const {
    ToolEvent keys;
    keys.shift = modifiers.testFlag(Qt::ShiftModifier) ? 0x80 : 0;
    keys.alt = modifiers.testFlag(Qt::AltModifier) ? 0x80 : 0;
    keys.ctrl = modifiers.testFlag(Qt::ControlModifier) ? 0x80 : 0;
    keys.space = m_spaceDown ? 0x80 : 0;
    if (hasPage()) {
        const Page& page = *m_document.page();
        const ToolPoint image = windowToImage({window.x(), window.y()});
        keys.insideSelection = page.isSelected(image.x, image.y);
        keys.insideFloat = keys.insideSelection && page.hasFloat();
    }
    return modifierMask(keys);
}

void CPageView::updateCursor(QPoint window, Qt::KeyboardModifiers modifiers) {
    const bool chosen = m_context.tools != nullptr && windowActive() &&
                        geometry().inImageArea(WidePoint{window.x(), window.y()});
    if (!chosen) {
        m_cursorNumber = -1;
        setCursor(Qt::ArrowCursor);
        return;
    }
    const int number = m_context.tools->cursorFor(modifierMaskAt(window, modifiers));
    if (number == m_cursorNumber) return;
    m_cursorNumber = number;
    setCursor(m_cursors.cursor(CToolCursors::kFirstResource + number, devicePixelRatioF()));
}

void CPageView::keysChanged(Qt::KeyboardModifiers modifiers) {
    if (m_pointerInside && !m_tracker->tracking()) updateCursor(m_pointer, modifiers);
}

void CPageView::mouseMoveEvent(QMouseEvent* event) {
    CKorvelView::mouseMoveEvent(event);
    m_pointer = event->position().toPoint();
    m_pointerInside = true;
    if (!m_tracker->tracking()) updateCursor(m_pointer, event->modifiers());
}

void CPageView::enterEvent(QEnterEvent* event) {
    CKorvelView::enterEvent(event);
    m_pointer = event->position().toPoint();
    m_pointerInside = true;
    updateCursor(m_pointer, QGuiApplication::keyboardModifiers());
}

void CPageView::leaveEvent(QEvent* event) {
    CKorvelView::leaveEvent(event);
    m_pointerInside = false;
}

namespace {

// The modifiers once the key of `event` went down (`down`) or up: the
// event's own modifiers may or may not include the key that changed.
Qt::KeyboardModifiers modifiersAfter(const QKeyEvent* event, bool down) {
    Qt::KeyboardModifiers modifiers = event->modifiers();
    Qt::KeyboardModifier changed = Qt::NoModifier;
    switch (event->key()) {
        case Qt::Key_Shift:
            changed = Qt::ShiftModifier;
            break;
        case Qt::Key_Control:
            changed = Qt::ControlModifier;
            break;
        case Qt::Key_Alt:
            changed = Qt::AltModifier;
            break;
        default:
            return modifiers;
    }
    modifiers.setFlag(changed, down);
    return modifiers;
}

bool changesCursor(int key) {
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt ||
           key == Qt::Key_Space;
}

}  // namespace

void CPageView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space) {
        if (!event->isAutoRepeat()) {
            m_spaceDown = true;
            keysChanged(event->modifiers());
        }
        event->accept();
        return;
    }
    if (changesCursor(event->key()) && !event->isAutoRepeat())
        keysChanged(modifiersAfter(event, true));
    CKorvelView::keyPressEvent(event);
}

void CPageView::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space) {
        if (!event->isAutoRepeat()) {
            m_spaceDown = false;
            keysChanged(event->modifiers());
        }
        event->accept();
        return;
    }
    if (changesCursor(event->key()) && !event->isAutoRepeat())
        keysChanged(modifiersAfter(event, false));
    CKorvelView::keyReleaseEvent(event);
}

void CPageView::leftButtonPressed(QMouseEvent* event) {
    ToolBox* tools = m_context.tools;
    if (m_tracker->tracking() || !hasPage() || tools == nullptr ||
        tools->currentIndex() == ToolBox::kNone)
        return;
    Page& page = *m_document.page();
    const QPoint at = event->position().toPoint();
    const Qt::KeyboardModifiers modifiers = event->modifiers();

    ToolEvent toolEvent;
    toolEvent.view = this;
    toolEvent.page = &page;
    toolEvent.windowPoint = {at.x(), at.y()};
    toolEvent.imagePoint = windowToImage(toolEvent.windowPoint);
    toolEvent.shift = modifiers.testFlag(Qt::ShiftModifier) ? 0x80 : 0;
    toolEvent.alt = modifiers.testFlag(Qt::AltModifier) ? 0x80 : 0;
    toolEvent.ctrl = modifiers.testFlag(Qt::ControlModifier) ? 0x80 : 0;
    toolEvent.space = m_spaceDown ? 0x80 : 0;
    updateCursor(at, modifiers);

    const PageSnapshot before(page);
    m_tracker->begin(at);
    const ErrorCode code = tools->pressOnPage(toolEvent);
    m_tracker->end();

    // Repaint what the tool changed: the area its change recorded, the
    // selection as it was and as it is, or everything when the image's size
    // changed. (Painting tools have shown their dabs already.)
    const PageSnapshot after(page);
    const bool stateChanged = after.state != before.state;
    const bool selectionChanged =
        !(after.selection == before.selection) || after.moves != before.moves;
    const auto repaintArea = [this](const Rect& area) {
        if (!area.empty()) invalidateImage(area);
    };
    if (!(after.bounds == m_shownBounds)) {
        relayoutAndRepaint(after.bounds);
    } else if (stateChanged || selectionChanged) {
        if (stateChanged) repaintArea(PageStateRecord::readFrom(*after.state).changed);
        if (selectionChanged) {
            repaintArea(before.selection);
            repaintArea(after.selection);
        }
        pageChanged();
    }
    if (code != kErrNone && code != kErrCancelled) report(code);
}

void CPageView::paintFeedback(QPainter& painter, const QRect& area) const {
    if (!m_movedOffsets.empty() && !m_movedOutline.isNull()) {
        painter.save();
        painter.setClipRect(area);
        for (const QPoint& offset : m_movedOffsets)
            painter.drawImage(m_movedOrigin + offset, m_movedOutline);
        painter.restore();
    }
    if (m_feedback.empty()) return;
    // A white line under a dashed black one shows on any image.
    QPen under(Qt::white, 1);
    QPen dashes(Qt::black, 1, Qt::CustomDashLine);
    dashes.setDashPattern({3.0, 3.0});
    painter.save();
    painter.setClipRect(area);
    painter.setBrush(Qt::NoBrush);
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (const FeedbackFigure& figure : m_feedback) {
        const QRect box =
            QRect(QPoint(figure.from.x, figure.from.y), QPoint(figure.to.x, figure.to.y))
                .normalized();
        const QRect outline(box.topLeft(), QSize(box.width() - 1, box.height() - 1));
        const int width =
            figure.kind == FeedbackFigure::Kind::Line ? std::clamp(figure.penWidth, 1, 1000) : 1;
        for (QPen pen : {under, dashes}) {
            pen.setWidth(width);
            painter.setPen(pen);
            switch (figure.kind) {
                case FeedbackFigure::Kind::Rectangle:
                    painter.drawRect(outline);
                    break;
                case FeedbackFigure::Kind::Ellipse:
                    painter.drawEllipse(outline);
                    break;
                case FeedbackFigure::Kind::Line:
                    painter.drawLine(QPoint(figure.from.x, figure.from.y),
                                     QPoint(figure.to.x, figure.to.y));
                    break;
            }
        }
    }
    painter.restore();
}

}  // namespace tessary
