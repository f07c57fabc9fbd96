#pragma once

#include <functional>
#include <memory>

#include "acquire/twain_ports.h"
#include "model/page.h"

namespace tessary {

// Runs the editor's events while a scanning source is enabled: every round
// processes what is pending and waits up to kRoundMs for more, so the source
// is asked for news a few dozen times a second while its window (if any)
// gets its input through Qt's normal dispatch. A round ends early, and the
// pump answers "closing", when the application quits.
class CTwainPump : public TwainMessagePump {
public:
    static constexpr int kRoundMs = 20;
    bool runEvents() override;
};

// Acquired images become documents: a new page for every image, and each
// finished one goes into a new visible document of the document template,
// marked modified.
class CAcquiredDocuments : public AcquiredPagePort {
public:
    using DocumentMaker = std::function<void(std::unique_ptr<Page>)>;
    CAcquiredDocuments(const PageEnvironment& environment, DocumentMaker makeDocument)
        : m_environment(environment), m_makeDocument(std::move(makeDocument)) {}

    std::unique_ptr<Page> newPage() override;
    void pageAcquired(std::unique_ptr<Page> page) override;

private:
    PageEnvironment m_environment;
    DocumentMaker m_makeDocument;
};

}  // namespace tessary
