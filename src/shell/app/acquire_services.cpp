#include "shell/app/acquire_services.h"

#include <QEventLoop>
#include <QTimer>

namespace tessary {

bool CTwainPump::runEvents() {
    QEventLoop loop;
    bool timedOut = false;
    QTimer::singleShot(kRoundMs, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    loop.exec();
    // Anything else that ends the loop is the application quitting (it ends
    // every running loop, and a loop started after that returns at once).
    return timedOut;
}

std::unique_ptr<Page> CAcquiredDocuments::newPage() {
    return std::make_unique<Page>(m_environment);
}

void CAcquiredDocuments::pageAcquired(std::unique_ptr<Page> page) {
    page->setModified(true);
    m_makeDocument(std::move(page));
}

}  // namespace tessary
