#include "shell/app/idle_processor.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

namespace tessary {

IdleProcessor::IdleProcessor(QObject* parent) : QObject(parent) {
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &IdleProcessor::runNow);
}

IdleProcessor::~IdleProcessor() = default;

void IdleProcessor::runNow() {
    // Idle work may open a nested event loop (a message box): its own waits
    // must not start another pass.
    if (m_running) return;
    m_running = true;
    emit idle();
    m_running = false;
}

}  // namespace tessary
