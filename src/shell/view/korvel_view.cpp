#include "shell/view/korvel_view.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <limits>

#include "render/zoom_levels.h"
#include "shell/chrome/info_control_bar.h"

namespace tessary {
namespace {

using Axis = KorvelViewGeometry::Axis;
using ScrollAction = KorvelViewGeometry::ScrollAction;

// Width of the zoom box at the left end of the bottom strip.
constexpr int kZoomBoxWidth = 48;

int toInt(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

QRect toQRect(const WideRect& r) {
    return QRect(QPoint(toInt(r.left), toInt(r.top)),
                 QPoint(toInt(r.right) - 1, toInt(r.bottom) - 1));
}

}  // namespace

CKorvelView::CKorvelView(QWidget* parent) : QWidget(parent) {
    // The view takes the focus from the pointer moving in after an
    // activation click, not from the click itself.
    setFocusPolicy(Qt::TabFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);

    m_horizontal = new QScrollBar(Qt::Horizontal, this);
    m_vertical = new QScrollBar(Qt::Vertical, this);
    m_horizontal->setProperty("controlId", zoom_commands::kHorizontalScrollBar);
    m_vertical->setProperty("controlId", zoom_commands::kVerticalScrollBar);
    for (QScrollBar* bar : {m_horizontal, m_vertical}) {
        bar->setSingleStep(static_cast<int>(KorvelViewGeometry::kLineStep));
        bar->setPageStep(static_cast<int>(KorvelViewGeometry::kPageStep));
        bar->setFocusPolicy(Qt::NoFocus);
        bar->hide();
    }
    connect(m_horizontal, &QScrollBar::valueChanged, this,
            [this](int value) { scrollBarMoved(Axis::Horizontal, value); });
    connect(m_vertical, &QScrollBar::valueChanged, this,
            [this](int value) { scrollBarMoved(Axis::Vertical, value); });

    m_zoomBox = new QToolButton(this);
    m_zoomBox->setProperty("controlId", zoom_commands::kZoomBox);
    m_zoomBox->setFocusPolicy(Qt::NoFocus);
    m_zoomBox->setAutoRaise(true);
    m_zoomBox->setText(zoomLabel());
    connect(m_zoomBox, &QToolButton::clicked, this, &CKorvelView::popUpZoomMenu);
    m_zoomOutButton = new QToolButton(this);
    m_zoomOutButton->setProperty("controlId", zoom_commands::kZoomOutButton);
    m_zoomOutButton->setText(QStringLiteral("-"));
    m_zoomOutButton->setToolTip(QStringLiteral("Zoom Out"));
    connect(m_zoomOutButton, &QToolButton::clicked, this, [this] { zoomOut(); });
    m_zoomInButton = new QToolButton(this);
    m_zoomInButton->setProperty("controlId", zoom_commands::kZoomInButton);
    m_zoomInButton->setText(QStringLiteral("+"));
    m_zoomInButton->setToolTip(QStringLiteral("Zoom In"));
    connect(m_zoomInButton, &QToolButton::clicked, this, [this] { zoomIn(); });
    for (QToolButton* button : {m_zoomOutButton, m_zoomInButton}) {
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRaise(true);
    }

    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    m_geometry.setScrollBarMetrics(extent, extent);
}

CKorvelView::~CKorvelView() = default;

QWidget* CKorvelView::control(int id) const {
    switch (id) {
        case zoom_commands::kHorizontalScrollBar:
            return m_horizontal;
        case zoom_commands::kVerticalScrollBar:
            return m_vertical;
        case zoom_commands::kZoomBox:
            return m_zoomBox;
        case zoom_commands::kZoomInButton:
            return m_zoomInButton;
        case zoom_commands::kZoomOutButton:
            return m_zoomOutButton;
        default:
            return nullptr;
    }
}

QString CKorvelView::zoomLabel() const {
    const std::string_view label = m_geometry.zoomLabel();
    return QString::fromLatin1(label.data(), static_cast<qsizetype>(label.size()));
}

void CKorvelView::resetLayout(const Rect& bounds) {
    m_geometry.setImageBounds(bounds);
    syncScrollBars();
    update();
}

bool CKorvelView::zoomIn() {
    if (!m_geometry.canZoomIn()) return false;
    const bool changed = m_geometry.zoomIn();
    m_zoomBox->setText(zoomLabel());
    if (changed) {
        syncScrollBars();
        zoomChanged();
        update();
    }
    return changed;
}

bool CKorvelView::zoomOut() {
    if (!m_geometry.canZoomOut()) return false;
    const bool changed = m_geometry.zoomOut();
    m_zoomBox->setText(zoomLabel());
    if (changed) {
        syncScrollBars();
        zoomChanged();
        update();
    }
    return changed;
}

bool CKorvelView::zoomToCommand(int command) {
    const bool changed = m_geometry.zoomToCommand(command);
    m_zoomBox->setText(zoomLabel());
    if (changed) {
        syncScrollBars();
        zoomChanged();
        update();
    }
    return changed;
}

std::int64_t CKorvelView::scrollBy(Axis axis, ScrollAction action, std::int64_t thumbPosition) {
    const std::int64_t moved = m_geometry.scroll(axis, action, thumbPosition);
    if (moved != 0) {
        syncScrollBars();
        update();
    }
    return moved;
}

void CKorvelView::scrollBarMoved(Axis axis, int value) {
    if (m_syncing) return;
    scrollBy(axis, ScrollAction::ThumbPosition, value);
}

void CKorvelView::invalidateImage(const Rect& image) {
    const WideRect area = m_geometry.imageArea();
    const WideRect rect = m_geometry.invalidRectFor(image).intersected(area);
    if (!rect.empty()) update(toQRect(rect));
}

WidePoint CKorvelView::imagePointAt(const QPoint& window) const {
    return m_geometry.windowToImage(WidePoint{window.x(), window.y()});
}

QSize CKorvelView::sizeHint() const {
    const int strip = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const Rect& bounds = m_geometry.imageBounds();
    const auto extent = [strip](std::int32_t pixels, double scale) {
        return toInt(static_cast<std::int64_t>(std::ceil(pixels * scale)) + strip);
    };
    return QSize(extent(bounds.width(), m_geometry.scaleX()),
                 extent(bounds.height(), m_geometry.scaleY()));
}

void CKorvelView::popUpZoomMenu() {
    if (m_zoomMenu == nullptr) return;
    m_zoomMenu->popup(m_zoomBox->mapToGlobal(QPoint(m_zoomBox->width(), 0)));
}

void CKorvelView::syncScrollBars() {
    m_syncing = true;
    const auto apply = [](QScrollBar* bar, const KorvelViewGeometry::ScrollBar& state) {
        bar->setRange(0, toInt(state.range));
        bar->setValue(toInt(state.position));
        bar->setVisible(state.visible);
    };
    apply(m_horizontal, m_geometry.scrollBar(Axis::Horizontal));
    apply(m_vertical, m_geometry.scrollBar(Axis::Vertical));
    m_syncing = false;
    layoutChanged();
    showPointerPosition();
}

void CKorvelView::placeChildren() {
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const int w = width();
    const int h = height();
    // Along the bottom: zoom box, zoom out, zoom in (square buttons), then
    // the horizontal bar up to the vertical bar's strip.
    m_zoomBox->setGeometry(0, h - extent, kZoomBoxWidth, extent);
    m_zoomOutButton->setGeometry(kZoomBoxWidth, h - extent, extent, extent);
    m_zoomInButton->setGeometry(kZoomBoxWidth + extent, h - extent, extent, extent);
    const int barLeft = kZoomBoxWidth + 2 * extent;
    m_horizontal->setGeometry(barLeft, h - extent, std::max(0, w - extent - barLeft), extent);
    m_vertical->setGeometry(w - extent, 0, extent, std::max(0, h - extent));
}

void CKorvelView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_geometry.setClientSize(width(), height());
    placeChildren();
    syncScrollBars();
    update();
}

namespace {

QMdiSubWindow* frameOf(const QWidget* view) {
    for (QWidget* w = view->parentWidget(); w != nullptr; w = w->parentWidget()) {
        if (auto* frame = qobject_cast<QMdiSubWindow*>(w)) return frame;
        if (w->isWindow()) break;
    }
    return nullptr;
}

}  // namespace

bool CKorvelView::windowActive() const {
    if (!isActiveWindow()) return false;
    const QMdiSubWindow* frame = frameOf(this);
    return frame == nullptr || frame->mdiArea() == nullptr ||
           frame->mdiArea()->activeSubWindow() == frame;
}

void CKorvelView::windowActivated() {
    if (m_justActivated) return;
    m_justActivated = true;
    QTimer::singleShot(0, this, [this] { m_justActivated = false; });
}

void CKorvelView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (m_watchingFrame) return;
    if (QMdiSubWindow* frame = frameOf(this)) {
        m_watchingFrame = true;
        connect(frame, &QMdiSubWindow::windowStateChanged, this,
                [this](Qt::WindowStates before, Qt::WindowStates now) {
                    if (!before.testFlag(Qt::WindowActive) && now.testFlag(Qt::WindowActive))
                        windowActivated();
                });
    }
}

