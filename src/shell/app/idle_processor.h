#pragma once

#include <QObject>

namespace tessary {

// Idle processing: each time the user-interface thread's event loop has
// nothing left to do and is about to wait, idle() is emitted once. Receivers
// bring menus and titles up to date and animate the selection outline.
//
// A receiver must not post new work when nothing has changed, or the loop
// would never wait: setting a widget to the state it already has is fine
// (Qt ignores it).
class IdleProcessor : public QObject {
    Q_OBJECT
public:
    explicit IdleProcessor(QObject* parent = nullptr);
    ~IdleProcessor() override;

    // Emits idle() now (not when called from inside an idle pass).
    void runNow();

signals:
    void idle();

private:
    bool m_running = false;
};

}  // namespace tessary
