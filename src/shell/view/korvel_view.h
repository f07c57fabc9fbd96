#pragma once

#include <QWidget>

#include "render/korvel_view_geometry.h"

class QMenu;
class QScrollBar;
class QToolButton;

namespace tessary {

class CInfoControlBar;

// The image window's base view: zoom, scrolling and the maps between image
// pixels and window pixels, kept by a KorvelViewGeometry. It knows nothing
// of pages beyond the image bounds.
//
// Children (reached by id through control()): the horizontal scroll bar
// 4444 and the vertical one 4445 along the bottom and right edges, and the
// zoom box 4130 at the bottom left, which shows the zoom label ("1:1") and
// opens the zoom menu, followed by the zoom-out button 4132 and the zoom-in
// button 4131, which zoom about the centre as the zoom commands do. The strips the bars live in are
// never part of the image area, whether the bars are shown or not, so showing a bar never moves the
// image.
//
// Window coordinates are this widget's client coordinates. Scroll bars
// carry int positions: an extent beyond the int range scrolls only over its
// first 2^31 - 1 window pixels.
class CKorvelView : public QWidget {
    Q_OBJECT
public:
    explicit CKorvelView(QWidget* parent = nullptr);
    ~CKorvelView() override;

    const KorvelViewGeometry& geometry() const { return m_geometry; }
    // The child control with `id` (4444, 4445, 4130, 4131, 4132), or null.
    QWidget* control(int id) const;
    QString zoomLabel() const;
    // The whole image at the current zoom plus the scroll-bar strips.
    QSize sizeHint() const override;

    // Stores new image bounds and lays out again, keeping scroll positions
    // where the new ranges allow; repaints everything.
    void resetLayout(const Rect& bounds);

    // Zoom about the centre of the image area. True when the zoom changed
    // (everything is then repainted and zoomChanged() called).
    bool zoomIn();
    bool zoomOut();
    bool zoomToCommand(int command);

    // Scrolls one axis as a scroll-bar action would. Returns the move.
    std::int64_t scrollBy(KorvelViewGeometry::Axis axis, KorvelViewGeometry::ScrollAction action,
                          std::int64_t thumbPosition = 0);

    // Invalidates the window rectangle of an image rectangle (both corners
    // mapped, grown by one pixel), clipped to the image area.
    void invalidateImage(const Rect& image);

    // Window -> image pixel, as the info bar shows it.
    WidePoint imagePointAt(const QPoint& window) const;

    // Where the pointer position goes (may be null).
    void setInfoBar(CInfoControlBar* bar) { m_infoBar = bar; }
    // The zoom menu the zoom box opens (owned by the caller; may be null).
    void setZoomMenu(QMenu* menu) { m_zoomMenu = menu; }
    // Opens the zoom menu under the zoom box's top-right corner.
    void popUpZoomMenu();

    bool activationClickPending() const { return m_activationClickPending; }
    // The view's image window is the active one: its top-level window is
    // active and, inside a multiple-document area, its frame is the area's
    // active window.
    bool windowActive() const;

protected:
    // After a zoom change, before the repaint.
    virtual void zoomChanged() {}
    // After any change of where the image lands in the window (resize,
    // scroll, zoom, new bounds).
    virtual void layoutChanged() {}
    // A left-button press that is not an activation click, in window pixels.
    virtual void leftButtonPressed(QMouseEvent* /*event*/) {}

    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    // A left-button press that activates the image window (the top-level
    // window or the frame was not active before it) only activates it, and
    // is remembered until the next mouse move, which gives the view the
    // focus. Any other left-button press gives the view the focus and goes
    // to leftButtonPressed().
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

    // Fills the scroll-bar strips that no bar covers.
    void paintStrips(class QPainter& painter, const QRect& clip);

private:
    void syncScrollBars();
    void placeChildren();
    // Shows the image point under the resting pointer in the info bar: the
    // same window position names another pixel after a scroll or a zoom.
    void showPointerPosition();
    void scrollBarMoved(KorvelViewGeometry::Axis axis, int value);

    KorvelViewGeometry m_geometry;
    QScrollBar* m_horizontal = nullptr;
    QScrollBar* m_vertical = nullptr;
    QToolButton* m_zoomBox = nullptr;
    QToolButton* m_zoomInButton = nullptr;
    QToolButton* m_zoomOutButton = nullptr;
    QMenu* m_zoomMenu = nullptr;
    CInfoControlBar* m_infoBar = nullptr;
    // The pointer's last position over the view (client pixels), while it
    // is inside.
    QPoint m_pointer;
    bool m_pointerInside = false;
    // The image window became active while the current event was handled
    // (Qt activates a window before it delivers the press that activated
    // it); cleared as soon as the event loop runs on.
    void windowActivated();

    bool m_syncing = false;
    bool m_activationClickPending = false;
    bool m_justActivated = false;
    bool m_watchingFrame = false;
};

}  // namespace tessary
