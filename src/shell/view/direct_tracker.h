#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QTimer>

#include "tools/mouse_tracker.h"

class QWidget;

namespace tessary {

// The image view's mouse tracker: follows the pointer for a tool's drag loop
// from the press until the left button goes up.
//
// Qt cannot poll the physical button, so the tracker follows the events the
// view receives while the loop processes them in idleHook():
//   - the pointer is where the last mouse move (or the release) reached the
//     view, in the view's client pixels; Qt's implicit grab sends the moves
//     and the release to the view even outside the window;
//   - the button goes up when a left-button release reaches any widget,
//     when QGuiApplication::mouseButtons() stops reporting the left button
//     (once it reported it at the press), when the view is hidden or
//     destroyed, or when its window or the application is deactivated (a
//     window-manager grab can swallow the release). So the loop always ends.
// The button still counts as held for one more pass of the loop (one more
// idleHook()) after the pass that saw it go up: the loop takes the release
// position as its last point, so a move and the release processed together
// still paint up to where the button went up.
//
// While tracking, an event filter on the application keeps every other
// command out of the loop: presses, double clicks, wheel turns and moves on
// other widgets, keys other than the modifiers and space, shortcuts, context
// menus and drops are swallowed, and closing a frame or the main window is
// refused. So no menu command, second press or closed document can run
// inside the loop. Windows that open during the press (a tool's options
// dialog, the progress window of a long fill) are not the press's business:
// their input passes untouched, so they can be typed into and cancelled.
class DirectTracker : public QObject, public MouseTracker {
    Q_OBJECT
public:
    // How long idleHook() waits for an event when none is pending: the loop
    // sleeps instead of spinning while the pointer rests, and still looks at
    // the button state a hundred times a second.
    static constexpr int kIdleWaitMs = 10;

    // `view` receives the moves and the release; the tracker is its child.
    explicit DirectTracker(QWidget* view);
    ~DirectTracker() override;

    // Starts following with the button held and the pointer at `window`
    // (the press position, client pixels of the view).
    void begin(QPoint window);
    // Stops following: removes the event filter. Harmless when not tracking.
    void end();
    // Between begin() and end().
    bool tracking() const { return m_tracking; }
    // True while any tracker of the application is between begin() and end().
    static bool anyTracking();

    // MouseTracker
    ToolPoint point() override;
    // Processes pending events, or waits up to kIdleWaitMs for one. False
    // when the view is gone.
    bool idleHook() override;
    bool stillDown() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The button went up (or counts as up) with the pointer at `window`.
    void release(QPoint window);
    void release() { release(m_point); }
    bool isTrackedWidget(const QObject* object) const;
    // `object` is a widget in a window that opened after begin().
    bool inWindowOpenedDuringPress(const QObject* object) const;

    QPointer<QWidget> m_view;
    // The top-level windows that existed at begin().
    QList<QPointer<QWidget>> m_windowsAtBegin;
    QTimer m_wake;
    QPoint m_point;
    bool m_tracking = false;
    bool m_down = false;
    // mouseButtons() reported the left button at the press, so its report
    // is trusted to tell the release.
    bool m_platformReportsButton = false;
    // idleHook() calls since the button went up.
    int m_passesAfterRelease = 0;
};

}  // namespace tessary