void CKorvelView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) windowActivated();
    QWidget::changeEvent(event);
}

void CKorvelView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (m_justActivated || !windowActive()) {
        // The press that activates the window only activates it.
        m_activationClickPending = true;
        return;
    }
    m_activationClickPending = false;
    if (!hasFocus()) setFocus(Qt::MouseFocusReason);
    leftButtonPressed(event);
}

void CKorvelView::mouseMoveEvent(QMouseEvent* event) {
    if (m_activationClickPending) {
        m_activationClickPending = false;
        setFocus(Qt::MouseFocusReason);
    }
    m_pointer = event->position().toPoint();
    m_pointerInside = true;
    showPointerPosition();
    QWidget::mouseMoveEvent(event);
}

void CKorvelView::leaveEvent(QEvent* event) {
    m_pointerInside = false;
    QWidget::leaveEvent(event);
}

void CKorvelView::showPointerPosition() {
    if (m_infoBar == nullptr || !m_pointerInside ||
        !m_geometry.inImageArea(WidePoint{m_pointer.x(), m_pointer.y()}))
        return;
    const WidePoint image = imagePointAt(m_pointer);
    m_infoBar->showPoint(toInt(image.x), toInt(image.y));
}

void CKorvelView::wheelEvent(QWheelEvent* event) {
    const QPoint steps = event->angleDelta() / 120;
    if (steps.y() != 0)
        scrollBy(Axis::Vertical, steps.y() > 0 ? ScrollAction::LineUp : ScrollAction::LineDown);
    if (steps.x() != 0)
        scrollBy(Axis::Horizontal, steps.x() > 0 ? ScrollAction::LineUp : ScrollAction::LineDown);
    event->accept();
}

void CKorvelView::paintStrips(QPainter& painter, const QRect& clip) {
    const WideRect area = m_geometry.imageArea();
    const QRegion strips = QRegion(rect()) - QRegion(toQRect(area));
    for (const QRect& strip : strips) {
        const QRect part = strip.intersected(clip);
        if (!part.isEmpty()) painter.fillRect(part, palette().window());
    }
}

}  // namespace tessary
