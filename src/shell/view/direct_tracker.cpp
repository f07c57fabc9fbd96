#include "shell/view/direct_tracker.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QWidget>

namespace tessary {
namespace {

// Trackers between begin() and end(), for anyTracking().
int g_trackingCount = 0;

// The keys that may reach the view during a drag: they change the cursor or
// what a tool does with the drag, never run a command.
bool passesDuringDrag(int key) {
    switch (key) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
        case Qt::Key_Meta:
        case Qt::Key_Space:
            return true;
        default:
            return false;
    }
}

}  // namespace

DirectTracker::DirectTracker(QWidget* view) : QObject(view), m_view(view) {
    // The timer only wakes the event dispatcher; nothing is connected to it.
    m_wake.setSingleShot(true);
    m_wake.setInterval(kIdleWaitMs);
}

DirectTracker::~DirectTracker() {
    end();
}

bool DirectTracker::anyTracking() {
    return g_trackingCount > 0;
}

void DirectTracker::begin(QPoint window) {
    if (m_tracking) return;
    m_point = window;
    m_down = true;
    m_passesAfterRelease = 0;
    m_platformReportsButton = QGuiApplication::mouseButtons().testFlag(Qt::LeftButton);
    m_windowsAtBegin.clear();
    for (QWidget* window : QApplication::topLevelWidgets()) m_windowsAtBegin.append(window);
    m_tracking = true;
    ++g_trackingCount;
    qApp->installEventFilter(this);
}

void DirectTracker::end() {
    if (!m_tracking) return;
    qApp->removeEventFilter(this);
    m_wake.stop();
    m_tracking = false;
    m_down = false;
    --g_trackingCount;
}

ToolPoint DirectTracker::point() {
    return {m_point.x(), m_point.y()};
}

bool DirectTracker::stillDown() {
    if (m_view == nullptr || !m_tracking) return false;
    return m_down || m_passesAfterRelease < 1;
}

bool DirectTracker::idleHook() {
    if (m_view == nullptr) return false;
    if (!m_down) ++m_passesAfterRelease;
    // Pending events are processed at once; with none, the dispatcher sleeps
    // until the next one or the wake timer.
    if (!m_wake.isActive()) m_wake.start();
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    if (m_view == nullptr) return false;
    if (m_platformReportsButton && !QGuiApplication::mouseButtons().testFlag(Qt::LeftButton))
        release();
    if (!m_view->isVisible()) release();
    return true;
}

void DirectTracker::release(QPoint window) {
    if (!m_down) return;
    m_point = window;
    m_down = false;
    m_passesAfterRelease = 0;
}

bool DirectTracker::isTrackedWidget(const QObject* object) const {
    return object == m_view.data();
}

bool DirectTracker::inWindowOpenedDuringPress(const QObject* object) const {
    if (!object->isWidgetType()) return false;
    const QWidget* window = static_cast<const QWidget*>(object)->window();
    for (const QPointer<QWidget>& known : m_windowsAtBegin)
        if (known.data() == window) return false;
    return true;
}

bool DirectTracker::eventFilter(QObject* watched, QEvent* event) {
    if (!m_tracking || m_view == nullptr) return false;
    if (inWindowOpenedDuringPress(watched)) return false;
    // Window-level events become widget events, which are judged below.
    const bool widget = watched->isWidgetType();
    switch (event->type()) {
        case QEvent::MouseMove:
            if (isTrackedWidget(watched)) {
                m_point = static_cast<QMouseEvent*>(event)->position().toPoint();
                return false;
            }
            return widget;
        case QEvent::MouseButtonRelease: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton)
                release(m_view->mapFromGlobal(mouse->globalPosition()).toPoint());
            return widget && !isTrackedWidget(watched);
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
            return widget;
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            return widget && !passesDuringDrag(static_cast<QKeyEvent*>(event)->key());
        case QEvent::Shortcut:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            return true;
        case QEvent::Close:
            if (qobject_cast<QMdiSubWindow*>(watched) != nullptr || watched == m_view->window()) {
                event->ignore();
                return true;
            }
            return false;
        case QEvent::Hide:
            if (isTrackedWidget(watched)) release();
            return false;
        case QEvent::WindowDeactivate:
            if (watched == m_view->window()) release();
            return false;
        case QEvent::ApplicationDeactivate:
            release();
            return false;
        default:
            return false;
    }
}

}  // namespace tessary
